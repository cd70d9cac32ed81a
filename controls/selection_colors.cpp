#include "controls/selection_colors.h"

namespace selection_colors {

CellColors Resolve(const ListState& list, int column, CellColors cell, const SystemColors& system) {
    if (!list.rowSelected)
        return cell;
    if (!list.fullRowSelect && column != 0)
        return cell;
    if (list.hasFocus)
        return {system.highlightText, system.highlight};
    if (list.showSelAlways)
        return {system.windowText, system.buttonFace};
    return cell;
}

} // namespace selection_colors
