// The slideshow as it reaches the screen: picture, position, size, transparency and caption,
// at every step of the cycle, full screen and in a preview host.
#include <gtest/gtest.h>

#include "harness/saver_run.h"
#include "harness/screen.h"
#include "pinned.h"
#include "resources/content_texts.h"

#include <stdio.h>

namespace {

struct Box {
    int x, y, width, height;
};

// Where each picture goes, worked out by hand for the screens the tests run on.
struct LayoutRow {
    int width, height; // screen, or preview client area
    Box portrait, group;
};
const LayoutRow FULL_SCREEN_LAYOUTS[] = {
    {640, 480, {224, 96, 192, 288}, {119, 150, 401, 180}},
    {800, 600, {280, 120, 240, 360}, {149, 187, 502, 225}},
};
const LayoutRow PREVIEW_LAYOUT = {152, 112, {53, 22, 45, 67}, {18, 22, 114, 67}};

const int CYCLE[] = {5, 1, 2, 3, 4, 5, 1};
const int PORTRAIT_WIDTH = 100; // as stored
const char *const CAPTIONS[] = {CAPTION_1, CAPTION_2, CAPTION_3, CAPTION_4};

bool IsGrey(DWORD pixel) {
    BYTE r = (BYTE)(pixel >> 16), g = (BYTE)(pixel >> 8), b = (BYTE)pixel;
    return r == g && g == b;
}

int CountDifferences(const ScreenShot &shot, const Box &at, const ScreenShot &expected) {
    int wrong = 0;
    for (int y = 0; y < at.height; y++)
        for (int x = 0; x < at.width; x++)
            wrong += shot.At(at.x + x, at.y + y) != expected.At(x, y);
    return wrong;
}

// Names the picture that is there instead, for a failure that says more than "differs".
std::string Identify(const ScreenShot &shot, const Box &at) {
    for (int id = 1; id <= 5; id++) {
        ScreenShot candidate = ExpectedPicture(id, at.width, at.height);
        if (!candidate.pixels.empty() &&
            CountDifferences(shot, at, candidate) <= at.width * at.height / 100)
            return "; picture " + std::to_string(id) + " is there instead";
    }
    return "";
}

// Checks one picture on screen; returns what is wrong, or "" when all is right. `area` is the
// window's client area in screen coordinates; the caption band lies above the picture.
std::string CheckPicture(const ScreenShot &shot, const RECT &area, int id, const Box &box,
                         const pinned::CaptionLook &caption) {
    char problem[256];
    Box at = {area.left + box.x, area.top + box.y, box.width, box.height};
    ScreenShot expected = ExpectedPicture(id, box.width, box.height);
    if (expected.pixels.empty())
        return "picture not in the saver's resources";

    int wrong = CountDifferences(shot, at, expected), black = 0;
    for (int y = 0; y < box.height; y++)
        for (int x = 0; x < box.width; x++)
            black += shot.At(at.x + x, at.y + y) == BLACK;
    if (wrong > box.width * box.height / 100) {
        sprintf(problem, "picture %d: %d of %d pixels differ", id, wrong, box.width * box.height);
        return problem + Identify(shot, at);
    }
    // Shrinking combines neighbouring pixels (the default stretch mode ANDs them), which can
    // make black of an opaque picture's colours; only an enlarged portrait must stay free of it.
    bool enlarged = box.width >= PORTRAIT_WIDTH;
    if (id <= 3 && enlarged && black != 0) {
        sprintf(problem, "picture %d should be opaque, %d black pixels", id, black);
        return problem;
    }
    if (id >= 4 && black == 0) {
        sprintf(problem, "picture %d shows no background through its transparent parts", id);
        return problem;
    }

    // Everything from the picture's top down, outside the picture, is black.
    RECT below = {area.left, at.y, area.right, area.bottom};
    for (int y = below.top; y < below.bottom; y++)
        for (int x = below.left; x < below.right; x++) {
            bool inside = x >= at.x && x < at.x + at.width && y < at.y + at.height;
            if (!inside && shot.At(x, y) != BLACK) {
                sprintf(problem, "picture %d: stray pixel %06lx at %d,%d", id,
                        (unsigned long)shot.At(x, y), (int)(x - area.left), (int)(y - area.top));
                return problem;
            }
        }

    // The caption: white text on black, centred, starting at its offset; none for the group.
    RECT band = {area.left, area.top, area.right, at.y};
    RECT text = NonBlackBounds(shot, band);
    if (id == 5) {
        if (!IsRectEmpty(&text))
            return "the group picture has a caption";
        return "";
    }
    if (IsRectEmpty(&text))
        return "portrait " + std::to_string(id) + " has no caption";
    int centre = (text.left + text.right) / 2 - area.left;
    int middle = (area.right - area.left) / 2;
    if (text.top - area.top < caption.top || centre < middle - 4 || centre > middle + 4) {
        sprintf(problem, "caption %d at %ld..%ld x %ld..%ld", id, text.left - area.left,
                text.right - area.left, text.top - area.top, text.bottom - area.top);
        return problem;
    }
    for (int y = text.top; y < text.bottom; y++)
        for (int x = text.left; x < text.right; x++)
            if (!IsGrey(shot.At(x, y))) {
                sprintf(problem, "caption %d is not white on black: %06lx", id,
                        (unsigned long)shot.At(x, y));
                return problem;
            }

    // Its look, pixel for pixel: the same caption drawn here in the font it should have, by the
    // same system that drew the saver's.
    ScreenShot look =
        ExpectedCaption(CAPTIONS[id - 1], caption, area.right - area.left, area.bottom - area.top);
    Box captionBand = {area.left, area.top, look.width, at.y - area.top};
    wrong = CountDifferences(shot, captionBand, look);
    if (wrong != 0) {
        RECT should = NonBlackBounds(look, {0, 0, captionBand.width, captionBand.height});
        sprintf(problem,
                "caption %d: %d pixels differ from its font's; lit %ld x %ld, should be %ld x %ld",
                id, wrong, text.right - text.left, text.bottom - text.top,
                should.right - should.left, should.bottom - should.top);
        return problem;
    }
    return "";
}

// Polls the screen until the picture is right or the time is up. A failure tells the first
// problem seen as well as the last: the show's own timer may move on meanwhile.
void ExpectPictureAt(int line, const RECT &area, const LayoutRow &layout, int id,
                     const pinned::CaptionLook &caption) {
    SCOPED_TRACE(testing::Message() << "line " << line << ", picture " << id);
    const Box &box = id == 5 ? layout.group : layout.portrait;
    std::string first, problem;
    DWORD start = GetTickCount();
    do {
        PumpFor(30);
        problem = CheckPicture(CaptureScreen(area), area, id, box, caption);
        if (first.empty())
            first = problem;
    } while (!problem.empty() && GetTickCount() - start < SCREEN_MS);
    EXPECT_EQ("", problem) << "first seen: " << first;
}
#define ExpectPicture(area, layout, id, caption)                                                   \
    ExpectPictureAt(__LINE__, area, layout, id, caption)

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

const LayoutRow *FullScreenLayout() {
    for (const LayoutRow &row : FULL_SCREEN_LAYOUTS)
        if (row.width == GetSystemMetrics(SM_CXSCREEN) &&
            row.height == GetSystemMetrics(SM_CYSCREEN))
            return &row;
    return nullptr;
}

class Slideshow : public testing::Test {
  protected:
    // The full-screen saver on a screen whose layout the table works out.
    void StartFullScreen() {
        layout = FullScreenLayout();
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
