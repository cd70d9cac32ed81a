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

TEST(CheckedCounts, FollowCellsAndRowsWithoutARecount) {
    CheckedCounts counts;
    EXPECT_EQ(counts.Count(0), 0);
    EXPECT_EQ(counts.Count(-1), 0);
    counts.CellChanged(0, -1, 1);
    counts.CellChanged(0, 0, 1);
    counts.CellChanged(0, 1, 1); // ticked again: no change
    counts.CellChanged(3, -1, 1);
    EXPECT_EQ(counts.Count(0), 2);
    EXPECT_EQ(counts.Count(3), 1);
    EXPECT_EQ(counts.Count(2), 0);
    // Only state 1 is ticked: other values leave the count alone, or take a tick away.
    counts.CellChanged(0, 0, 7);
    counts.CellChanged(0, 1, 7);
    counts.CellChanged(0, 1, -1);
    EXPECT_EQ(counts.Count(0), 0);
    counts.CellChanged(-1, 0, 1);
    EXPECT_EQ(counts.Count(-1), 0);

    ListCellData row[3];
    row[0].checkState = 1;
    row[1].checkState = 0;
    row[2].checkState = 1;
    counts.RowAdded(row, 3);
    counts.RowAdded(row, 1); // a row whose records cover column 0 only
    EXPECT_EQ(counts.Count(0), 2);
    EXPECT_EQ(counts.Count(1), 0);
    EXPECT_EQ(counts.Count(2), 1);
    counts.RowRemoved(row, 3);
    EXPECT_EQ(counts.Count(0), 1);
    EXPECT_EQ(counts.Count(2), 0);
    counts.RowRemoved(nullptr, 3);
    EXPECT_EQ(counts.Count(0), 1);
    counts.Clear();
    EXPECT_EQ(counts.Count(0), 0);
    EXPECT_EQ(counts.Count(3), 0);
}

} // namespace
