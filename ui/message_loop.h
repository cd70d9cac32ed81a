// The message loop's pre-translation: the target window and its parents, up to the top-level window,
// each get a look at a message before it is translated and dispatched.
#pragma once

#include <windows.h>

namespace ui {

// Returns true when a window's PreTranslateMessage dealt with the message.
bool PreTranslateThroughParents(MSG* msg);

// Gets and dispatches messages until keepRunning() is false or WM_QUIT arrives (which is posted
// again for the loop outside). Returns false when WM_QUIT ended it.
template <typename Condition> bool RunMessageLoop(Condition keepRunning);

bool PumpOneMessage();

template <typename Condition> bool RunMessageLoop(Condition keepRunning) {
    while (keepRunning()) {
        if (!PumpOneMessage())
            return false;
    }
    return true;
}

} // namespace ui
