#!/usr/bin/env python3
"""Draws Palisor's icons and bitmaps and writes them as .ico and .bmp files beside this script.

    python3 res/artwork/make_artwork.py [--png DIR]

The vector shapes are rasterised by ImageMagick's `convert` (anti-aliased, straight at each size);
everything else — the check-box strip pixel by pixel, the icon directories, the 16-bit banner with its
dithering — is written here byte by byte, so the files are exactly what the program expects.
The generated files are committed: the build does not run this script. With --png, a PNG preview of
each image (enlarged where small) is written to DIR for looking at.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"  # Debian's fonts-dejavu-core
BOLD_FONT = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
PLAIN_FONT = os.path.join(FONT_DIR, "DejaVuSans.ttf")


def convert_program():
    # Prefer ImageMagick's own binary: a wrapper earlier on PATH may rewrite raw output.
    for name in ("/usr/bin/convert-im6.q16", "/usr/bin/convert"):
        if os.path.exists(name):
            return name
    found = shutil.which("convert")
    if not found:
        sys.exit("make_artwork.py: ImageMagick's convert is needed (apt-get install imagemagick)")
    return found


CONVERT = convert_program()


def run_convert(args):
    return subprocess.run([CONVERT] + args, check=True, stdout=subprocess.PIPE).stdout


# ---------------------------------------------------------------------------------------------
# Vector shapes, drawn in a 256 x 256 design space and scaled to each icon size.

SHIELD = "M 128,14 C 96,34 64,42 30,42 L 30,118 C 30,184 74,226 128,246 C 182,226 226,184 226,118 L 226,42 C 192,42 160,34 128,14 Z"
SHIELD_LEFT = "M 128,14 C 96,34 64,42 30,42 L 30,118 C 30,184 74,226 128,246 Z"


def stake(cx, half, top, tip, bottom):
    """A pointed palisade stake centred on cx."""
    return f"M {cx - half},{bottom} L {cx - half},{top} L {cx},{tip} L {cx + half},{top} L {cx + half},{bottom} Z"


def palisor_shapes(size):
    """The program icon: a blue shield bearing a palisade of three golden stakes."""
    unit = 256.0 / size  # design units per pixel
    outline = max(1.0, size / 24.0) * unit
    stakes = []
    if size <= 16:
        # At 16 pixels three thin stakes blur into one block: two broad ones read better.
        layout = [(98, 22), (158, 22)]
        top, tip, bottom = 100, 64, 200
        bar = (66, 140, 190, 160)
    else:
        layout = [(90, 17), (128, 17), (166, 17)]
        top, tip, bottom = 96, 66, 202
        bar = (64, 142, 192, 160)
    for cx, half in layout:
        stakes.append(stake(cx, half, top, tip, bottom))
    shapes = [
        ("#3d7fd9", "none", 0, f"path '{SHIELD}'"),
        ("#1f4f9e", "none", 0, f"path '{SHIELD_LEFT}'"),
    ]
    stake_stroke = max(1.0, size / 32.0) * unit
    for s in stakes:
        shapes.append(("#f4c542", "#6b4a0e", stake_stroke, f"path '{s}'"))
    x0, y0, x1, y1 = bar
    shapes.append(("#e2a92a", "#6b4a0e", stake_stroke, f"rectangle {x0},{y0} {x1},{y1}"))
    shapes.append(("none", "#0c2449", outline, f"path '{SHIELD}'"))
    return shapes


def conversation_shapes(size):
    """Two opposed arrows: traffic both ways between a pair of addresses."""
    unit = 256.0 / size
    outline = 0 if size <= 16 else max(1.0, size / 24.0) * unit
    right = "M 20,58 L 150,58 L 150,22 L 238,86 L 150,150 L 150,114 L 20,114 Z"
    left = "M 236,142 L 106,142 L 106,106 L 18,170 L 106,234 L 106,198 L 236,198 Z"
    return [
        ("#35a853", "#15551f", outline, f"path '{right}'"),
        ("#3b78d8", "#163f80", outline, f"path '{left}'"),
    ]


def header_group_shapes(size):
    """A folder: the branch that groups the fields of one protocol header."""
    unit = 256.0 / size
    outline = max(1.0, size / 24.0) * unit
    back = "M 14,58 L 92,58 L 114,82 L 242,82 L 242,226 L 14,226 Z"
    front = "M 14,226 L 40,112 L 252,112 L 242,226 Z"
    return [
        ("#d99a1e", "#6e4a06", outline, f"path '{back}'"),
        ("#f7c948", "#6e4a06", outline, f"path '{front}'"),
    ]


def field_shapes(size):
    """A page with a folded corner and lines of text: one decoded field."""
    unit = 256.0 / size
    outline = max(1.0, size / 24.0) * unit
    page = "M 42,14 L 164,14 L 216,66 L 216,244 L 42,244 Z"
    fold = "M 164,14 L 164,66 L 216,66 Z"
    shapes = [
        ("#ffffff", "#4a5563", outline, f"path '{page}'"),
        ("#d5dbe3", "#4a5563", outline, f"path '{fold}'"),
    ]
    line = max(1.0, size / 16.0) * unit
    rows = [104, 148, 192] if size <= 16 else [100, 136, 172, 208]
    for i, y in enumerate(rows):
        x1 = 184 if i % 2 == 0 else 152
        shapes.append(("#2f6fd0", "none", 0, f"rectangle 74,{y - line / 2:.1f} {x1},{y + line / 2:.1f}"))
    return shapes


def render_rgba(shapes, size):
    """Rasterises the shapes at size x size; returns rows of (r, g, b, a) tuples, top row first."""
    scale = size / 256.0
    draw = [f"scale {scale:.6f},{scale:.6f}"]
    for fill, stroke, width, primitive in shapes:
        draw.append(f"fill '{fill}' stroke '{stroke}' stroke-width {width:.3f} {primitive}")
    data = run_convert(
        ["-size", f"{size}x{size}", "xc:none", "-draw", " ".join(draw), "-depth", "8", "rgba:-"]
    )
    if len(data) != size * size * 4:
        sys.exit("make_artwork.py: unexpected raster size from convert")
    return [[tuple(data[(y * size + x) * 4 : (y * size + x) * 4 + 4]) for x in range(size)] for y in range(size)]


def crisp(pixels):
    """Makes every pixel fully opaque or fully clear: small icons stay sharp in any image list."""
    return [[(r, g, b, 255) if a >= 128 else (0, 0, 0, 0) for r, g, b, a in row] for row in pixels]


# ---------------------------------------------------------------------------------------------
# File formats.


def dib_32(pixels):
    """Icon image: 32-bit colour with alpha, then the 1-bit mask (set where the icon is clear)."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):  # bottom-up
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            if a < 128:
                # Clear in the mask; black colour so that mask-only drawing leaves the background.
                bits[x // 8] |= 0x80 >> (x % 8)
                r = g = b = 0
            colour += bytes((b, g, r, a))
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    """images: list of pixel grids, one per size."""
    entries = bytearray()
    blobs = []
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        blob = dib_32(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        f.write(entries)
        for blob in blobs:
            f.write(blob)


def write_bmp_24(path, pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40))
        f.write(info + body)


def expand5(v):
    return (v << 3) | (v >> 2)


def to_555(pixels):
    """Quantises 8-bit RGB to 5 bits a channel with Floyd-Steinberg error diffusion.

    Colours that already lie on the 5-bit grid come through unchanged, so flat areas stay flat."""
    height, width = len(pixels), len(pixels[0])
    work = [[list(map(float, p)) for p in row] for row in pixels]
    out = [[0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            old = work[y][x]
            q = [min(31, max(0, int(round(c * 31 / 255.0)))) for c in old]
            out[y][x] = (q[0] << 10) | (q[1] << 5) | q[2]
            err = [o - expand5(v) for o, v in zip(old, q)]
            for dx, dy, wgt in ((1, 0, 7 / 16), (-1, 1, 3 / 16), (0, 1, 5 / 16), (1, 1, 1 / 16)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < width and ny < height:
                    for c in range(3):
                        work[ny][nx][c] += err[c] * wgt
    return out


def write_bmp_16(path, words):
    """16 bits per pixel, BI_RGB: five bits each of red, green and blue."""
    height, width = len(words), len(words[0])
    stride = (width * 2 + 3) & ~3
    body = bytearray()
    for row in reversed(words):
        line = b"".join(struct.pack("<H", w) for w in row)
        body += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40))
        f.write(info + body)


# ---------------------------------------------------------------------------------------------
# The check-box strip: three square images on magenta, which the image list makes transparent. It
# comes in the sizes a screen of 96, 120, 144 and 192 dots per inch needs; the 16-pixel strip is the
# design, and the larger ones are the same box drawn with its measures scaled.

MAGENTA = (255, 0, 255)
SHADOW = (134, 134, 134)  # outer top and left edge
DARK = (4, 4, 4)  # inner top and left edge, and the tick
LIGHT = (192, 192, 192)  # inner bottom and right edge
WHITE = (255, 255, 255)  # outer bottom and right edge, and the inside

CHECK_SIZES = (16, 20, 24, 32)

# Columns of the tick inside the 9 x 9 white square: (column, first row, last row).
TICK = [(1, 3, 5), (2, 4, 6), (3, 5, 7), (4, 4, 6), (5, 3, 5), (6, 2, 4), (7, 1, 3)]


def scaled(v, size):
    """A measure of the 16-pixel design at another size, rounded as the program rounds (halves up)."""
    return (v * size + 8) // 16


def check_box_image(ticked, size=16):
    img = [[MAGENTA] * size for _ in range(size)]
    # The 13 x 13 box of the 16-pixel image, edges included, at the image's right edge and two pixels
    # from its top; its two rings stay one pixel each at every size.
    box = scaled(13, size)
    right = size - 1
    left = right - box + 1
    top = min(scaled(2, size), size - box)
    bottom = top + box - 1
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            img[y][x] = WHITE
    # Outer ring: shadow above and left, white below and right (which own the two odd corners).
    for x in range(left, right):
        img[top][x] = SHADOW
    for y in range(top, bottom):
        img[y][left] = SHADOW
    for x in range(left, right + 1):
        img[bottom][x] = WHITE
    for y in range(top, bottom + 1):
        img[y][right] = WHITE
    # Inner ring: near-black above and left, light grey below and right.
    for x in range(left + 1, right - 1):
        img[top + 1][x] = DARK
    for y in range(top + 1, bottom - 1):
        img[y][left + 1] = DARK
    for x in range(left + 1, right):
        img[bottom - 1][x] = LIGHT
    for y in range(top + 1, bottom):
        img[y][right - 1] = LIGHT
    if ticked:
        ox, oy = left + 2, top + 2  # the white square's top-left pixel
        if size == 16:
            for col, first, last in TICK:
                for row in range(first, last + 1):
                    img[oy + row][ox + col] = DARK
        else:
            # The same V through the centres of the design's columns, three scaled pixels thick.
            k = size / 16.0
            thick = scaled(3, size)
            for col in range(scaled(1, size), scaled(8, size)):
                u = (col + 0.5) / k  # the column's centre in design pixels
                first = 5 - abs(u - 3.5)  # the design's first rows: 3 4 5 4 3 2 1 at u = 1.5 .. 7.5
                y0 = int(first * k + 0.5)
                for row in range(y0, y0 + thick):
                    img[oy + row][ox + col] = DARK
    return img


def check_box_strip(size=16):
    blank = [[MAGENTA] * size for _ in range(size)]
    images = [blank, check_box_image(False, size), check_box_image(True, size)]
    return [sum((images[i][y] for i in range(3)), []) for y in range(size)]


# ---------------------------------------------------------------------------------------------
# The banner: 468 x 60 at 96 dots per inch, 16 bits per pixel; drawn again, larger, for 120, 144 and
# 192 dots per inch, so that its text and shield are as sharp as the dialog around it.

BANNER_BACK = (expand5(3), expand5(7), expand5(12))  # navy, exactly on the 5-bit grid
BANNER_DPIS = (96, 120, 144, 192)


def render_banner(tmp, dpi=96):
    k = dpi / 96.0
    width, height = round(468 * k), round(60 * k)
    shield_size = round(48 * k)
    shield = os.path.join(tmp, f"shield-{shield_size}.png")
    write_png_via_convert(shield, palisor_pixels(shield_size))
    back = "#%02x%02x%02x" % BANNER_BACK
    stakes = []
    # A faint palisade on the right, kept clear of the edges so the picture meets the plain
    # background colour that the banner control paints around it.
    for i in range(9):
        cx = 326 + i * 14
        stake_height = 30 + (i % 3) * 4
        stakes.append(f"path '{stake(cx, 4, 52 - stake_height + 6, 52 - stake_height, 52)}'")
    draw = f"scale {k:.6f},{k:.6f} fill '#214a7b' stroke none " + " ".join(stakes)
    bar = f"scale {k:.6f},{k:.6f} rectangle 318,44 452,47"
    data = run_convert(
        [
            "-size", f"{width}x{height}", f"xc:{back}",
            "-draw", draw,
            "-fill", "#295a94", "-draw", bar,
            shield, "-geometry", f"+{round(14 * k)}+{round(6 * k)}", "-composite",
            "-font", BOLD_FONT, "-pointsize", f"{31 * k:.2f}", "-fill", "#ffffff",
            "-annotate", f"+{round(74 * k)}+{round(36 * k)}", "Palisor",
            "-font", PLAIN_FONT, "-pointsize", f"{11 * k:.2f}", "-fill", "#a9c7ee",
            "-annotate", f"+{round(76 * k)}+{round(52 * k)}", "Firewall exceptions and live TCP traffic",
            "-depth", "8", "rgb:-",
        ]
    )
    if len(data) != width * height * 3:
        sys.exit("make_artwork.py: unexpected banner size from convert")
    return [
        [tuple(data[(y * width + x) * 3 : (y * width + x) * 3 + 3]) for x in range(width)] for y in range(height)
    ]


def write_png_via_convert(path, pixels, scale=1):
    size_y, size_x = len(pixels), len(pixels[0])
    channels = len(pixels[0][0])
    raw = bytes(c for row in pixels for p in row for c in p)
    fmt = "rgba" if channels == 4 else "rgb"
    args = ["-size", f"{size_x}x{size_y}", "-depth", "8", f"{fmt}:-"]
    if scale != 1:
        args += ["-filter", "point", "-resize", f"{scale * 100}%"]
    subprocess.run([CONVERT] + args + [path], input=raw, check=True)


def palisor_16():
    """The program icon at 16 pixels, set pixel by pixel: scaled shapes turn to mud at this size."""
    clear = (0, 0, 0, 0)
    colours = {
        "O": (12, 36, 73, 255),  # outline
        "D": (31, 79, 158, 255),  # left half of the field
        "L": (61, 127, 217, 255),  # right half
        "G": (244, 197, 66, 255),  # stake
        "g": (204, 150, 26, 255),  # stake, shaded side
        "B": (226, 169, 42, 255),  # cross bar
        "b": (150, 101, 12, 255),  # cross bar, lower edge
    }
    # Left outline column of each row (the shield is symmetric about x = 7.5); row 0 stays clear.
    left = {r: 1 for r in range(1, 11)}
    left.update({11: 2, 12: 3, 13: 4, 14: 5, 15: 6})
    img = [[clear] * 16 for _ in range(16)]
    inside = lambda x, y: y in left and left[y] <= x <= 15 - left[y]
    for y in range(16):
        for x in range(16):
            if not inside(x, y):
                continue
            edge = y == 1 or y == 15 or not all(inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1)))
            img[y][x] = colours["O" if edge else ("D" if x < 8 else "L")]
    for x0 in (4, 9):  # two stakes, three pixels wide, with a one-pixel point
        img[3][x0 + 1] = colours["G"]
        for y in range(4, 13):
            for x in range(x0, x0 + 3):
                if inside(x, y) and img[y][x] != colours["O"]:
                    img[y][x] = colours["g" if x == x0 + 2 else "G"]
    for x in range(3, 13):
        img[8][x] = colours["B"]
        img[9][x] = colours["b"]
    return img


_palisor_cache = {}


def palisor_pixels(size):
    if size not in _palisor_cache:
        _palisor_cache[size] = palisor_16() if size == 16 else render_rgba(palisor_shapes(size), size)
    return _palisor_cache[size]


def icon_set(shapes, sizes):
    images = []
    for size in sizes:
        pixels = render_rgba(shapes(size), size)
        images.append(crisp(pixels) if size <= 16 else pixels)
    return images


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png", metavar="DIR", help="also write PNG previews to DIR")
    args = parser.parse_args()

    # The tree's icons at the sizes the traffic tree picks from (16 pixels at 96 DPI, scaled); the
    # program's icon also at the small and large icon sizes of 120, 144 and 192 DPI.
    tree_sizes = (16, 20, 24, 32)
    icons = {
        "palisor.ico": [palisor_pixels(s) for s in (16, 20, 24, 32, 40, 48, 64)],
        "conversation.ico": icon_set(conversation_shapes, tree_sizes),
        "header_group.ico": icon_set(header_group_shapes, tree_sizes),
        "field.ico": icon_set(field_shapes, tree_sizes),
    }
    for name, images in icons.items():
        write_ico(os.path.join(HERE, name), images)
    strips = {size: check_box_strip(size) for size in CHECK_SIZES}
    for size, strip in strips.items():
        suffix = "" if size == 16 else f"_{size}"
        write_bmp_24(os.path.join(HERE, f"check_boxes{suffix}.bmp"), strip)
    banners = {}
    with tempfile.TemporaryDirectory() as tmp:
        for dpi in BANNER_DPIS:
            banners[dpi] = to_555(render_banner(tmp, dpi))
    for dpi, words in banners.items():
        suffix = "" if dpi == 96 else f"_{dpi}"
        write_bmp_16(os.path.join(HERE, f"banner{suffix}.bmp"), words)

    if args.png:
        os.makedirs(args.png, exist_ok=True)
        for name, images in icons.items():
            for pixels in images:
                base = os.path.splitext(name)[0]
                write_png_via_convert(
                    os.path.join(args.png, f"{base}-{len(pixels)}.png"), pixels, scale=max(1, 128 // len(pixels))
                )
        for size, strip in strips.items():
            write_png_via_convert(os.path.join(args.png, f"check_boxes-{size}.png"), strip, scale=10)
        for dpi, words in banners.items():
            shown = [[(expand5(w >> 10 & 31), expand5(w >> 5 & 31), expand5(w & 31)) for w in row] for row in words]
            write_png_via_convert(os.path.join(args.png, f"banner-{dpi}.png"), shown, scale=2 if dpi == 96 else 1)

if __name__ == "__main__":
    main()
