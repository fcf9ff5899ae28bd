// The show's process-wide record and its message handler.
#ifndef QUORVANE_SHOW_STATE_H
#define QUORVANE_SHOW_STATE_H

#include <windows.h>
#include <mmsystem.h>

#include "resources/resource_ids.h"
#include "resources/content_texts.h"

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

// Every member starts with a constant, so the record is filled in by the loader (see
// SaverState).
struct ShowState {
    PictureSlot slots[PICTURE_COUNT + 1] = {}; // indexed 1 to 5
    int pictureIndex = IDB_GROUP;              // the picture the next tick draws
    Captions captions = {CAPTION_1, CAPTION_2, CAPTION_3, CAPTION_4}; // of portrait k in k - 1
    int songIndex = 1; // 1 or 2: the song playing or last started
    char songFiles[SONG_COUNT][SONG_PATH_SIZE] = {};
    MCIDEVICEID songDevice = 0; // the sequencer playing it, 0 when silent
    bool musicDecided = false;  // the first activation has chosen between songs and silence
};

extern ShowState showState;

// The second link of the saver window's chain (see frame/saver_state.h).
LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Pictures.
HBITMAP LoadPicture(HINSTANCE instance, int id, HPALETTE *palette);
HBITMAP MakeTransparencyMask(HBITMAP bitmap, COLORREF keyColour);
void DrawMasked(HDC target, HBITMAP bitmap, HBITMAP mask, int x, int y, int srcWidth, int srcHeight,
                int srcX, int srcY, int dstWidth, int dstHeight);

// Music.
void StartMusic(HWND window);
// The sequencer's word that a play has ended, with its MCI_NOTIFY_ code.
void NextSong(MCIDEVICEID finished, WPARAM how);
void RemoveSongFiles();

#endif
