// Exit codes of the modes that end without user interaction.
#include <gtest/gtest.h>

#include "harness/saver_run.h"
#include "pinned.h"

namespace {

const DWORD REFUSED = pinned::REFUSED_EXIT;

void ExpectExitCodeAt(int line, const std::string &arguments, DWORD expected) {
    SCOPED_TRACE(testing::Message() << "line " << line << ", arguments \"" << arguments << "\"");
    SaverRun run;
    ASSERT_TRUE(run.Launch(arguments));
    EXPECT_EQ(expected, WaitForExit(run.saver));
    EXPECT_EQ(0, CountSaverWindows());
}
#define ExpectExitCode(arguments, expected) ExpectExitCodeAt(__LINE__, arguments, expected)

TEST(CommandLine, UnknownModesAreRefused) {
    ExpectExitCode("/x", REFUSED);
    ExpectExitCode("5", REFUSED);
    ExpectExitCode("/\ts", REFUSED);
    ExpectExitCode("-\tS", REFUSED);
    ExpectExitCode("\xe9", REFUSED);
}

TEST(CommandLine, PreviewWithoutAWindowIsRefused) {
    ExpectExitCode("/p", REFUSED);
    ExpectExitCode("/p -5", REFUSED);
    ExpectExitCode("/p abc", REFUSED);
    ExpectExitCode("/p 0", REFUSED);
    ExpectExitCode("/p 1", REFUSED);
    ExpectExitCode("/l 4294967295", REFUSED);
    // 2^32 + 1: the handle wraps to 1, which is no window either.
    ExpectExitCode("/p 4294967297", REFUSED);
}

TEST(CommandLine, ChangePasswordIsRefusedOnTheNtFamily) {
    ExpectExitCode("/a 1234", REFUSED);
    ExpectExitCode("-A", REFUSED);
}

} // namespace
