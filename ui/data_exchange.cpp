#include "ui/data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "ui/window.h"

HWND CDataExchange::PrepareCtrl(int id) {
    HWND control = m_dialog != nullptr ? ::GetDlgItem(m_dialog->m_hWnd, id) : nullptr;
    if (control == nullptr)
        Fail();
    return control;
}

namespace {

std::string ReadText(HWND control) {
    int length = ::GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool IsRadioButton(HWND control) {
    if (::SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
        return true;
    LONG_PTR type = ::GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

} // namespace

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    HWND control = dx->PrepareCtrl(id);
    if (control == nullptr)
        return;
    if (dx->m_bSaveAndValidate)
        value = ReadText(control);
    else
        ::SetWindowTextA(control, value.c_str());
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    HWND control = dx->PrepareCtrl(id);
    if (control == nullptr)
        return;
    if (!dx->m_bSaveAndValidate) {
        ::SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    std::string text = ReadText(control);
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(begin, &end, 10);
    while (end != nullptr && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == begin || end == nullptr || *end != '\0' || errno == ERANGE || parsed < INT_MIN ||
        parsed > INT_MAX) {
        // The member keeps its value; the caller learns of the failure from UpdateData.
        dx->Fail();
        return;
    }
    value = static_cast<int>(parsed);
}

void DDX_Radio(CDataExchange* dx, int firstId, int& value) {
    HWND first = dx->PrepareCtrl(firstId);
    if (first == nullptr)
        return;
    if (dx->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (HWND control = first; control != nullptr;) {
        if (IsRadioButton(control)) {
            if (dx->m_bSaveAndValidate) {
                if (::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED && value == -1)
                    value = index;
            } else {
                ::SendMessageA(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
        if (control == nullptr || (::GetWindowLongPtrA(control, GWL_STYLE) & WS_GROUP))
            break;
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    HWND control = dx->PrepareCtrl(id);
    if (control == nullptr)
        return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd != nullptr)
        return;
    HWND item = dx->PrepareCtrl(id);
    if (item != nullptr && !control.SubclassWindow(item))
        dx->Fail();
}
