#include "ui/dc.h"

CDC::~CDC() {
    if (m_owned)
        DeleteDC();
}

BOOL CDC::Attach(HDC dc) {
    if (dc == nullptr || m_hDC != nullptr)
        return FALSE;
    m_hDC = m_hAttribDC = dc;
    m_owned = false;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    m_owned = false;
    return dc;
}

BOOL CDC::CreateCompatibleDC(HDC dc) {
    if (m_hDC != nullptr)
        return FALSE;
    HDC created = ::CreateCompatibleDC(dc);
    if (created == nullptr)
        return FALSE;
    m_hDC = m_hAttribDC = created;
    m_owned = true;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr || !m_owned)
        return FALSE;
    BOOL done = ::DeleteDC(m_hDC);
    m_hDC = m_hAttribDC = nullptr;
    m_owned = false;
    return done;
}

void CDC::FillSolidRect(const RECT& rect, COLORREF color) const {
    COLORREF previous = ::SetBkColor(m_hDC, color);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

void CDC::Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) const {
    int x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    FillSolidRect(RECT{x, y, x + cx - 1, y + 1}, topLeft);
    FillSolidRect(RECT{x, y, x + 1, y + cy - 1}, topLeft);
    FillSolidRect(RECT{x + cx - 1, y, x + cx, y + cy}, bottomRight);
    FillSolidRect(RECT{x, y + cy - 1, x + cx, y + cy}, bottomRight);
}

CPaintDC::CPaintDC(HWND hwnd) : m_hwnd(hwnd) {
    HDC dc = ::BeginPaint(hwnd, &m_ps);
    Attach(dc);
}

CPaintDC::~CPaintDC() {
    Detach();
    ::EndPaint(m_hwnd, &m_ps);
}

CClientDC::CClientDC(HWND hwnd) : m_hwnd(hwnd) {
    Attach(::GetDC(hwnd));
}

CClientDC::~CClientDC() {
    HDC dc = Detach();
    if (dc != nullptr)
        ::ReleaseDC(m_hwnd, dc);
}
