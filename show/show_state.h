// The show's process-wide record and its message handler.
#ifndef QUORVANE_SHOW_STATE_H
#define QUORVANE_SHOW_STATE_H

#include <windows.h>
#include <mmsystem.h>

#include "resources/resource_ids.h"

const UINT_PTR SHOW_TIMER_ID = 10001;
const UINT SHOW_TICK_MS = 8000;
const COLORREF KEY_COLOUR = RGB(0, 0, 0);

const int CAPTION_COUNT = 4;
const int CAPTION_SIZE = 50;
const int SONG_COUNT = 2;
const int SONG_PATH_SIZE = 128;

// A picture ready to draw: its key-coloured pixels are black and its mask is white there.
struct PictureSlot {
    HBITMAP bitmap;
    HPALETTE palette;
    HBITMAP mask;
};

typedef char Captions[CAPTION_COUNT][CAPTION_SIZE];

struct ShowState {
    PictureSlot slots[PICTURE_COUNT + 1]; // indexed 1 to 5
    int pictureIndex;                     // the picture the next tick draws
    Captions captions;                    // caption of portrait k in entry k - 1
    int songIndex;                        // 1 or 2: the song playing or last started
    char songFiles[SONG_COUNT][SONG_PATH_SIZE];
    MCIDEVICEID songDevice; // the sequencer playing it, 0 when silent
    bool musicTried;        // the songs have been tried in this run, whatever came of it
};

extern ShowState showState;

// The second link of the saver window's chain (see frame/saver_state.h).
LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Pictures.
HPALETTE MakeDibPalette(const BITMAPINFOHEADER *header, int *entries);
HBITMAP LoadPicture(HINSTANCE instance, int id, HPALETTE *palette);
HBITMAP MakeTransparencyMask(HBITMAP bitmap, COLORREF keyColour);
void DrawMasked(HDC target, HBITMAP bitmap, HBITMAP mask, int x, int y, int srcWidth, int srcHeight,
                int srcX, int srcY, int dstWidth, int dstHeight);

// The slideshow.
void DrawNextPicture();

// Music.
void StartMusic(HWND window);
void ExtractSongs();
MCIERROR PlaySong(HWND window, const char *path);
void NextSong(MCIDEVICEID finished);
void RemoveSongFiles();

#endif
