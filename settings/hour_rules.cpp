#include "settings/hour_rules.h"

LONG FirstUseHour(LONG stored, LONG firstUse) {
    return stored == 0 ? firstUse : stored;
}

LONG StepHour(LONG hour, int scrollCode) {
    switch (scrollCode) {
    case SB_LINEUP:
        return hour >= 23 ? 0 : hour + 1; // also keeps a hand-edited huge value from overflowing
    case SB_LINEDOWN:
        return hour <= 0 ? 23 : hour - 1;
    default:
        return hour;
    }
}
