// What reached the screen: a copy of its pixels, and the pictures as the saver should show them.
#ifndef QUORVANE_SCREEN_H
#define QUORVANE_SCREEN_H

#include <windows.h>
#include <string>
#include <vector>

#include "pinned.h"

// A 32-bit copy of part of the screen, top row first; pixels as 0x00RRGGBB.
struct ScreenShot {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const // screen coordinates
    {
        return pixels[(size_t)(y - top) * width + (x - left)];
    }
};

ScreenShot CaptureScreen(const RECT &area);

// Picture k of the saver, as it must appear when drawn to the given size on black: its
// transparent pixels black. Read from the saver's resources through the system's own decoder.
ScreenShot ExpectedPicture(int id, int width, int height);

// A caption as the saver must draw it into a black area of the given size.
ScreenShot ExpectedCaption(const char *text, const pinned::CaptionLook &look, int width,
                           int height);

// The smallest rectangle holding every non-black pixel of the area; empty when all is black.
RECT NonBlackBounds(const ScreenShot &shot, const RECT &area);

const DWORD BLACK = 0x000000;

// The monitor pass's X server (tests/wine/monitors.conf) is one screen with the dummy driver's
// outputs: DUMMY0, the primary, in 640 x 480 or 800 x 600, and DUMMY1, a second monitor of
// 800 x 600 that is plugged in right or left of it, or not at all. The tests rearrange them with
// xrandr from outside Wine, as a person switches modes and plugs monitors in.
enum SecondMonitor { NO_SECOND_MONITOR, SECOND_RIGHT, SECOND_LEFT };
struct DisplayLayout {
    int width, height; // the primary's mode
    SecondMonitor second;
};
// As the test script starts the server.
const DisplayLayout STANDARD_DISPLAY = {640, 480, SECOND_RIGHT};
const int SECOND_WIDTH = 800, SECOND_HEIGHT = 600;

// The monitors as this process sees them.
std::vector<RECT> Monitors();
// Whether this process sees the primary and the second monitor where the layout puts them.
bool DisplayShows(const DisplayLayout &layout);
// Rearranges the outputs and waits until this process sees the layout; false when it never did.
bool ArrangeDisplay(const DisplayLayout &layout);

// The colour the test script paints that server's root with: whatever shows of it is desktop
// that the saver leaves uncovered. No picture of the saver has it.
const DWORD DESKTOP_COLOUR = 0xFF0000;
// How many pixels of the monitors show it.
int UncoveredPixels();

#endif
