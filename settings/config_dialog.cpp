#include "settings/settings.h"

BOOL WINAPI ConfigDialogHook(HINSTANCE)
{
    return TRUE;
}

INT_PTR CALLBACK ConfigDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
