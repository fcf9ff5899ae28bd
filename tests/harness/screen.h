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

#endif
