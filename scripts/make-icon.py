#!/usr/bin/env python3
"""Draws Quillmark's icon and writes it as a Windows .ico with three images:
32x32 in 2 colours, 32x32 in 16 colours and 16x16 in 16 colours, or as a
PNG of one size for the Linux desktop.

The picture: a sheet of paper with lines of text and a folded corner, and a
quill pen lying across it. Usage: make-icon.py OUTPUT.ico | OUTPUT.png SIZE
"""
import struct
import sys
import zlib

# The 16-colour palette (the classic VGA colours), as (blue, green, red).
VGA = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
       (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
       (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, DARK_BLUE, GRAY, LIGHT_GRAY, BLUE, WHITE, YELLOW = 0, 4, 8, 7, 12, 15, 11
TRANSPARENT = None


def draw(size):
    """The picture as rows of palette indices (None: transparent), top row first."""
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def inside(x, y, left, top, right, bottom):
        return left * s <= x + 0.5 < right * s and top * s <= y + 0.5 < bottom * s

    for y in range(size):
        for x in range(size):
            # The sheet, with its top-right corner folded.
            if inside(x, y, 5, 2, 25, 30):
                fold = (x + 0.5) / s - 19 > (y + 0.5) / s - 2
                if fold and (x + 0.5) / s - 19 > (y + 0.5) / s - 2 + 0.5:
                    continue
                edge = not inside(x, y, 6, 3, 24, 29)
                pixels[y][x] = BLACK if edge or fold and abs((x + 0.5) / s - 19 - ((y + 0.5) / s - 2)) < 1.2 else WHITE
                if not edge and inside(x, y, 8, 0, 20, 32) and int((y + 0.5) / s) in (9, 13, 17, 21, 25):
                    pixels[y][x] = GRAY
    # The quill, from the lower left up to the upper right.
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) / s, (y + 0.5) / s
            along = (u + (32 - v)) / 2          # position along the diagonal
            across = (u - (32 - v)) / 1.4142    # distance from it
            if 4 < along < 29 and abs(across) < (0.8 if along < 12 else 2.6 - abs(along - 21) * 0.12):
                pixels[y][x] = DARK_BLUE if along < 12 else (BLUE if across > 0 else YELLOW)
            if 2.5 < along <= 4 and abs(across) < 0.6:
                pixels[y][x] = BLACK  # the nib
    return pixels


def bitmap(pixels, bits):
    """The icon image: header, palette, colour rows and mask rows, bottom row first."""
    size = len(pixels)
    if bits == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
        index = lambda p: 1 if p in (WHITE, YELLOW, LIGHT_GRAY) else 0
    else:
        palette = VGA
        index = lambda p: p
    row_bytes = ((size * bits + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    colour, mask = b"", b""
    for row in reversed(pixels):
        value, mvalue = 0, 0
        for p in row:
            value = (value << bits) | (0 if p is TRANSPARENT else index(p))
            mvalue = (mvalue << 1) | (1 if p is TRANSPARENT else 0)
        colour += (value << (row_bytes * 8 - size * bits)).to_bytes(row_bytes, "big")
        mask += (mvalue << (mask_bytes * 8 - size)).to_bytes(mask_bytes, "big")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(colour) + len(mask), 0, 0,
                         len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in palette)
    return header + table + colour + mask


def png(pixels):
    """The picture as an RGBA PNG, transparent where the icon is."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    size = len(pixels)
    rows = b"".join(b"\0" + b"".join(bytes((0, 0, 0, 0)) if p is TRANSPARENT else
                                      bytes(tuple(reversed(VGA[p])) + (255,)) for p in row)
                    for row in pixels)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


def main():
    if sys.argv[1].endswith(".png"):
        with open(sys.argv[1], "wb") as f:
            f.write(png(draw(int(sys.argv[2]))))
        return
    images = [(32, 1, 2), (32, 4, 16), (16, 4, 16)]
    data = [bitmap(draw(size), bits) for size, bits, _ in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits, colours), image in zip(images, data):
        out += struct.pack("<BBBBHHII", size, size, colours % 256, 0, 1, bits, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(data))


if __name__ == "__main__":
    main()
