// The off-screen drawing context against memory targets.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/mem_dc.h"

namespace {

constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kRed = RGB(200, 0, 0);

class Target {
public:
    Target() {
        HDC screen = ::GetDC(nullptr);
        dc = ::CreateCompatibleDC(screen);
        bitmap = ::CreateCompatibleBitmap(screen, 100, 50);
        ::ReleaseDC(nullptr, screen);
        previous = ::SelectObject(dc, bitmap);
        RECT all = {0, 0, 100, 50};
        HBRUSH green = ::CreateSolidBrush(kGreen);
        ::FillRect(dc, &all, green);
        ::DeleteObject(green);
    }
    ~Target() {
        ::SelectObject(dc, previous);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

TEST(MemDC, BuffersOnlyTheClipBoxAndCopiesItOnDestruction) {
    Target target;
    ::IntersectClipRect(target.dc, 10, 10, 40, 30);
    CDC wrapper;
    wrapper.Attach(target.dc);
    {
        CMemDC offscreen(&wrapper);
        ASSERT_TRUE(offscreen.IsBuffered());
        EXPECT_NE(offscreen.m_hDC, target.dc);
        EXPECT_EQ(offscreen.Bounds().left, 10);
        EXPECT_EQ(offscreen.Bounds().bottom, 30);
        // Drawn in the target's coordinates, over more than the clip box.
        offscreen.FillSolidRect(RECT{0, 0, 100, 50}, kRed);
        EXPECT_EQ(::GetPixel(target.dc, 20, 20), kGreen) << "nothing reaches the target before the copy";
    }
    ::SelectClipRgn(target.dc, nullptr);
    EXPECT_EQ(::GetPixel(target.dc, 10, 10), kRed);
    EXPECT_EQ(::GetPixel(target.dc, 39, 29), kRed);
    EXPECT_EQ(::GetPixel(target.dc, 40, 20), kGreen);
    EXPECT_EQ(::GetPixel(target.dc, 9, 20), kGreen);
    EXPECT_EQ(::GetPixel(target.dc, 20, 30), kGreen);
    EXPECT_EQ(::GetPixel(target.dc, 0, 0), kGreen);
    wrapper.Detach();
}

TEST(MemDC, PrintingTargetIsDrawnOnDirectlyAndSurvives) {
    Target target;
    CDC printer;
    printer.Attach(target.dc);
    printer.m_bPrinting = TRUE;
    {
        CMemDC direct(&printer);
        EXPECT_FALSE(direct.IsBuffered());
        EXPECT_EQ(direct.m_hDC, target.dc);
        direct.FillSolidRect(RECT{0, 0, 5, 5}, kRed);
        EXPECT_EQ(::GetPixel(target.dc, 2, 2), kRed) << "straight into the target";
    }
    // The target's context is still alive and usable.
    EXPECT_EQ(::GetPixel(target.dc, 2, 2), kRed);
    EXPECT_NE(::SetPixel(target.dc, 50, 20, kRed), static_cast<COLORREF>(-1));
    EXPECT_EQ(::GetPixel(target.dc, 50, 20), kRed);
    printer.Detach();
}

} // namespace
