// Checks the content inside the built quorvane.scr: the pictures, songs and icon are read
// from the executable's resources (not from the files on disk), parsed independently of
// the generator, and compared with what the generator's code produces.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resources/content_texts.h"
#include "resources/resource_ids.h"
#include "tools/contentgen/image.h"
#include "tools/contentgen/pictures.h"
#include "tools/contentgen/songs.h"

namespace {

using contentgen::Bytes;

HMODULE Saver() {
    static HMODULE module = [] {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string p(path, n);
        p = p.substr(0, p.find_last_of("\\/") + 1) + "quorvane.scr";
        return LoadLibraryExA(p.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }();
    return module;
}

Bytes Resource(LPCSTR type, int id) {
    HMODULE m = Saver();
    if (!m) {
        return {};
    }
    HRSRC r = FindResourceA(m, MAKEINTRESOURCEA(id), type);
    if (!r) {
        return {};
    }
    HGLOBAL g = LoadResource(m, r);
    const auto *p = static_cast<const std::uint8_t *>(LockResource(g));
    return p ? Bytes(p, p + SizeofResource(m, r)) : Bytes{};
}

std::uint32_t Le32(const Bytes &b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint32_t Be32(const Bytes &b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) |
           b[at + 3];
}

bool Fail(std::string &why, const std::string &reason) {
    why = reason;
    return false;
}

// What was read so far, with the reason it stopped.
template <typename Record> Record Failed(Record record, const char *reason) {
    record.error = reason;
    return record;
}

// Decodes BI_RLE8 bits into top-down rows. Strict: every row must be filled exactly and
// closed by end-of-line, the top row by end-of-bitmap, absolute runs must be at least 3
// long and word-aligned, and nothing may follow end-of-bitmap. Returns false with a
// reason on any violation.
bool DecodeRle8(const std::uint8_t *p, std::size_t size, int width, int height,
                std::vector<std::uint8_t> &pixels, std::string &why) {
    pixels.assign(static_cast<std::size_t>(width) * height, 0);
    std::size_t i = 0;
    int x = 0, row = 0; // row counts from the bottom
    auto need = [&](std::size_t n) { return i + n <= size; };
    while (true) {
        if (!need(2))
            return Fail(why, "data ends before end-of-bitmap");
        const int count = p[i], value = p[i + 1];
        i += 2;
        if (row >= height)
            return Fail(why, "more rows than the height");
        const int y = height - 1 - row;
        if (count > 0) {
            if (x + count > width)
                return Fail(why, "encoded run crosses the row end at row " + std::to_string(row));
            for (int k = 0; k < count; ++k) {
                pixels[static_cast<std::size_t>(y) * width + x++] =
                    static_cast<std::uint8_t>(value);
            }
        } else if (value == 0 || value == 1) {
            if (x != width)
                return Fail(why, "row " + std::to_string(row) + " closed after " +
                                     std::to_string(x) + " pixels");
            x = 0;
            ++row;
            if (value == 1) {
                if (row != height)
                    return Fail(why, "end-of-bitmap after " + std::to_string(row) + " rows");
                if (i != size)
                    return Fail(why, "bytes after end-of-bitmap");
                return true;
            }
        } else if (value == 2)
            return Fail(why, "delta escape");
        else {
            const std::size_t padded = (static_cast<std::size_t>(value) + 1) & ~std::size_t{1};
            if (!need(padded) || x + value > width)
                return Fail(why, "absolute run overflows");
            for (int k = 0; k < value; ++k) {
                pixels[static_cast<std::size_t>(y) * width + x++] = p[i + k];
            }
            if ((value & 1) && p[i + value] != 0)
                return Fail(why, "absolute run padding is not zero");
            i += padded;
        }
    }
}

struct Picture {
    int width = 0, height = 0, bitCount = 0, compression = -1;
    std::vector<contentgen::Rgb> palette;
    std::vector<std::uint8_t> pixels; // top-down
    std::string error;
};

Picture ReadPicture(int id) {
    Picture pic;
    Bytes b = Resource(RT_BITMAP, id);
    if (b.size() < 40 + 1024 || Le32(b, 0) != 40)
        return Failed(pic, "missing or not a BITMAPINFOHEADER");
    pic.width = static_cast<int>(Le32(b, 4));
    pic.height = static_cast<int>(Le32(b, 8));
    pic.bitCount = b[14] | (b[15] << 8);
    pic.compression = static_cast<int>(Le32(b, 16));
    const std::uint32_t sizeImage = Le32(b, 20);
    const std::uint32_t clrUsed = Le32(b, 32);
    if (pic.bitCount != 8 || (clrUsed != 0 && clrUsed != 256) || (b[12] | (b[13] << 8)) != 1)
        return Failed(pic, "not 8 bits, one plane, 256 colours");
    for (int k = 0; k < 256; ++k) {
        pic.palette.push_back({b[40 + 4 * k + 2], b[40 + 4 * k + 1], b[40 + 4 * k]});
    }
    const std::size_t bits = 40 + 1024;
    const std::size_t available = b.size() - bits;
    if (pic.compression == BI_RGB) {
        const int stride = (pic.width + 3) & ~3;
        const std::size_t need = static_cast<std::size_t>(stride) * pic.height;
        if (available < need || (sizeImage != 0 && sizeImage != need))
            return Failed(pic, "uncompressed bits have the wrong size");
        pic.pixels.resize(static_cast<std::size_t>(pic.width) * pic.height);
        for (int y = 0; y < pic.height; ++y) {
            std::memcpy(&pic.pixels[static_cast<std::size_t>(y) * pic.width],
                        &b[bits + static_cast<std::size_t>(pic.height - 1 - y) * stride],
                        static_cast<std::size_t>(pic.width));
        }
    } else if (pic.compression == BI_RLE8) {
        if (sizeImage != available)
            return Failed(pic, "biSizeImage does not match the RLE8 data");
        DecodeRle8(&b[bits], available, pic.width, pic.height, pic.pixels, pic.error);
    }
    return pic;
}

TEST(ContentPictures, SizesFormatAndPalette) {
    for (int id = 1; id <= 5; ++id) {
        SCOPED_TRACE("picture " + std::to_string(id));
        Picture pic = ReadPicture(id);
        ASSERT_EQ(pic.error, "");
        EXPECT_EQ(pic.width, id == 5 ? 251 : 100);
        EXPECT_EQ(pic.height, 150);
        EXPECT_EQ(pic.compression, id == 5 ? BI_RLE8 : BI_RGB);
        ASSERT_EQ(pic.palette.size(), 256u);
        EXPECT_TRUE(pic.palette[0].r == 0 && pic.palette[0].g == 0 && pic.palette[0].b == 0);
        for (int k = 1; k < 256; ++k) {
            const auto &c = pic.palette[k];
            EXPECT_FALSE(c.r == 0 && c.g == 0 && c.b == 0) << "entry " << k << " is black too";
        }
    }
}

TEST(ContentPictures, TransparencyOnlyWhereMeant) {
    for (int id = 1; id <= 5; ++id) {
        SCOPED_TRACE("picture " + std::to_string(id));
        Picture pic = ReadPicture(id);
        ASSERT_EQ(pic.error, "");
        std::size_t keyed = 0;
        for (std::uint8_t v : pic.pixels) {
            keyed += v == 0;
        }
        if (id <= 3) {
            EXPECT_EQ(keyed, 0u) << "portraits 1-3 draw fully opaque";
        } else {
            // transparent surroundings (the corners), an opaque figure in the middle
            const std::size_t all = pic.pixels.size();
            EXPECT_GT(keyed, all / 20);
            EXPECT_LT(keyed, all / 2);
            EXPECT_EQ(pic.pixels[0], 0);
            EXPECT_EQ(pic.pixels[static_cast<std::size_t>(pic.width) - 1], 0);
            EXPECT_NE(pic.pixels[static_cast<std::size_t>(75) * pic.width + pic.width / 2], 0);
        }
    }
}

// The decoded pixels, and the stored resources byte for byte, are what the generator's code
// draws (it is compiled into this test with the same deterministic arithmetic).
TEST(ContentPictures, MatchTheGeneratorsPixels) {
    const auto palette = contentgen::PicturePalette();
    for (int id = 1; id <= 5; ++id) {
        SCOPED_TRACE("picture " + std::to_string(id));
        const contentgen::IndexedImage drawn = contentgen::DrawPicture(id);
        Picture pic = ReadPicture(id);
        ASSERT_EQ(pic.error, "");
        EXPECT_TRUE(pic.pixels == drawn.pixels);
        Bytes file = contentgen::WriteBmp8(drawn, palette, id == 5);
        EXPECT_TRUE(Bytes(file.begin() + 14, file.end()) == Resource(RT_BITMAP, id));
    }
}

// Rows that stress the encoder: long runs past 255, literal stretches of every parity and
// around the 255 limit, pairs, single pixels, and a one-pixel-wide picture.
TEST(ContentRle8, EncoderRoundTripsAwkwardRows) {
    const int widths[] = {1, 2, 3, 7, 255, 256, 258, 600};
    std::uint32_t seed = 12345;
    for (int width : widths) {
        for (int kind = 0; kind < 5; ++kind) {
            contentgen::IndexedImage img(width, 4, 0);
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < width; ++x) {
                    seed = seed * 1103515245u + 12345u;
                    std::uint8_t v = 0;
                    switch (kind) {
                    case 0:
                        v = 7;
                        break; // one long run
                    case 1:
                        v = static_cast<std::uint8_t>(x); // all different
                        break;
                    case 2:
                        v = static_cast<std::uint8_t>((x / 2) & 1 ? 9 : 4); // pairs
                        break;
                    case 3:
                        v = static_cast<std::uint8_t>((seed >> 16) % 3); // noise
                        break;
                    default:
                        v = static_cast<std::uint8_t>(x < width - 2 ? x : 1); // literal tail
                    }
                    img.set(x, y, v);
                }
            }
            SCOPED_TRACE("width " + std::to_string(width) + " kind " + std::to_string(kind));
            Bytes rle = contentgen::EncodeRle8(img);
            std::vector<std::uint8_t> decoded;
            std::string why;
            ASSERT_TRUE(DecodeRle8(rle.data(), rle.size(), width, 4, decoded, why)) << why;
            EXPECT_TRUE(decoded == img.pixels);
        }
    }
}

// ---- songs ----

struct TrackInfo {
    bool endsWithEndOfTrack = false;
    bool hasTempo = false, hasTimeSignature = false, hasName = false;
    int programBeforeFirstNote = -1;
    std::vector<int> channels;
    int openNotes = 0;
    std::uint32_t endTick = 0;
    std::uint32_t tempo = 0;
    std::string error;
};

bool ReadVarLen(const Bytes &b, std::size_t &i, std::size_t end, std::uint32_t &v) {
    v = 0;
    for (int k = 0; k < 4; ++k) {
        if (i >= end) {
            return false;
        }
        std::uint8_t c = b[i++];
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) {
            return true;
        }
    }
    return false;
}

// Walks one track's events (running status allowed); end-of-track must be the last event
// and end exactly at the chunk's end.
TrackInfo ReadTrack(const Bytes &b, std::size_t i, std::size_t end) {
    TrackInfo t;
    int status = 0;
    int noteState[16][128] = {};
    bool sawNote = false;
    while (i < end) {
        std::uint32_t delta;
        if (!ReadVarLen(b, i, end, delta) || i >= end)
            return Failed(t, "truncated delta time");
        t.endTick += delta;
        if (t.endsWithEndOfTrack)
            return Failed(t, "events after end-of-track");
        int first = b[i];
        if (first == 0xFF) {
            if (i + 2 > end)
                return Failed(t, "truncated meta event");
            int type = b[i + 1];
            i += 2;
            std::uint32_t len;
            if (!ReadVarLen(b, i, end, len) || i + len > end)
                return Failed(t, "truncated meta event");
            if (type == 0x2F) {
                t.endsWithEndOfTrack = len == 0;
            } else if (type == 0x51 && len == 3) {
                t.hasTempo = true;
                t.tempo = (b[i] << 16) | (b[i + 1] << 8) | b[i + 2];
            } else if (type == 0x58 && len == 4) {
                t.hasTimeSignature = true;
            } else if (type == 0x03 && len > 0) {
                t.hasName = true;
            }
            i += len;
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            ++i;
            std::uint32_t len;
            if (!ReadVarLen(b, i, end, len) || i + len > end)
                return Failed(t, "truncated system exclusive");
            i += len;
            status = 0;
            continue;
        }
        if (first & 0x80) {
            status = first;
            ++i;
        } else if (status == 0)
            return Failed(t, "running status without a status");
        const int kind = status & 0xF0, ch = status & 0x0F;
        const int dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (i + dataBytes > end || (b[i] & 0x80) || (dataBytes == 2 && (b[i + 1] & 0x80)))
            return Failed(t, "bad channel message data");
        bool known = false;
        for (int c : t.channels) {
            known = known || c == ch;
        }
        if (!known) {
            t.channels.push_back(ch);
        }
        if (kind == 0xC0 && !sawNote) {
            t.programBeforeFirstNote = b[i];
        }
        if (kind == 0x90 && b[i + 1] > 0) {
            sawNote = true;
            ++noteState[ch][b[i]];
            ++t.openNotes;
        } else if (kind == 0x80 || kind == 0x90) {
            if (noteState[ch][b[i]] > 0) {
                --noteState[ch][b[i]];
                --t.openNotes;
            }
        }
        i += static_cast<std::size_t>(dataBytes);
    }
    return t;
}

void CheckSong(int number, int resourceId, int tracks) {
    SCOPED_TRACE("song " + std::to_string(number));
    Bytes b = Resource("MIDI", resourceId);
    ASSERT_GE(b.size(), 14u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "MThd");
    EXPECT_EQ(Be32(b, 4), 6u);
    EXPECT_EQ((b[8] << 8) | b[9], 1) << "format";
    EXPECT_EQ((b[10] << 8) | b[11], tracks) << "track count";
    const int division = (b[12] << 8) | b[13];
    EXPECT_EQ(division, 120);

    std::vector<TrackInfo> infos;
    std::size_t at = 14;
    while (at + 8 <= b.size()) {
        ASSERT_EQ(std::string(b.begin() + at, b.begin() + at + 4), "MTrk") << "at " << at;
        const std::size_t len = Be32(b, at + 4);
        ASSERT_LE(at + 8 + len, b.size()) << "track " << infos.size() + 1 << " overruns";
        infos.push_back(ReadTrack(b, at + 8, at + 8 + len));
        at += 8 + len;
    }
    EXPECT_EQ(at, b.size()) << "chunk lengths must add up to the file";
    ASSERT_EQ(infos.size(), static_cast<std::size_t>(tracks));

    const TrackInfo &conductor = infos[0];
    EXPECT_TRUE(conductor.hasTempo && conductor.hasTimeSignature && conductor.hasName);
    EXPECT_TRUE(conductor.channels.empty()) << "the conductor track plays nothing";
    std::vector<int> used;
    bool drums = false;
    std::uint32_t lastTick = 0;
    for (std::size_t k = 0; k < infos.size(); ++k) {
        const TrackInfo &t = infos[k];
        SCOPED_TRACE("track " + std::to_string(k + 1));
        EXPECT_EQ(t.error, "");
        EXPECT_TRUE(t.endsWithEndOfTrack);
        EXPECT_EQ(t.openNotes, 0) << "notes left sounding";
        lastTick = t.endTick > lastTick ? t.endTick : lastTick;
        if (k == 0) {
            continue;
        }
        ASSERT_EQ(t.channels.size(), 1u) << "one channel per part";
        EXPECT_TRUE(t.hasName);
        EXPECT_GE(t.programBeforeFirstNote, 0) << "program change before the notes";
        for (int c : used) {
            EXPECT_NE(c, t.channels[0]) << "channel shared by two parts";
        }
        used.push_back(t.channels[0]);
        drums = drums || t.channels[0] == 9;
    }
    EXPECT_TRUE(drums) << "drums on channel 10";
    // the length in seconds, from the single tempo
    const double seconds = lastTick / double(division) * conductor.tempo / 1e6;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 150.0);

    EXPECT_TRUE(b == contentgen::ComposeSong(number)) << "differs from the generator's song";
}

TEST(ContentSongs, SongOneIsFormatOneWithTenTracks) {
    CheckSong(1, IDR_SONG_1, 10);
}

TEST(ContentSongs, SongTwoIsFormatOneWithSevenTracks) {
    CheckSong(2, IDR_SONG_2, 7);
}

// ---- icon and texts ----

TEST(ContentIcon, HasSixteenAndThirtyTwoPixelImagesWithMasks) {
    Bytes group = Resource(RT_GROUP_ICON, IDI_SAVER);
    ASSERT_GE(group.size(), 6u + 2 * 14);
    ASSERT_EQ(group[4] | (group[5] << 8), 2);
    const auto images = contentgen::DrawIcon();
    const auto palette = contentgen::IconPalette();
    for (int k = 0; k < 2; ++k) {
        const std::size_t e = 6 + 14 * static_cast<std::size_t>(k);
        const int size = group[e];
        SCOPED_TRACE("icon " + std::to_string(size));
        EXPECT_EQ(size, k == 0 ? 16 : 32);
        EXPECT_EQ(group[e + 1], size);
        const int id = group[e + 12] | (group[e + 13] << 8);
        Bytes image = Resource(RT_ICON, id);
        ASSERT_GE(image.size(), 40u);
        EXPECT_EQ(static_cast<int>(Le32(image, 8)), 2 * size) << "height counts both masks";
        EXPECT_TRUE(image ==
                    contentgen::IconImageData(images[static_cast<std::size_t>(k)], palette));
        // the corners are transparent: AND mask bit set in the first (bottom) row
        const std::size_t andMask = image.size() - static_cast<std::size_t>(4 * size);
        EXPECT_EQ(image[andMask] & 0x80, 0x80);
    }
}

// The settings dialog's template as the system reads it: an extended template whose header and
// font are what the dialog was designed with, down to the font's weight.
TEST(ContentDialog, TemplateHeaderAndFont) {
    Bytes t = Resource(RT_DIALOG, IDD_CONFIGURE);
    ASSERT_GE(t.size(), 26u);
    auto word = [&](std::size_t at) { return t[at] | (t[at + 1] << 8); };
    ASSERT_EQ(word(0), 1);
    ASSERT_EQ(word(2), 0xFFFF) << "an extended template";
    EXPECT_EQ(Le32(t, 8), 0x200u) << "extended style";
    EXPECT_EQ(Le32(t, 12), 0x90C808C0u) << "style";
    EXPECT_EQ(word(16), 10) << "controls";
    EXPECT_EQ(word(22), 187);
    EXPECT_EQ(word(24), 117);
    // Menu, class and title follow, each a word 0, an ordinal, or a string of wide characters.
    std::size_t at = 26;
    std::string title;
    for (int field = 0; field < 3; ++field) {
        if (word(at) == 0xFFFF) {
            at += 4;
            continue;
        }
        for (; at + 1 < t.size() && word(at) != 0; at += 2)
            if (field == 2)
                title += static_cast<char>(word(at));
        at += 2;
    }
    EXPECT_EQ(title, "Quorvanels - Configure");
    ASSERT_GE(t.size(), at + 6);
    EXPECT_EQ(word(at), 8) << "point size";
    EXPECT_EQ(word(at + 2), 400) << "weight";
    EXPECT_EQ(t[at + 4], 0) << "italic";
    EXPECT_EQ(t[at + 5], 1) << "character set";
    std::string face;
    for (at += 6; at + 1 < t.size() && word(at) != 0; at += 2)
        face += static_cast<char>(word(at));
    EXPECT_EQ(face, "MS Sans Serif");
}

TEST(ContentTexts, CaptionsFitTheirSlotsAndAreAscii) {
    for (const char *text : {CAPTION_1, CAPTION_2, CAPTION_3, CAPTION_4, AUTHOR_EMAIL}) {
        SCOPED_TRACE(text);
        EXPECT_GT(std::strlen(text), 0u);
        EXPECT_LE(std::strlen(text), 49u);
        for (const char *c = text; *c; ++c) {
            EXPECT_TRUE(*c >= 0x20 && *c < 0x7F);
        }
    }
    const std::string mail = AUTHOR_EMAIL;
    const std::string domain = mail.substr(mail.find('@') + 1);
    EXPECT_TRUE(domain == "example.com" || domain == "example.org" || domain == "example.net");
}

} // namespace
