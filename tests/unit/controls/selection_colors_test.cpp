#include <gtest/gtest.h>

#include "controls/selection_colors.h"

namespace {

using namespace selection_colors;

const SystemColors kSystem = {0xFFFFFF, 0x000000, 0x800000, 0xFFFFFE, 0xC0C0C0};
const CellColors kCell = {0xFF0000, 0x00FF00};

CellColors Resolved(bool selected, bool fullRow, bool focus, bool showAlways, int column) {
    return Resolve(ListState{selected, fullRow, focus, showAlways}, column, kCell, kSystem);
}

void ExpectColors(CellColors actual, CellColors expected, const char* what) {
    EXPECT_EQ(actual.text, expected.text) << what;
    EXPECT_EQ(actual.back, expected.back) << what;
}

TEST(SelectionColors, SelectedRowTakesHighlightWithFocusAndFaceWhenShownAlways) {
    ExpectColors(Resolved(true, true, true, false, 3), {kSystem.highlightText, kSystem.highlight}, "focus");
    ExpectColors(Resolved(true, true, false, true, 3), {kSystem.windowText, kSystem.buttonFace},
                 "show always");
    ExpectColors(Resolved(true, true, false, false, 3), kCell, "no focus, not shown");
    ExpectColors(Resolved(false, true, true, true, 0), kCell, "not selected");
}

TEST(SelectionColors, WithoutFullRowSelectOnlyTheFirstColumnChanges) {
    ExpectColors(Resolved(true, false, true, false, 0), {kSystem.highlightText, kSystem.highlight},
                 "column 0");
    ExpectColors(Resolved(true, false, true, false, 1), kCell, "column 1");
}

} // namespace
