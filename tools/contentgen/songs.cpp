#include "songs.h"

#include "midi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

namespace {

const int TPQ = 120;
const int EIGHTH = TPQ / 2;
const int DRUM_CHANNEL = 9; // channel 10

// xorshift32 with fixed seeds: the songs come out the same on every run.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) {
        return static_cast<int>(Next() % static_cast<std::uint32_t>(n));
    }

  private:
    std::uint32_t state_;
};

enum SectionKind { INTRO, VERSE, CHORUS, BRIDGE, OUTRO };

struct Chord {
    int root;               // pitch class
    std::vector<int> tones; // pitch classes, root first
};

Chord ParseChord(const std::string &name) {
    static const int LETTER[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    int root = LETTER[name[0] - 'A'];
    std::size_t i = 1;
    if (i < name.size() && name[i] == '#') {
        root += 1;
        ++i;
    } else if (i < name.size() && name[i] == 'b') {
        root += 11;
        ++i;
    }
    root %= 12;
    std::string rest = name.substr(i);
    std::vector<int> intervals;
    if (rest == "m") {
        intervals = {0, 3, 7};
    } else if (rest == "m7") {
        intervals = {0, 3, 7, 10};
    } else if (rest == "7") {
        intervals = {0, 4, 7, 10};
    } else if (rest == "maj7") {
        intervals = {0, 4, 7, 11};
    } else if (rest == "sus4") {
        intervals = {0, 5, 7};
    } else {
        intervals = {0, 4, 7};
    }
    Chord c{root, {}};
    for (int iv : intervals) {
        c.tones.push_back((root + iv) % 12);
    }
    return c;
}

struct Section {
    SectionKind kind;
    std::vector<std::string> chords; // one per bar
};

struct SongPlan {
    std::string title;
    int bpm;
    int beats;   // quarter notes per bar
    int keyRoot; // MIDI note of the key's tonic near middle C
    bool minor;
    int melodyLow; // melody range in scale degrees above keyRoot
    int melodyHigh;
    std::uint32_t seed;
    std::vector<Section> sections;
};

struct Bar {
    std::uint32_t tick;
    Chord chord;
    Chord next; // the chord of the following bar (the last bar's own chord at the end)
    SectionKind kind;
    int index;  // bar within its section
    int length; // bars in the section
    int section;
    bool last; // the song's final bar
};

std::vector<Bar> Timeline(const SongPlan &plan) {
    std::vector<Bar> bars;
    const std::uint32_t barTicks = static_cast<std::uint32_t>(plan.beats * TPQ);
    for (std::size_t s = 0; s < plan.sections.size(); ++s) {
        const Section &sec = plan.sections[s];
        for (std::size_t i = 0; i < sec.chords.size(); ++i) {
            Bar b{static_cast<std::uint32_t>(bars.size()) * barTicks,
                  ParseChord(sec.chords[i]),
                  {},
                  sec.kind,
                  static_cast<int>(i),
                  static_cast<int>(sec.chords.size()),
                  static_cast<int>(s),
                  false};
            bars.push_back(b);
        }
    }
    for (std::size_t i = 0; i < bars.size(); ++i) {
        bars[i].next = i + 1 < bars.size() ? bars[i + 1].chord : bars[i].chord;
    }
    bars.back().last = true;
    return bars;
}

bool HasTone(const Chord &c, int key) {
    for (int t : c.tones) {
        if (((key % 12) + 12) % 12 == t) {
            return true;
        }
    }
    return false;
}

// Chord tones from low upwards, one of each, within an octave and a half.
std::vector<int> Voicing(const Chord &c, int low) {
    std::vector<int> notes;
    for (int key = low; key < low + 12; ++key) {
        if (HasTone(c, key)) {
            notes.push_back(key);
        }
    }
    return notes;
}

int RootAbove(const Chord &c, int low) {
    int key = low;
    while ((key % 12) != c.root) {
        ++key;
    }
    return key;
}

// Scale degrees to keys, bending a scale note by a semitone onto a chord tone where the
// chord leaves the key (the major dominant in a minor key).
struct Scale {
    int tonic;
    bool minor;
    int Key(int degree, const Chord *chord) const {
        static const int MAJOR[7] = {0, 2, 4, 5, 7, 9, 11};
        static const int MINOR[7] = {0, 2, 3, 5, 7, 8, 10};
        int octave = degree >= 0 ? degree / 7 : -((-degree + 6) / 7);
        int step = degree - octave * 7;
        int key = tonic + 12 * octave + (minor ? MINOR[step] : MAJOR[step]);
        if (chord && !HasTone(*chord, key)) {
            if (HasTone(*chord, key + 1) && !HasTone(*chord, key - 1) && minor && step == 6) {
                key += 1;
            }
        }
        return key;
    }
};

struct Hit {
    int onset;  // in eighths
    int length; // in eighths
};

using Rhythm = std::vector<Hit>;

struct MelodyNote {
    std::uint32_t tick;
    std::uint32_t length;
    int degree;
    const Chord *chord;
};

// The tune: each section gets phrases of four bars (rhythms A B A cadence); a section
// that comes back gets the same tune, because its notes depend only on its kind.
std::vector<MelodyNote> Melody(const SongPlan &plan, const std::vector<Bar> &bars) {
    const Scale scale{plan.keyRoot, plan.minor};
    const bool common = plan.beats == 4;
    const std::vector<Rhythm> rhythms =
        common ? std::vector<Rhythm>{{{0, 2}, {2, 2}, {4, 1}, {5, 1}, {6, 2}},
                                     {{0, 3}, {3, 1}, {4, 2}, {6, 2}},
                                     {{0, 1}, {1, 1}, {2, 2}, {4, 3}, {7, 1}},
                                     {{1, 1}, {2, 2}, {4, 2}, {6, 1}, {7, 1}}}
               : std::vector<Rhythm>{{{0, 2}, {2, 1}, {3, 1}, {4, 2}},
                                     {{0, 3}, {3, 1}, {4, 1}, {5, 1}},
                                     {{0, 1}, {1, 1}, {2, 2}, {4, 2}},
                                     {{0, 2}, {2, 2}, {4, 2}}};
    const Rhythm cadence = common ? Rhythm{{0, 2}, {2, 2}, {4, 4}} : Rhythm{{0, 4}, {4, 2}};
    const Rhythm final = common ? Rhythm{{0, 8}} : Rhythm{{0, 6}};
    std::vector<MelodyNote> notes;
    const int middle = (plan.melodyLow + plan.melodyHigh) / 2;
    Random rng(plan.seed);
    int degree = middle;
    int dir = 1;
    Rhythm a, b;
    for (const Bar &bar : bars) {
        if (bar.kind == INTRO) {
            continue;
        }
        if (bar.index == 0) {
            rng = Random(plan.seed * 31u + static_cast<std::uint32_t>(bar.kind) * 977u + 5u);
            degree = bar.kind == CHORUS ? middle + 2 : (bar.kind == BRIDGE ? middle - 1 : middle);
            a = rhythms[static_cast<std::size_t>(rng.Below(static_cast<int>(rhythms.size())))];
            b = rhythms[static_cast<std::size_t>(rng.Below(static_cast<int>(rhythms.size())))];
        }
        const int pos = bar.index % 4;
        const bool sectionEnd = bar.index == bar.length - 1;
        const Rhythm &r = bar.kind == OUTRO ? (bar.last ? final : cadence)
                          : pos == 3        ? (sectionEnd ? final : cadence)
                          : pos == 1        ? b
                                            : a;
        dir = degree > middle + 2 ? -1 : (degree < middle - 2 ? 1 : (rng.Below(2) ? 1 : -1));
        for (std::size_t n = 0; n < r.size(); ++n) {
            const Hit h = r[n];
            const bool strong = h.onset == 0 || (plan.beats == 4 && h.onset == 4);
            const bool closing = (pos == 3 || bar.kind == OUTRO) && n + 1 == r.size();
            if (strong || closing) {
                // the nearest chord tone, now and then the one beyond it
                int best = degree, bestDist = 100;
                for (int d = plan.melodyLow; d <= plan.melodyHigh; ++d) {
                    int key = scale.Key(d, &bar.chord);
                    bool wanted = closing && sectionEnd ? (key % 12) == bar.chord.root
                                                        : HasTone(bar.chord, key);
                    int dist = (d - degree) * (d - degree) * 2 + (d - degree) * dir * -1;
                    if (wanted && dist < bestDist) {
                        best = d;
                        bestDist = dist;
                    }
                }
                degree = best;
                if (!closing && rng.Below(4) == 0) {
                    degree += dir * 2; // up or down a third, still a chord tone in most chords
                }
            } else {
                degree += rng.Below(5) == 0 ? 2 * dir : dir;
            }
            if (degree > plan.melodyHigh) {
                degree = plan.melodyHigh - 1;
                dir = -1;
            }
            if (degree < plan.melodyLow) {
                degree = plan.melodyLow + 1;
                dir = 1;
            }
            notes.push_back(MelodyNote{bar.tick + static_cast<std::uint32_t>(h.onset * EIGHTH),
                                       static_cast<std::uint32_t>(h.length * EIGHTH), degree,
                                       &bar.chord});
        }
    }
    return notes;
}

int Humanise(Random &rng, int velocity) {
    return velocity + rng.Below(9) - 4;
}

struct Part {
    std::string name;
    int channel;
    int program;
    int volume;
    int pan;
};

MidiTrack PartTrack(const Part &part) {
    MidiTrack t;
    t.Name(part.name);
    t.Program(0, part.channel, part.program);
    t.Controller(0, part.channel, 7, part.volume);
    t.Controller(0, part.channel, 10, part.pan);
    t.Controller(0, part.channel, 91, 48); // some reverb
    return t;
}

MidiTrack Conductor(const SongPlan &plan, std::uint32_t end) {
    MidiTrack t;
    t.Name(plan.title);
    t.TimeSignature(0, plan.beats, 2);
    t.Tempo(0, plan.bpm);
    const int sharps = plan.minor ? 0 : 2; // A minor / D major
    t.Meta(0, 0x59, {static_cast<std::uint8_t>(sharps), static_cast<std::uint8_t>(plan.minor)});
    t.EndAt(end);
    return t;
}

// Drums: kick, snare, hats, crash at section starts, a tom fill at section ends.
void Drums(MidiTrack &t, const std::vector<Bar> &bars, int beats, bool gentle, Random &rng) {
    const int ch = DRUM_CHANNEL;
    for (const Bar &bar : bars) {
        const std::uint32_t b = bar.tick;
        if (bar.last) {
            t.Note(b, TPQ, ch, 49, 100);
            t.Note(b, TPQ, ch, 36, 100);
            continue;
        }
        if (bar.index == 0 && bar.section > 0) {
            t.Note(b, TPQ, ch, 49, gentle ? 70 : 100);
        }
        const bool fill = bar.index == bar.length - 1 && bar.kind != INTRO;
        const bool loud = bar.kind == CHORUS || bar.kind == OUTRO;
        for (int e = 0; e < beats * 2; ++e) {
            const std::uint32_t at = b + static_cast<std::uint32_t>(e * EIGHTH);
            const bool inFill = fill && e >= beats * 2 - 2;
            if (inFill) {
                static const int TOMS[4] = {50, 48, 45, 41};
                for (int s = 0; s < 2; ++s) {
                    int tom = TOMS[((e - (beats * 2 - 2)) * 2 + s) % 4];
                    t.Note(at + static_cast<std::uint32_t>(s * EIGHTH / 2), EIGHTH / 2, ch,
                           gentle ? 38 : tom, Humanise(rng, gentle ? 60 : 96));
                }
                continue;
            }
            if (gentle) {
                // a waltz: kick on one, pedal hat on two and three, ride in the chorus
                if (e == 0) {
                    t.Note(at, EIGHTH, ch, 36, Humanise(rng, 84));
                }
                if (e == 2 || e == 4) {
                    t.Note(at, EIGHTH, ch, bar.kind == INTRO ? 44 : 37,
                           Humanise(rng, bar.kind == INTRO ? 50 : 62));
                }
                if (bar.kind != INTRO) {
                    t.Note(at, EIGHTH, ch, loud || bar.kind == BRIDGE ? 51 : 42,
                           Humanise(rng, e % 2 ? 48 : 62));
                }
                continue;
            }
            if (bar.kind == INTRO && bar.index < 2) {
                t.Note(at, EIGHTH, ch, 42, Humanise(rng, e % 2 ? 50 : 70));
                if (e % 4 == 0) {
                    t.Note(at, EIGHTH, ch, 36, Humanise(rng, 90));
                }
                continue;
            }
            if (e == 0 || e == 4 || (e == 5 && bar.index % 2 == 1)) {
                t.Note(at, EIGHTH, ch, 36, Humanise(rng, 100));
            }
            if (e == 2 || e == 6) {
                t.Note(at, EIGHTH, ch, 38, Humanise(rng, 98));
            }
            const int hat = loud && e % 2 == 1 ? 46 : 42;
            t.Note(at, EIGHTH, ch, bar.kind == BRIDGE ? 51 : hat, Humanise(rng, e % 2 ? 58 : 78));
        }
    }
}

// The end of a song: every part holds the last chord for its final bar.
std::uint32_t BarLength(const SongPlan &plan) {
    return static_cast<std::uint32_t>(plan.beats * TPQ);
}

Bytes SongOne() {
    SongPlan plan{"Harbour Lights Run", 126, 4, 62, false, 4, 12, 0x51A7E5u, {}};
    const std::vector<std::string> verse = {"D", "Bm", "G", "A", "D", "Bm", "Em", "A"};
    const std::vector<std::string> chorus = {"G", "A", "F#m", "Bm", "G", "A", "D", "D"};
    plan.sections = {{INTRO, {"D", "A", "Bm", "G"}},
                     {VERSE, verse},
                     {CHORUS, chorus},
                     {VERSE, verse},
                     {CHORUS, chorus},
                     {BRIDGE, {"Em", "F#m", "G", "A", "Bm", "F#m", "G", "A"}},
                     {CHORUS, chorus},
                     {OUTRO, {"G", "A", "D", "D"}}};
    const std::vector<Bar> bars = Timeline(plan);
    const std::uint32_t barTicks = BarLength(plan);
    const std::uint32_t end = static_cast<std::uint32_t>(bars.size()) * barTicks;
    const Scale scale{plan.keyRoot, false};
    Random rng(0xC0FFEEu);

    std::vector<MidiTrack> tracks;
    tracks.push_back(Conductor(plan, end));

    // lead melody
    MidiTrack lead = PartTrack({"Lead", 0, 81, 100, 64});
    const std::vector<MelodyNote> tune = Melody(plan, bars);
    for (const MelodyNote &n : tune) {
        lead.Note(n.tick, n.length - 8, 0, scale.Key(n.degree, n.chord), Humanise(rng, 96));
    }
    tracks.push_back(lead);

    // vibraphone: a third below the tune in the choruses, bell tones elsewhere
    MidiTrack vibes = PartTrack({"Vibraphone", 1, 11, 82, 88});
    for (const MelodyNote &n : tune) {
        const Bar &bar = bars[n.tick / barTicks];
        if (bar.kind == CHORUS || bar.kind == OUTRO) {
            int key = scale.Key(n.degree - 2, n.chord);
            vibes.Note(n.tick, n.length - 8, 1, key, Humanise(rng, 76));
        }
    }
    for (const Bar &bar : bars) {
        if (bar.kind == VERSE || bar.kind == INTRO) {
            std::vector<int> v = Voicing(bar.chord, 74);
            vibes.Note(bar.tick, 2 * TPQ, 1, v[bar.index % v.size()], Humanise(rng, 64));
        }
    }
    tracks.push_back(vibes);

    // clean guitar: eighth-note strums
    MidiTrack guitar = PartTrack({"Rhythm Guitar", 2, 27, 84, 40});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 52);
        v.push_back(v[0] + 12);
        static const int ACCENT[8] = {96, 0, 70, 84, 0, 84, 72, 80};
        for (int e = 0; e < 8; ++e) {
            if (bar.last ? e > 0 : (bar.kind == INTRO ? e % 4 != 0 : ACCENT[e] == 0)) {
                continue;
            }
            std::uint32_t len = bar.last ? barTicks : (bar.kind == INTRO ? 4 * EIGHTH : EIGHTH);
            for (std::size_t k = 0; k < v.size(); ++k) {
                guitar.Note(bar.tick + static_cast<std::uint32_t>(e * EIGHTH + 3 * k), len - 3 * k,
                            2, v[k], Humanise(rng, bar.kind == INTRO ? 70 : ACCENT[e] - 8));
            }
        }
    }
    tracks.push_back(guitar);

    // piano comping
    MidiTrack piano = PartTrack({"Piano", 3, 0, 80, 76});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 60);
        const Hit hits[3] = {{0, 3}, {3, 3}, {6, 2}};
        for (const Hit &h : hits) {
            if (bar.last && h.onset > 0) {
                break;
            }
            std::uint32_t len = bar.last ? barTicks : static_cast<std::uint32_t>(h.length * EIGHTH);
            for (int key : v) {
                piano.Note(bar.tick + static_cast<std::uint32_t>(h.onset * EIGHTH), len - 10, 3,
                           key, Humanise(rng, h.onset == 0 ? 78 : 64));
            }
        }
    }
    tracks.push_back(piano);

    // strings: sustained chords, brighter in the choruses
    MidiTrack strings = PartTrack({"Strings", 4, 48, 78, 24});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 55);
        if (bar.kind == CHORUS || bar.kind == BRIDGE) {
            v.push_back(v.back() + 12 - (v.back() - v[0] >= 7 ? 0 : 0));
        }
        for (int key : v) {
            strings.Note(bar.tick, barTicks - 4, 4, key, bar.kind == CHORUS ? 72 : 58);
        }
    }
    tracks.push_back(strings);

    // bass: driving eighths, walking into the next chord at section ends
    MidiTrack bass = PartTrack({"Bass", 5, 33, 104, 64});
    for (const Bar &bar : bars) {
        const int root = RootAbove(bar.chord, 35);
        if (bar.last) {
            bass.Note(bar.tick, barTicks, 5, root, 100);
            continue;
        }
        for (int e = 0; e < 8; ++e) {
            int key = root;
            if (bar.kind == CHORUS && e == 6) {
                key = root + 7;
            } else if (bar.kind == CHORUS && e == 7) {
                key = root + 12;
            } else if (bar.index == bar.length - 1 && e >= 6) {
                int target = RootAbove(bar.next, 35);
                key = target + (e == 6 ? -2 : -1);
            }
            if (bar.kind == INTRO && e % 2 == 1) {
                continue;
            }
            bass.Note(bar.tick + static_cast<std::uint32_t>(e * EIGHTH), EIGHTH - 6, 5, key,
                      Humanise(rng, e % 2 ? 84 : 100));
        }
    }
    tracks.push_back(bass);

    // brass stabs in the choruses and the ending
    MidiTrack brass = PartTrack({"Brass", 6, 61, 80, 100});
    for (const Bar &bar : bars) {
        if (bar.kind != CHORUS && bar.kind != OUTRO) {
            continue;
        }
        std::vector<int> v = Voicing(bar.chord, 58);
        for (int key : v) {
            if (bar.last) {
                brass.Note(bar.tick, barTicks, 6, key, 90);
                continue;
            }
            brass.Note(bar.tick, 100, 6, key, Humanise(rng, 88));
            brass.Note(bar.tick + 3 * EIGHTH, 50, 6, key, Humanise(rng, 80));
        }
    }
    tracks.push_back(brass);

    // celesta: rippling arpeggios over the bridge and the last chorus
    MidiTrack celesta = PartTrack({"Celesta", 7, 8, 76, 110});
    for (const Bar &bar : bars) {
        if (bar.kind != BRIDGE && !(bar.kind == CHORUS && bar.section >= 6) && bar.kind != INTRO) {
            continue;
        }
        std::vector<int> v = Voicing(bar.chord, 72);
        v.push_back(v[0] + 12);
        static const int ORDER[8] = {0, 1, 2, 3, 2, 1, 2, 1};
        for (int e = 0; e < 8; ++e) {
            int key = v[static_cast<std::size_t>(ORDER[e]) % v.size()];
            celesta.Note(bar.tick + static_cast<std::uint32_t>(e * EIGHTH), EIGHTH, 7, key,
                         Humanise(rng, 66));
        }
    }
    tracks.push_back(celesta);

    MidiTrack drums = PartTrack({"Drums", DRUM_CHANNEL, 0, 100, 64});
    Drums(drums, bars, plan.beats, false, rng);
    tracks.push_back(drums);

    for (std::size_t i = 1; i < tracks.size(); ++i) {
        tracks[i].EndAt(end);
    }
    return WriteSmf(tracks, TPQ);
}

Bytes SongTwo() {
    SongPlan plan{"Lantern Waltz", 100, 3, 69, true, -2, 8, 0x7A17Eu, {}};
    const std::vector<std::string> a = {"Am", "Dm", "G", "C", "F", "Dm", "E", "E"};
    const std::vector<std::string> b = {"F", "G", "Em", "Am", "Dm", "G", "E7", "Am"};
    const std::vector<std::string> intro = {"Am", "F", "C", "E"};
    plan.sections = {{INTRO, intro}, {VERSE, a},
                     {CHORUS, b},    {VERSE, a},
                     {CHORUS, b},    {BRIDGE, {"F", "C", "Dm", "E", "F", "G", "Am", "E"}},
                     {CHORUS, b},    {OUTRO, {"F", "E", "Am", "Am"}}};
    const std::vector<Bar> bars = Timeline(plan);
    const std::uint32_t barTicks = BarLength(plan);
    const std::uint32_t end = static_cast<std::uint32_t>(bars.size()) * barTicks;
    const Scale scale{plan.keyRoot, true};
    Random rng(0xBEEF5u);

    std::vector<MidiTrack> tracks;
    tracks.push_back(Conductor(plan, end));

    MidiTrack flute = PartTrack({"Flute", 0, 73, 100, 60});
    for (const MelodyNote &n : Melody(plan, bars)) {
        flute.Note(n.tick, n.length - 6, 0, scale.Key(n.degree, n.chord), Humanise(rng, 90));
    }
    tracks.push_back(flute);

    // nylon guitar: the waltz's "pah pah" on beats two and three
    MidiTrack guitar = PartTrack({"Nylon Guitar", 1, 24, 84, 40});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 55);
        for (int beat = 1; beat < 3; ++beat) {
            if (bar.last) {
                break;
            }
            for (std::size_t k = 0; k < v.size(); ++k) {
                guitar.Note(bar.tick + static_cast<std::uint32_t>(beat * TPQ + 4 * k),
                            TPQ - 20 - 4 * k, 1, v[k], Humanise(rng, 66));
            }
        }
        if (bar.last) {
            for (std::size_t k = 0; k < v.size(); ++k) {
                guitar.Note(bar.tick + 6 * k, barTicks - 6 * k, 1, v[k], 70);
            }
        }
    }
    tracks.push_back(guitar);

    // harp: broken chords in eighths
    MidiTrack harp = PartTrack({"Harp", 2, 46, 86, 90});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 60);
        const int root = RootAbove(bar.chord, 48);
        const int pattern[6] = {root,      v[1 % v.size()], v[2 % v.size()],
                                root + 12, v[2 % v.size()], v[1 % v.size()]};
        for (int e = 0; e < 6; ++e) {
            if (bar.last && e > 0) {
                break;
            }
            harp.Note(bar.tick + static_cast<std::uint32_t>(e * EIGHTH),
                      bar.last ? barTicks : 2 * EIGHTH, 2, pattern[e],
                      Humanise(rng, e == 0 ? 74 : 60));
        }
    }
    tracks.push_back(harp);

    MidiTrack strings = PartTrack({"Slow Strings", 3, 49, 80, 20});
    for (const Bar &bar : bars) {
        std::vector<int> v = Voicing(bar.chord, 57);
        if (bar.kind == CHORUS || bar.kind == BRIDGE) {
            v.push_back(RootAbove(bar.chord, 69));
        }
        for (int key : v) {
            strings.Note(bar.tick, barTicks - 4, 3, key, bar.kind == VERSE ? 56 : 70);
        }
    }
    tracks.push_back(strings);

    MidiTrack bass = PartTrack({"Acoustic Bass", 4, 32, 104, 64});
    for (const Bar &bar : bars) {
        const int root = RootAbove(bar.chord, 36);
        if (bar.last) {
            bass.Note(bar.tick, barTicks, 4, root, 96);
            continue;
        }
        bass.Note(bar.tick, 2 * TPQ - 10, 4, root, Humanise(rng, 96));
        int third = bar.index == bar.length - 1 ? RootAbove(bar.next, 36) - 1
                                                : root + (HasTone(bar.chord, root + 7) ? 7 : 6);
        bass.Note(bar.tick + 2 * TPQ, TPQ - 10, 4, third, Humanise(rng, 80));
    }
    tracks.push_back(bass);

    MidiTrack drums = PartTrack({"Drums", DRUM_CHANNEL, 0, 90, 64});
    Drums(drums, bars, plan.beats, true, rng);
    tracks.push_back(drums);

    for (std::size_t i = 1; i < tracks.size(); ++i) {
        tracks[i].EndAt(end);
    }
    return WriteSmf(tracks, TPQ);
}

} // namespace

Bytes ComposeSong(int number) {
    return number == 1 ? SongOne() : SongTwo();
}

} // namespace contentgen
