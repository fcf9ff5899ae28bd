#include "harness/pictures.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "harness/saver_harness.h"
#include "resources/content_texts.h"

static const LayoutRow FULL_SCREEN_LAYOUTS[] = {
    {640, 480, {224, 96, 192, 288}, {119, 150, 401, 180}},
    {800, 600, {280, 120, 240, 360}, {149, 187, 502, 225}},
};
static const int PORTRAIT_WIDTH = 100; // as stored
static const char *const CAPTIONS[] = {CAPTION_1, CAPTION_2, CAPTION_3, CAPTION_4};

static bool IsGrey(DWORD pixel) {
    BYTE r = (BYTE)(pixel >> 16), g = (BYTE)(pixel >> 8), b = (BYTE)pixel;
    return r == g && g == b;
}

static int CountDifferences(const ScreenShot &shot, const Box &at, const ScreenShot &expected) {
    int wrong = 0;
    for (int y = 0; y < at.height; y++)
        for (int x = 0; x < at.width; x++)
            wrong += shot.At(at.x + x, at.y + y) != expected.At(x, y);
    return wrong;
}

// Names the picture that is there instead, for a failure that says more than "differs".
static std::string Identify(const ScreenShot &shot, const Box &at) {
    for (int id = 1; id <= 5; id++) {
        ScreenShot candidate = ExpectedPicture(id, at.width, at.height);
        if (!candidate.pixels.empty() &&
            CountDifferences(shot, at, candidate) <= at.width * at.height / 100)
            return "; picture " + std::to_string(id) + " is there instead";
    }
    return "";
}

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

const LayoutRow *FullScreenLayoutFor(int width, int height) {
    for (const LayoutRow &row : FULL_SCREEN_LAYOUTS)
        if (row.width == width && row.height == height)
            return &row;
    return nullptr;
}

int PictureShown(const RECT &area, const LayoutRow &layout, const pinned::CaptionLook &caption) {
    ScreenShot shot = CaptureScreen(area);
    for (int id = 1; id <= 5; id++)
        if (CheckPicture(shot, area, id, id == 5 ? layout.group : layout.portrait, caption).empty())
            return id;
    return 0;
}
