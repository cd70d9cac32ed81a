#include <gtest/gtest.h>

#include "controls/cell_geometry.h"

namespace {

using namespace cell_geometry;

TEST(CheckCellLayout, BoxSitsNinePixelsInWithTextFourPixelsRightOfIt) {
    // A 17-pixel row: the box is 16 pixels, from the top to one pixel above the bottom.
    CheckCellLayout layout = LayOutCheckCell(Rect{20, 40, 120, 57}, false);
    EXPECT_EQ(layout.box, (Rect{29, 40, 45, 56}));
    EXPECT_EQ(layout.frame, (Rect{30, 40, 45, 56}));
    EXPECT_EQ(layout.text, (Rect{49, 40, 120, 57}));
}

TEST(CheckCellLayout, BoxIsCentredWhenTheTextIsEmpty) {
    CheckCellLayout even = LayOutCheckCell(Rect{0, 0, 60, 17}, true);
    EXPECT_EQ(even.box, (Rect{30 - 8 - 1, 0, 30 - 8 - 1 + 16, 16}));
    // Odd width and odd box size: both halves truncate.
    CheckCellLayout odd = LayOutCheckCell(Rect{10, 5, 71, 21}, true);
    EXPECT_EQ(odd.box.left, 10 + 30 - 7 - 1);
    EXPECT_EQ(odd.box.Width(), 15);
    EXPECT_EQ(odd.frame.left, odd.box.left + 1);
}

TEST(CheckCellLayout, DegenerateCellsGiveEmptyOrNegativeBoxesWithoutFailing) {
    CheckCellLayout flat = LayOutCheckCell(Rect{0, 10, 50, 10}, false);
    EXPECT_EQ(flat.box.Width(), -1);
    CheckCellLayout narrow = LayOutCheckCell(Rect{0, 0, 4, 17}, true);
    EXPECT_EQ(narrow.box.left, 0 + 2 - 8 - 1);
}

TEST(TickStrokes, SevenThreePixelStrokesDownThenUpToTheLeft) {
    auto strokes = TickStrokes(Rect{30, 40, 45, 56});
    const TickStroke expected[7] = {{39, 43, 46}, {38, 44, 47}, {37, 45, 48}, {36, 46, 49},
                                    {35, 47, 50}, {34, 46, 49}, {33, 45, 48}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(strokes[i].x, expected[i].x) << i;
        EXPECT_EQ(strokes[i].top, expected[i].top) << i;
        EXPECT_EQ(strokes[i].bottom, expected[i].bottom) << i;
    }
}

TEST(TextAlignment, CentreAndLeftAsGivenEverythingElseRight) {
    EXPECT_EQ(AlignmentFromJustify(2), TextAlign::Center);
    EXPECT_EQ(AlignmentFromJustify(0), TextAlign::Left);
    EXPECT_EQ(AlignmentFromJustify(1), TextAlign::Right);
    EXPECT_EQ(AlignmentFromJustify(3), TextAlign::Right);
}

TEST(EmptyMessageArea, TenPixelsBelowTheHeaderOrTheTop) {
    Rect window = {-2, -2, 300, 200};
    EXPECT_EQ(EmptyMessageArea(window, true, 20), (Rect{-2, 28, 300, 200}));
    EXPECT_EQ(EmptyMessageArea(window, false, 20), (Rect{-2, 8, 300, 200}));
}

TEST(FirstColumnCell, EndsWhereTheSecondColumnBeginsOnlyWhenThereIsOne) {
    Rect whole = {0, 10, 400, 27};
    EXPECT_EQ(ClipFirstColumn(whole, 3, 80), (Rect{0, 10, 80, 27}));
    EXPECT_EQ(ClipFirstColumn(whole, 1, 80), whole);
}

} // namespace
