// The show's process-wide record and its message handler.
#ifndef QUORVANE_SHOW_STATE_H
#define QUORVANE_SHOW_STATE_H

#include <windows.h>

LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
