#include "show/chance.h"

static DWORD randomState = 1; // the C library's state before any seed

void SeedRandom(DWORD seed) {
    randomState = seed;
}

int NextRandom() {
    randomState = randomState * 214013 + 2531011;
    return (int)((randomState >> 16) & 0x7FFF);
}

// FILETIME counts 100 ns steps from 1601-01-01.
static const ULONGLONG FILETIME_AT_1970 = 116444736000000000ULL;
static const ULONGLONG FILETIME_PER_SECOND = 10000000;

DWORD SecondsSince1970(const FILETIME &systemTime) {
    ULONGLONG steps = (ULONGLONG)systemTime.dwHighDateTime << 32 | systemTime.dwLowDateTime;
    return (DWORD)((steps - FILETIME_AT_1970) / FILETIME_PER_SECOND);
}

DWORD CalendarSeconds() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME steps;
    SystemTimeToFileTime(&now, &steps);
    return SecondsSince1970(steps);
}

int LocalHour() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour;
}
