// A stand-in for the system's MCI sequencer, loaded beside the saver in tests. It plays nothing:
// it writes every command it gets as one line of a log the test reads, and it ends a song only
// when the test says so, by posting MM_MCINOTIFY to the play's callback window as the real
// sequencer does.
//
// It logs to fake_mci.log beside itself. Controlled through the environment the saver inherits
// from the test:
//   FAKE_MCI_EVENT    name of an auto-reset event; setting it ends every song playing with
//                     notification
//   FAKE_MCI_PLAY_MS  a song's length in milliseconds; without it songs end only when told
//   FAKE_MCI_END_CODE the MCI_NOTIFY_ code such an end reports; default 1, MCI_NOTIFY_SUCCESSFUL
//                     (4 aborted, 8 failed: a port taken by another program, a broken driver)
//   FAKE_MCI_FAIL     an error to return instead, such as "PLAY=277": OPEN, STATUS or PLAY
//   FAKE_MCI_FAULT    the number of the play (1 the first) that faults instead of answering, as
//                     a broken driver would (a write through a null pointer)
//
// It also makes the probe's window, which answers the tests' questions about the process.
//
// Log lines, fields separated by single spaces, strings quoted:
//   OPEN dev=0 flags=0x2200 type="sequencer" element="C:\...\Mdi64a.tmp" -> err=0 id=1
//   STATUS dev=1 flags=0x100 item=0x4003 -> err=0 return=65535
//   PLAY dev=1 flags=0x1 callback=0x10062 -> err=0
//   NOTIFY dev=1 code=1 window=0x10062
//   CLOSE dev=1 flags=0x0 -> err=0
// Any other command is refused and logged as MESSAGE, so that a test sees it in the sequence.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include "fake_log.h"
#include "probe_window.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int MAX_DEVICES = 64;
const DWORD POLL_MS = 20;

struct Device {
    MCIDEVICEID id; // 0: free slot
    bool playing;
    bool notify; // the play asked for MM_MCINOTIFY
    HWND callback;
    DWORD playStart;
};

CRITICAL_SECTION lock;
Device devices[MAX_DEVICES];
MCIDEVICEID lastId;
HANDLE worker;
HANDLE endEvent;
// The error FAKE_MCI_FAIL asks for on this command, 0 for none.
MCIERROR InjectedError(const char *command) {
    char fail[64];
    ReadSetting("FAKE_MCI_FAIL", fail, sizeof(fail));
    size_t length = strlen(command);
    if (_strnicmp(fail, command, length) != 0 || fail[length] != '=')
        return 0;
    return (MCIERROR)strtoul(fail + length + 1, NULL, 10);
}

Device *FindDevice(MCIDEVICEID id) {
    for (Device &device : devices)
        if (id != 0 && device.id == id)
            return &device;
    return NULL;
}

// Ends a play the way the sequencer does: the window that asked hears how it ended.
void EndPlay(Device *device, WPARAM code) {
    bool notify = device->playing && device->notify;
    device->playing = false;
    device->notify = false;
    if (!notify)
        return;
    char line[128];
    snprintf(line, sizeof(line), "NOTIFY dev=%u code=%u window=0x%llx", device->id, (unsigned)code,
             (unsigned long long)(UINT_PTR)device->callback);
    WriteLogLine(line);
    PostMessageA(device->callback, MM_MCINOTIFY, code, (LPARAM)device->id);
}

// Watches for the test's word (or the song's length) that the songs playing have ended.
DWORD WINAPI WatchForEnds(void *) {
    for (;;) {
        bool endAll = WaitForSingleObject(endEvent, POLL_MS) == WAIT_OBJECT_0;
        long length = ReadNumber("FAKE_MCI_PLAY_MS", -1);
        WPARAM code = (WPARAM)ReadNumber("FAKE_MCI_END_CODE", MCI_NOTIFY_SUCCESSFUL);
        EnterCriticalSection(&lock);
        for (Device &device : devices) {
            if (device.id == 0 || !device.playing)
                continue;
            if (endAll || (length >= 0 && GetTickCount() - device.playStart >= (DWORD)length))
                EndPlay(&device, code);
        }
        LeaveCriticalSection(&lock);
    }
}

void StartWatching() {
    if (worker != NULL)
        return;
    char name[MAX_PATH];
    ReadSetting("FAKE_MCI_EVENT", name, sizeof(name));
    // Without a name nobody can set it, and the worker only keeps time.
    endEvent = CreateEventA(NULL, FALSE, FALSE, name[0] != '\0' ? name : NULL);
    worker = CreateThread(NULL, 0, WatchForEnds, NULL, 0, NULL);
}

const char *Text(LPCSTR text) {
    return IS_INTRESOURCE(text) ? "#id" : text;
}

// One line of the log, written a field at a time.
struct Line {
    char text[MAX_PATH + 256] = "";
    int used = 0;
    void Add(const char *format, ...) {
        va_list fields;
        va_start(fields, format);
        used += vsnprintf(text + used, sizeof(text) - used, format, fields);
        va_end(fields);
    }
};

MCIERROR Open(DWORD flags, MCI_OPEN_PARMSA *params, Line *line) {
    line->Add("OPEN dev=0 flags=0x%lx", (unsigned long)flags);
    if (flags & MCI_OPEN_TYPE)
        line->Add(" type=\"%s\"", flags & MCI_OPEN_TYPE_ID ? "#id" : Text(params->lpstrDeviceType));
    if (flags & MCI_OPEN_ELEMENT)
        line->Add(" element=\"%s\"",
                  flags & MCI_OPEN_ELEMENT_ID ? "#id" : Text(params->lpstrElementName));
    MCIERROR error = InjectedError("OPEN");
    if (error == 0 && (flags & MCI_OPEN_ELEMENT) &&
        GetFileAttributesA(params->lpstrElementName) == INVALID_FILE_ATTRIBUTES)
        error = MCIERR_FILE_NOT_FOUND;
    Device *slot = NULL;
    for (Device &device : devices)
        if (slot == NULL && device.id == 0)
            slot = &device;
    if (error == 0 && slot == NULL)
        error = MCIERR_OUT_OF_MEMORY;
    if (error == 0) {
        ZeroMemory(slot, sizeof(*slot));
        slot->id = params->wDeviceID = ++lastId;
    }
    line->Add(" -> err=%lu id=%u", (unsigned long)error, error == 0 ? slot->id : 0);
    return error;
}

MCIERROR Status(Device *device, MCI_STATUS_PARMS *params, Line *line) {
    line->Add(" item=0x%lx", (unsigned long)params->dwItem);
    MCIERROR error = device ? InjectedError("STATUS") : MCIERR_INVALID_DEVICE_ID;
    if (error == 0 && params->dwItem == MCI_SEQ_STATUS_PORT)
        params->dwReturn = MCI_SEQ_MAPPER;
    else if (error == 0)
        error = MCIERR_UNSUPPORTED_FUNCTION;
    line->Add(" -> err=%lu return=%llu", (unsigned long)error,
              error == 0 ? (unsigned long long)params->dwReturn : 0ull);
    return error;
}

MCIERROR Play(Device *device, DWORD flags, MCI_PLAY_PARMS *params, Line *line) {
    HWND callback = params && (flags & MCI_NOTIFY) ? (HWND)params->dwCallback : NULL;
    line->Add(" callback=0x%llx", (unsigned long long)(UINT_PTR)callback);
    static long plays;
    if (++plays == ReadNumber("FAKE_MCI_FAULT", 0))
        *(volatile int *)NULL = 0;
    MCIERROR error = device ? InjectedError("PLAY") : MCIERR_INVALID_DEVICE_ID;
    if (error == 0) {
        device->playing = true;
        device->notify = (flags & MCI_NOTIFY) != 0;
        device->callback = callback;
        device->playStart = GetTickCount();
        StartWatching();
    }
    line->Add(" -> err=%lu", (unsigned long)error);
    return error;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *) {
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&lock);
        PlaceLog(module, "fake_mci.log");
        CreateProbeWindow(module);
    }
    return TRUE;
}

extern "C" MCIERROR WINAPI mciSendCommandA(MCIDEVICEID id, UINT message, DWORD_PTR flags,
                                           DWORD_PTR param) {
    Line line;
    MCIERROR error;
    EnterCriticalSection(&lock);
    Device *device = FindDevice(id);
    // A play still waiting to be heard of ends as superseded by a new play, aborted by CLOSE; its
    // notification follows the command's line in the log.
    Device ended = device ? *device : Device();
    WPARAM endCode = 0;
    DWORD commandFlags = (DWORD)flags;
    const char *name = message == MCI_STATUS ? "STATUS" : message == MCI_PLAY ? "PLAY" : "CLOSE";
    if (message != MCI_OPEN)
        line.Add("%s dev=%u flags=0x%lx", name, device ? device->id : 0, (unsigned long)flags);
    switch (message) {
    case MCI_OPEN:
        error = Open(commandFlags, (MCI_OPEN_PARMSA *)param, &line);
        break;
    case MCI_STATUS:
        error = Status(device, (MCI_STATUS_PARMS *)param, &line);
        break;
    case MCI_PLAY:
        error = Play(device, commandFlags, (MCI_PLAY_PARMS *)param, &line);
        endCode = MCI_NOTIFY_SUPERSEDED;
        break;
    case MCI_CLOSE:
        error = device ? 0 : MCIERR_INVALID_DEVICE_ID;
        line.Add(" -> err=%lu", (unsigned long)error);
        if (error == 0)
            ZeroMemory(device, sizeof(*device));
        endCode = MCI_NOTIFY_ABORTED;
        break;
    default:
        error = MCIERR_UNRECOGNIZED_COMMAND;
        line = Line();
        line.Add("MESSAGE dev=%u message=0x%x flags=0x%lx -> err=%lu", id, message,
                 (unsigned long)commandFlags, (unsigned long)error);
        break;
    }
    WriteLogLine(line.text);
    if (error == 0 && endCode != 0)
        EndPlay(&ended, endCode);
    LeaveCriticalSection(&lock);
    return error;
}
