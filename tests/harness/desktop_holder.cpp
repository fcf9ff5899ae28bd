// Keeps Wine's desktop process up for a whole test run. The desktop ends a few seconds after the
// last program that used it, and the next program then waits for it to shut down and to start
// again; one hidden window of ours, alive all along, spares every test that wait. The test
// scripts start it after preparing a prefix; it ends with the prefix's wineserver.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (CreateWindowA("STATIC", "Quorvane desktop holder", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL,
                      NULL) == NULL)
        return 1;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
