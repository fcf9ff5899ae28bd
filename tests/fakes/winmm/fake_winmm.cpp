// A stand-in for the system's MCI sequencer, loaded beside the saver in tests. It plays nothing:
// it writes every command it gets as one line of a log the test reads, and it ends a song only
// when the test says so, by posting MM_MCINOTIFY to the play's callback window as the real
// sequencer does.
//
// Controlled through the environment the saver inherits from the test:
//   FAKE_MCI_LOG      the log (relative or Windows path); default fake_mci.log beside this
//                     module
//   FAKE_MCI_EVENT    name of an auto-reset event; setting it ends every song playing with
//                     notification (default "FakeMciEnd")
//   FAKE_MCI_TRIGGER  a file whose appearance does the same; the fake deletes it
//   FAKE_MCI_PLAY_MS  a song's length in milliseconds; without it songs end only when told
//   FAKE_MCI_END_CODE the MCI_NOTIFY_ code such an end reports; default 1, MCI_NOTIFY_SUCCESSFUL
//                     (4 aborted, 8 failed: a port taken by another program, a broken driver)
//   FAKE_MCI_FAIL     errors to return instead, such as "PLAY=277" or "OPEN=275,STATUS=258"
//   FAKE_MCI_FAULT    a command that faults instead of answering, as a broken driver would (a
//                     write through a null pointer): "OPEN" or "PLAY", or "PLAY:2" for the
//                     second play
//
// It also makes the probe's window, which answers the tests' questions about the process.
//
// Log lines, fields separated by single spaces, strings quoted:
//   OPEN dev=0 flags=0x2200 type="sequencer" element="C:\...\Mdi64a.tmp" -> err=0 id=1
//   STATUS dev=1 flags=0x100 item=0x4003 -> err=0 return=65535
//   PLAY dev=1 flags=0x1 callback=0x10062 -> err=0
//   NOTIFY dev=1 code=1 window=0x10062
//   CLOSE dev=1 flags=0x0 -> err=0
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include "fake_log.h"
#include "probe_window.h"

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
    char fail[256];
    ReadSetting("FAKE_MCI_FAIL", fail, sizeof(fail));
    size_t length = strlen(command);
    for (const char *entry = fail; *entry != '\0';) {
        if (_strnicmp(entry, command, length) == 0 && entry[length] == '=')
            return (MCIERROR)strtoul(entry + length + 1, NULL, 10);
        const char *comma = strchr(entry, ',');
        if (comma == NULL)
            break;
        entry = comma + 1;
    }
    return 0;
}

void FaultIfAsked(const char *command, int *calls) {
    char fault[32];
    ReadSetting("FAKE_MCI_FAULT", fault, sizeof(fault));
    size_t length = strlen(command);
    ++*calls;
    if (_strnicmp(fault, command, length) != 0)
        return;
    int nth = fault[length] == ':' ? atoi(fault + length + 1) : 1;
    if ((fault[length] == '\0' || fault[length] == ':') && *calls == nth)
        *(volatile int *)NULL = 0;
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

bool TriggerFileAppeared() {
    char trigger[MAX_PATH];
    ReadSetting("FAKE_MCI_TRIGGER", trigger, sizeof(trigger));
    return trigger[0] != '\0' && DeleteFileA(trigger);
}

// Watches for the test's word (or the song's length) that the songs playing have ended.
DWORD WINAPI WatchForEnds(void *) {
    for (;;) {
        bool endAll = WaitForSingleObject(endEvent, POLL_MS) == WAIT_OBJECT_0;
        endAll = TriggerFileAppeared() || endAll;
        char text[32];
        ReadSetting("FAKE_MCI_PLAY_MS", text, sizeof(text));
        long length = text[0] != '\0' ? strtol(text, NULL, 10) : -1;
        ReadSetting("FAKE_MCI_END_CODE", text, sizeof(text));
        WPARAM code = text[0] != '\0' ? strtoul(text, NULL, 10) : MCI_NOTIFY_SUCCESSFUL;
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
    endEvent = CreateEventA(NULL, FALSE, FALSE, name[0] != '\0' ? name : "FakeMciEnd");
    worker = CreateThread(NULL, 0, WatchForEnds, NULL, 0, NULL);
}

const char *Text(LPCSTR text) {
    return IS_INTRESOURCE(text) ? "#id" : text;
}

MCIERROR Open(DWORD flags, MCI_OPEN_PARMSA *params, char *line, size_t size) {
    int used = snprintf(line, size, "OPEN dev=0 flags=0x%lx", (unsigned long)flags);
    if (flags & MCI_OPEN_TYPE)
        used += snprintf(line + used, size - used, " type=\"%s\"",
                         flags & MCI_OPEN_TYPE_ID ? "#id" : Text(params->lpstrDeviceType));
    if (flags & MCI_OPEN_ELEMENT)
        used += snprintf(line + used, size - used, " element=\"%s\"",
                         flags & MCI_OPEN_ELEMENT_ID ? "#id" : Text(params->lpstrElementName));
    static int opens;
    FaultIfAsked("OPEN", &opens);
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
        slot->id = ++lastId;
        params->wDeviceID = slot->id;
    }
    snprintf(line + used, size - used, " -> err=%lu id=%u", (unsigned long)error,
             error == 0 ? slot->id : 0);
    return error;
}

MCIERROR Status(Device *device, DWORD flags, MCI_STATUS_PARMS *params, char *line, size_t size) {
    int used = snprintf(line, size, "STATUS dev=%u flags=0x%lx item=0x%lx", device ? device->id : 0,
                        (unsigned long)flags, (unsigned long)params->dwItem);
    MCIERROR error = device ? InjectedError("STATUS") : MCIERR_INVALID_DEVICE_ID;
    if (error == 0) {
        if (params->dwItem == MCI_SEQ_STATUS_PORT)
            params->dwReturn = MCI_SEQ_MAPPER;
        else if (params->dwItem == MCI_STATUS_MODE)
            params->dwReturn = device->playing ? MCI_MODE_PLAY : MCI_MODE_STOP;
        else
            error = MCIERR_UNSUPPORTED_FUNCTION;
    }
    snprintf(line + used, size - used, " -> err=%lu return=%llu", (unsigned long)error,
             error == 0 ? (unsigned long long)params->dwReturn : 0ull);
    return error;
}

MCIERROR Play(Device *device, DWORD flags, MCI_PLAY_PARMS *params, char *line, size_t size) {
    HWND callback = params && (flags & MCI_NOTIFY) ? (HWND)params->dwCallback : NULL;
    int used =
        snprintf(line, size, "PLAY dev=%u flags=0x%lx callback=0x%llx", device ? device->id : 0,
                 (unsigned long)flags, (unsigned long long)(UINT_PTR)callback);
    static int plays;
    FaultIfAsked("PLAY", &plays);
    MCIERROR error = device ? InjectedError("PLAY") : MCIERR_INVALID_DEVICE_ID;
    if (error == 0) {
        device->playing = true;
        device->notify = (flags & MCI_NOTIFY) != 0;
        device->callback = callback;
        device->playStart = GetTickCount();
        StartWatching();
    }
    snprintf(line + used, size - used, " -> err=%lu", (unsigned long)error);
    return error;
}

MCIERROR Stop(Device *device, const char *command, DWORD flags, char *line, size_t size) {
    int used = snprintf(line, size, "%s dev=%u flags=0x%lx", command, device ? device->id : 0,
                        (unsigned long)flags);
    MCIERROR error = device ? InjectedError(command) : MCIERR_INVALID_DEVICE_ID;
    snprintf(line + used, size - used, " -> err=%lu", (unsigned long)error);
    return error;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *) {
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&lock);
        PlaceLog(module, "FAKE_MCI_LOG", "fake_mci.log");
        CreateProbeWindow(module);
    }
    return TRUE;
}

extern "C" MCIERROR WINAPI mciSendCommandA(MCIDEVICEID id, UINT message, DWORD_PTR flags,
                                           DWORD_PTR param) {
    char line[MAX_PATH + 256];
    MCIERROR error;
    EnterCriticalSection(&lock);
    Device *device = FindDevice(id);
    // A play still waiting to be heard of ends as superseded by a new play, aborted by STOP or
    // CLOSE; its notification follows the command's line in the log.
    Device ended = device ? *device : Device();
    WPARAM endCode = 0;
    DWORD commandFlags = (DWORD)flags;
    switch (message) {
    case MCI_OPEN:
        error = Open(commandFlags, (MCI_OPEN_PARMSA *)param, line, sizeof(line));
        break;
    case MCI_STATUS:
        error = Status(device, commandFlags, (MCI_STATUS_PARMS *)param, line, sizeof(line));
        break;
    case MCI_PLAY:
        error = Play(device, commandFlags, (MCI_PLAY_PARMS *)param, line, sizeof(line));
        endCode = MCI_NOTIFY_SUPERSEDED;
        break;
    case MCI_STOP:
        error = Stop(device, "STOP", commandFlags, line, sizeof(line));
        if (error == 0)
            device->playing = device->notify = false;
        endCode = MCI_NOTIFY_ABORTED;
        break;
    case MCI_CLOSE:
        error = Stop(device, "CLOSE", commandFlags, line, sizeof(line));
        if (error == 0)
            ZeroMemory(device, sizeof(*device));
        endCode = MCI_NOTIFY_ABORTED;
        break;
    default:
        error = MCIERR_UNRECOGNIZED_COMMAND;
        snprintf(line, sizeof(line), "MESSAGE dev=%u message=0x%x flags=0x%lx -> err=%lu", id,
                 message, (unsigned long)commandFlags, (unsigned long)error);
        break;
    }
    WriteLogLine(line);
    if (error == 0 && endCode != 0)
        EndPlay(&ended, endCode);
    LeaveCriticalSection(&lock);
    return error;
}

extern "C" BOOL WINAPI mciGetErrorStringA(MCIERROR error, LPSTR text, UINT size) {
    if (text == NULL || size == 0)
        return FALSE;
    snprintf(text, size, "fake MCI error %lu", (unsigned long)error);
    return TRUE;
}
