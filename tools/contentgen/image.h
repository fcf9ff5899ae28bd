// Indexed-colour images and the file formats they are stored in: 8-bit BMP (plain or
// RLE8-compressed) and Windows icons.
#ifndef QUORVANE_CONTENTGEN_IMAGE_H
#define QUORVANE_CONTENTGEN_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace contentgen {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
};

// An 8-bit indexed picture, rows stored top-down (row 0 is the top of the picture).
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height palette indices

    IndexedImage() = default;
    IndexedImage(int w, int h, std::uint8_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    std::uint8_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
    void set(int x, int y, std::uint8_t v) {
        pixels[static_cast<std::size_t>(y) * width + x] = v;
    }
};

// RLE8 encoding of one picture (rows bottom-up, each row ended by end-of-line, the whole
// ended by end-of-bitmap). Runs of equal pixels become encoded runs; stretches of differing
// pixels become absolute runs of at least 3 pixels, padded to a 16-bit boundary.
Bytes EncodeRle8(const IndexedImage &image);

// A complete .bmp file (file header, 40-byte info header, 256-entry colour table, bits).
// With rle8 set the bits are BI_RLE8, otherwise BI_RGB rows padded to 4 bytes.
Bytes WriteBmp8(const IndexedImage &image, const std::vector<Rgb> &palette, bool rle8);

// One image of an icon: 4 bits per pixel with the given 16-colour table, plus a mask in
// which true marks transparent pixels.
struct IconImage {
    IndexedImage colours; // indices 0..15
    std::vector<bool> transparent;
};

// A .ico file holding the images in the given order.
Bytes WriteIco(const std::vector<IconImage> &images, const std::vector<Rgb> &palette16);

// The bytes of the BITMAPINFOHEADER-based image data of one icon image (what an RT_ICON
// resource holds).
Bytes IconImageData(const IconImage &image, const std::vector<Rgb> &palette16);

} // namespace contentgen

#endif
