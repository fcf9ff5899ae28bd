#include <gtest/gtest.h>

#include "show/chance.h"

namespace {

// The C library's generator: its well-known first outputs for a few seeds.
TEST(Chance, RandomSequenceMatchesTheClassicGenerator) {
    struct {
        DWORD seed;
        int first[5];
    } const cases[] = {
        {1, {41, 18467, 6334, 26500, 19169}},
        {0, {38, 7719, 21238, 2437, 8855}},
        {0xFFFFFFFF, {35, 29739, 3374, 11141, 31308}},
        {1796000000, {32612, 28482, 17193, 7776, 936}}, // a calendar time of this era
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed);
        SeedRandom(c.seed);
        for (int value : c.first)
            EXPECT_EQ(value, NextRandom());
    }
}

TEST(Chance, SecondsSince1970) {
    struct {
        ULONGLONG steps; // 100 ns since 1601
        DWORD seconds;
    } const cases[] = {
        {116444736000000000ULL, 0},
        {116444736000000000ULL + 9999999, 0}, // a part of a second is dropped
        {125911584000000000ULL, 946684800},   // 2000-01-01
        {116444736000000000ULL + 2147483648ULL * 10000000, 2147483648u}, // past 2038
    };
    for (const auto &c : cases) {
        FILETIME time = {(DWORD)c.steps, (DWORD)(c.steps >> 32)};
        EXPECT_EQ(c.seconds, SecondsSince1970(time)) << c.steps;
    }
}

} // namespace
