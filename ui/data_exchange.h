// Data exchange between a dialog's controls and its members, run by UpdateData.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_dialog;
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls

    // The control with the given id, or null (which also marks the exchange as failed).
    HWND PrepareCtrl(int id);
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

private:
    bool m_failed = false;
};

// The text of an edit box, static text or other window.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// A whole number in an edit box; text that is not a number fails the exchange on saving.
void DDX_Text(CDataExchange* dx, int id, int& value);
// The index of the checked button in the radio group that starts with the given control (the group
// runs up to the next control with WS_GROUP); -1 when none is checked.
void DDX_Radio(CDataExchange* dx, int firstId, int& value);
// A check box's state: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange* dx, int id, int& value);
// Binds the template's control to its wrapper object, once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
