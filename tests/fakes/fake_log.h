// What every double shares: its settings come from the environment the saver inherits from the
// test, and it tells the test what happened as lines of a log file.
#ifndef QUORVANE_FAKE_LOG_H
#define QUORVANE_FAKE_LOG_H

#include <windows.h>

// The variable's value, or "" when it is unset or does not fit.
void ReadSetting(const char *name, char *value, DWORD size);
// The variable read as a decimal number, or `fallback` when it is unset.
long ReadNumber(const char *name, long fallback);

// Fixes where the log goes, whatever the program later does to its current folder: `name` beside
// the module.
void PlaceLog(HINSTANCE module, const char *name);

// Appends one line; the log stays readable and deletable by the test all the while.
void WriteLogLine(const char *line);

// A DllMain's part for the doubles that log their life: "load" (placing the log first),
// "unload" when freed by FreeLibrary, "exit" when still loaded as the process ends.
void LogModuleLife(HINSTANCE module, DWORD reason, void *reserved, const char *logName);

#endif
