// Decisions of the saver host that need no window: command-line reading, mouse travel and the
// password re-check interval. Kept apart so that unit tests reach them directly.
#ifndef QUORVANE_FRAME_RULES_H
#define QUORVANE_FRAME_RULES_H

#include <windows.h>

enum SaverMode {
    MODE_SETTINGS,        // no arguments: settings dialog with no owner
    MODE_SETTINGS_OWNED,  // 'C': settings dialog owned by the foreground window
    MODE_FULL_SCREEN,     // 'S'
    MODE_PREVIEW,         // 'P' or 'L' with a window handle
    MODE_CHANGE_PASSWORD, // 'A' with a window handle
    MODE_INVALID
};

// The command line after the program's own name and the white space behind it.
const char *SkipProgramName(const char *commandLine);

// Leading decimal digits as a window handle value, wrapping at 32 bits; 0 when there are none.
DWORD ParseWindowHandle(const char *text);

// The mode chosen by the first byte that is not ' ', '-' or '/'. For the preview and
// change-password modes, *modeArgument points past the letter and the spaces after it.
SaverMode SelectSaverMode(const char *arguments, const char **modeArgument);

// Distance the cursor has travelled from the anchor, summed over both axes.
DWORD MouseTravel(POINT anchor, POINT now);

// Whether a password check may run now: never within the interval after the last one ended.
// lastTick is 0xFFFFFFFF before the first check; tick arithmetic survives wrap-around.
bool PasswordCheckDue(DWORD lastTick, DWORD now);

// Whether a monitor needs a blanket of its own: only one that lies wholly beside the saver
// window. Real monitors never overlap the primary screen, but for a clone of it, which the
// window covers already. What else overlaps it is a mirroring driver's pseudo-monitor, which
// the system lists with the real ones (remote-control and screen-sharing tools install such
// drivers) and which often spans the whole desktop: a blanket over it would hide the slideshow,
// since a window the saver owns stands above the saver window.
bool NeedsBlanket(const RECT &monitor, const RECT &saverWindow);

// The most monitors the saver covers: more than any desktop of its time could have.
const int MOST_MONITORS = 16;
const int NO_MONITOR = -1;

// How the blankets there are become those the monitors need now. Blanket b stays on, or moves
// to, monitor cover[b], or goes where that is NO_MONITOR; a monitor given none of them gets a
// new one (fresh[m]). A blanket that lies exactly on a monitor needing one stays there, so that
// a display that did not change is left alone.
struct BlanketPlan {
    int cover[MOST_MONITORS];
    bool fresh[MOST_MONITORS];
};
BlanketPlan PlanBlankets(const RECT *monitors, int monitorCount, const RECT &saverWindow,
                         const RECT *blankets, int blanketCount);

const DWORD NO_PASSWORD_CHECK_YET = 0xFFFFFFFF;
const DWORD PASSWORD_RECHECK_MS = 200;

#endif
