#include "harness/screen.h"
#include "harness/saver_harness.h"

static HBITMAP MakeSurface(HDC dc, int width, int height, DWORD **bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void **)bits, NULL, 0);
}

// Draws into a fresh 32-bit surface of the area's size and returns its pixels; `draw` gets the
// surface's context and the screen's.
template <typename Draw> static ScreenShot DrawOffscreen(const RECT &area, Draw draw) {
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    DWORD *bits;
    ScreenShot shot;
    shot.left = area.left;
    shot.top = area.top;
    shot.width = area.right - area.left;
    shot.height = area.bottom - area.top;
    HBITMAP surface = MakeSurface(memory, shot.width, shot.height, &bits);
    HGDIOBJ old = SelectObject(memory, surface);
    draw(memory, screen);
    GdiFlush();
    shot.pixels.assign(bits, bits + (size_t)shot.width * shot.height);
    for (DWORD &pixel : shot.pixels)
        pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(surface);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

static BOOL CALLBACK NoteMonitor(HMONITOR, HDC, LPRECT monitor, LPARAM found) {
    ((std::vector<RECT> *)found)->push_back(*monitor);
    return TRUE;
}

std::vector<RECT> Monitors() {
    std::vector<RECT> found;
    EnumDisplayMonitors(NULL, NULL, NoteMonitor, (LPARAM)&found);
    return found;
}

bool DisplayShows(const DisplayLayout &layout) {
    std::vector<RECT> expected = {{0, 0, layout.width, layout.height}};
    if (layout.second == SECOND_RIGHT)
        expected.push_back({layout.width, 0, layout.width + SECOND_WIDTH, SECOND_HEIGHT});
    if (layout.second == SECOND_LEFT)
        expected.push_back({-SECOND_WIDTH, 0, 0, SECOND_HEIGHT});
    std::vector<RECT> seen = Monitors();
    if (seen.size() != expected.size() || GetSystemMetrics(SM_CXSCREEN) != layout.width ||
        GetSystemMetrics(SM_CYSCREEN) != layout.height)
        return false;
    for (const RECT &monitor : expected) {
        bool found = false;
        for (const RECT &other : seen)
            found |= EqualRect(&monitor, &other) != 0;
        if (!found)
            return false;
    }
    return true;
}

bool ArrangeDisplay(const DisplayLayout &layout) {
    if (DisplayShows(layout))
        return true;
    std::string second = "--off";
    if (layout.second != NO_SECOND_MONITOR)
        second = "--mode " + std::to_string(SECOND_WIDTH) + "x" + std::to_string(SECOND_HEIGHT) +
                 (layout.second == SECOND_RIGHT ? " --right-of" : " --left-of") + " DUMMY0";
    // The plain query afterwards makes the server probe its outputs again, as a real plug does;
    // only then does Wine hear of a monitor plugged in.
    std::string command = "/bin/sh -c \"xrandr --output DUMMY0 --primary --mode " +
                          std::to_string(layout.width) + "x" + std::to_string(layout.height) +
                          " --output DUMMY1 " + second + " && xrandr >/dev/null\"";
    return StartHostProgram(command) && WaitUntil(START_MS, [&] { return DisplayShows(layout); });
}

int UncoveredPixels() {
    int count = 0;
    for (const RECT &monitor : Monitors())
        for (DWORD pixel : CaptureScreen(monitor).pixels)
            count += pixel == DESKTOP_COLOUR;
    return count;
}

ScreenShot CaptureScreen(const RECT &area) {
    return DrawOffscreen(area, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
               area.top, SRCCOPY);
    });
}

ScreenShot ExpectedPicture(int id, int width, int height) {
    std::string resource = SaverResource((LPCSTR)RT_BITMAP, id);
    if (resource.size() < sizeof(BITMAPINFOHEADER))
        return ScreenShot();
    const BITMAPINFO *info = (const BITMAPINFO *)resource.data();
    const BITMAPINFOHEADER &header = info->bmiHeader;
    int colours = header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
    const BYTE *bits = (const BYTE *)info + header.biSize + 4 * colours;

    // Decode at the picture's own size, then stretch as the saver does (the default stretch
    // mode of a fresh context, enlarging).
    return DrawOffscreen({0, 0, width, height}, [&](HDC target, HDC screen) {
        HDC source = CreateCompatibleDC(screen);
        DWORD *sourceBits;
        HBITMAP sourceSurface = MakeSurface(source, header.biWidth, header.biHeight, &sourceBits);
        HGDIOBJ oldSource = SelectObject(source, sourceSurface);
        SetDIBitsToDevice(source, 0, 0, header.biWidth, header.biHeight, 0, 0, 0, header.biHeight,
                          bits, info, DIB_RGB_COLORS);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, header.biWidth, header.biHeight,
                   SRCCOPY);
        SelectObject(source, oldSource);
        DeleteObject(sourceSurface);
        DeleteDC(source);
    });
}

ScreenShot ExpectedCaption(const char *text, const pinned::CaptionLook &look, int width,
                           int height) {
    return DrawOffscreen({0, 0, width, height}, [&](HDC memory, HDC) {
        RECT area = {0, 0, width, height};
        FillRect(memory, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
        HFONT font =
            CreateFontA(look.height, look.width, 0, 0, look.weight, FALSE, FALSE, FALSE,
                        ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        pinned::CAPTION_PITCH_AND_FAMILY, pinned::CAPTION_FACE);
        HGDIOBJ oldFont = SelectObject(memory, font);
        SetBkColor(memory, RGB(0, 0, 0));
        SetTextColor(memory, RGB(255, 255, 255));
        SetTextCharacterExtra(memory, pinned::CAPTION_CHARACTER_EXTRA);
        RECT box = {0, look.top, width, height};
        DrawTextA(memory, text, -1, &box, DT_CENTER);
        SelectObject(memory, oldFont);
        DeleteObject(font);
    });
}

RECT NonBlackBounds(const ScreenShot &shot, const RECT &area) {
    RECT bounds = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            if (shot.At(x, y) != BLACK) {
                bounds.left = x < bounds.left ? x : bounds.left;
                bounds.right = x + 1 > bounds.right ? x + 1 : bounds.right;
                bounds.top = y < bounds.top ? y : bounds.top;
                bounds.bottom = y + 1 > bounds.bottom ? y + 1 : bounds.bottom;
            }
    if (bounds.left >= bounds.right)
        SetRectEmpty(&bounds);
    return bounds;
}
