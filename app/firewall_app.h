// The application object: prepares the common controls and the skin, runs the main window modally,
// and ends the program when it closes. Its only loop is the main window's modal loop.
#pragma once

#include "app/skin_library.h"
#include "app/win_app.h"

class CfirewallApp : public CWinApp {
public:
    CfirewallApp();
    // With another skin library; tests use it to see the calls.
    explicit CfirewallApp(palisor::SkinLibrary& skin);

    // The start-up sequence; runs the main window and always answers FALSE, so the program then ends.
    BOOL InitInstance() override;
    // Closes the skin library, then the framework's own exit handling.
    int ExitInstance() override;

protected:
    // Constructs the main window, makes it the main window and runs it modally; its result is not
    // looked at.
    virtual void RunMainWindow();

private:
    palisor::SkinLibrary& m_skin;
};
