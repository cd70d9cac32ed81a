// The per-cell record of the check-box list: colours, check state and the fields the list keeps for
// bold text, images, progress bars and tooltips. Portable: colours are 0x00BBGGRR values.
#pragma once

#include <cstdint>
#include <string>

struct ListCellData {
    using Color = std::uint32_t;

    // Typical system colours; the list gives its records the current ones when it makes them.
    static constexpr Color kDefaultText = 0x000000;
    static constexpr Color kDefaultBack = 0xFFFFFF;

    std::int32_t enabled = 1; // only column 0's record counts, for the whole row
    std::int32_t bold = 0;
    std::int32_t image = -1; // index into the list's small image list; -1 none
    std::string toolTip;
    Color textColor = kDefaultText;
    Color backColor = kDefaultBack;
    std::int32_t progressShown = 0;
    std::int32_t progressPercent = 0;
    std::string progressFormat; // printf-style with one integer; empty means "%d%%"
    std::int32_t progressTextShown = 1;
    std::int32_t checkState = -1; // -1 no check box, 0 clear, 1 ticked

    bool HasCheckBox() const { return checkState != -1; }
};

// One row's records, one per column, as stored in the row's item data.
namespace cell_records {

// Null when the allocation fails.
ListCellData* Allocate(int columns, ListCellData::Color windowText, ListCellData::Color window);
void Free(ListCellData* records);
// Arrays allocated and not yet freed, so that leaks can be seen.
long LiveArrays();

// The progress text of a cell: its format with the percentage, or "N%" without a format.
// Only one integer conversion is honoured; a format with any other conversion gives the plain "N%".
std::string ProgressText(const ListCellData& cell);

} // namespace cell_records
