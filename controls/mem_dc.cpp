#include "controls/mem_dc.h"

CMemDC::CMemDC(CDC* target) : targetDC(target), buffered(!target->IsPrinting()) {
    if (!buffered) {
        // Borrowed: forgotten again before the base class would delete them.
        m_hDC = target->m_hDC;
        m_hAttribDC = target->m_hAttribDC;
        m_bPrinting = target->m_bPrinting;
        return;
    }
    ::GetClipBox(target->m_hDC, &bounds);
    if (!CreateCompatibleDC(target->m_hDC))
        return;
    if (!offscreenBitmap.CreateCompatibleBitmap(target->m_hDC, bounds.right - bounds.left,
                                                bounds.bottom - bounds.top))
        return;
    previousBitmap = static_cast<HBITMAP>(SelectObject(offscreenBitmap));
    // Drawing in the target's coordinates lands at the right place in the bitmap.
    SetWindowOrg(bounds.left, bounds.top);
}

CMemDC::~CMemDC() {
    if (buffered) {
        // Without the bitmap nothing was drawn that could be shown; the target is left alone.
        if (m_hDC != nullptr && offscreenBitmap.GetSafeHandle() != nullptr) {
            ::BitBlt(targetDC->m_hDC, bounds.left, bounds.top, bounds.right - bounds.left,
                     bounds.bottom - bounds.top, m_hDC, bounds.left, bounds.top, SRCCOPY);
            SelectObject(previousBitmap);
        }
    } else {
        m_hDC = nullptr;
        m_hAttribDC = nullptr;
    }
    // The bitmap member, now deselected, is deleted next, and the memory context by the base.
}
