#include "midi.h"

#include <algorithm>

namespace contentgen {

namespace {

void PutVarLen(Bytes &out, std::uint32_t v) {
    std::uint8_t buf[5];
    int n = 0;
    buf[n++] = static_cast<std::uint8_t>(v & 0x7F);
    while ((v >>= 7) != 0) {
        buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    }
    while (n > 0) {
        out.push_back(buf[--n]);
    }
}

void PutBig32(Bytes &out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    }
}

std::uint8_t Data7(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 127 ? 127 : v));
}

} // namespace

void MidiTrack::Add(std::uint32_t tick, int order, Bytes data) {
    events_.push_back(
        Event{tick, order, static_cast<std::uint32_t>(events_.size()), std::move(data)});
}

void MidiTrack::Meta(std::uint32_t tick, std::uint8_t type, const Bytes &data) {
    Bytes e{0xFF, type};
    PutVarLen(e, static_cast<std::uint32_t>(data.size()));
    e.insert(e.end(), data.begin(), data.end());
    Add(tick, 0, e);
}

void MidiTrack::Name(const std::string &name) {
    Meta(0, 0x03, Bytes(name.begin(), name.end()));
}

void MidiTrack::Tempo(std::uint32_t tick, int beatsPerMinute) {
    std::uint32_t us = 60000000u / static_cast<std::uint32_t>(beatsPerMinute);
    Meta(tick, 0x51,
         {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
          static_cast<std::uint8_t>(us)});
}

void MidiTrack::TimeSignature(std::uint32_t tick, int beats, int denominatorPower) {
    Meta(tick, 0x58,
         {static_cast<std::uint8_t>(beats), static_cast<std::uint8_t>(denominatorPower), 24, 8});
}

void MidiTrack::Program(std::uint32_t tick, int channel, int program) {
    Add(tick, 0, {static_cast<std::uint8_t>(0xC0 | channel), Data7(program)});
}

void MidiTrack::Controller(std::uint32_t tick, int channel, int controller, int value) {
    Add(tick, 0, {static_cast<std::uint8_t>(0xB0 | channel), Data7(controller), Data7(value)});
}

void MidiTrack::Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity) {
    if (length == 0) {
        return;
    }
    Add(tick, 2, {static_cast<std::uint8_t>(0x90 | channel), Data7(key), Data7(velocity)});
    Add(tick + length, 1, {static_cast<std::uint8_t>(0x80 | channel), Data7(key), 64});
}

void MidiTrack::EndAt(std::uint32_t tick) {
    end_ = tick;
}

Bytes MidiTrack::Chunk() const {
    std::vector<Event> sorted = events_;
    std::sort(sorted.begin(), sorted.end(), [](const Event &a, const Event &b) {
        if (a.tick != b.tick) {
            return a.tick < b.tick;
        }
        if (a.order != b.order) {
            return a.order < b.order;
        }
        return a.sequence < b.sequence;
    });
    Bytes body;
    std::uint32_t now = 0;
    for (const Event &e : sorted) {
        PutVarLen(body, e.tick - now);
        now = e.tick;
        body.insert(body.end(), e.data.begin(), e.data.end());
    }
    PutVarLen(body, end_ > now ? end_ - now : 0);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    Bytes out{'M', 'T', 'r', 'k'};
    PutBig32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes WriteSmf(const std::vector<MidiTrack> &tracks, int ticksPerQuarter) {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(ticksPerQuarter >> 8));
    out.push_back(static_cast<std::uint8_t>(ticksPerQuarter));
    for (const MidiTrack &t : tracks) {
        Bytes chunk = t.Chunk();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

} // namespace contentgen
