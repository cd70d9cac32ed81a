// The window base of the dialog framework: a C++ object bound to one window handle.
//
// A CWnd is bound to its window in one of three ways:
//   Create / CreateEx   the object creates the window and receives every message from the first one on;
//   SubclassWindow      an existing window (a dialog's control) is taken over: its messages reach
//                       WindowProc, and whatever the object does not handle goes to the original procedure;
//   Attach              the handle is only remembered (FromHandle finds the object), no message reaches it.
// Messages go through the virtual WindowProc, which looks them up in the class's static message table
// (chained to the base classes' tables) and hands whatever is left to DefWindowProc.
#pragma once

#include <windows.h>

#include <string>

#include "ui/message_table.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window through Create, SubclassWindow or Attach, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Binds the object to a window without taking over its messages.
    BOOL Attach(HWND hwnd);
    HWND Detach();

    // Takes over an existing window's messages; PreSubclassWindow runs first.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    // Gives the window its original procedure back and unbinds the object.
    HWND UnsubclassWindow();

    // Creates a window of the given class (null: a plain window class of the framework's own) and binds
    // it to this object before its first message, so WM_NCCREATE and WM_CREATE reach the message table.
    BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId, LPVOID param = nullptr);
    BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                LPVOID param = nullptr);
    // An invisible top-level popup window, e.g. to receive private messages.
    BOOL CreatePopup(LPCSTR windowName = "", DWORD exStyle = 0);

    virtual BOOL DestroyWindow();

    // The message entry point. Overrides call the base for everything they do not handle themselves.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What happens to a message nobody handled: the original procedure of a subclassed window, or the
    // system's default procedure.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Looks a message up in the message tables. Returns true when a handler took it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Called on the control that sent a notification (WM_NOTIFY, WM_COMMAND, WM_DRAWITEM) before its
    // owner's handlers see it. Returns true when the control handled it; the owner then does not.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Asked by the message loop, from the target window up through its parents, before a message is
    // translated and dispatched. Returns TRUE when the message has been dealt with.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Runs just before an existing window is subclassed (e.g. a control of a dialog template).
    virtual void PreSubclassWindow() {}
    // Runs after the window's last message; the handle is already gone. Objects that delete
    // themselves do it here.
    virtual void PostNcDestroy() {}

    // Default processing of the message now being handled.
    LRESULT Default();

    // Thin wrappers.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(RECT* rect) const;
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(RECT* rect) const;
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL InvalidateRect(const RECT* rect, BOOL erase = TRUE) const {
        return ::InvalidateRect(m_hWnd, rect, erase);
    }
    BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    BOOL SetWindowText(LPCSTR text) const { return ::SetWindowTextA(m_hWnd, text); }
    std::string GetWindowText() const;
    BOOL SetDlgItemText(int id, LPCSTR text) const { return ::SetDlgItemTextA(m_hWnd, id, text); }
    std::string GetDlgItemText(int id) const;
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) const;
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) const {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big) const {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK) const {
        return ::MessageBoxA(m_hWnd, text, caption, type);
    }

protected:
    static const ::ui::MessageTable* GetThisMessageTable();
    virtual const ::ui::MessageTable* GetMessageTable() const;

    // The window procedure of every window bound through Create or SubclassWindow.
    static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Binds the handle (FromHandle finds the object) without touching the window procedure.
    void BindHandle(HWND hwnd);
    void UnbindHandle();
    // Called once the window's last message (WM_NCDESTROY) has been handled.
    void FinishDestroy();

    WNDPROC m_superProc = nullptr; // original procedure of a subclassed window

private:
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
};
