// How the header check box of a check-box column follows its cells, and how a click on the header
// sets them. The header's state is its item's image index: 0 no box, 1 clear, 2 ticked. Portable.
#pragma once

namespace check_rules {

constexpr int kNoHeaderBox = 0;
constexpr int kHeaderClear = 1;
constexpr int kHeaderTicked = 2;

// The header state after a cell of the column changed: a column without a header box keeps it;
// otherwise ticked exactly when every row's cell is ticked (cells without a box count as not ticked).
int HeaderAfterCellChange(int header, int tickedCells, int rows);

// The header state after a click on the header: none when it has no box; ticked when it was clear,
// clear for any other state.
int HeaderAfterClick(int header);

// The state a click gives every real check box of the column (1 ticked, 0 clear).
inline int CellStateForHeader(int header) {
    return header - 1;
}

} // namespace check_rules
