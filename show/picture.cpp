// Pictures from the resources: a device bitmap, the palette of its colour table, and a mask
// that lets its black pixels show the background.
#include "show/show_state.h"

static HPALETTE MakeDibPalette(const BITMAPINFOHEADER *header, int *entries) {
    // The table length comes from the bit depth alone; every picture carries a full table.
    int n = header->biBitCount <= 8 ? 1 << header->biBitCount : 0;
    *entries = n;
    if (n == 0)
        return NULL;

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8 + 4 * n);
    if (memory == NULL)
        return NULL;
    LOGPALETTE *logical = (LOGPALETTE *)GlobalLock(memory);
    logical->palVersion = 0x300;
    logical->palNumEntries = (WORD)n;
    const RGBQUAD *table = (const RGBQUAD *)((const BYTE *)header + header->biSize);
    for (int i = 0; i < n; i++) {
        logical->palPalEntry[i].peRed = table[i].rgbRed;
        logical->palPalEntry[i].peGreen = table[i].rgbGreen;
        logical->palPalEntry[i].peBlue = table[i].rgbBlue;
        logical->palPalEntry[i].peFlags = 0;
    }
    HPALETTE palette = CreatePalette(logical);
    GlobalUnlock(memory);
    GlobalFree(memory);
    return palette;
}

HBITMAP LoadPicture(HINSTANCE instance, int id, HPALETTE *palette) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (found == NULL)
        return NULL;
    HGLOBAL resource = LoadResource(instance, found);
    const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)LockResource(resource);
    if (header == NULL)
        return NULL;

    HDC screen = GetDC(NULL);
    int entries;
    *palette = MakeDibPalette(header, &entries);
    if (*palette != NULL) {
        SelectPalette(screen, *palette, FALSE);
        RealizePalette(screen);
    }
    const BYTE *bits = (const BYTE *)header + header->biSize + 4 * entries;
    HBITMAP bitmap =
        CreateDIBitmap(screen, header, CBM_INIT, bits, (const BITMAPINFO *)header, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    FreeResource(resource);
    return bitmap;
}

HBITMAP MakeTransparencyMask(HBITMAP bitmap, COLORREF keyColour) {
    HDC screen = GetDC(NULL);
    HDC pictureDc = CreateCompatibleDC(screen);
    HDC maskDc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);

    BITMAP size;
    GetObjectA(bitmap, sizeof(size), &size);
    HGDIOBJ oldPicture = SelectObject(pictureDc, bitmap);
    HBITMAP mask = CreateBitmap(size.bmWidth, size.bmHeight, 1, 1, NULL);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);

    // Copying colour to monochrome turns the background colour into 1 and the rest into 0.
    SetBkColor(pictureDc, keyColour);
    BitBlt(maskDc, 0, 0, size.bmWidth, size.bmHeight, pictureDc, 0, 0, SRCCOPY);
    // Monochrome to colour maps 1 to the background and 0 to the text colour: the key colour
    // becomes black and everything else is kept.
    SetBkColor(pictureDc, RGB(0, 0, 0));
    SetTextColor(pictureDc, RGB(255, 255, 255));
    BitBlt(pictureDc, 0, 0, size.bmWidth, size.bmHeight, maskDc, 0, 0, SRCAND);

    SelectObject(pictureDc, oldPicture);
    SelectObject(maskDc, oldMask);
    DeleteDC(pictureDc);
    DeleteDC(maskDc);
    return mask;
}

void DrawMasked(HDC target, HBITMAP bitmap, HBITMAP mask, int x, int y, int srcWidth, int srcHeight,
                int srcX, int srcY, int dstWidth, int dstHeight) {
    HDC pictureDc = CreateCompatibleDC(target);
    HDC maskDc = CreateCompatibleDC(target);
    HGDIOBJ oldPicture = SelectObject(pictureDc, bitmap);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(target, RGB(255, 255, 255));

    // The mask blackens the picture's area and keeps the transparent part; the picture, whose
    // transparent pixels are black, is then OR-ed in.
    StretchBlt(target, x, y, dstWidth, dstHeight, maskDc, srcX, srcY, srcWidth, srcHeight, SRCAND);
    StretchBlt(target, x, y, dstWidth, dstHeight, pictureDc, srcX, srcY, srcWidth, srcHeight,
               SRCPAINT);

    SetTextColor(target, oldText);
    SetBkColor(target, oldBack);
    SelectObject(pictureDc, oldPicture);
    SelectObject(maskDc, oldMask);
    DeleteDC(pictureDc);
    DeleteDC(maskDc);
}
