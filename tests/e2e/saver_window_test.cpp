// The full-screen saver and the preview, observed from outside as the desktop sees them.
#include <gtest/gtest.h>

#include <vector>

#include "harness/saver_run.h"
#include "pinned.h"

namespace {

class FullScreenSaver : public testing::Test {
  protected:
    void SetUp() override {
        // Where the cursor rests decides the mouse anchor; keep it away from every edge.
        ParkCursor(100, 100);
        window = run.Start();
        ASSERT_TRUE(window != NULL) << "no saver window";
    }

    SaverRun run;
    HWND window = NULL;
};

TEST_F(FullScreenSaver, CoversTheScreenAsATopmostPopup) {
    EXPECT_EQ(pinned::SAVER_CLASS, WindowClass(window));
    EXPECT_EQ(pinned::FULL_SCREEN_TITLE, WindowTitle(window));
    EXPECT_EQ(pinned::FULL_SCREEN_STYLE, (DWORD)GetWindowLongA(window, GWL_STYLE));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT bounds;
    GetWindowRect(window, &bounds);
    EXPECT_EQ(0, bounds.left);
    EXPECT_EQ(0, bounds.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), bounds.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), bounds.bottom);
    EXPECT_EQ(window, GetForegroundWindow());
    EXPECT_EQ(1, CountSaverWindows());
}

TEST_F(FullScreenSaver, ASecondStartOnlyRaisesTheFirst) {
    EXPECT_EQ(0u, SecondStartExit());
    EXPECT_EQ(1, CountSaverWindows());
    EXPECT_TRUE(StillRunning(run.saver, 0));
}

TEST_F(FullScreenSaver, KeepsItsTitle) {
    SendMessageA(window, WM_SETTEXT, 0, (LPARAM) "Changed");
    EXPECT_EQ(pinned::FULL_SCREEN_TITLE, WindowTitle(window));
    EXPECT_TRUE(StillRunning(run.saver, 0));
}

// What ends the full-screen saver, each row after whatever must leave it running first.
struct CloseRow {
    const char *name;
    void (*act)(SaverRun &run);
};

const CloseRow CLOSES[] = {
    {"AKeyCloses", [](SaverRun &) { PressKey(VK_SHIFT); }},
    {"AClickCloses", [](SaverRun &) { ClickLeft(); }},
    {"MouseTravelAboveFourCloses",
     [](SaverRun &run) {
         SetCursorPos(103, 101); // 4 in all: stays
         EXPECT_TRUE(StillRunning(run.saver));
         SetCursorPos(102, 101); // back toward the anchor: 3
         EXPECT_TRUE(StillRunning(run.saver));
         SetCursorPos(97, 99); // 4 the other way
         EXPECT_TRUE(StillRunning(run.saver));
         SetCursorPos(104, 101); // 5
     }},
    {"SwallowsWindowSwitchingAndRestartCommands",
     [](SaverRun &run) {
         for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW})
             PostMessageA(run.window, WM_SYSCOMMAND, command, 0);
         EXPECT_TRUE(StillRunning(run.saver));
         EXPECT_EQ(1, CountSaverWindows());
         // Other system commands take their usual course.
         PostMessageA(run.window, WM_SYSCOMMAND, SC_CLOSE, 0);
     }},
    // The class asks for double clicks, so the second click is no button-down message; the
    // first one alone must close.
    {"ADoubleClickClosesOnTheFirstClick",
     [](SaverRun &run) {
         PostMessageA(run.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 100));
         EXPECT_TRUE(StillRunning(run.saver));
         PostMessageA(run.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
     }},
    // Another program's window taking the foreground deactivates the saver's application.
    {"LeavingTheApplicationCloses",
     [](SaverRun &run) {
         HWND other = CreateWindowA("STATIC", "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                    200, 100, NULL, NULL, NULL, NULL);
         run.AtEnd([other] { DestroyWindow(other); });
         SetForegroundWindow(other);
     }},
};

class Closes : public FullScreenSaver, public testing::WithParamInterface<CloseRow> {};

TEST_P(Closes, WithExitCodeZero) {
    GetParam().act(run);
    EXPECT_EQ(0u, WaitForExit(run.saver));
}

INSTANTIATE_TEST_SUITE_P(FullScreenSaver, Closes, testing::ValuesIn(CLOSES),
                         [](const testing::TestParamInfo<CloseRow> &row) {
                             return std::string(row.param.name);
                         });

// A window of this process stands in for the display settings' preview box.
class PreviewSaver : public testing::Test {
  protected:
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_HELP || message == WM_CONTEXTMENU) {
            forwarded.push_back(message);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void SetUp() override {
        forwarded.clear();
        host = CreateHostWindow(HostProc, 152, 112);
        ASSERT_TRUE(host != NULL);
        run.AtEnd([this] {
            if (IsWindow(host))
                DestroyWindow(host);
        });
        preview = run.Start("/p " + std::to_string((ULONG_PTR)host), host);
        ASSERT_TRUE(preview != NULL) << "no preview window";
    }

    static std::vector<UINT> forwarded;
    SaverRun run;
    HWND host = NULL;
    HWND preview = NULL;
};
std::vector<UINT> PreviewSaver::forwarded;

TEST_F(PreviewSaver, FillsTheHostAsAChild) {
    EXPECT_EQ(pinned::PREVIEW_TITLE, WindowTitle(preview));
    EXPECT_EQ(pinned::PREVIEW_STYLE, (DWORD)GetWindowLongA(preview, GWL_STYLE));
    EXPECT_EQ(0, GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(host, GetParent(preview));
    RECT client;
    GetClientRect(preview, &client);
    EXPECT_EQ(152, client.right);
    EXPECT_EQ(112, client.bottom);
}

TEST_F(PreviewSaver, IgnoresInputAndEndsWithItsHost) {
    PostMessageA(preview, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    SetCursorPos(10, 10);
    SetCursorPos(400, 300);
    EXPECT_TRUE(StillRunning(run.saver));

    DestroyWindow(host);
    EXPECT_EQ(0u, WaitForExit(run.saver));
}

TEST_F(PreviewSaver, ForwardsContextMenusToTheHost) {
    // Help requests are forwarded the same way, but their data is a pointer, which the system
    // does not carry across processes in a posted message.
    PostMessageA(preview, WM_CONTEXTMENU, (WPARAM)preview, MAKELPARAM(10, 10));
    ASSERT_TRUE(WaitUntil(LOG_MS, [] { return !forwarded.empty(); }));
    EXPECT_EQ((UINT)WM_CONTEXTMENU, forwarded[0]);
    PumpFor(QUIET_MS); // and nothing more
    EXPECT_EQ(1u, forwarded.size());
    EXPECT_TRUE(StillRunning(run.saver, 0));
}

// The host program that stands in for the display settings, as a user runs it by hand.
TEST(PreviewHostTool, HostsThePreviewAndEndsItWhenClosed) {
    struct {
        const char *arguments;
        int width, height;
    } const cases[] = {
        {"", 152, 112},
        {"quorvane.scr 200x150", 200, 150},
        {"quorvane.scr 0x-4", 152, 112}, // a size that makes no sense is not taken
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        SaverProcess tool;
        ASSERT_TRUE(StartProgram(BinaryDir() + "preview_host.exe", c.arguments, NULL, &tool));
        HWND host = NULL, preview = NULL;
        WaitUntil(START_MS, [&] {
            host = FindWindowA("QuorvanePreviewHost", pinned::PREVIEW_TITLE);
            if (host != NULL)
                preview = FindWindowExA(host, NULL, pinned::SAVER_CLASS, pinned::PREVIEW_TITLE);
            return preview != NULL;
        });
        ASSERT_TRUE(preview != NULL) << "no preview inside the host";
        // A host closed while the preview is still being made ends it before it has started.
        ASSERT_TRUE(WaitForWindowIdle(preview));
        RECT hostArea, previewArea;
        GetClientRect(host, &hostArea);
        GetClientRect(preview, &previewArea);
        EXPECT_EQ(c.width, hostArea.right);
        EXPECT_EQ(c.height, hostArea.bottom);
        EXPECT_TRUE(EqualRect(&hostArea, &previewArea));

        PostMessageA(host, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExit(tool)) << "the saver's exit code, passed on";
        EXPECT_EQ(NULL, FindWindowA("QuorvanePreviewHost", NULL));
    }
}

} // namespace
