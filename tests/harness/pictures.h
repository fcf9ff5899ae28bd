// The slideshow's pictures as they must reach the screen: where each goes, and checks of what
// is there, for the screen tests.
#ifndef QUORVANE_PICTURES_H
#define QUORVANE_PICTURES_H

#include <windows.h>
#include <string>

#include "harness/screen.h"
#include "pinned.h"

struct Box {
    int x, y, width, height;
};

// Where each picture goes, worked out by hand for the screens the tests run on.
struct LayoutRow {
    int width, height; // screen, or preview client area
    Box portrait, group;
};
// The full-screen layout worked out for a screen of this size; nullptr when there is none.
const LayoutRow *FullScreenLayoutFor(int width, int height);

// Checks one picture on screen; returns what is wrong, or "" when all is right. `area` is the
// window's client area in screen coordinates; the caption band lies above the picture.
std::string CheckPicture(const ScreenShot &shot, const RECT &area, int id, const Box &box,
                         const pinned::CaptionLook &caption);

// The picture (1 to 5) that the area shows right now, or 0 when it shows none of them as it must.
int PictureShown(const RECT &area, const LayoutRow &layout, const pinned::CaptionLook &caption);

// Polls the screen until the picture is right or the time is up. A failure tells the first
// problem seen as well as the last: the show's own timer may move on meanwhile.
void ExpectPictureAt(int line, const RECT &area, const LayoutRow &layout, int id,
                     const pinned::CaptionLook &caption);
#define ExpectPicture(area, layout, id, caption)                                                   \
    ExpectPictureAt(__LINE__, area, layout, id, caption)

#endif
