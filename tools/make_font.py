#!/usr/bin/python3
"""Render the viewer's glyph atlas (assets/font.bmp) from DejaVu Sans Mono.

The atlas is 16 x 16 cells of 16 x 16 pixels; character code c lives in cell
row c // 16 (from the top) and column c % 16. Glyphs are dark on white.
Needs Debian's python3-pil and fonts-dejavu-core; run from anywhere:
    /usr/bin/python3 tools/make_font.py [output.bmp]
"""

import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"
FONT_SIZE = 14
CELL = 16
GRID = 16
SIZE = CELL * GRID
FIRST_PRINTABLE = 32
LAST_PRINTABLE = 126


def render_atlas():
    font = ImageFont.truetype(FONT_PATH, FONT_SIZE)
    # ascent + descent exceeds the cell at this size, so centre the inked band
    # of all printable glyphs instead; one shared baseline keeps text aligned.
    printable = "".join(map(chr, range(FIRST_PRINTABLE, LAST_PRINTABLE + 1)))
    _, ink_top, _, ink_bottom = font.getbbox(printable)
    top = (CELL - (ink_bottom - ink_top)) // 2 - ink_top
    atlas = Image.new("L", (SIZE, SIZE), 255)
    draw = ImageDraw.Draw(atlas)
    for code in range(FIRST_PRINTABLE, LAST_PRINTABLE + 1):
        ch = chr(code)
        advance = font.getlength(ch)
        x = (code % GRID) * CELL + (CELL - advance) / 2
        y = (code // GRID) * CELL + top
        draw.text((round(x), y), ch, font=font, fill=0)
    return atlas


def cell_clipped(atlas):
    """Crop each cell to itself so no glyph bleeds into a neighbour."""
    clean = Image.new("L", (SIZE, SIZE), 255)
    for code in range(FIRST_PRINTABLE, LAST_PRINTABLE + 1):
        x = (code % GRID) * CELL
        y = (code // GRID) * CELL
        box = (x, y, x + CELL, y + CELL)
        clean.paste(atlas.crop(box), box)
    return clean


def bmp_bytes(gray):
    row_size = SIZE * 3  # 768, already a multiple of 4
    pixel_size = row_size * SIZE
    header = struct.pack("<2sIHHI", b"BM", 54 + pixel_size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0,
                       pixel_size, 2835, 2835, 0, 0)
    pixels = gray.tobytes()
    rows = []
    for y in range(SIZE - 1, -1, -1):  # BMP stores rows bottom-up
        line = pixels[y * SIZE:(y + 1) * SIZE]
        rows.append(bytes(v for v in line for _ in range(3)))
    return header + info + b"".join(rows)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "assets", "font.bmp")
    data = bmp_bytes(cell_clipped(render_atlas()))
    with open(out, "wb") as f:
        f.write(data)
    print(f"wrote {out} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
