#include "show/quiet_hours.h"

bool QuietHours(const SaverSettings &settings, int hour) {
    if (!settings.Active)
        return false;
    if (settings.TimeFrom <= settings.TimeTo)
        return hour >= settings.TimeFrom && hour <= settings.TimeTo;
    return hour >= settings.TimeFrom || hour <= settings.TimeTo;
}
