#include "harness/saver_run.h"
#include "pinned.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>

SaverRun::~SaverRun() {
    StopSaver(&saver);
    for (auto step = undo.rbegin(); step != undo.rend(); ++step)
        (*step)();
    ResetWineAppSettings();
    if (!folder.empty())
        RemoveSaverFolder(folder);
}

void SaverRun::Doubles(const std::vector<std::string> &fakes) {
    StopSaver(&saver);
    if (!folder.empty())
        RemoveSaverFolder(folder);
    folder = MakeSaverFolder(fakes);
}

void SaverRun::Env(const char *name, const char *value) {
    if (std::find(envSet.begin(), envSet.end(), name) == envSet.end()) {
        envSet.push_back(name);
        char saved[MAX_PATH];
        DWORD length = GetEnvironmentVariableA(name, saved, sizeof(saved));
        std::string before = length > 0 && length < sizeof(saved) ? saved : "";
        bool had = length > 0 && length < sizeof(saved);
        AtEnd([=] { SetEnvironmentVariableA(name, had ? before.c_str() : NULL); });
    }
    SetEnvironmentVariableA(name, value);
}

static void RemoveSettingsFile() {
    // Some tests make it read-only.
    SetFileAttributesA(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(SettingsFile().c_str());
}

void SaverRun::OwnSettingsFile() {
    RemoveSettingsFile();
    AtEnd(RemoveSettingsFile);
}

void SaverRun::AtEnd(std::function<void()> step) {
    undo.push_back(step);
}

bool SaverRun::Launch(const std::string &arguments) {
    window = NULL;
    if (folder.empty())
        return StartProgram(SaverPath(), arguments, NULL, &saver);
    return StartSaverIn(folder, arguments, &saver);
}

HWND SaverRun::Start(const std::string &arguments, HWND parent) {
    if (!Launch(arguments))
        return NULL;
    return window = WaitForReadySaver(saver, parent);
}

std::string SaverRun::File(const char *name) const {
    return folder + "\\" + name;
}

void ExpectSequence(const char *file, int line, const Lines &actual, const Lines &expected) {
    if (actual == expected)
        return;
    std::string listing = "expected:";
    for (const std::string &text : expected)
        listing += "\n  " + text;
    listing += "\nactual:";
    for (const std::string &text : actual)
        listing += "\n  " + text;
    ADD_FAILURE_AT(file, line) << listing;
}

std::string Hex(unsigned long long value) {
    char text[32];
    snprintf(text, sizeof(text), "0x%llx", value);
    return text;
}

std::string Hex(HWND window) {
    return Hex((unsigned long long)(UINT_PTR)window);
}

std::string SettingsHeader() {
    return "[" + std::string(pinned::SETTINGS_SECTION) + "]";
}

std::string SettingsText(int from, int to, int active, const char *end) {
    return SettingsHeader() + end + "TimeFrom=" + std::to_string(from) + end +
           "TimeTo=" + std::to_string(to) + end + "Active=" + std::to_string(active) + end;
}

std::vector<INPUT> InputStorm(size_t count, size_t first, bool moves) {
    std::vector<INPUT> storm(count);
    ZeroMemory(storm.data(), count * sizeof(INPUT));
    for (size_t n = 0; n < count; n++) {
        size_t k = first + n, kind = k % 6;
        INPUT &input = storm[n];
        if (kind == 2 || kind == 3) {
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = kind == 2 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        } else if (kind >= 4 && moves) {
            input.type = INPUT_MOUSE;
            input.mi.dx = k % 12 < 6 ? 7 : -7;
            input.mi.dy = 3;
            input.mi.dwFlags = MOUSEEVENTF_MOVE;
        } else {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = (WORD)('A' + k / 2 % 26);
            input.ki.dwFlags = k % 2 ? KEYEVENTF_KEYUP : 0;
        }
    }
    return storm;
}

UINT SendStorm(const std::vector<INPUT> &storm) {
    return SendInput((UINT)storm.size(), const_cast<INPUT *>(storm.data()), sizeof(INPUT));
}
