// The dialog's hour arithmetic, kept apart so that unit tests reach it directly.
#ifndef QUORVANE_HOUR_RULES_H
#define QUORVANE_HOUR_RULES_H

#include <windows.h>

// An hour as the dialog first shows it: a stored 0 means "never chosen" and shows the default.
LONG FirstUseHour(LONG stored, LONG firstUse);

// One arrow step: SB_LINEUP adds an hour, SB_LINEDOWN takes one away, wrapping within 0-23;
// any other scroll code leaves the hour alone.
LONG StepHour(LONG hour, int scrollCode);

const LONG FIRST_USE_FROM = 20;
const LONG FIRST_USE_TO = 8;

#endif
