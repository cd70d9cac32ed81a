#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

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

TEST(CheckCellLayout, IndentAndTextGapGrowWithTheDpiWhileTheBoxFollowsTheRow) {
    // At 144 DPI: 9 -> 13.5 -> 14 pixels in, 4 -> 6 pixels to the text; a 25-pixel row, a 24-pixel box.
    CheckCellLayout layout = LayOutCheckCell(Rect{20, 40, 220, 65}, false, 144);
    EXPECT_EQ(layout.box, (Rect{34, 40, 58, 64}));
    EXPECT_EQ(layout.frame.left, 35);
    EXPECT_EQ(layout.text.left, 64);
    EXPECT_EQ(LayOutCheckCell(Rect{20, 40, 220, 65}, false, 120).box.left, 20 + 11);
    // A centred box keeps its place: only the row decides it.
    EXPECT_EQ(LayOutCheckCell(Rect{0, 0, 90, 25}, true, 144).box,
              LayOutCheckCell(Rect{0, 0, 90, 25}, true).box);
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
    ASSERT_EQ(strokes.size(), 7u);
    EXPECT_EQ(TickStrokes(Rect{30, 40, 45, 56}, 96).size(), 7u);
    const TickStroke expected[7] = {{39, 43, 46}, {38, 44, 47}, {37, 45, 48}, {36, 46, 49},
                                    {35, 47, 50}, {34, 46, 49}, {33, 45, 48}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(strokes[i].x, expected[i].x) << i;
        EXPECT_EQ(strokes[i].top, expected[i].top) << i;
        EXPECT_EQ(strokes[i].bottom, expected[i].bottom) << i;
    }
}

// The tick's bounding box in the frame, as fractions of 96-DPI pixels scaled: what a person sees as
// "the mark fills its box as it does at 96 DPI".
struct Extent {
    int left, top, right, bottom; // exclusive right and bottom
};

Extent TickExtent(const std::vector<TickStroke>& strokes) {
    Extent e = {strokes.front().x, strokes.front().top, strokes.front().x + 1, strokes.front().bottom};
    for (const TickStroke& s : strokes) {
        e.left = std::min(e.left, s.x);
        e.right = std::max(e.right, s.x + 1);
        e.top = std::min(e.top, s.top);
        e.bottom = std::max(e.bottom, s.bottom);
    }
    return e;
}

TEST(TickStrokes, ScaleWithTheDpiKeepingTheirPlaceThicknessAndShape) {
    const Rect frame = {100, 200, 130, 230};
    for (int dpi : {120, 144, 192}) {
        auto strokes = TickStrokes(frame, dpi);
        // One stroke per column, from left + 3 to left + 9 scaled, each 3 scaled pixels long.
        ASSERT_EQ(static_cast<int>(strokes.size()), dpi::Scale(10, dpi) - dpi::Scale(3, dpi)) << dpi;
        Extent extent = TickExtent(strokes);
        EXPECT_EQ(extent.left - frame.left, dpi::Scale(3, dpi)) << dpi;
        EXPECT_EQ(extent.right - frame.left, dpi::Scale(10, dpi)) << dpi;
        // At 96 DPI the tick covers rows 3 to 9 of the frame; scaled, within a pixel either way.
        EXPECT_NEAR(extent.top - frame.top, 3 * dpi / 96.0, 1.0) << dpi;
        EXPECT_NEAR(extent.bottom - frame.top, 10 * dpi / 96.0, 1.0) << dpi;
        for (const TickStroke& s : strokes)
            EXPECT_EQ(s.bottom - s.top, dpi::Scale(3, dpi)) << dpi;
        // A V: the strokes go down from the right end to the lowest point and up again, each step by at
        // most one pixel, so the mark has no gaps.
        size_t lowest = 0;
        for (size_t i = 1; i < strokes.size(); ++i) {
            EXPECT_EQ(strokes[i].x, strokes[i - 1].x - 1) << dpi;
            EXPECT_LE(std::abs(strokes[i].top - strokes[i - 1].top), 1) << dpi;
            if (strokes[i].top > strokes[lowest].top)
                lowest = i;
        }
        for (size_t i = 1; i <= lowest; ++i)
            EXPECT_GE(strokes[i].top, strokes[i - 1].top) << dpi;
        for (size_t i = lowest + 1; i < strokes.size(); ++i)
            EXPECT_LE(strokes[i].top, strokes[i - 1].top) << dpi;
        // The bottom of the V sits two sevenths of the way from its left end, as at 96 DPI.
        EXPECT_NEAR(strokes[lowest].x - frame.left, 5 * dpi / 96.0, 1.0) << dpi;
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
    EXPECT_EQ(EmptyMessageArea(window, true, 30, 144), (Rect{-2, 43, 300, 200}));
}

TEST(DpiScale, RoundsAsMulDivDoesAndLeavesSizesAloneWithoutADpi) {
    EXPECT_EQ(dpi::Scale(9, 96), 9);
    EXPECT_EQ(dpi::Scale(9, 144), 14);  // 13.5: halves go up
    EXPECT_EQ(dpi::Scale(3, 120), 4);   // 3.75
    EXPECT_EQ(dpi::Scale(12, 120), 15); // 15.0
    EXPECT_EQ(dpi::Scale(-3, 144), -5); // and away from zero below it
    EXPECT_EQ(dpi::Scale(12, 0), 12);
    EXPECT_EQ(dpi::Scale(2000000, 192), 4000000);
}

TEST(DpiScale, PicksTheLargestImageThatFitsOrTheSmallest) {
    for (auto [dpi, size] :
         {std::pair{96, 16}, {120, 20}, {144, 24}, {192, 32}, {168, 24}, {72, 16}, {288, 32}})
        EXPECT_EQ(dpi::PickImageSize(16, dpi, {16, 20, 24, 32}), size) << dpi;
}

TEST(FirstColumnCell, EndsWhereTheSecondColumnBeginsOnlyWhenThereIsOne) {
    Rect whole = {0, 10, 400, 27};
    EXPECT_EQ(ClipFirstColumn(whole, 3, 80), (Rect{0, 10, 80, 27}));
    EXPECT_EQ(ClipFirstColumn(whole, 1, 80), whole);
}

} // namespace
