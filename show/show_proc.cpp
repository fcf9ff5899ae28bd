#include "show/show_state.h"
#include "frame/saver_state.h"

LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SaverDefaultProc(window, message, wParam, lParam);
}
