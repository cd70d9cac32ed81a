#include "ui/dialog_template.h"

#include <cstring>

namespace {

template <typename T> void AppendRaw(std::vector<WORD>& words, const T& value) {
    static_assert(sizeof(T) % sizeof(WORD) == 0, "templates are made of words");
    size_t at = words.size();
    words.resize(at + sizeof(T) / sizeof(WORD));
    std::memcpy(&words[at], &value, sizeof(T));
}

} // namespace

DialogTemplate::DialogTemplate(DWORD style, DWORD exStyle, short x, short y, short width, short height,
                               const std::string& caption, WORD pointSize, const std::string& fontName) {
    if (!fontName.empty())
        style |= DS_SETFONT;
    DLGTEMPLATE header = {};
    header.style = style;
    header.dwExtendedStyle = exStyle;
    header.cdit = 0;
    header.x = x;
    header.y = y;
    header.cx = width;
    header.cy = height;
    AppendRaw(m_words, header);
    m_words.push_back(0); // no menu
    m_words.push_back(0); // the dialog manager's own window class
    AppendString(caption);
    if (!fontName.empty()) {
        m_words.push_back(pointSize);
        AppendString(fontName);
    }
}

void DialogTemplate::AppendString(const std::string& text) {
    // Dialog templates hold UTF-16; the texts used here come from the ANSI code page.
    if (!text.empty()) {
        int length =
            ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
        std::vector<WCHAR> wide(static_cast<size_t>(length > 0 ? length : 0));
        if (length > 0)
            ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(),
                                  length);
        for (WCHAR c : wide)
            m_words.push_back(static_cast<WORD>(c));
    }
    m_words.push_back(0);
}

void DialogTemplate::AlignToDword() {
    if (m_words.size() % 2 != 0)
        m_words.push_back(0);
}

void DialogTemplate::AddControl(const std::string& className, DWORD style, short x, short y, short width,
                                short height, WORD id, const std::string& text, DWORD exStyle) {
    AlignToDword();
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD;
    item.dwExtendedStyle = exStyle;
    item.x = x;
    item.y = y;
    item.cx = width;
    item.cy = height;
    item.id = id;
    AppendRaw(m_words, item);
    AppendString(className);
    AppendString(text);
    m_words.push_back(0); // no creation data
    reinterpret_cast<DLGTEMPLATE*>(m_words.data())->cdit++;
}
