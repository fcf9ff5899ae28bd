// Writes the saver's content into a resource folder:
//   pictures/portrait1.bmp .. portrait4.bmp, pictures/group.bmp,
//   songs/song1.mid, songs/song2.mid, icon.ico
// Usage: contentgen <resource folder>. The folders pictures/ and songs/ must exist.
#include "image.h"
#include "pictures.h"
#include "songs.h"

#include <cstdio>
#include <string>

namespace {

bool WriteFile(const std::string &path, const contentgen::Bytes &bytes) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "contentgen: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "contentgen: cannot write %s\n", path.c_str());
    }
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: contentgen <resource folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    const auto palette = contentgen::PicturePalette();
    for (int id = 1; id <= 5; ++id) {
        const std::string name =
            id == 5 ? "pictures/group.bmp" : "pictures/portrait" + std::to_string(id) + ".bmp";
        ok = WriteFile(dir + "/" + name,
                       contentgen::WriteBmp8(contentgen::DrawPicture(id), palette, id == 5)) &&
             ok;
    }
    for (int song = 1; song <= 2; ++song) {
        ok = WriteFile(dir + "/songs/song" + std::to_string(song) + ".mid",
                       contentgen::ComposeSong(song)) &&
             ok;
    }
    ok = WriteFile(dir + "/icon.ico",
                   contentgen::WriteIco(contentgen::DrawIcon(), contentgen::IconPalette())) &&
         ok;
    return ok ? 0 : 1;
}
