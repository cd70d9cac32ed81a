// Builds a dialog template in memory, for dialogs that have no template in the resources.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DialogTemplate {
public:
    // Dialog units; with a font (DS_SETFONT is added) when fontName is not empty.
    DialogTemplate(DWORD style, DWORD exStyle, short x, short y, short width, short height,
                   const std::string& caption = std::string(), WORD pointSize = 8,
                   const std::string& fontName = "MS Shell Dlg");

    // A control by class name ("SysListView32", "BUTTON", ...). WS_CHILD is added.
    void AddControl(const std::string& className, DWORD style, short x, short y, short width, short height,
                    WORD id, const std::string& text = std::string(), DWORD exStyle = 0);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void AppendString(const std::string& text);
    void AlignToDword();

    std::vector<WORD> m_words; // DWORD-aligned by the vector's allocator
};
