// The quiet-hours settings, their file and their dialog.
#ifndef QUORVANE_SETTINGS_H
#define QUORVANE_SETTINGS_H

#include <windows.h>

struct SaverSettings {
    LONG TimeFrom; // hour (0-23) at which the quiet window begins
    LONG TimeTo;   // hour (0-23) through whose end it lasts
    LONG Active;   // non-zero: the quiet window is in force
};

extern SaverSettings saverSettings;

void LoadSettings();
// Whether every value reached the file.
bool SaveSettings();
// The settings file with its folder, for the user's eyes.
void SettingsLocation(char *path, UINT size);

BOOL WINAPI ConfigDialogHook(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
