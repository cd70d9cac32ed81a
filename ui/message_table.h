// Static message tables: one per window class, each entry binding a window message, a command id
// or a control's notification code to a member handler, the table chained to its base class's.
//
//   class CMyDlg : public CDialog {
//       ...
//       DECLARE_MESSAGE_TABLE()
//   };
//   BEGIN_MESSAGE_TABLE(CMyDlg, CDialog)
//       ON_MESSAGE(WM_TIMER, &CMyDlg::OnTimer)          LRESULT (WPARAM, LPARAM [, bool& handled])
//       ON_COMMAND(IDC_ADD, &CMyDlg::OnAdd)             void () or bool () (false declines)
//       ON_CONTROL(CBN_SELCHANGE, IDC_LIST, &...)       as ON_COMMAND, for one notification code
//       ON_NOTIFY(NM_CLICK, IDC_LIST, &CMyDlg::OnClick) LRESULT (NMHDR* [, bool& handled])
//       ON_NOTIFY_RANGE(code, first, last, &...)        as ON_NOTIFY, for a range of control ids
//       ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &...)          in a control: a notification it sent its owner
//       ON_COMMAND_REFLECT(code, &...)                  in a control: a WM_COMMAND it sent its owner
//   END_MESSAGE_TABLE()
//
// A handler declines by setting handled to false (or returning false); the search then goes on with
// the next entry, the base class's table and finally the default procedure.
#pragma once

#include <windows.h>

#include <type_traits>

class CWnd;

namespace ui {

// Notifications and commands a parent hands back to the child window that sent them.
constexpr UINT kReflectBase = WM_USER + 0x1C00;

struct MessageContext {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

using MessageHandler = bool (*)(CWnd* window, MessageContext& context);

enum class MessageKind : unsigned char {
    End,
    Message,          // any window message
    Command,          // WM_COMMAND from a menu, an accelerator or a button click
    Control,          // WM_COMMAND with one notification code
    Notify,           // WM_NOTIFY with one code from a range of control ids
    ReflectedNotify,  // WM_NOTIFY handed back to the control that sent it
    ReflectedCommand, // WM_COMMAND handed back to the control that sent it
};

struct MessageEntry {
    MessageKind kind;
    UINT message; // Message only
    UINT code;    // Control, Notify, Reflected*
    UINT firstId; // Command, Control, Notify
    UINT lastId;
    MessageHandler handler;
};

struct MessageTable {
    const MessageTable* (*base)();
    const MessageEntry* entries;
};

// Answers whether an entry applies to a message; the window uses this while walking its tables.
bool EntryMatches(const MessageEntry& entry, UINT message, WPARAM wParam, LPARAM lParam);

template <typename F> struct MemberOf;
template <typename R, typename C, typename... A> struct MemberOf<R (C::*)(A...)> { using Class = C; };

template <auto F> bool InvokeMessage(CWnd* window, MessageContext& m) {
    using T = typename MemberOf<decltype(F)>::Class;
    T* self = static_cast<T*>(window);
    if constexpr (std::is_invocable_v<decltype(F), T*, WPARAM, LPARAM, bool&>) {
        bool handled = true;
        m.result = static_cast<LRESULT>((self->*F)(m.wParam, m.lParam, handled));
        return handled;
    } else {
        m.result = static_cast<LRESULT>((self->*F)(m.wParam, m.lParam));
        return true;
    }
}

template <auto F> bool InvokeCommand(CWnd* window, MessageContext& m) {
    using T = typename MemberOf<decltype(F)>::Class;
    T* self = static_cast<T*>(window);
    m.result = 0;
    if constexpr (std::is_same_v<decltype((self->*F)()), bool>) {
        return (self->*F)();
    } else {
        (self->*F)();
        return true;
    }
}

template <auto F> bool InvokeNotify(CWnd* window, MessageContext& m) {
    using T = typename MemberOf<decltype(F)>::Class;
    T* self = static_cast<T*>(window);
    NMHDR* header = reinterpret_cast<NMHDR*>(m.lParam);
    if constexpr (std::is_invocable_v<decltype(F), T*, NMHDR*, bool&>) {
        bool handled = true;
        m.result = static_cast<LRESULT>((self->*F)(header, handled));
        return handled;
    } else {
        m.result = static_cast<LRESULT>((self->*F)(header));
        return true;
    }
}

} // namespace ui

#define DECLARE_MESSAGE_TABLE()                                                                              \
protected:                                                                                                   \
    static const ::ui::MessageTable* GetThisMessageTable();                                                  \
    const ::ui::MessageTable* GetMessageTable() const override;                                              \
                                                                                                             \
private:

#define BEGIN_MESSAGE_TABLE(Class, Base)                                                                     \
    const ::ui::MessageTable* Class::GetMessageTable() const {                                               \
        return GetThisMessageTable();                                                                        \
    }                                                                                                        \
    const ::ui::MessageTable* Class::GetThisMessageTable() {                                                 \
        using ThisClass [[maybe_unused]] = Class;                                                            \
        using BaseClass = Base;                                                                              \
        static const ::ui::MessageEntry entries[] = {

#define END_MESSAGE_TABLE()                                                                                  \
    { ::ui::MessageKind::End, 0, 0, 0, 0, nullptr }                                                          \
    }                                                                                                        \
    ;                                                                                                        \
    static const ::ui::MessageTable table = {&BaseClass::GetThisMessageTable, entries};                      \
    return &table;                                                                                           \
    }

#define ON_MESSAGE(msg, fn) {::ui::MessageKind::Message, (msg), 0, 0, 0, &::ui::InvokeMessage<fn>},
#define ON_COMMAND(id, fn) {::ui::MessageKind::Command, 0, 0, (id), (id), &::ui::InvokeCommand<fn>},
#define ON_COMMAND_RANGE(first, last, fn)                                                                    \
    {::ui::MessageKind::Command, 0, 0, (first), (last), &::ui::InvokeCommand<fn>},
#define ON_CONTROL(code, id, fn)                                                                             \
    {::ui::MessageKind::Control, 0, (code), (id), (id), &::ui::InvokeCommand<fn>},
#define ON_NOTIFY(code, id, fn)                                                                              \
    {::ui::MessageKind::Notify, 0, static_cast<UINT>(code), (id), (id), &::ui::InvokeNotify<fn>},
#define ON_NOTIFY_RANGE(code, first, last, fn)                                                               \
    {::ui::MessageKind::Notify, 0, static_cast<UINT>(code), (first), (last), &::ui::InvokeNotify<fn>},
#define ON_NOTIFY_REFLECT(code, fn)                                                                          \
    {::ui::MessageKind::ReflectedNotify, 0, static_cast<UINT>(code), 0, 0, &::ui::InvokeNotify<fn>},
#define ON_COMMAND_REFLECT(code, fn)                                                                         \
    {::ui::MessageKind::ReflectedCommand, 0, static_cast<UINT>(code), 0, 0, &::ui::InvokeCommand<fn>},
