// Icons, the check-box strip and the banner: their sizes and formats, and what they look like
// once the platform has loaded and drawn them.
#include "res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <set>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb kMagenta = {255, 0, 255};
const Rgb kShadow = {134, 134, 134};
const Rgb kDark = {4, 4, 4};
const Rgb kLight = {192, 192, 192};
const Rgb kWhite = {255, 255, 255};

bool NearBlack(const Rgb& c) {
    return c.r <= 40 && c.g <= 40 && c.b <= 40;
}

// A 32-bit top-down drawing surface whose pixels can be read back.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap =
            CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, width, height};
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    Rgb At(int x, int y) const {
        GdiFlush();
        DWORD v = m_bits[y * m_width + x];
        return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
                static_cast<int>(v & 255)};
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};

// The bitmap resource as the program loads it, read back as top-down rows of colours.
std::vector<std::vector<Rgb>> LoadPixels(int id, int& width, int& height) {
    std::vector<std::vector<Rgb>> rows;
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    if (!bitmap)
        return rows;
    BITMAP desc = {};
    GetObjectA(bitmap, sizeof desc, &desc);
    width = desc.bmWidth;
    height = desc.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> bits(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    int got = GetDIBits(screen, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    if (got != height)
        return rows;
    for (int y = 0; y < height; ++y) {
        std::vector<Rgb> row;
        for (int x = 0; x < width; ++x) {
            DWORD v = bits[y * width + x];
            row.push_back({static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
                           static_cast<int>(v & 255)});
        }
        rows.push_back(row);
    }
    return rows;
}

const BITMAPINFOHEADER* BitmapHeader(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (!found || SizeofResource(nullptr, found) < sizeof(BITMAPINFOHEADER))
        return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
}

// Where a pixel of a check-box image lies: the 13 x 13 box spans x 3..15 and y 2..14.
enum class Part { Outside, OuterTopLeft, OuterBottomRight, InnerTopLeft, InnerBottomRight, Corner, Inside };

Part PartOf(int x, int y) {
    if (x < 3 || x > 15 || y < 2 || y > 14)
        return Part::Outside;
    // The two corners where a top-left edge meets a bottom-right edge may take either colour.
    if ((x == 15 && y == 2) || (x == 3 && y == 14) || (x == 14 && y == 3) || (x == 4 && y == 13))
        return Part::Corner;
    if (x == 3 || y == 2)
        return Part::OuterTopLeft;
    if (x == 15 || y == 14)
        return Part::OuterBottomRight;
    if (x == 4 || y == 3)
        return Part::InnerTopLeft;
    if (x == 14 || y == 13)
        return Part::InnerBottomRight;
    return Part::Inside;
}

void ExpectBoxPixel(const Rgb& got, int x, int y, bool ticked) {
    SCOPED_TRACE("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")");
    switch (PartOf(x, y)) {
    case Part::Outside:
        EXPECT_EQ(kMagenta, got);
        break;
    case Part::OuterTopLeft:
        EXPECT_EQ(kShadow, got);
        break;
    case Part::OuterBottomRight:
        EXPECT_EQ(kWhite, got);
        break;
    case Part::InnerTopLeft:
        EXPECT_EQ(kDark, got);
        break;
    case Part::InnerBottomRight:
        EXPECT_EQ(kLight, got);
        break;
    case Part::Corner:
        if (x == 15 || y == 14)
            EXPECT_TRUE(got == kShadow || got == kWhite) << got;
        else
            EXPECT_TRUE(got == kDark || got == kLight) << got;
        break;
    case Part::Inside:
        if (ticked)
            EXPECT_TRUE(got == kWhite || NearBlack(got)) << got;
        else
            EXPECT_EQ(kWhite, got);
        break;
    }
}

TEST(CheckBoxStrip, HoldsBlankClearAndTickedBoxesOnMagenta) {
    int width = 0, height = 0;
    auto pixels = LoadPixels(IDB_CHECK_BOXES, width, height);
    ASSERT_EQ(48, width);
    ASSERT_EQ(16, height);
    ASSERT_EQ(16u, pixels.size());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(kMagenta, pixels[y][x]) << "image 0 is blank at (" << x << ", " << y << ")";
            ExpectBoxPixel(pixels[y][16 + x], x, y, false);
            ExpectBoxPixel(pixels[y][32 + x], x, y, true);
        }
}

TEST(CheckBoxStrip, TickFallsThenRises) {
    int width = 0, height = 0;
    auto pixels = LoadPixels(IDB_CHECK_BOXES, width, height);
    ASSERT_EQ(16, height);
    int count = 0, lowestY = -1, lowestX = 0, highestY = 99, highestX = 0, leftX = 99, leftTop = 0;
    for (int y = 4; y <= 12; ++y)
        for (int x = 5; x <= 13; ++x) {
            if (!NearBlack(pixels[y][32 + x]))
                continue;
            ++count;
            if (y > lowestY)
                lowestY = y, lowestX = x;
            if (y < highestY)
                highestY = y, highestX = x;
            if (x < leftX)
                leftX = x, leftTop = y;
        }
    EXPECT_GE(count, 10) << "the tick is drawn";
    EXPECT_LT(lowestX, 9) << "its low point lies left of the box's centre";
    EXPECT_GT(highestX, 10) << "its high end lies on the right";
    EXPECT_LT(highestY, leftTop) << "the right arm rises above the left one";
}

TEST(CheckBoxStrip, MagentaTurnsTransparentInAMaskedImageList) {
    HBITMAP strip = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHECK_BOXES));
    ASSERT_NE(nullptr, strip);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 3);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(0, ImageList_AddMasked(list, strip, RGB(255, 0, 255)));
    DeleteObject(strip);
    ASSERT_EQ(3, ImageList_GetImageCount(list));
    const Rgb green = {0, 128, 0};
    for (int image = 0; image < 3; ++image) {
        SCOPED_TRACE("image " + std::to_string(image));
        Canvas canvas(16, 16, RGB(0, 128, 0));
        ASSERT_TRUE(ImageList_Draw(list, image, canvas.dc(), 0, 0, ILD_TRANSPARENT));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                bool box = image > 0 && PartOf(x, y) != Part::Outside;
                if (!box)
                    EXPECT_EQ(green, canvas.At(x, y)) << "(" << x << ", " << y << ")";
                else
                    EXPECT_FALSE(canvas.At(x, y) == green || canvas.At(x, y) == kMagenta)
                        << "(" << x << ", " << y << ")";
            }
    }
    ImageList_Destroy(list);
}

TEST(Banner, Is468By60At16BitsPerPixel) {
    const BITMAPINFOHEADER* header = BitmapHeader(IDB_BANNER);
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(468, header->biWidth);
    EXPECT_EQ(60, header->biHeight < 0 ? -header->biHeight : header->biHeight);
    EXPECT_EQ(16, header->biBitCount);
    EXPECT_TRUE(header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS);
}

// The picture control centres the bitmap and paints the rest of its area in the colour of the
// bitmap's top-left pixel: the bitmap's border has to be that colour for the strip to look whole.
TEST(Banner, BorderIsOnePlainColourAndTheNameStandsOut) {
    int width = 0, height = 0;
    auto pixels = LoadPixels(IDB_BANNER, width, height);
    ASSERT_EQ(60, height);
    ASSERT_EQ(468, width);
    const Rgb corner = pixels[0][0];
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(corner, pixels[0][x]) << "top row, x " << x;
        EXPECT_EQ(corner, pixels[height - 1][x]) << "bottom row, x " << x;
    }
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(corner, pixels[y][0]) << "left column, y " << y;
        EXPECT_EQ(corner, pixels[y][width - 1]) << "right column, y " << y;
    }
    int bright = 0;
    std::set<int> colours;
    for (const auto& row : pixels)
        for (const Rgb& c : row) {
            bright += (c.r + c.g + c.b) > 3 * 220;
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    EXPECT_GT(bright, 400) << "light lettering on the dark ground";
    EXPECT_GT(colours.size(), 16u);
}

struct IconDirectory {
    std::set<int> sizes;
    std::set<int> depths;
};

IconDirectory ReadIconDirectory(int id) {
    IconDirectory dir;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (!found)
        return dir;
    DWORD size = SizeofResource(nullptr, found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    if (!data || size < 6)
        return dir;
    WORD count;
    memcpy(&count, data + 4, 2);
    for (WORD i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
        const BYTE* entry = data + 6 + 14 * i;
        WORD bits;
        memcpy(&bits, entry + 6, 2);
        dir.sizes.insert(entry[0] == 0 ? 256 : entry[0]);
        dir.depths.insert(bits);
    }
    return dir;
}

TEST(Icons, EachHasSmallAndLargeImages) {
    for (int id : {128, 143, 144, 146}) {
        IconDirectory dir = ReadIconDirectory(id);
        EXPECT_TRUE(dir.sizes.count(16)) << "icon " << id << " lacks 16 x 16";
        EXPECT_TRUE(dir.sizes.count(32)) << "icon " << id << " lacks 32 x 32";
        EXPECT_EQ(std::set<int>{32}, dir.depths) << "icon " << id;
    }
    EXPECT_TRUE(ReadIconDirectory(128).sizes.count(48)) << "the program icon also comes in 48 x 48";
}

// Drawn on white and on black, an icon leaves its corners to the background and covers a fair
// part of its square: a lost or inverted mask shows at once.
TEST(Icons, DrawWithTransparentCornersAndVisibleContent) {
    for (int id : {128, 143, 144, 146})
        for (int size : {16, 32}) {
            SCOPED_TRACE("icon " + std::to_string(id) + " at " + std::to_string(size));
            HICON icon = static_cast<HICON>(
                LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(nullptr, icon);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            GetObjectA(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(size, colour.bmWidth);
            EXPECT_EQ(size, colour.bmHeight);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            for (COLORREF back : {RGB(255, 255, 255), RGB(0, 0, 0)}) {
                Canvas canvas(size, size, back);
                ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
                const Rgb bg = {GetRValue(back), GetGValue(back), GetBValue(back)};
                EXPECT_EQ(bg, canvas.At(0, 0));
                EXPECT_EQ(bg, canvas.At(size - 1, 0));
                int covered = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        covered += !(canvas.At(x, y) == bg);
                EXPECT_GE(covered, size * size / 4);
            }
            DestroyIcon(icon);
        }
}

} // namespace
