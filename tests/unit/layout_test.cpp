#include <gtest/gtest.h>

#include "show/layout.h"

namespace {

const SIZE PORTRAIT = {100, 150};
const SIZE GROUP = {251, 150};

struct LayoutCase {
    SIZE reference;
    SIZE picture;
    int index;
    bool fullScreen;
    PictureBox expected;
};

TEST(LayOutPicture, MatchesTheWorkedPositions) {
    static const LayoutCase cases[] = {
        {{640, 480}, PORTRAIT, 1, true, {224, 96, 192, 288}},
        {{640, 480}, PORTRAIT, 4, true, {224, 96, 192, 288}},
        {{640, 480}, GROUP, 5, true, {119, 150, 401, 180}},
        {{800, 600}, PORTRAIT, 2, true, {280, 120, 240, 360}},
        {{800, 600}, GROUP, 5, true, {149, 187, 502, 225}},
        // The preview uses the portrait factors for the group picture too.
        {{152, 112}, PORTRAIT, 3, false, {53, 22, 45, 67}},
        {{152, 112}, GROUP, 5, false, {18, 22, 114, 67}},
        // A wide screen stretches portraits sideways; the group keeps one factor.
        {{1920, 1080}, PORTRAIT, 1, true, {672, 216, 576, 648}},
        {{1920, 1080}, GROUP, 5, true, {357, 337, 1204, 405}},
        {{1024, 768}, PORTRAIT, 1, true, {358, 153, 307, 460}},
    };
    for (const LayoutCase &c : cases) {
        PictureBox box = LayOutPicture(c.reference, c.picture, c.index, c.fullScreen);
        SCOPED_TRACE(testing::Message() << c.reference.cx << "x" << c.reference.cy << " picture "
                                        << c.index << (c.fullScreen ? " full" : " preview"));
        EXPECT_EQ(c.expected.x, box.x);
        EXPECT_EQ(c.expected.y, box.y);
        EXPECT_EQ(c.expected.width, box.width);
        EXPECT_EQ(c.expected.height, box.height);
    }
}

} // namespace
