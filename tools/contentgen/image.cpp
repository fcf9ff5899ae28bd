#include "image.h"

namespace contentgen {

namespace {

void Put16(Bytes &out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(Bytes &out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutInfoHeader(Bytes &out, int width, int height, int bitCount, std::uint32_t compression,
                   std::uint32_t sizeImage, std::uint32_t clrUsed) {
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bitCount));
    Put32(out, compression);
    Put32(out, sizeImage);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, clrUsed);
    Put32(out, 0);
}

void PutColourTable(Bytes &out, const std::vector<Rgb> &palette, std::size_t entries) {
    for (std::size_t i = 0; i < entries; ++i) {
        Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

// Absolute runs carry between 3 and 255 pixels; shorter stretches go out as encoded runs.
void PutAbsolute(Bytes &out, const std::uint8_t *p, int count) {
    while (count > 0) {
        int n = count > 255 ? 255 : count;
        if (count - n > 0 && count - n < 3) {
            n -= 3; // leave a tail long enough for another absolute run
        }
        if (n < 3) {
            for (int i = 0; i < n; ++i) {
                out.push_back(1);
                out.push_back(p[i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), p, p + n);
            if (n & 1) {
                out.push_back(0);
            }
        }
        p += n;
        count -= n;
    }
}

} // namespace

Bytes EncodeRle8(const IndexedImage &image) {
    Bytes out;
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t *row = &image.pixels[static_cast<std::size_t>(y) * image.width];
        const int w = image.width;
        int x = 0;
        int literalStart = 0;
        while (x < w) {
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x]) {
                ++run;
            }
            // Two equal pixels inside a literal stretch are cheaper left in it.
            if (run >= 3 || (run == 2 && x == literalStart)) {
                PutAbsolute(out, row + literalStart, x - literalStart);
                out.push_back(static_cast<std::uint8_t>(run));
                out.push_back(row[x]);
                x += run;
                literalStart = x;
            } else {
                x += run;
            }
        }
        PutAbsolute(out, row + literalStart, w - literalStart);
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0); // end of bitmap after the top row, else end of line
    }
    return out;
}

Bytes WriteBmp8(const IndexedImage &image, const std::vector<Rgb> &palette, bool rle8) {
    Bytes bits;
    if (rle8) {
        bits = EncodeRle8(image);
    } else {
        const int stride = (image.width + 3) & ~3;
        for (int y = image.height - 1; y >= 0; --y) {
            for (int x = 0; x < image.width; ++x) {
                bits.push_back(image.at(x, y));
            }
            for (int x = image.width; x < stride; ++x) {
                bits.push_back(0);
            }
        }
    }
    const std::uint32_t offBits = 14 + 40 + 256 * 4;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offBits + static_cast<std::uint32_t>(bits.size()));
    Put32(out, 0);
    Put32(out, offBits);
    PutInfoHeader(out, image.width, image.height, 8, rle8 ? 1 : 0,
                  static_cast<std::uint32_t>(bits.size()), 256);
    PutColourTable(out, palette, 256);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

Bytes IconImageData(const IconImage &image, const std::vector<Rgb> &palette16) {
    const int w = image.colours.width;
    const int h = image.colours.height;
    const int xorStride = ((w * 4 + 31) / 32) * 4;
    const int andStride = ((w + 31) / 32) * 4;
    Bytes out;
    PutInfoHeader(out, w, 2 * h, 4, 0, static_cast<std::uint32_t>((xorStride + andStride) * h), 0);
    PutColourTable(out, palette16, 16);
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(xorStride), 0);
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = image.transparent[static_cast<std::size_t>(y) * w + x]
                                 ? 0
                                 : static_cast<std::uint8_t>(image.colours.at(x, y) & 0x0F);
            row[x / 2] |= (x & 1) ? v : static_cast<std::uint8_t>(v << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(andStride), 0);
        for (int x = 0; x < w; ++x) {
            if (image.transparent[static_cast<std::size_t>(y) * w + x]) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes WriteIco(const std::vector<IconImage> &images, const std::vector<Rgb> &palette16) {
    std::vector<Bytes> data;
    for (const IconImage &image : images) {
        data.push_back(IconImageData(image, palette16));
    }
    Bytes out;
    Put16(out, 0);
    Put16(out, 1); // icon
    Put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].colours.width));
        out.push_back(static_cast<std::uint8_t>(images[i].colours.height));
        out.push_back(16); // colours
        out.push_back(0);
        Put16(out, 1); // planes
        Put16(out, 4); // bits per pixel
        Put32(out, static_cast<std::uint32_t>(data[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(data[i].size());
    }
    for (const Bytes &d : data) {
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}

} // namespace contentgen
