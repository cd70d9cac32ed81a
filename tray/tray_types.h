// Portable names for what the notification-area icon exchanges with the shell and the window
// manager. Window and menu references are opaque here; the Win32 side converts them to its handles.
#pragma once

#include <cstdint>

namespace palisor::tray {

using WindowRef = void*;
using MenuRef = void*;
using IconRef = void*;

struct TrayRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

inline bool operator==(const TrayRect& a, const TrayRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const TrayRect& a, const TrayRect& b) {
    return !(a == b);
}

struct TrayPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Window messages and shell values the icon logic acts on; the numbers are the platform's.
constexpr std::uint32_t kMsgNull = 0x0000;
constexpr std::uint32_t kMsgCommand = 0x0111;
constexpr std::uint32_t kMsgLButtonDblClk = 0x0203;
constexpr std::uint32_t kMsgRButtonUp = 0x0205;
constexpr std::uint32_t kSpiSetWorkArea = 47;

constexpr std::uint32_t kNifMessage = 1;
constexpr std::uint32_t kNifIcon = 2;
constexpr std::uint32_t kNifTip = 4;

// Edges the shell reports for the taskbar.
enum class TaskbarEdge : std::uint32_t { Left = 0, Top = 1, Right = 2, Bottom = 3 };

// Capacity of the record's tip, terminator included.
constexpr int kTipCapacity = 128;

// Size of the version-2 ANSI notification-icon record in this build's own layout; the Win32
// side checks it against the platform header.
constexpr std::uint32_t kNotifyIconRecordSize = sizeof(void*) == 8 ? 504 : 488;

// The parts of the notification-icon record the program ever sets, in record order.
struct TrayIconRecord {
    std::uint32_t size = 0;
    WindowRef window = nullptr;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    IconRef icon = nullptr;
    char tip[kTipCapacity] = {};
};

} // namespace palisor::tray
