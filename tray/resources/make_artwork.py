#!/usr/bin/env python3
"""Writes the tray's images into art/: the house in each state colour (24-bit, with a transparency
mask), the program icon (16 colours), the two 9x9 status dots, and the launcher's icon into
launcher/resources/art/. Each icon holds one image per size the shell asks for at 100-300 % scale
(16, 20, 24, 32, 40, 48 px), each drawn at that size from the shapes below rather than scaled from
another image. Run it again after changing a colour or a shape; its output is committed."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "art")
LAUNCHER_OUT = os.path.join(HERE, "..", "..", "launcher", "resources", "art")
SIZES = (16, 20, 24, 32, 40, 48)

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
LAUNCHER_BLUE = (40, 100, 200)  # the service launcher: same house, its own colour


def darker(c, f=0.55):
    return tuple(int(v * f) for v in c)


def inside(x, y, s, box):
    """Whether pixel (x, y) of an image drawn at scale s has its centre in box (x0, y0, x1, y1), given on
    the 16-unit grid the shapes are designed on."""
    ux, uy = (x + 0.5) / s, (y + 0.5) / s
    return box[0] <= ux < box[2] and box[1] <= uy < box[3]


def house(size, fill, door=True):
    """A house on a transparent background: None marks a transparent pixel. The shape is sampled at
    each pixel centre of this size, and the outline is one pixel wide up to 32 px, two above."""
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
    width = 1 if size <= 32 else 2
    near = [(dx, dy) for dx in range(-width, width + 1) for dy in range(-width, width + 1) if abs(dx) + abs(dy) <= width and (dx or dy)]
    filled = [row[:] for row in px]
    for y in range(size):
        for x in range(size):
            if filled[y][x] is None:
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size) or filled[y + dy][x + dx] is None
                for dx, dy in near)
            if edge:
                px[y][x] = outline
    if door:
        for y in range(size):
            for x in range(size):
                if inside(x, y, s, (7, 11, 9, 15)):
                    px[y][x] = outline
    return px


def alert_house(size):
    """The white house with a red exclamation mark: a bar and a dot on the 16-unit grid."""
    s = size / 16.0
    px = house(size, WHITE, door=False)
    for y in range(size):
        for x in range(size):
            if inside(x, y, s, (7, 4, 9, 11)) or inside(x, y, s, (7, 12, 9, 14)):
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
        data += bytes(-len(data) % 4)  # rows end on a 4-byte boundary (20 px is 10 bytes)
    return header + pal + bytes(data) + mask_rows(px)


def write_ico(name, images, folder=OUT):
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
    with open(os.path.join(folder, name), "wb") as f:
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
    os.makedirs(LAUNCHER_OUT, exist_ok=True)
    for icon_id, colour in STATES.items():
        write_ico("%d.ico" % icon_id, [(n, 24, image_24(house(n, colour))) for n in SIZES])
    write_ico("160.ico", [(n, 24, image_24(alert_house(n))) for n in SIZES])
    palette = [(0, 0, 0), GREEN, darker(GREEN)] + [(0, 0, 0)] * 13
    write_ico("102.ico", [(n, 4, image_4(house(n, GREEN), palette)) for n in SIZES])
    write_ico("launcher.ico", [(n, 24, image_24(house(n, LAUNCHER_BLUE))) for n in SIZES], LAUNCHER_OUT)
    write_dot_bmp("113.bmp", (30, 190, 60))
    write_dot_bmp("114.bmp", (150, 150, 150))
    return 0


if __name__ == "__main__":
    sys.exit(main())
