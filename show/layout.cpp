#include "show/layout.h"
#include "resources/resource_ids.h"

// Each product is stored to a double before it is used: the x87 unit would otherwise keep
// extra bits, and the pictures would land a pixel off (224 becomes 223 at 640 x 480).
static double Scaled(LONG reference, double factor, LONG size) {
    volatile double perPixel = reference * factor;
    volatile double scaled = perPixel * size;
    return scaled;
}

PictureBox LayOutPicture(SIZE reference, SIZE picture, int index, bool fullScreen) {
    double fx = 0.003, fy = 0.004;
    if (fullScreen && index == IDB_GROUP)
        fx = fy = 0.0025;
    double dw = Scaled(reference.cx, fx, picture.cx);
    double dh = Scaled(reference.cy, fy, picture.cy);
    volatile double left = (reference.cx / 2) - 0.5 * dw;
    volatile double top = (reference.cy / 2) - 0.5 * dh;
    PictureBox box;
    box.x = (int)left;
    box.y = (int)top;
    box.width = (int)dw;
    box.height = (int)dh;
    return box;
}
