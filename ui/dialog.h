// The dialog base: a window made from a dialog template, run modally with the framework's own
// message loop or created modeless (e.g. as a child of another dialog).
//
// Messages reach the object through the dialog procedure. A handled message's result goes back
// through DWLP_MSGRESULT, except for the messages whose result the dialog procedure returns directly;
// an unhandled one is left to the system's dialog manager.
#pragma once

#include <windows.h>

#include "ui/window.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    // From a template in the program's resources.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    // From a template in memory; the caller keeps it alive until the window exists.
    explicit CDialog(const DLGTEMPLATE* templateData, CWnd* parent = nullptr);

    // Runs the dialog modally: disables the owner, runs the message loop until EndDialog and
    // returns EndDialog's value (-1 when the window could not be created).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless, from the constructor's template or the given one.
    BOOL Create(CWnd* parent = nullptr);
    BOOL Create(UINT templateId, CWnd* parent);
    BOOL CreateIndirect(const DLGTEMPLATE* templateData, CWnd* parent);

    // Ends a modal run with the given result; a modeless dialog is hidden.
    void EndDialog(int result);
    bool IsModalRunning() const { return m_modalRunning; }

    // Copies data between the controls and the object (save = TRUE: controls to object).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // The dialog manager's keyboard handling (Tab, arrows, default button) for this dialog.
    BOOL PreTranslateMessage(MSG* msg) override;
    // Asks for the dialog manager's processing, which it does once the dialog procedure has returned;
    // so in a dialog, Default() gives no result to work with.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Directly returned by the dialog procedure instead of through DWLP_MSGRESULT.
    static bool ReturnsResultDirectly(UINT message);

    void SetResourceInstance(HINSTANCE instance) { m_instance = instance; }

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();
    virtual void OnCancel();

    static INT_PTR CALLBACK StandardDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProcedure(UINT message, WPARAM wParam, LPARAM lParam);

    CWnd* m_parent = nullptr;
    UINT m_templateId = 0;
    const DLGTEMPLATE* m_templateData = nullptr;
    HINSTANCE m_instance = nullptr;

private:
    BOOL CreateFromTemplate(HWND parent);
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    void HandleOk() { OnOK(); }
    void HandleCancel() { OnCancel(); }

    bool m_modalRunning = false;
    INT_PTR m_modalResult = -1;

    DECLARE_MESSAGE_TABLE()
};
