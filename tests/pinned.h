// Values the saver promises to the desktop that starts it, to its users and to their files. The
// tests pin them here, written once, instead of taking them from the product's headers: a change
// in the product then fails a test rather than being followed by it. Values that are the
// product's own choice come from its headers.
#ifndef QUORVANE_PINNED_H
#define QUORVANE_PINNED_H

#include <windows.h>

namespace pinned {

const char SAVER_CLASS[] = "WindowsScreenSaverClass";
const char FULL_SCREEN_TITLE[] = "Screen Saver";
const char PREVIEW_TITLE[] = "Preview";
const char DIALOG_TITLE[] = "Quorvanels - Configure";

// Window styles: the full-screen popup, the preview child, and the settings dialog's template
// (the system adds to the dialog's).
const DWORD FULL_SCREEN_STYLE = 0x96000000, PREVIEW_STYLE = 0x52000000;
const DWORD DIALOG_STYLE = 0x90C808C0;

// Exit codes: a refused command line, and the settings dialog ended either way.
const DWORD REFUSED_EXIT = (DWORD)-1;
const DWORD DIALOG_EXIT = 1;

// After a password check ends, a close request within this many milliseconds asks nothing.
const DWORD PASSWORD_RECHECK_MS = 200;

// The slideshow's timer: a tick with this id draws the next picture.
const UINT_PTR SHOW_TIMER_ID = 10001;

// Song s (1 or 2) is the "MIDI" resource 129 + s, written to the temporary file that
// GetTempFileName names with prefix "Mdi" and number 1609 + s.
const int SONG_RESOURCE_BEFORE_FIRST = 129;
const UINT SONG_FILE_BEFORE_FIRST = 1609;

// The settings file, in the Windows folder, and its section.
const char SETTINGS_FILE[] = "quorvane.ini";
const char SETTINGS_SECTION[] = "QuorvanelsScreenSaver";

// The settings dialog's controls.
const int TIME_TO_BOX = 1008, TIME_TO_BAR = 1009, TIME_FROM_BOX = 1010, TIME_FROM_BAR = 1011;
const int QUIET_BOX = 1012;

// The portraits' captions: white on black, centred, `top` pixels below the window's top, in this
// face with CAPTION_CHARACTER_EXTRA pixels after each character.
struct CaptionLook {
    int top, height, width, weight; // height, width and weight as CreateFont takes them
};
const CaptionLook FULL_SCREEN_CAPTION = {50, 29, 10, FW_BOLD};
const CaptionLook PREVIEW_CAPTION = {0, 12, 0, FW_NORMAL};
const char CAPTION_FACE[] = "Times New Roman";
const BYTE CAPTION_PITCH_AND_FAMILY = 0x17;
const int CAPTION_CHARACTER_EXTRA = 3;

} // namespace pinned

#endif
