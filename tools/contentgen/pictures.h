// The saver's pictures: four portraits of the band, the group picture and the icon.
#ifndef QUORVANE_CONTENTGEN_PICTURES_H
#define QUORVANE_CONTENTGEN_PICTURES_H

#include "image.h"

#include <vector>

namespace contentgen {

// The colour table all five pictures share: entry 0 is black, the rest are ramps of
// 17 shades each, darkest first, none of them black.
std::vector<Rgb> PicturePalette();

// Picture 1..5: portraits 1-4 (100 x 150) and the group picture 5 (251 x 150).
IndexedImage DrawPicture(int id);

// The icon images, 16 x 16 and 32 x 32, and their 16-colour table.
std::vector<IconImage> DrawIcon();
std::vector<Rgb> IconPalette();

} // namespace contentgen

#endif
