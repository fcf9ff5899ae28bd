#ifndef QUORVANE_QUIET_HOURS_H
#define QUORVANE_QUIET_HOURS_H

#include "settings/settings.h"

// Whether the saver keeps silent when it starts in this hour (0-23). Both bounds are quiet,
// the second to its end. A window whose start lies above its end runs past midnight.
bool QuietHours(const SaverSettings &settings, int hour);

#endif
