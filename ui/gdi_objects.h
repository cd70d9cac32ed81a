// Owned GDI objects: pens, brushes, bitmaps and fonts, deleted with the object.
#pragma once

#include <windows.h>

template <typename Handle> class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle GetSafeHandle() const { return m_handle; }
    operator Handle() const { return m_handle; }
    // Takes ownership of a handle, deleting the previous one.
    void Attach(Handle handle) {
        DeleteObject();
        m_handle = handle;
    }
    Handle Detach() {
        Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    BOOL DeleteObject() {
        if (m_handle == nullptr)
            return FALSE;
        BOOL done = ::DeleteObject(m_handle);
        m_handle = nullptr;
        return done;
    }

protected:
    Handle m_handle = nullptr;
};

class CPen : public CGdiObject<HPEN> {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color) {
        Attach(::CreatePen(style, width, color));
        return m_handle != nullptr;
    }
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) {
        Attach(::CreateSolidBrush(color));
        return m_handle != nullptr;
    }
};

class CBitmap : public CGdiObject<HBITMAP> {
public:
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height) {
        Attach(::CreateCompatibleBitmap(dc, width, height));
        return m_handle != nullptr;
    }
    BOOL LoadBitmap(UINT id) {
        Attach(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
        return m_handle != nullptr;
    }
};

class CFont : public CGdiObject<HFONT> {
public:
    BOOL CreateFontIndirect(const LOGFONTA* font) {
        Attach(::CreateFontIndirectA(font));
        return m_handle != nullptr;
    }
};
