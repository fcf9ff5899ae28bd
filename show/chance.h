// The show's dice and clock: the platform C library's classic pseudo-random generator and its
// calendar time, made from kernel calls. The first Windows 95 release has no C run-time DLL, so
// the program carries these few lines instead of importing them.
#ifndef QUORVANE_CHANCE_H
#define QUORVANE_CHANCE_H

#include <windows.h>

// Starts the sequence, as srand() does.
void SeedRandom(DWORD seed);

// The next value, 0 to 0x7FFF, as rand() gives it: state x 214013 + 2531011, bits 16 to 30.
int NextRandom();

// A system time as seconds since 1970-01-01 00:00 UTC, the value time() returns.
DWORD SecondsSince1970(const FILETIME &systemTime);
DWORD CalendarSeconds();

// The hour of the local time of day, 0 to 23.
int LocalHour();

#endif
