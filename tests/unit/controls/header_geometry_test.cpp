#include <gtest/gtest.h>

#include "controls/header_geometry.h"

namespace {

using namespace header_geometry;

TEST(HeaderImage, SitsAtTheItemsLeftEdgeVerticallyCentred) {
    // An item of 100 x 20 after the 6-pixel margins, with 16 x 16 images.
    ImagePlacement image = PlaceImage(Rect{6, 0, 94, 20}, 1, true, 16, 16, false);
    ASSERT_TRUE(image.drawn);
    EXPECT_EQ(image.x, 6);
    EXPECT_EQ(image.y, 2);
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.used, 16);
    EXPECT_EQ(PlaceImage(Rect{6, 0, 94, 20}, 1, true, 16, 16, true).x, 94 - 16);
    // The title then starts 16 + 6 pixels further right.
    EXPECT_EQ(TitleRect(Rect{6, 0, 94, 20}, image.used, 0).left, 6 + 16 + 6);
}

TEST(HeaderImage, NoneForIndexZeroNoListOrAnEmptyItem) {
    EXPECT_FALSE(PlaceImage(Rect{0, 0, 50, 20}, 0, true, 16, 16, false).drawn);
    EXPECT_FALSE(PlaceImage(Rect{0, 0, 50, 20}, 1, false, 16, 16, false).drawn);
    EXPECT_FALSE(PlaceImage(Rect{50, 0, 50, 20}, 1, true, 16, 16, false).drawn);
    EXPECT_EQ(PlaceImage(Rect{0, 0, 50, 20}, 0, true, 16, 16, false).used, 0);
    EXPECT_EQ(TitleRect(Rect{6, 0, 94, 20}, 0, 0), (Rect{6, 0, 94, 20}));
}

TEST(HeaderImage, NarrowItemCutsTheDrawingButUsesTheFullWidth) {
    ImagePlacement image = PlaceImage(Rect{10, 0, 20, 20}, 2, true, 16, 16, false);
    ASSERT_TRUE(image.drawn);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.used, 16);
}

TEST(HeaderBitmap, DrawnWholeAtTheRightOrNotAtAll) {
    BitmapPlacement bitmap = PlaceBitmap(Rect{0, 0, 100, 20}, true, 12, 9, true);
    ASSERT_TRUE(bitmap.drawn);
    EXPECT_EQ(bitmap.x, 88);
    EXPECT_EQ(bitmap.y, 10 - 4);
    EXPECT_TRUE(PlaceBitmap(Rect{0, 0, 12, 20}, true, 12, 9, true).drawn);
    EXPECT_FALSE(PlaceBitmap(Rect{0, 0, 11, 20}, true, 12, 9, true).drawn);
    EXPECT_FALSE(PlaceBitmap(Rect{0, 0, 0, 20}, true, 0, 9, true).drawn);
    EXPECT_FALSE(PlaceBitmap(Rect{0, 0, 100, 20}, false, 12, 9, true).drawn);
    EXPECT_EQ(TitleRect(Rect{0, 0, 100, 20}, 0, 12).right, 100 - 12 - 6);
}

TEST(HeaderSeparator, ShadowThenLightAtTheItemsRightEdgeInsetTwoPixels) {
    Separator s = SeparatorAt(Rect{0, 0, 80, 20});
    EXPECT_EQ(s.shadow.x, 79);
    EXPECT_EQ(s.light.x, 80);
    EXPECT_EQ(s.shadow.top, 2);
    EXPECT_EQ(s.shadow.bottom, 18);
    EXPECT_EQ(s.light.top, 2);
    EXPECT_EQ(s.light.bottom, 18);
    // At 144 DPI the lines keep three pixels from the edges.
    Separator scaled = SeparatorAt(Rect{0, 0, 80, 30}, 144);
    EXPECT_EQ(scaled.shadow.x, 79);
    EXPECT_EQ(scaled.shadow.top, 3);
    EXPECT_EQ(scaled.light.bottom, 27);
}

TEST(HeaderClip, ItemsOutsideTheClipBoxAreSkippedTouchingOnesAreNot) {
    Rect clip = {100, 0, 200, 20};
    EXPECT_TRUE(OverlapsHorizontally(Rect{50, 0, 100, 20}, clip));
    EXPECT_TRUE(OverlapsHorizontally(Rect{200, 0, 250, 20}, clip));
    EXPECT_FALSE(OverlapsHorizontally(Rect{0, 0, 99, 20}, clip));
    EXPECT_FALSE(OverlapsHorizontally(Rect{201, 0, 300, 20}, clip));
}

TEST(HeaderBorder, SpansTheColumnsFromTheClientsLeftEdge) {
    EXPECT_EQ(BorderRect(Rect{0, 0, 500, 20}, 230), (Rect{0, 0, 230, 20}));
    EXPECT_EQ(BorderRect(Rect{0, 0, 500, 20}, 700), (Rect{0, 0, 700, 20}));
}

} // namespace
