// The slideshow: every tick and every paint clears the window and draws the next picture,
// scaled to the screen (or to the preview), with the portrait's caption above it.
#include "show/show_state.h"
#include "show/layout.h"
#include "frame/saver_state.h"
#include "show/chance.h"

ShowState showState;

static const int CAPTION_OFFSET = 50;

struct CaptionFont {
    int height, width, weight;
};
// Roman family (0x10) with the low bits 0x07: the value the captions were designed with, which
// no named pitch constant spells.
static const BYTE CAPTION_PITCH_AND_FAMILY = 0x17;
static const CaptionFont FULL_SCREEN_FONT = {29, 10, FW_BOLD};
static const CaptionFont PREVIEW_FONT = {12, 0, FW_NORMAL};

static void LoadPictures() {
    for (int k = 1; k <= PICTURE_COUNT; k++) {
        PictureSlot &slot = showState.slots[k];
        slot.bitmap = LoadPicture(saverState.instance, k, &slot.palette);
        if (slot.bitmap != NULL)
            slot.mask = MakeTransparencyMask(slot.bitmap, KEY_COLOUR);
    }
}

static void DrawCaption(HDC dc, RECT area, const char *caption, bool fullScreen) {
    const CaptionFont &look = fullScreen ? FULL_SCREEN_FONT : PREVIEW_FONT;
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    if (fullScreen)
        area.top += CAPTION_OFFSET;
    HFONT font = CreateFontA(look.height, look.width, 0, 0, look.weight, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             CAPTION_PITCH_AND_FAMILY, "Times New Roman");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextCharacterExtra(dc, 3);
    DrawTextA(dc, caption, lstrlenA(caption), &area, DT_CENTER);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

static void DrawNextPicture() {
    HWND window = saverState.saverWindow;
    if (window == NULL)
        return; // never the desktop's own context
    SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HDC dc = GetWindowDC(window);
    RECT bounds;
    GetWindowRect(window, &bounds);
    bool fullScreen = bounds.right - bounds.left >= screen.cx;

    int k = showState.pictureIndex;
    const PictureSlot &slot = showState.slots[k];
    SelectPalette(dc, slot.palette, TRUE);
    RealizePalette(dc);

    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));

    // A picture that failed to load leaves its turn black.
    if (slot.bitmap != NULL) {
        BITMAP picture;
        GetObjectA(slot.bitmap, sizeof(picture), &picture);
        SIZE reference = fullScreen ? screen : SIZE{client.right, client.bottom};
        PictureBox box =
            LayOutPicture(reference, SIZE{picture.bmWidth, picture.bmHeight}, k, fullScreen);
        DrawMasked(dc, slot.bitmap, slot.mask, box.x, box.y, picture.bmWidth, picture.bmHeight, 0,
                   0, box.width, box.height);
        if (k <= CAPTION_COUNT)
            DrawCaption(dc, client, showState.captions[k - 1], fullScreen);
    }

    showState.pictureIndex = k + 1 > PICTURE_COUNT ? 1 : k + 1;
    ReleaseDC(window, dc);
}

static void StartShow(HWND window) {
    SeedRandom(CalendarSeconds());
    SetTimer(window, SHOW_TIMER_ID, SHOW_TICK_MS, NULL);
    LoadPictures();
}

static void EndShow(HWND window) {
    RemoveSongFiles();
    KillTimer(window, SHOW_TIMER_ID);
    PostQuitMessage(0);
}

static void Paint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    // Through the class procedure like any tick, so a closing saver draws nothing more.
    SendMessageA(window, WM_TIMER, SHOW_TIMER_ID, 0);
    EndPaint(window, &paint);
}

static void EraseBlack(HWND window) {
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(window, dc);
}

LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        StartShow(window);
        return 0;
    case WM_DESTROY:
        EndShow(window);
        return 0;
    case WM_ACTIVATE:
        StartMusic(window);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        EraseBlack(window);
        return 1;
    case WM_TIMER:
        if (wParam == SHOW_TIMER_ID)
            DrawNextPicture();
        return 1;
    case MM_MCINOTIFY:
        NextSong((MCIDEVICEID)lParam, wParam);
        return 0;
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
