// Where a picture goes: pure arithmetic, so unit tests reach it directly.
#ifndef QUORVANE_LAYOUT_H
#define QUORVANE_LAYOUT_H

#include <windows.h>

struct PictureBox {
    int x, y, width, height;
};

// reference: the screen in full-screen layout, the client area in the preview's.
// picture: the bitmap's own size; index 1-4 portraits, 5 the group picture.
PictureBox LayOutPicture(SIZE reference, SIZE picture, int index, bool fullScreen);

#endif
