// The saver's two songs, as Standard MIDI Files.
#ifndef QUORVANE_CONTENTGEN_SONGS_H
#define QUORVANE_CONTENTGEN_SONGS_H

#include "image.h"

namespace contentgen {

// Song 1 or 2: a format 1 file of 120 ticks per quarter note; song 1 has 10 tracks,
// song 2 has 7 (a conductor track, then one track per part).
Bytes ComposeSong(int number);

} // namespace contentgen

#endif
