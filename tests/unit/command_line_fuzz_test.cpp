// Random and mutated command lines through the start-up reading: every pointer it hands on stays
// inside the line, and every decision agrees with a plain restatement of the rules.
#include <gtest/gtest.h>

#include "frame/frame_rules.h"
#include "harness/seeded_random.h"

#include <stdint.h>
#include <string>

namespace {

const int LINES = 100000;

// Bytes that matter to the reading, and some that do not.
const char ALPHABET[] = "\"\" \t\t/-sSpPlLcCaAxX0123456789\xe9\xff\x81\x01\\:.";

const char *const SEEDS[] = {
    "\"C:\\Windows\\quorvane.scr\" /s",
    "\"C:\\Program Files\\quorvane.scr\" /p 1234",
    "quorvane.scr -c:5678",
    "C:\\WINDOWS\\QUORVANE.SCR /a 4294967297",
    "quorvane.scr",
    "\"quorvane.scr\"",
    "\"unterminated /s",
    "quorvane.scr /l 00000000000000000012",
};

std::string RandomLine(SeededRandom &random) {
    std::string line;
    size_t length = random.Below(48);
    for (size_t k = 0; k < length; k++)
        line += ALPHABET[random.Below(sizeof(ALPHABET) - 1)];
    return line;
}

std::string MutatedLine(SeededRandom &random) {
    std::string line = SEEDS[random.Below(sizeof(SEEDS) / sizeof(SEEDS[0]))];
    for (size_t edits = 1 + random.Below(4); edits > 0 && !line.empty(); edits--) {
        size_t at = random.Below(line.size());
        switch (random.Below(4)) {
        case 0:
            line[at] = ALPHABET[random.Below(sizeof(ALPHABET) - 1)];
            break;
        case 1:
            line.insert(at, 1, ALPHABET[random.Below(sizeof(ALPHABET) - 1)]);
            break;
        case 2:
            line.erase(at, 1);
            break;
        default:
            line.resize(at); // cut short
            break;
        }
    }
    return line;
}

SaverMode ExpectedMode(const char *arguments) {
    while (*arguments == ' ' || *arguments == '-' || *arguments == '/')
        arguments++;
    switch (*arguments | 0x20) {
    case ' ': // the terminating zero, or'ed
        return MODE_SETTINGS;
    case 's':
        return MODE_FULL_SCREEN;
    case 'c':
        return MODE_SETTINGS_OWNED;
    case 'p':
    case 'l':
        return MODE_PREVIEW;
    case 'a':
        return MODE_CHANGE_PASSWORD;
    default:
        return MODE_INVALID;
    }
}

DWORD ExpectedHandle(const char *text) {
    uint64_t value = 0;
    while (*text >= '0' && *text <= '9')
        value = (value * 10 + (uint64_t)(*text++ - '0')) & 0xFFFFFFFFu;
    return (DWORD)value;
}

// Checks one line; returns what is wrong, or "".
std::string CheckLine(const std::string &line) {
    const char *begin = line.c_str(), *end = begin + line.size();
    const char *arguments = SkipProgramName(begin);
    if (arguments < begin || arguments > end)
        return "the arguments lie outside the line";
    if (arguments > begin && arguments < end && (unsigned char)arguments[-1] > ' ' &&
        arguments[-1] != '"')
        return "the arguments begin inside a word";
    const char *modeArgument = nullptr;
    SaverMode mode = SelectSaverMode(arguments, &modeArgument);
    if (modeArgument < arguments || modeArgument > end)
        return "the mode's argument lies outside the line";
    if (mode != ExpectedMode(arguments))
        return "mode " + std::to_string(mode);
    if ((mode == MODE_PREVIEW || mode == MODE_CHANGE_PASSWORD) &&
        ParseWindowHandle(modeArgument) != ExpectedHandle(modeArgument))
        return "handle " + std::to_string(ParseWindowHandle(modeArgument));
    return "";
}

TEST(CommandLineFuzz, RandomAndMutatedLinesAreReadSafely) {
    SeededRandom random = {20261207};
    int modes[MODE_INVALID + 1] = {};
    for (int k = 0; k < LINES; k++) {
        std::string line = k % 2 ? RandomLine(random) : MutatedLine(random);
        std::string problem = CheckLine(line);
        ASSERT_EQ("", problem) << "line " << k << ": [" << line << "]";
        const char *unused;
        modes[SelectSaverMode(SkipProgramName(line.c_str()), &unused)]++;
    }
    // The lines reach every mode, so the checks above saw each of them.
    for (int mode = MODE_SETTINGS; mode <= MODE_INVALID; mode++)
        EXPECT_GT(modes[mode], 100) << "mode " << mode;
}

} // namespace
