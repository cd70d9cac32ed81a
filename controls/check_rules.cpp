#include "controls/check_rules.h"

namespace check_rules {

int HeaderAfterCellChange(int header, int tickedCells, int rows) {
    if (header == kNoHeaderBox)
        return header;
    return tickedCells == rows ? kHeaderTicked : kHeaderClear;
}

int HeaderAfterClick(int header) {
    if (header == kNoHeaderBox)
        return header;
    return header == kHeaderClear ? kHeaderTicked : kHeaderClear;
}

int CheckedCounts::Count(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= counts_.size())
        return 0;
    return counts_[static_cast<std::size_t>(column)];
}

void CheckedCounts::CellChanged(int column, int before, int after) {
    if (column < 0 || (before == 1) == (after == 1))
        return;
    if (static_cast<std::size_t>(column) >= counts_.size())
        counts_.resize(static_cast<std::size_t>(column) + 1, 0);
    counts_[static_cast<std::size_t>(column)] += after == 1 ? 1 : -1;
}

void CheckedCounts::RowAdded(const ListCellData* records, int columns) {
    for (int column = 0; records != nullptr && column < columns; ++column)
        CellChanged(column, -1, records[column].checkState);
}

void CheckedCounts::RowRemoved(const ListCellData* records, int columns) {
    for (int column = 0; records != nullptr && column < columns; ++column)
        CellChanged(column, records[column].checkState, -1);
}

} // namespace check_rules
