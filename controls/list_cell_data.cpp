#include "controls/list_cell_data.h"

#include <atomic>
#include <cstdio>
#include <new>

namespace cell_records {

namespace {
std::atomic<long> g_liveArrays{0};
}

long LiveArrays() {
    return g_liveArrays.load();
}

ListCellData* Allocate(int columns, ListCellData::Color windowText, ListCellData::Color window) {
    if (columns <= 0)
        columns = 1; // a row always has the record of column 0
    ListCellData* records = new (std::nothrow) ListCellData[static_cast<size_t>(columns)];
    if (records == nullptr)
        return nullptr;
    for (int i = 0; i < columns; ++i) {
        records[i].textColor = windowText;
        records[i].backColor = window;
    }
    ++g_liveArrays;
    return records;
}

void Free(ListCellData* records) {
    if (records == nullptr)
        return;
    --g_liveArrays;
    delete[] records;
}

namespace {

// True when the format holds exactly one conversion and it takes an int (d or i), so that passing
// it to the formatter with one int argument is safe; "%%" is allowed anywhere.
bool HasOneIntegerConversion(const std::string& format) {
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        // flags and width, no precision star or length modifier
        while (i < format.size() && (format[i] == '-' || format[i] == '+' || format[i] == ' ' ||
                                     format[i] == '0' || format[i] == '#'))
            ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i >= format.size() || (format[i] != 'd' && format[i] != 'i'))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

std::string ProgressText(const ListCellData& cell) {
    char buffer[256];
    if (!cell.progressFormat.empty() && HasOneIntegerConversion(cell.progressFormat)) {
        std::snprintf(buffer, sizeof(buffer), cell.progressFormat.c_str(), cell.progressPercent);
    } else {
        std::snprintf(buffer, sizeof(buffer), "%d%%", cell.progressPercent);
    }
    return std::string(buffer);
}

} // namespace cell_records
