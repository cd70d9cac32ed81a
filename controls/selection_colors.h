// The colours of a cell in a selected row. Portable.
#pragma once

#include <cstdint>

namespace selection_colors {

using Color = std::uint32_t;

struct SystemColors {
    Color window, windowText, highlight, highlightText, buttonFace;
};

struct ListState {
    bool rowSelected;
    bool fullRowSelect; // LVS_EX_FULLROWSELECT: the rule covers every column, else column 0 only
    bool hasFocus;      // the list is the window with the keyboard focus
    bool showSelAlways; // LVS_SHOWSELALWAYS
};

struct CellColors {
    Color text, back;
};

CellColors Resolve(const ListState& list, int column, CellColors cell, const SystemColors& system);

} // namespace selection_colors
