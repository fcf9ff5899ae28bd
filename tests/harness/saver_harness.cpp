#include "harness/saver_harness.h"
#include "pinned.h"

#include <ctype.h>
#include <string.h>

std::string BinaryDir() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string SaverPath() {
    return BinaryDir() + "quorvane.scr";
}

std::string SaverResource(LPCSTR type, int id) {
    HMODULE saver = LoadLibraryExA(SaverPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = saver ? FindResourceA(saver, MAKEINTRESOURCEA(id), type) : NULL;
    std::string content;
    if (found != NULL)
        content.assign((const char *)LockResource(LoadResource(saver, found)),
                       SizeofResource(saver, found));
    if (saver != NULL)
        FreeLibrary(saver);
    return content;
}

// Every program a test starts joins this job, which the system ends with the test's process:
// even a test killed from outside leaves nothing running.
static HANDLE TestJob() {
    static HANDLE job;
    if (job == NULL) {
        job = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    return job;
}

bool StartProgram(const std::string &path, const std::string &arguments, const char *directory,
                  SaverProcess *program) {
    StopSaver(program);
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, directory,
                        &startup, &program->info))
        return false;
    AssignProcessToJobObject(TestJob(), program->info.hProcess);
    ResumeThread(program->info.hThread);
    return true;
}

bool StartHostProgram(std::string commandLine) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return false;
    if (info.hProcess != NULL)
        CloseHandle(info.hProcess);
    if (info.hThread != NULL)
        CloseHandle(info.hThread);
    return true;
}

SaverProcess::~SaverProcess() {
    StopSaver(this);
}

std::string MakeSaverFolder(const std::vector<std::string> &fakes) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    static int serial;
    std::string folder = std::string(temp) + "quorvane-run-" +
                         std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryA(folder.c_str(), NULL);
    CopyFileA(SaverPath().c_str(), (folder + "\\quorvane.scr").c_str(), FALSE);
    for (const std::string &fake : fakes) {
        std::string name = fake.substr(fake.find_last_of("\\/") + 1);
        CopyFileA((BinaryDir() + fake).c_str(), (folder + "\\" + name).c_str(), FALSE);
    }
    return folder;
}

void RemoveSaverFolder(const std::string &folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool StartSaverIn(const std::string &folder, const std::string &arguments, SaverProcess *saver) {
    return StartProgram(folder + "\\quorvane.scr", arguments, folder.c_str(), saver);
}

static const char APP_SETTINGS[] = "Software\\Wine\\AppDefaults\\quorvane.scr";

static void SetAppValue(const char *subKey, const char *name, const char *value) {
    std::string path = std::string(APP_SETTINGS) + subKey;
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, lstrlenA(value) + 1);
    RegCloseKey(key);
}

void ReportWindowsVersion(const char *version) {
    SetAppValue("", "Version", version);
}

void PreferFakeDll(const char *dll) {
    SetAppValue("\\DllOverrides", dll, "native");
}

void ResetWineAppSettings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(APP_SETTINGS) + "\\DllOverrides").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, APP_SETTINGS);
}

HWND CreateHostWindow(WNDPROC procedure, int width, int height) {
    static int serial;
    std::string className = "QuorvaneTestHost" + std::to_string(++serial);
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = procedure != NULL ? procedure : DefWindowProcA;
    hostClass.hInstance = GetModuleHandleA(NULL);
    hostClass.lpszClassName = className.c_str();
    RegisterClassA(&hostClass);
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowA(className.c_str(), "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                         frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                         GetModuleHandleA(NULL), NULL);
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

static bool Ended(const SaverProcess &program) {
    return WaitForSingleObject(program.info.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD WaitForExit(const SaverProcess &saver, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            break;
        DWORD woken = MsgWaitForMultipleObjects(1, &saver.info.hProcess, FALSE, timeoutMs - elapsed,
                                                QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        PumpFor(0);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(saver.info.hProcess, &code);
    return code;
}

DWORD SecondStartExit() {
    SaverProcess second;
    if (!StartProgram(SaverPath(), "/s", NULL, &second))
        return (DWORD)-2;
    return WaitForExit(second);
}

bool StillRunning(const SaverProcess &program, DWORD ms) {
    return WaitForExit(program, ms) == STILL_ACTIVE;
}

void StopSaver(SaverProcess *saver) {
    if (saver->info.hProcess == NULL)
        return;
    if (!Ended(*saver)) {
        TerminateProcess(saver->info.hProcess, 0xDEAD);
        WaitForSingleObject(saver->info.hProcess, EXIT_MS);
    }
    CloseHandle(saver->info.hThread);
    CloseHandle(saver->info.hProcess);
    ZeroMemory(&saver->info, sizeof(saver->info));
}

static BOOL CALLBACK Collect(HWND window, LPARAM list) {
    ((std::vector<HWND> *)list)->push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsBelow(HWND parent) {
    std::vector<HWND> windows;
    if (parent != NULL)
        EnumChildWindows(parent, Collect, (LPARAM)&windows);
    else
        EnumWindows(Collect, (LPARAM)&windows);
    return windows;
}

DWORD ProcessOf(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner;
}

static HWND FindWindowOf(const SaverProcess &program, HWND parent, const char *className,
                         const char *title) {
    for (HWND window : WindowsBelow(parent))
        if (ProcessOf(window) == program.info.dwProcessId && IsWindowVisible(window) &&
            (className == NULL || WindowClass(window) == className) &&
            (title == NULL || WindowTitle(window) == title))
            return window;
    return NULL;
}

static HWND WaitForWindowOf(const SaverProcess &program, HWND parent, const char *className,
                            const char *title) {
    HWND found = NULL;
    WaitUntil(START_MS, [&] {
        found = FindWindowOf(program, parent, className, title);
        return found != NULL || Ended(program);
    });
    return found;
}

HWND WaitForSaverWindow(const SaverProcess &saver, HWND parent) {
    return WaitForWindowOf(saver, parent, pinned::SAVER_CLASS, NULL);
}

HWND WaitForReadySaver(const SaverProcess &saver, HWND parent) {
    HWND window = WaitForSaverWindow(saver, parent);
    if (window == NULL)
        return NULL;
    // The saver's thread asks for its next message only once creation, the first activation and
    // the first paint are done.
    if (WaitForInputIdle(saver.info.hProcess, START_MS) != 0)
        return NULL;
    if (parent == NULL && !WaitUntil(START_MS, [&] { return GetForegroundWindow() == window; }))
        return NULL;
    return window;
}

bool WaitForWindowIdle(HWND window) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(window));
    if (process == NULL)
        return false;
    bool idle = WaitForInputIdle(process, START_MS) == 0;
    CloseHandle(process);
    return idle;
}

HWND VisibleWindowOf(const SaverProcess &program, const char *title) {
    return FindWindowOf(program, NULL, NULL, title);
}

HWND WaitForVisibleWindow(const SaverProcess &program, const char *title) {
    return WaitForWindowOf(program, NULL, NULL, title);
}

int CountSaverWindows() {
    int count = 0;
    for (HWND window : WindowsBelow(NULL))
        count += WindowClass(window) == pinned::SAVER_CLASS;
    return count;
}

std::string WindowTitle(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string WindowClass(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

void PressKey(WORD key) {
    INPUT input[2];
    ZeroMemory(input, sizeof(input));
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Wine moves the real pointer only for a thread that has a window.
static void KeepInputWindow() {
    static HWND window;
    if (window == NULL)
        window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
}

static void Click(const POINT *at) {
    KeepInputWindow();
    INPUT input[2];
    ZeroMemory(input, sizeof(input));
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    if (at != NULL) {
        // Positions across the whole desktop, 0 to 65536 on each axis, rounded up: the system
        // rounds down on the way back.
        int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        for (INPUT &event : input) {
            event.mi.dx = (LONG)(((LONGLONG)(at->x - left) * 65536 + width - 1) / width);
            event.mi.dy = (LONG)(((LONGLONG)(at->y - top) * 65536 + height - 1) / height);
            event.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        }
    }
    SendInput(2, input, sizeof(INPUT));
}

void ClickLeft() {
    Click(NULL);
}

void ClickLeftAt(POINT at) {
    Click(&at);
}

bool FileExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string &path) {
    std::string content;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return content;
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got != 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool WriteWholeFile(const std::string &path, const std::string &content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
    return wrote && written == content.size();
}

std::vector<std::string> ReadLogLines(const std::string &path) {
    std::vector<std::string> lines;
    std::string content = ReadWholeFile(path);
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(content.substr(start, end - start));
    return lines;
}

int CountLinesStarting(const std::vector<std::string> &lines, const char *prefix) {
    int count = 0;
    for (const std::string &line : lines)
        count += _strnicmp(line.c_str(), prefix, strlen(prefix)) == 0;
    return count;
}

std::string Lower(std::string text) {
    for (char &c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

void CountOpenDevices(const std::vector<std::string> &lines, int *now, int *most) {
    *now = *most = 0;
    for (const std::string &line : lines) {
        bool succeeded = line.find("-> err=0") != std::string::npos;
        if (succeeded && _strnicmp(line.c_str(), "open ", 5) == 0) {
            ++*now;
            *most = *now > *most ? *now : *most;
        } else if (succeeded && _strnicmp(line.c_str(), "close ", 6) == 0) {
            --*now;
        }
    }
}

LRESULT AskProbe(UINT question) {
    HWND probe = FindWindowExA(HWND_MESSAGE, NULL, "QuorvaneProbe", NULL);
    DWORD_PTR answer = 0;
    if (probe == NULL || !SendMessageTimeoutA(probe, question, 0, 0, SMTO_BLOCK, EXIT_MS, &answer))
        return -1;
    return (LRESULT)answer;
}

std::string SettingsFile() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, sizeof(directory));
    return std::string(directory) + "\\" + pinned::SETTINGS_FILE;
}

void ParkCursor(int x, int y) {
    KeepInputWindow();
    SetCursorPos(x, y);
    WaitUntil(START_MS, [&] {
        POINT now;
        return GetCursorPos(&now) && now.x == x && now.y == y;
    });
}
