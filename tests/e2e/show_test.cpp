// The slideshow as it reaches the screen: picture, position, size, transparency and caption,
// at every step of the cycle, full screen and in a preview host.
#include <gtest/gtest.h>

#include "harness/pictures.h"
#include "harness/saver_run.h"
#include "pinned.h"

#include <stdio.h>

namespace {

const LayoutRow PREVIEW_LAYOUT = {152, 112, {53, 22, 45, 67}, {18, 22, 114, 67}};

const int CYCLE[] = {5, 1, 2, 3, 4, 5, 1};

// Both ways to the next picture, one at a time: a paint (the window's own queue paints it once;
// a cross-process RedrawWindow may paint twice) and a tick of the show's timer.
void Advance(HWND window, size_t step) {
    if (step % 2 == 0)
        InvalidateRect(window, NULL, TRUE);
    else
        PostMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
}

// The whole cycle, each picture reached one way or the other; stops at the first wrong one.
void ExpectCycle(HWND window, const RECT &area, const LayoutRow &layout,
                 const pinned::CaptionLook &caption) {
    for (size_t step = 0; step < sizeof(CYCLE) / sizeof(CYCLE[0]); step++) {
        if (step > 0)
            Advance(window, step);
        ExpectPicture(area, layout, CYCLE[step], caption);
        if (testing::Test::HasFailure())
            return;
    }
}

class Slideshow : public testing::Test {
  protected:
    // The full-screen saver on a screen whose layout the table works out.
    void StartFullScreen() {
        layout = FullScreenLayoutFor(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        if (layout == nullptr)
            GTEST_SKIP() << "no worked layout for this screen size";
        ParkCursor(10, 10);
        window = run.Start();
        ASSERT_TRUE(window != NULL);
        screen = {0, 0, layout->width, layout->height};
    }

    // The probe beside the saver, in its process.
    void UseProbe() {
        run.Doubles({"probe/winmm.dll"});
        PreferFakeDll("winmm");
    }

    SaverRun run;
    const LayoutRow *layout = nullptr;
    HWND window = NULL;
    RECT screen = {};
};

TEST_F(Slideshow, CyclesThroughThePicturesFullScreen) {
    StartFullScreen();
    if (IsSkipped() || HasFatalFailure())
        return;

    ExpectCycle(window, screen, *layout, pinned::FULL_SCREEN_CAPTION);
}

TEST_F(Slideshow, OtherTimersDrawNothing) {
    StartFullScreen();
    if (IsSkipped() || HasFatalFailure())
        return;
    ExpectPicture(screen, *layout, 5, pinned::FULL_SCREEN_CAPTION);

    for (WPARAM id : {0, 1, 10000, 10002, 0xFFFF})
        PostMessageA(window, WM_TIMER, id, 0);
    PumpFor(QUIET_MS); // time for a wrong picture to show
    ExpectPicture(screen, *layout, 5, pinned::FULL_SCREEN_CAPTION);
    Advance(window, 0);
    ExpectPicture(screen, *layout, 1, pinned::FULL_SCREEN_CAPTION);
}

TEST_F(Slideshow, CyclesThroughThePicturesInThePreview) {
    // The host must live in the saver's own process for Wine to show the preview's drawing;
    // the probe creates it there and puts its handle where the zeros stand.
    UseProbe();
    run.Env("QUORVANE_PREVIEW_HOST", "152x112");
    ASSERT_TRUE(run.Launch("/p 0000000000"));
    HWND host = NULL;
    WaitUntil(START_MS, [&] { return (host = FindWindowA("QuorvanePreviewHost", NULL)) != NULL; });
    ASSERT_TRUE(host != NULL) << "the probe made no host window";
    HWND preview = WaitForSaverWindow(run.saver, host);
    ASSERT_TRUE(preview != NULL);

    POINT origin = {0, 0};
    ClientToScreen(preview, &origin);
    RECT area = {origin.x, origin.y, origin.x + 152, origin.y + 112};
    ExpectCycle(preview, area, PREVIEW_LAYOUT, pinned::PREVIEW_CAPTION);
}

TEST_F(Slideshow, DrawingLeaksNoObjects) {
    UseProbe();
    ParkCursor(10, 10);
    window = run.Start();
    ASSERT_TRUE(window != NULL);
    for (int i = 0; i < 5; i++)
        SendMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);

    LRESULT gdiAfterCycle = AskProbe(PROBE_GDI_OBJECTS);
    LRESULT windowsAfterCycle = AskProbe(PROBE_WINDOWS);
    ASSERT_GT(gdiAfterCycle, 0) << "the probe did not answer";
    for (int i = 0; i < 1000; i++)
        SendMessageA(window, WM_TIMER, pinned::SHOW_TIMER_ID, 0);
    LRESULT gdiAfter1000 = AskProbe(PROBE_GDI_OBJECTS);
    LRESULT windowsAfter1000 = AskProbe(PROBE_WINDOWS);
    printf("graphics objects: %ld after one cycle, %ld after 1000 more pictures; windows: %ld, "
           "%ld\n",
           (long)gdiAfterCycle, (long)gdiAfter1000, (long)windowsAfterCycle,
           (long)windowsAfter1000);
    EXPECT_EQ(gdiAfterCycle, gdiAfter1000);
    EXPECT_EQ(windowsAfterCycle, windowsAfter1000);
    EXPECT_TRUE(StillRunning(run.saver, 0));
}

} // namespace
