#include <gtest/gtest.h>

#include "controls/check_rules.h"

namespace {

using namespace check_rules;

TEST(HeaderCheck, FollowsTheCellsOnlyWhenTheColumnHasAHeaderBox) {
    EXPECT_EQ(HeaderAfterCellChange(kHeaderClear, 3, 3), kHeaderTicked);
    EXPECT_EQ(HeaderAfterCellChange(kHeaderTicked, 2, 3), kHeaderClear);
    EXPECT_EQ(HeaderAfterCellChange(kHeaderTicked, 3, 3), kHeaderTicked);
    EXPECT_EQ(HeaderAfterCellChange(kNoHeaderBox, 3, 3), kNoHeaderBox);
    EXPECT_EQ(HeaderAfterCellChange(kNoHeaderBox, 0, 3), kNoHeaderBox);
    // An unusual header image is still a box and follows the cells.
    EXPECT_EQ(HeaderAfterCellChange(5, 1, 2), kHeaderClear);
}

TEST(HeaderCheck, ClickTogglesBetweenClearAndTicked) {
    EXPECT_EQ(HeaderAfterClick(kHeaderClear), kHeaderTicked);
    EXPECT_EQ(HeaderAfterClick(kHeaderTicked), kHeaderClear);
    EXPECT_EQ(HeaderAfterClick(7), kHeaderClear);
    EXPECT_EQ(HeaderAfterClick(kNoHeaderBox), kNoHeaderBox);
    EXPECT_EQ(CellStateForHeader(HeaderAfterClick(kHeaderClear)), 1);
    EXPECT_EQ(CellStateForHeader(HeaderAfterClick(kHeaderTicked)), 0);
}

} // namespace
