// Drawing contexts: CDC wraps a device context; CPaintDC and CClientDC obtain and release one.
#pragma once

#include <windows.h>

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;       // where drawing goes
    HDC m_hAttribDC = nullptr; // where attributes are queried; the same context unless printing
    BOOL m_bPrinting = FALSE;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    bool IsPrinting() const { return m_bPrinting != FALSE; }

    // Takes a context this object does not own (it is not deleted).
    BOOL Attach(HDC dc);
    HDC Detach();
    // Makes a memory context compatible with the given one; this object owns and deletes it.
    BOOL CreateCompatibleDC(HDC dc);
    BOOL DeleteDC();

    int SaveDC() const { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) const { return ::RestoreDC(m_hDC, saved); }
    HGDIOBJ SelectObject(HGDIOBJ object) const { return ::SelectObject(m_hDC, object); }
    HGDIOBJ SelectStockObject(int index) const { return ::SelectObject(m_hDC, ::GetStockObject(index)); }
    COLORREF SetTextColor(COLORREF color) const { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    COLORREF SetBkColor(COLORREF color) const { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
    int SetBkMode(int mode) const { return ::SetBkMode(m_hDC, mode); }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    POINT SetWindowOrg(int x, int y) const {
        POINT previous = {0, 0};
        ::SetWindowOrgEx(m_hDC, x, y, &previous);
        return previous;
    }
    // Fills with a solid colour without a brush (through the background colour, which is restored).
    void FillSolidRect(const RECT& rect, COLORREF color) const;
    BOOL FillRect(const RECT& rect, HBRUSH brush) const { return ::FillRect(m_hDC, &rect, brush) != 0; }
    BOOL DrawEdge(RECT* rect, UINT edge, UINT flags) const { return ::DrawEdge(m_hDC, rect, edge, flags); }
    // A one-pixel frame: top and left in one colour, bottom and right in another.
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) const;
    int DrawText(LPCSTR text, int length, RECT* rect, UINT format) const {
        return ::DrawTextA(m_hDC, text, length, rect, format);
    }
    POINT MoveTo(int x, int y) const {
        POINT previous = {0, 0};
        ::MoveToEx(m_hDC, x, y, &previous);
        return previous;
    }
    BOOL LineTo(int x, int y) const { return ::LineTo(m_hDC, x, y); }
    BOOL BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) const {
        return ::BitBlt(m_hDC, x, y, width, height, source, sourceX, sourceY, rop);
    }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

protected:
    bool m_owned = false; // this object deletes m_hDC
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hwnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hwnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd);
    ~CClientDC() override;

private:
    HWND m_hwnd;
};
