// The songs: written from the resources to the temporary folder and played by the system's
// MIDI sequencer, the other one each time one ends.
#include "show/show_state.h"
#include "show/quiet_hours.h"
#include "show/chance.h"
#include "frame/saver_state.h"
#include "settings/settings.h"

static const UINT SONG_FILE_NUMBER = 1609; // plus the song's number

// Keeps the song's file name only once the whole song is in the file: a song that cannot be
// written has no file, and so is never handed to the sequencer.
static void WriteSong(int song, const char *directory) {
    char *path = showState.songFiles[song - 1];
    path[0] = '\0';
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_SONG_1 - 1 + song), "MIDI");
    if (found == NULL)
        return;
    HGLOBAL resource = LoadResource(NULL, found);
    DWORD size = SizeofResource(NULL, found);

    // The system writes up to MAX_PATH bytes; keep only a name that fits our record. With a
    // non-zero number it only forms the name, so every run reuses the same two files.
    char name[MAX_PATH];
    if (GetTempFileNameA(directory, "Mdi", SONG_FILE_NUMBER + song, name) == 0 ||
        lstrlenA(name) >= SONG_PATH_SIZE)
        return;
    HANDLE file =
        CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    BOOL whole = WriteFile(file, LockResource(resource), size, &written, NULL) && written == size;
    CloseHandle(file);
    if (whole)
        lstrcpyA(path, name);
    else
        DeleteFileA(name);
}

static void ExtractSongs() {
    char directory[SONG_PATH_SIZE] = "";
    DWORD length = GetTempPathA(sizeof(directory), directory);
    for (int song = 1; song <= SONG_COUNT; song++) {
        if (length != 0 && length < sizeof(directory))
            WriteSong(song, directory);
        else
            showState.songFiles[song - 1][0] = '\0';
    }
}

static void CloseDevice(MCIDEVICEID device) {
    mciSendCommandA(device, MCI_CLOSE, 0, 0);
}

static MCIERROR PlaySong(HWND window, const char *path) {
    // No file, no song: the sequencer is never asked to open an empty name.
    if (path[0] == '\0')
        return MCIERR_FILE_NOT_FOUND;
    MCI_OPEN_PARMSA open;
    ZeroMemory(&open, sizeof(open));
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = path;
    MCIERROR error =
        mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open);
    if (error != 0)
        return error;

    // The port check fails when no MIDI output exists, before anything tries to play.
    MCI_STATUS_PARMS status;
    ZeroMemory(&status, sizeof(status));
    status.dwItem = MCI_SEQ_STATUS_PORT;
    error = mciSendCommandA(open.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM, (DWORD_PTR)&status);
    if (error == 0) {
        MCI_PLAY_PARMS play;
        ZeroMemory(&play, sizeof(play));
        play.dwCallback = (DWORD_PTR)window;
        error = mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play);
    }
    if (error != 0) {
        CloseDevice(open.wDeviceID);
        return error;
    }
    showState.songDevice = open.wDeviceID;
    return 0;
}

void StartMusic(HWND window) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    LoadSettings();
    if (bounds.right - bounds.left < screenWidth)
        return; // the preview is silent
    // The first activation decides for the whole run, the quiet hours included: activation
    // comes and goes (a password prompt, the window's end), and a later attempt would only write
    // the files again and sound a snatch of song as the saver closes.
    if (showState.musicDecided)
        return;
    showState.musicDecided = true;
    if (QuietHours(saverSettings, LocalHour()))
        return;
    showState.songIndex = NextRandom() % 2 + 1;
    ExtractSongs();
    PlaySong(window, showState.songFiles[showState.songIndex - 1]);
}

void NextSong(MCIDEVICEID finished, WPARAM how) {
    // Only the end of the song we play counts; each play leaves its device to be closed.
    if (finished == 0 || finished != showState.songDevice)
        return;
    CloseDevice(finished);
    showState.songDevice = 0;
    // A device that fails as it plays (a port another program holds, a broken driver) would
    // fail the next song too, and the one after: the music ends here for the run.
    if (how != MCI_NOTIFY_SUCCESSFUL)
        return;
    showState.songIndex = showState.songIndex + 1 > SONG_COUNT ? 1 : showState.songIndex + 1;
    PlaySong(saverState.saverWindow, showState.songFiles[showState.songIndex - 1]);
}

void RemoveSongFiles() {
    // A sequencer still playing holds its file open; it has to go first.
    if (showState.songDevice != 0) {
        CloseDevice(showState.songDevice);
        showState.songDevice = 0;
    }
    for (int song = 0; song < SONG_COUNT; song++) {
        if (showState.songFiles[song][0] != '\0')
            DeleteFileA(showState.songFiles[song]);
        showState.songFiles[song][0] = '\0';
    }
}
