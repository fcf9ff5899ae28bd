// A stand-in for the display settings' preview: a window whose client area is the little screen,
// and the saver started inside it with "/p <window>". Closing the window ends the preview, as
// choosing another saver does; the host then exits with the saver's exit code.
//
//   preview_host [saver [WIDTHxHEIGHT]]
//
// The saver defaults to quorvane.scr beside the host, the size to the classic 152 x 112.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const int DEFAULT_WIDTH = 152, DEFAULT_HEIGHT = 112;
static const DWORD SAVER_EXIT_MS = 10000;
static const DWORD FAILED_TO_START = 0xFFFFFFFE;

struct HostOptions {
    char saver[MAX_PATH];
    int width, height;
};

// The next argument of a command line, unquoted, into `word`; returns where parsing goes on.
static const char *NextWord(const char *line, char *word, size_t size) {
    while (*line == ' ' || *line == '\t')
        line++;
    bool quoted = false;
    size_t used = 0;
    for (; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); line++) {
        if (*line == '"')
            quoted = !quoted;
        else if (used + 1 < size)
            word[used++] = *line;
    }
    word[used] = '\0';
    return line;
}

static void ReadOptions(HostOptions *options) {
    char word[MAX_PATH];
    const char *line = NextWord(GetCommandLineA(), word, sizeof(word)); // the host itself
    line = NextWord(line, options->saver, sizeof(options->saver));
    if (options->saver[0] == '\0') {
        DWORD length = GetModuleFileNameA(NULL, options->saver, sizeof(options->saver));
        char *slash = strrchr(options->saver, '\\');
        if (length == 0 || slash == NULL || slash + 13 >= options->saver + MAX_PATH)
            lstrcpyA(options->saver, "quorvane.scr");
        else
            lstrcpyA(slash + 1, "quorvane.scr");
    }
    NextWord(line, word, sizeof(word));
    options->width = DEFAULT_WIDTH;
    options->height = DEFAULT_HEIGHT;
    char *separator;
    long width = strtol(word, &separator, 10);
    long height = *separator == 'x' ? strtol(separator + 1, NULL, 10) : 0;
    if (width > 0 && width <= 4096 && height > 0 && height <= 4096) {
        options->width = (int)width;
        options->height = (int)height;
    }
}

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CONTEXTMENU:
        return 0; // what the preview forwards; the display settings would offer their menu
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND CreateHost(HINSTANCE instance, const HostOptions &options) {
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    hostClass.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    hostClass.lpszClassName = "QuorvanePreviewHost";
    if (!RegisterClassA(&hostClass))
        return NULL;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, options.width, options.height};
    AdjustWindowRect(&frame, style, FALSE);
    return CreateWindowA("QuorvanePreviewHost", "Preview", style | WS_VISIBLE, 40, 40,
                         frame.right - frame.left, frame.bottom - frame.top, NULL, NULL, instance,
                         NULL);
}

static bool StartSaver(const HostOptions &options, HWND host, PROCESS_INFORMATION *process) {
    char commandLine[MAX_PATH + 40];
    snprintf(commandLine, sizeof(commandLine), "\"%s\" /p %lu", options.saver,
             (unsigned long)(ULONG_PTR)host);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, process) !=
           0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HostOptions options;
    ReadOptions(&options);
    HWND host = CreateHost(instance, options);
    PROCESS_INFORMATION saver = {};
    if (host == NULL || !StartSaver(options, host, &saver)) {
        fprintf(stderr, "preview_host: cannot start \"%s\"\n", options.saver);
        return (int)FAILED_TO_START;
    }

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // The saver notices its host is gone and ends on its own.
    DWORD code = FAILED_TO_START;
    if (WaitForSingleObject(saver.hProcess, SAVER_EXIT_MS) == WAIT_TIMEOUT)
        TerminateProcess(saver.hProcess, FAILED_TO_START);
    GetExitCodeProcess(saver.hProcess, &code);
    CloseHandle(saver.hThread);
    CloseHandle(saver.hProcess);
    return (int)code;
}
