// An off-screen drawing context for one paint cycle: drawing goes into a bitmap the size of the
// target's clip box, which is copied to the target in one operation when this object goes away.
// A printer target is drawn on directly.
#pragma once

#include <windows.h>

#include "ui/dc.h"
#include "ui/gdi_objects.h"

class CMemDC : public CDC {
public:
    explicit CMemDC(CDC* target);
    ~CMemDC() override;

    bool IsBuffered() const { return buffered; }
    const RECT& Bounds() const { return bounds; }

private:
    CBitmap offscreenBitmap;
    HBITMAP previousBitmap = nullptr;
    CDC* targetDC;
    RECT bounds = {0, 0, 0, 0};
    bool buffered;
};
