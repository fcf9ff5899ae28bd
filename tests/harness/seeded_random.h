// A small generator of our own, so that every run of a test sees the same data.
#ifndef QUORVANE_SEEDED_RANDOM_H
#define QUORVANE_SEEDED_RANDOM_H

#include <stddef.h>
#include <stdint.h>

struct SeededRandom {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    size_t Below(size_t n) {
        return Next() % n;
    }
};

#endif
