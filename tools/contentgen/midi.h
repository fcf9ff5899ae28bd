// Writing Standard MIDI Files: tracks are collected as timed events and serialised with
// delta times (no running status, so every event carries its own status byte).
#ifndef QUORVANE_CONTENTGEN_MIDI_H
#define QUORVANE_CONTENTGEN_MIDI_H

#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

class MidiTrack {
  public:
    void Meta(std::uint32_t tick, std::uint8_t type, const Bytes &data);
    void Name(const std::string &name);
    void Tempo(std::uint32_t tick, int beatsPerMinute);
    void TimeSignature(std::uint32_t tick, int beats, int denominatorPower);
    void Program(std::uint32_t tick, int channel, int program);
    void Controller(std::uint32_t tick, int channel, int controller, int value);
    // A note of the given length; its note-off sorts before any note-on at the same tick.
    void Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity);
    // Sets the tick of the end-of-track event (at least the last event's tick).
    void EndAt(std::uint32_t tick);
    Bytes Chunk() const;

  private:
    struct Event {
        std::uint32_t tick;
        int order; // among equal ticks: meta and set-up first, then note-offs, then note-ons
        std::uint32_t sequence;
        Bytes data;
    };
    void Add(std::uint32_t tick, int order, Bytes data);
    std::vector<Event> events_;
    std::uint32_t end_ = 0;
};

// A format 1 file from the given tracks.
Bytes WriteSmf(const std::vector<MidiTrack> &tracks, int ticksPerQuarter);

} // namespace contentgen

#endif
