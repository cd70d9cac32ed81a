// How the header check box of a check-box column follows its cells, and how a click on the header
// sets them. The header's state is its item's image index: 0 no box, 1 clear, 2 ticked. Portable.
#pragma once

#include <vector>

#include "controls/list_cell_data.h"

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

// The number of ticked cells (state 1) in each column, kept up to date as cells change and rows come
// and go, so that the header box of a column never needs a recount of its rows.
class CheckedCounts {
public:
    int Count(int column) const;
    // A cell of the column went from one state to another.
    void CellChanged(int column, int before, int after);
    // A row's records (`columns` of them, one per column) joined or left the rows.
    void RowAdded(const ListCellData* records, int columns);
    void RowRemoved(const ListCellData* records, int columns);
    void Clear() { counts_.clear(); }

private:
    std::vector<int> counts_;
};

} // namespace check_rules
