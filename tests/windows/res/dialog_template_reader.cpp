#include "tests/windows/res/dialog_template_reader.h"

namespace {

// A cursor over the template's bytes that refuses to read past the end.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool Word(WORD& value) { return Raw(&value, sizeof value); }
    bool Dword(DWORD& value) { return Raw(&value, sizeof value); }
    bool Short(short& value) { return Raw(&value, sizeof value); }
    bool Byte(BYTE& value) { return Raw(&value, sizeof value); }

    bool Text(std::string& out) {
        out.clear();
        std::wstring wide;
        for (;;) {
            WORD c;
            if (!Word(c))
                return false;
            if (c == 0)
                break;
            wide.push_back(static_cast<wchar_t>(c));
        }
        if (!wide.empty()) {
            int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
            std::string narrow(n, '\0');
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &narrow[0], n, nullptr, nullptr);
            narrow.resize(n - 1);
            out = narrow;
        }
        return true;
    }

    // A field that is empty (0), a number (0xFFFF then the number) or a string.
    bool TextOrOrdinal(std::string& text, int& ordinal) {
        ordinal = -1;
        text.clear();
        WORD first;
        if (!Peek(first))
            return false;
        if (first == 0xFFFF) {
            WORD value;
            if (!Word(first) || !Word(value))
                return false;
            ordinal = value;
            return true;
        }
        return Text(text);
    }

    void AlignToDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }

    bool Skip(size_t n) {
        if (n > m_size - m_pos)
            return false;
        m_pos += n;
        return true;
    }

private:
    bool Raw(void* out, size_t n) {
        if (m_pos > m_size || n > m_size - m_pos)
            return false;
        memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    bool Peek(WORD& value) {
        if (m_pos > m_size || sizeof value > m_size - m_pos)
            return false;
        memcpy(&value, m_data + m_pos, sizeof value);
        return true;
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

std::string PredefinedClass(int ordinal) {
    switch (ordinal) {
    case 0x80:
        return "Button";
    case 0x81:
        return "Edit";
    case 0x82:
        return "Static";
    case 0x83:
        return "ListBox";
    case 0x84:
        return "ScrollBar";
    case 0x85:
        return "ComboBox";
    default:
        return "#" + std::to_string(ordinal);
    }
}

} // namespace

bool ReadDialogTemplate(HMODULE module, int id, DialogTemplateInfo& out, std::string& error) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (!found) {
        error = "no dialog template " + std::to_string(id);
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = SizeofResource(module, found);
    if (!data || size == 0) {
        error = "dialog template " + std::to_string(id) + " does not load";
        return false;
    }
    Reader r(data, size);
    WORD version = 0, signature = 0, count = 0;
    DWORD helpId = 0;
    std::string menu, windowClass;
    int menuOrdinal = -1, classOrdinal = -1;
    out = DialogTemplateInfo();
    error = "dialog template " + std::to_string(id) + " is cut short";
    if (!r.Word(version) || !r.Word(signature))
        return false;
    if (version != 1 || signature != 0xFFFF) {
        error = "dialog template " + std::to_string(id) + " is not an extended template";
        return false;
    }
    if (!r.Dword(helpId) || !r.Dword(out.exStyle) || !r.Dword(out.style) || !r.Word(count) ||
        !r.Short(out.x) || !r.Short(out.y) || !r.Short(out.width) || !r.Short(out.height) ||
        !r.TextOrOrdinal(menu, menuOrdinal) || !r.TextOrOrdinal(windowClass, classOrdinal) ||
        !r.Text(out.caption))
        return false;
    if (out.style & (DS_SETFONT | DS_FIXEDSYS)) {
        WORD weight;
        BYTE italic, charset;
        if (!r.Word(out.pointSize) || !r.Word(weight) || !r.Byte(italic) || !r.Byte(charset) ||
            !r.Text(out.fontName))
            return false;
    }
    for (WORD i = 0; i < count; ++i) {
        TemplateControl c;
        DWORD controlId = 0;
        int ordinal = -1;
        WORD extra = 0;
        r.AlignToDword();
        if (!r.Dword(helpId) || !r.Dword(c.exStyle) || !r.Dword(c.style) || !r.Short(c.x) || !r.Short(c.y) ||
            !r.Short(c.width) || !r.Short(c.height) || !r.Dword(controlId) ||
            !r.TextOrOrdinal(c.className, ordinal) || !r.TextOrOrdinal(c.text, c.textOrdinal) ||
            !r.Word(extra) || !r.Skip(extra))
            return false;
        if (ordinal >= 0)
            c.className = PredefinedClass(ordinal);
        c.id = static_cast<int>(controlId);
        out.controls.push_back(c);
    }
    error.clear();
    return true;
}
