// The quiet-hours settings, their file and their dialog.
#ifndef QUORVANE_SETTINGS_H
#define QUORVANE_SETTINGS_H

#include <windows.h>

BOOL WINAPI ConfigDialogHook(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
