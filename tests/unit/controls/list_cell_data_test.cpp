#include <gtest/gtest.h>

#include "controls/list_cell_data.h"

namespace {

TEST(CellRecords, AllocatedWithDefaultsAndTheGivenColours) {
    ListCellData* records = cell_records::Allocate(3, 0x112233, 0x445566);
    ASSERT_NE(records, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].enabled, 1);
        EXPECT_EQ(records[i].bold, 0);
        EXPECT_EQ(records[i].image, -1);
        EXPECT_TRUE(records[i].toolTip.empty());
        EXPECT_EQ(records[i].textColor, 0x112233u);
        EXPECT_EQ(records[i].backColor, 0x445566u);
        EXPECT_EQ(records[i].progressShown, 0);
        EXPECT_EQ(records[i].progressTextShown, 1);
        EXPECT_EQ(records[i].checkState, -1);
        EXPECT_FALSE(records[i].HasCheckBox());
    }
    cell_records::Free(records);
    cell_records::Free(nullptr);
}

TEST(CellRecords, ARowWithoutColumnsStillGetsTheFirstRecord) {
    ListCellData* records = cell_records::Allocate(0, 1, 2);
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records[0].textColor, 1u);
    cell_records::Free(records);
}

TEST(ProgressText, DefaultsToPercentAndUsesOnlySafeFormats) {
    ListCellData cell;
    cell.progressPercent = 42;
    EXPECT_EQ(cell_records::ProgressText(cell), "42%");
    cell.progressFormat = "%d of 100";
    EXPECT_EQ(cell_records::ProgressText(cell), "42 of 100");
    cell.progressFormat = "done: %3d%%";
    EXPECT_EQ(cell_records::ProgressText(cell), "done:  42%");
    // Formats that would read arguments that are not there fall back to the plain percentage.
    for (const char* unsafe : {"%s", "%d %d", "%n", "%ld", "%*d", "text only", "%"}) {
        cell.progressFormat = unsafe;
        EXPECT_EQ(cell_records::ProgressText(cell), "42%") << unsafe;
    }
}

} // namespace
