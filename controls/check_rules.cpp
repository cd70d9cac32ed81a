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

} // namespace check_rules
