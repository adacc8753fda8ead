#!/usr/bin/env python3
"""Writes the tray's images into art/: the house in each state colour (16x16, 24-bit, with a
transparency mask), the program icon (32x32 and 16x16, 16 colours) and the two 9x9 status dots.
Run it again after changing a colour or a shape; its output is committed."""
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "art")

GREEN = (40, 160, 60)
STATES = {
    104: GREEN,
    105: (230, 190, 20),   # yellow: warning
    106: (210, 40, 40),    # red: error
    159: (150, 150, 150),  # grey: inactive
    # five green shades, dark to light, that make the busy animation
    151: (20, 110, 40),
    152: (30, 140, 50),
    153: (50, 170, 70),
    154: (80, 200, 100),
    155: (120, 225, 140),
}
RED = (220, 30, 30)
WHITE = (255, 255, 255)


def darker(c, f=0.55):
    return tuple(int(v * f) for v in c)


def house(size, fill, door=True):
    """A house on a transparent background: None marks a transparent pixel."""
    s = size / 16.0
    px = [[None] * size for _ in range(size)]
    outline = darker(fill)
    for y in range(size):
        for x in range(size):
            ux, uy = (x + 0.5) / s, (y + 0.5) / s
            in_roof = 1 <= uy < 8 and abs(ux - 8) <= (uy - 1) + 0.5
            in_body = 8 <= uy < 15 and 3 <= ux < 13
            if in_roof or in_body:
                px[y][x] = fill
    # outline: a filled pixel next to a transparent one (or the edge) is drawn dark
    for y in range(size):
        for x in range(size):
            if px[y][x] is None:
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size) or px[y + dy][x + dx] is None
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                px[y][x] = outline
    if door:
        for y in range(int(11 * s), int(15 * s)):
            for x in range(int(7 * s), int(9 * s) + (1 if s > 1 else 0)):
                px[y][x] = outline
    return px


def alert_house(size):
    px = house(size, WHITE, door=False)
    for y, x in [(y, x) for y in range(4, 11) for x in (7, 8)] + [(12, 7), (12, 8), (13, 7), (13, 8)]:
        px[y][x] = RED
    return px


def mask_rows(px):
    size = len(px)
    stride = ((size + 31) // 32) * 4
    rows = []
    for row in reversed(px):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def image_24(px):
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(v for p in row for v in reversed(p or (0, 0, 0))) for row in reversed(px))
    return header + pixels + mask_rows(px)


def image_4(px, palette):
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette)
    data = bytearray()
    for row in reversed(px):
        idx = [palette.index(p) if p is not None else 0 for p in row]
        for i in range(0, size, 2):
            data.append((idx[i] << 4) | idx[i + 1])
    return header + pal + bytes(data) + mask_rows(px)


def write_ico(name, images):
    """images: list of (size, bpp, bytes)."""
    count = len(images)
    offset = 6 + 16 * count
    head = struct.pack("<HHH", 0, 1, count)
    entries, blobs = b"", b""
    for size, bpp, blob in images:
        colours = 16 if bpp == 4 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(head + entries + blobs)


def write_dot_bmp(name, colour):
    size = 9
    stride = (size * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(size)):
        row = bytearray()
        for x in range(size):
            inside = (x - 4) ** 2 + (y - 4) ** 2 <= 16
            c = colour if inside else WHITE
            row += bytes(reversed(c))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(head + info + pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    for icon_id, colour in STATES.items():
        write_ico("%d.ico" % icon_id, [(16, 24, image_24(house(16, colour)))])
    write_ico("160.ico", [(16, 24, image_24(alert_house(16)))])
    palette = [(0, 0, 0), GREEN, darker(GREEN)] + [(0, 0, 0)] * 13
    write_ico("102.ico", [(32, 4, image_4(house(32, GREEN), palette)), (16, 4, image_4(house(16, GREEN), palette))])
    write_dot_bmp("113.bmp", (30, 190, 60))
    write_dot_bmp("114.bmp", (150, 150, 150))
    return 0


if __name__ == "__main__":
    sys.exit(main())
