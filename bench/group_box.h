// Where the saver draws its group picture in full screen: 0.0025 of the screen's size per picture
// pixel on both axes, centred. Shared by the floor program and the benchmark that watches for it.
#ifndef QUORVANE_BENCH_GROUP_BOX_H
#define QUORVANE_BENCH_GROUP_BOX_H

#include <windows.h>

// Every product passes through a double in memory so that x87 code rounds as SSE code does.
inline RECT GroupPictureBox(int screenWidth, int screenHeight, int width, int height) {
    volatile double perPixelX = screenWidth * 0.0025, perPixelY = screenHeight * 0.0025;
    volatile double dw = perPixelX * width, dh = perPixelY * height;
    volatile double left = (screenWidth / 2) - 0.5 * dw, top = (screenHeight / 2) - 0.5 * dh;
    RECT box = {(int)left, (int)top, (int)left + (int)dw, (int)top + (int)dh};
    return box;
}

#endif
