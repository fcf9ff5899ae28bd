// The floor of the start-up and memory benchmarks: the least a Windows program does to put the
// group picture on the screen where the saver puts it first. One full-screen topmost window, one
// bitmap from the resources, stretched to the saver's full-screen size for it, then nothing but
// waiting for WM_CLOSE. Built without the C runtime's start-up code, as the saver is.
// With /t it also keeps an 8-second timer that draws nothing, the saver's tick without the
// picture: what waking up that often costs any program.
// With /m it also starts a song before its first picture, as the saver does on its first
// activation: it writes the song to a temporary file and opens, asks and plays the sequencer.
// That is the start-up the saver's order of work cannot do without.
#include <windows.h>
#include <mmsystem.h>

#include "resources/resource_ids.h"
#include "show/layout.h"
#include "show/show_state.h"

static HBITMAP picture;
static char songFile[MAX_PATH];
static MCIDEVICEID song;

static void StartSong(HWND window) {
    char folder[MAX_PATH];
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(130), "MIDI");
    if (song != 0 || found == NULL || GetTempPathA(sizeof(folder), folder) == 0 ||
        GetTempFileNameA(folder, "Flr", 1, songFile) == 0)
        return;
    HANDLE file =
        CreateFileA(songFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written;
    WriteFile(file, LockResource(LoadResource(NULL, found)), SizeofResource(NULL, found), &written,
              NULL);
    CloseHandle(file);

    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = songFile;
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open) != 0)
        return;
    song = open.wDeviceID;
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_SEQ_STATUS_PORT;
    mciSendCommandA(song, MCI_STATUS, MCI_STATUS_ITEM, (DWORD_PTR)&status);
    MCI_PLAY_PARMS play = {};
    play.dwCallback = (DWORD_PTR)window;
    mciSendCommandA(song, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play);
}

static void EndSong() {
    if (song != 0)
        mciSendCommandA(song, MCI_CLOSE, 0, 0);
    if (songFile[0] != '\0')
        DeleteFileA(songFile);
}

static void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAP size;
    GetObjectA(picture, sizeof(size), &size);
    SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    PictureBox box = LayOutPicture(screen, SIZE{size.bmWidth, size.bmHeight}, IDB_GROUP, true);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    StretchBlt(dc, box.x, box.y, box.width, box.height, memory, 0, 0, size.bmWidth, size.bmHeight,
               SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    EndPaint(window, &paint);
}

static bool HasSwitch(char letter) {
    for (const char *c = GetCommandLineA(); c[0] != '\0'; c++)
        if (c[0] == ' ' && c[1] == '/' && (c[2] | 0x20) == letter)
            return true;
    return false;
}

static bool withSong;

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ACTIVATE:
        if (withSong)
            StartSong(window);
        return 0;
    case WM_TIMER:
        return 0;
    case WM_DESTROY:
        EndSong();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

extern "C" void WINAPI FloorEntry() {
    HINSTANCE instance = GetModuleHandleA(NULL);
    picture = LoadBitmapA(instance, MAKEINTRESOURCEA(1));
    withSong = HasSwitch('m');

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "QuorvaneFloor";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "QuorvaneFloor", "Floor", WS_POPUP | WS_VISIBLE, 0,
                                  0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  NULL, NULL, instance, NULL);
    if (window == NULL)
        ExitProcess(1);
    SetForegroundWindow(window);
    if (HasSwitch('t'))
        SetTimer(window, 1, SHOW_TICK_MS, NULL);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    ExitProcess(0);
}
