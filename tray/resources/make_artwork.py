#!/usr/bin/env python3
"""Writes the tray's images into art/ and the launcher's icon into launcher/resources/art/.

Tray states: a house with a badge whose shape names the state, so the states stay apart without
colour: a tick (104, backed up), "!" in a triangle (105, warning), "!" in a disc (106, error), an
empty house with a cross (159, not connected), a bell (160, alerts) and a round arrow that turns from
frame to frame (151-155, busy). Each image is 32-bit with alpha, anti-aliased, drawn at 16, 20, 24,
28, 32, 36, 40, 48, 56 and 64 px (the small-icon sizes at 100-400 % scale), each size laid out for
itself: widths and badge positions are chosen in whole pixels for that size, then the shapes are
rasterised there. The images above 32 px are stored as PNG to keep the program small.

Two variants per state: the resource of the id itself is for a dark taskbar (also the one used where
the system has no light theme), id + 1000 for a light taskbar; they differ in the outline colours. A third, id + 2000, is for high
contrast: one ink on nothing, stored black, which the tray recolours to the scheme's window text
colour. Its house is a silhouette (an outline when not connected) and the state is in the badge alone:
"!" cut out of a triangle (warning) or of a disc (error), or a bare tick, cross, bell or arrow.

Also: the program icon 102 (16 colours), the menu's online/offline dots 113/114 (9 px; a disc and a ring) and their
200 % forms 1113/1114 (18 px), 32-bit with premultiplied alpha, and contact-sheet.png: every state at every size on both taskbars, in
colour and in greys, and the high-contrast set on the black and the white scheme. The script checks
that every state differs from every other in luminance alone (see MIN_LUMA_DIFF) in every set, that
the high-contrast set keeps its contrast (MIN_HIGH_CONTRAST), and fails otherwise. Run it again after changing a shape; its output is committed."""
import copy
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "art")
LAUNCHER_OUT = os.path.join(HERE, "..", "..", "launcher", "resources", "art")
SIZES = (16, 20, 24, 28, 32, 36, 40, 48, 56, 64)
PNG_SIZES = tuple(n for n in SIZES if n > 32)  # stored as PNG; the others as bitmaps
PROGRAM_SIZES = (16, 20, 24, 32, 40, 48)  # the program's and the launcher's own icons
LIGHT_OFFSET = 1000  # resource id of the light-taskbar variant: id + LIGHT_OFFSET
HIGH_CONTRAST_OFFSET = 2000  # resource id of the high-contrast variant: id + HIGH_CONTRAST_OFFSET
LARGE_DOT_OFFSET = 1000  # resource id of the 200 % menu dot: id + LARGE_DOT_OFFSET

# Taskbar colours the variants are made for (and the contact sheet shows them on).
TASKBARS = {"dark": (32, 32, 32), "light": (238, 238, 238)}
# Every pair of states differs by at least this mean absolute luma (0-255, Rec. 601) per pixel,
# composited on either taskbar, at every size. The native icon test checks the same figure.
MIN_LUMA_DIFF = 12
# The two built-in high-contrast schemes (window text on window), which the sheet and the checks use.
HIGH_CONTRAST = {"hc-black": ((255, 255, 255), (0, 0, 0)), "hc-white": ((0, 0, 0), (255, 255, 255))}
# The high-contrast set's best contrast (WCAG ratio of its strongest pixel against the scheme's
# window colour) on either scheme; the colour set's own figure there is printed beside it.
MIN_HIGH_CONTRAST = 7.0
INK = (0, 0, 0)  # the high-contrast set's stored colour; only its alpha is used

GREEN = (40, 160, 60)  # the demo scripts find the good icon on screen by this exact colour
WHITE = (255, 255, 255)
LAUNCHER_BLUE = (40, 100, 200)  # the service launcher: the plain house in its own colour
BUSY = (151, 152, 153, 154, 155)
ORDER = (104, 105, 106, 159, 160) + BUSY


# --- signed distances in pixel coordinates (negative inside)

def d_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def d_box(x0, y0, x1, y1):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0)
    return f


def d_polygon(points):
    """A convex polygon, in either winding."""
    area = sum(ax * by - bx * ay for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]))
    if area < 0:
        points = points[::-1]
    edges = []
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        nx, ny = by - ay, ax - bx  # outward on a screen with y down
        n = math.hypot(nx, ny)
        edges.append((ax, ay, nx / n, ny / n))
    return lambda x, y: max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)


def d_segment(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return f


def d_arc(cx, cy, radius, width, start, sweep):
    """A ring piece from angle `start` over `sweep` radians (clockwise on screen)."""
    def f(x, y):
        a = (math.atan2(y - cy, x - cx) - start) % (2 * math.pi)
        if a <= sweep:
            return abs(math.hypot(x - cx, y - cy) - radius) - width / 2
        ends = [(cx + radius * math.cos(start + e), cy + radius * math.sin(start + e)) for e in (0, sweep)]
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def grow(f, by):
    return lambda x, y: f(x, y) - by


# --- one image: layers of (distance, colour or None for erase), painted in order

def render(size, layers):
    """RGBA rows, straight alpha, 0-255; coverage from the distance at each pixel centre."""
    img = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            r, g, b, a = img[y][x]
            for shape, colour in layers:
                cov = max(0.0, min(1.0, 0.5 - shape(x + 0.5, y + 0.5)))
                if cov <= 0:
                    continue
                if colour is None:
                    a *= 1 - cov
                    continue
                out = cov + a * (1 - cov)
                r, g, b = ((c * cov + d * a * (1 - cov)) / out for c, d in zip(colour, (r, g, b)))
                a = out
            img[y][x] = (r, g, b, a)
    return [[tuple(int(round(v)) for v in (r, g, b)) + (int(round(a * 255)),) for r, g, b, a in row] for row in img]


def mix(c, d, f):
    return tuple(int(round(a + (b - a) * f)) for a, b in zip(c, d))


class Layout:
    """Where things go at one size, in whole pixels where a straight edge must stay sharp."""

    def __init__(self, n):
        s = n / 16.0
        self.n, self.s = n, s
        self.line = max(1.0, round(0.8 * s))        # outline width
        self.left = round(2 * s)                     # house walls and floor
        self.right = n - round(2 * s)
        self.bottom = n - max(1, round(1.2 * s))
        self.eaves = round(7 * s)
        self.apex = (n / 2 - 0.5 * s, 0.8 * s)
        self.r = round(5 * s)                        # badge radius; the badge sits in the corner
        self.cx = self.cy = n - self.r
        self.gap = max(1, round(0.9 * s))            # clear ring between house and badge
        self.bar = 2 * max(1, round(0.9 * s))        # "!" width, even: the badge centre is whole
        self.stroke = max(1.6, 0.42 * self.r)        # tick, cross, arrow

    def bare(self):
        """The same badge place with glyphs drawn larger, for a glyph that stands without its disc."""
        big = copy.copy(self)
        big.r = 1.2 * self.r
        big.stroke = max(1.6, 0.42 * self.r)
        return big

    def house(self):
        ax, ay = self.apex
        roof = d_polygon([(ax, ay), (self.n - 0.3 * self.s, self.eaves), (0.3 * self.s, self.eaves)])
        body = d_box(self.left, self.eaves - 0.5, self.right, self.bottom)
        return union(roof, body)

    def badge_disc(self):
        return d_circle(self.cx, self.cy, self.r)

    def badge_triangle(self):
        r, cx, cy = self.r, self.cx, self.cy
        return d_polygon([(cx, cy - 1.12 * r), (cx + 1.08 * r, cy + 0.92 * r), (cx - 1.08 * r, cy + 0.92 * r)])

    def exclamation(self, dy=0.0):
        """A bar and a dot, both `bar` pixels wide, centred on the badge and moved down by dy."""
        r, w, cx, cy = self.r, self.bar, self.cx, self.cy + dy
        top, dot = round(cy - 0.66 * r), round(cy + 0.34 * r)
        bar_end = dot - max(1, round(0.2 * r))
        return union(d_box(cx - w / 2, top, cx + w / 2, bar_end), d_box(cx - w / 2, dot, cx + w / 2, dot + w))

    def tick(self):
        r, cx, cy, h = self.r, self.cx, self.cy, self.stroke / 2
        return union(d_segment(cx - 0.5 * r, cy + 0.02 * r, cx - 0.12 * r, cy + 0.4 * r, h),
                     d_segment(cx - 0.12 * r, cy + 0.4 * r, cx + 0.52 * r, cy - 0.38 * r, h))

    def cross(self):
        r, cx, cy, h = self.r, self.cx, self.cy, self.stroke / 2 * 0.9
        k = 0.4 * r
        return union(d_segment(cx - k, cy - k, cx + k, cy + k, h), d_segment(cx - k, cy + k, cx + k, cy - k, h))

    def bell(self):
        r, cx, cy = self.r, self.cx, self.cy
        dome = d_circle(cx, cy - 0.22 * r, 0.4 * r)
        skirt = d_polygon([(cx - 0.4 * r, cy - 0.22 * r), (cx + 0.4 * r, cy - 0.22 * r),
                           (cx + 0.62 * r, cy + 0.38 * r), (cx - 0.62 * r, cy + 0.38 * r)])
        clapper = d_circle(cx, cy + 0.5 * r, max(0.9, 0.2 * r))
        knob = d_circle(cx, cy - 0.66 * r, max(0.6, 0.13 * r))
        return union(dome, skirt, clapper, knob)

    def arrow(self, phase):
        """One arrow round the badge centre, turning clockwise, its tail at `phase` radians. One arrow
        with a head wider than its stroke still reads as an arrow at 16 px, where two thin ones merged
        into a broken ring."""
        r, cx, cy = self.r, self.cx, self.cy
        radius, width, sweep = 0.55 * r, 0.7 * self.stroke, 1.3 * math.pi
        end = phase + sweep
        ex, ey = cx + radius * math.cos(end), cy + radius * math.sin(end)
        ux, uy = -math.sin(end), math.cos(end)      # along the direction of travel
        vx, vy = math.cos(end), math.sin(end)       # outward
        length, half = 0.8 * r, 0.5 * r             # the head, from its base across the ring to its tip
        bx, by = ex - ux * 0.25 * length, ey - uy * 0.25 * length
        head = d_polygon([(ex + ux * 0.75 * length, ey + uy * 0.75 * length),
                          (bx - vx * half, by - vy * half), (bx + vx * half, by + vy * half)])
        return union(d_arc(cx, cy, radius, width, phase, sweep), head)


# --- the states

def state_layers(state, n, taskbar):
    """The layers of one state image at size n for a "dark" or "light" taskbar."""
    L = Layout(n)
    dark = taskbar == "dark"
    house = L.house()
    clear = grow(L.badge_triangle() if state == 105 else L.badge_disc(), L.gap)

    def edge_of(fill):  # outline: lighter than the fill on a dark taskbar, darker on a light one
        return mix(fill, WHITE, 0.6) if dark else mix(fill, (0, 0, 0), 0.5)

    def filled_house(fill):
        return [(grow(house, L.line), edge_of(fill)), (house, fill)]

    def badge(shape, fill, glyph, ink):  # with a rim, so a pale badge holds on a pale taskbar
        return [(clear, None), (grow(shape, 0.8 * L.line), edge_of(fill)), (shape, fill), (glyph, ink)]

    if state == 104:
        return filled_house(GREEN) + badge(L.badge_disc(), (15, 100, 35), L.tick(), WHITE)
    if state == 105:
        return filled_house((230, 190, 20)) + badge(L.badge_triangle(), (255, 205, 0), L.exclamation(0.18 * L.r), (20, 20, 20))
    if state == 106:
        return filled_house((200, 40, 40)) + badge(L.badge_disc(), (150, 0, 0), L.exclamation(), WHITE)
    if state == 159:
        ink = (200, 200, 200) if dark else (95, 95, 95)
        outline = minus(grow(house, L.line / 2 + 0.5), grow(house, -(L.line / 2 + 0.5)))
        return [(outline, ink)] + badge(L.badge_disc(), ink, L.cross(), (40, 40, 40) if dark else WHITE)
    if state == 160:
        return filled_house((250, 250, 250)) + badge(L.badge_disc(), (230, 90, 0), L.bell(), WHITE)
    if state in BUSY:
        phase = (state - BUSY[0]) * 2 * math.pi / len(BUSY)  # one turn in five steps
        return filled_house(GREEN) + badge(L.badge_disc(), WHITE, L.arrow(phase - math.pi / 2), (15, 100, 35))
    raise ValueError(state)


def high_contrast_layers(state, n):
    """One ink on nothing: the house cut round the badge, and the badge that names the state."""
    L = Layout(n)
    house = L.house()
    if state == 159:
        house = minus(grow(house, L.line / 2 + 0.5), grow(house, -(L.line / 2 + 0.5)))
    big = L.bare()
    if state == 105:
        badge = minus(L.badge_triangle(), L.exclamation(0.18 * L.r))
    elif state == 106:
        badge = minus(L.badge_disc(), L.exclamation())
    elif state == 104:
        badge = big.tick()
    elif state == 159:
        badge = big.cross()
    elif state == 160:
        badge = big.bell()
    elif state in BUSY:
        badge = L.arrow((state - BUSY[0]) * 2 * math.pi / len(BUSY) - math.pi / 2)
    else:
        raise ValueError(state)
    # The bite is round (a triangle for the warning) and also follows a glyph that reaches past it.
    place = union(L.badge_triangle() if state == 105 else L.badge_disc(), badge)
    return [(house, INK), (grow(place, L.gap), None), (badge, INK)]


def plain_house(size, fill):
    """The plain house of the program icon and the launcher's icon: opaque pixels or none (None), the
    shape sampled at each pixel centre, a darker outline one pixel wide up to 32 px, two above."""
    s = size / 16.0
    outline = mix(fill, (0, 0, 0), 0.45)
    px = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            ux, uy = (x + 0.5) / s, (y + 0.5) / s
            if (1 <= uy < 8 and abs(ux - 8) <= (uy - 1) + 0.5) or (8 <= uy < 15 and 3 <= ux < 13):
                px[y][x] = fill
    width = 1 if size <= 32 else 2
    near = [(dx, dy) for dx in range(-width, width + 1) for dy in range(-width, width + 1)
            if abs(dx) + abs(dy) <= width and (dx or dy)]
    filled = [row[:] for row in px]
    for y in range(size):
        for x in range(size):
            if filled[y][x] is not None and any(
                    not (0 <= x + dx < size and 0 <= y + dy < size) or filled[y + dy][x + dx] is None for dx, dy in near):
                px[y][x] = outline
    for y in range(size):
        for x in range(size):
            if 7 <= (x + 0.5) / s < 9 and 11 <= (y + 0.5) / s < 15:
                px[y][x] = outline
    return px


# --- file formats

def mask_rows(alpha_rows):
    size = len(alpha_rows)
    stride = ((size + 31) // 32) * 4
    rows = []
    for row in reversed(alpha_rows):
        bits = bytearray(stride)
        for x, transparent in enumerate(row):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def image_32(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(img) for r, g, b, a in row)
    return header + pixels + mask_rows([[a == 0 for *_, a in row] for row in img])


def image_24(px):
    """A plain house as 24-bit colour with a transparency mask."""
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(v for p in row for v in reversed(p or (0, 0, 0))) for row in reversed(px))
    return header + pixels + mask_rows([[p is None for p in row] for row in px])


def image_png(img):
    """PNG in an icon (read since Windows Vista): a quarter or less of the bitmap's bytes, for the
    large sizes only, which are used from 250 % on."""
    return png_bytes(len(img), len(img), 6, [bytes(v for p in row for v in p) for row in img])


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
    return header + pal + bytes(data) + mask_rows([[p is None for p in row] for row in px])


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


def write_dot_bmp(name, size, colour, ring=False):
    """A round dot, anti-aliased, 32-bit with premultiplied alpha: the tray lays it onto the menu's
    own colour when it loads it, so no fixed background shows round the edge. A ring (offline) and
    a filled disc (online) are told apart without their colours."""
    half = size / 2
    outer = half - 0.3
    shape = minus(d_circle(half, half, outer), d_circle(half, half, outer - 0.2 * size)) if ring else d_circle(half, half, outer)
    img = render(size, [(shape, colour)])
    pixels = b"".join(bytes((round(b * a / 255), round(g * a / 255), round(r * a / 255), a))
                      for row in reversed(img) for r, g, b, a in row)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(head + info + pixels)


def png_bytes(width, height, colour_type, rows):
    """colour_type 2: RGB, 6: RGBA; rows: bytes."""
    raw = b"".join(b"\0" + row for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_png(path, rows):
    """rows: lists of (r, g, b)."""
    with open(path, "wb") as f:
        f.write(png_bytes(len(rows[0]), len(rows), 2, [bytes(v for p in row for v in p) for row in rows]))


# --- luminance and the contact sheet

def luma(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def on(img, background):
    return [[mix(background, p[:3], p[3] / 255) for p in row] for row in img]


def luma_distance(a, b, background):
    ca, cb = on(a, background), on(b, background)
    n = len(a)
    return sum(abs(luma(p) - luma(q)) for ra, rb in zip(ca, cb) for p, q in zip(ra, rb)) / (n * n)


def tinted(img, ink):
    """A high-contrast image in the scheme's ink, as the tray recolours it."""
    return [[tuple(ink) + (p[3],) for p in row] for row in img]


# Each set as shown: (name, images' variant, background, ink for the high-contrast set or None).
VIEWS = [("dark", "dark", TASKBARS["dark"], None), ("light", "light", TASKBARS["light"], None)] + \
        [(name, "hc", window, text) for name, (text, window) in HIGH_CONTRAST.items()]


def view_of(images, variant, state, n, ink):
    img = images[variant, state, n]
    return tinted(img, ink) if ink else img


def check_luminance(images):
    """Smallest luma distance between two different states (the busy frames are one state)."""
    worst = None
    for name, variant, background, ink in VIEWS:
        for n in SIZES:
            for i, a in enumerate(ORDER):
                for b in ORDER[i + 1:]:
                    if a in BUSY and b in BUSY:
                        continue
                    d = luma_distance(view_of(images, variant, a, n, ink), view_of(images, variant, b, n, ink), background)
                    if worst is None or d < worst[0]:
                        worst = (d, name, n, a, b)
    return worst


def relative_luminance(c):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(v) for v in c)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def best_contrast(img, background):
    """The WCAG contrast ratio of the image's strongest pixel against the background it lies on."""
    lb = relative_luminance(background)
    best = 1.0
    for row in on(img, background):
        for p in row:
            lp = relative_luminance(p)
            best = max(best, (max(lp, lb) + 0.05) / (min(lp, lb) + 0.05))
    return best


def worst_best_contrast(images, variant, ink, background):
    """The lowest best contrast of any state at any size: (ratio, state, size)."""
    return min((best_contrast(view_of(images, variant, state, n, ink), background), state, n)
               for state in ORDER for n in SIZES)


def contact_sheet(images, path):
    """Columns: the states; rows: the sizes, each row as high as its images; left the dark taskbar,
    right the light one; below, the same in greys; at the bottom the high-contrast set on the black
    and on the white scheme."""
    cell, pad = 72, 8
    band = sum(n + pad for n in SIZES)
    panel = len(ORDER) * cell
    width = 2 * (panel + pad)
    height = 3 * (band + pad) - pad
    canvas = [[(128, 128, 128)] * width for _ in range(height)]
    bands = [(VIEWS[0], VIEWS[1], False), (VIEWS[0], VIEWS[1], True), (VIEWS[2], VIEWS[3], False)]
    for b, (left, right, grey) in enumerate(bands):
        y0 = b * (band + pad)
        for t, (_, variant, background, ink) in enumerate((left, right)):
            x0 = t * (panel + pad)
            for yy in range(band):
                canvas[y0 + yy][x0:x0 + panel] = [background] * panel
            top = y0
            for n in SIZES:
                for col, state in enumerate(ORDER):
                    pixels = on(view_of(images, variant, state, n, ink), background)
                    ox, oy = x0 + col * cell + (cell - n) // 2, top + pad // 2
                    for y in range(n):
                        for x in range(n):
                            p = pixels[y][x]
                            if grey:
                                v = int(round(luma(p)))
                                p = (v, v, v)
                            canvas[oy + y][ox + x] = p
                top += n + pad
    write_png(path, canvas)


def main():
    os.makedirs(OUT, exist_ok=True)
    os.makedirs(LAUNCHER_OUT, exist_ok=True)
    images = {}
    for variant, offset in (("dark", 0), ("light", LIGHT_OFFSET), ("hc", HIGH_CONTRAST_OFFSET)):
        for state in ORDER:
            for n in SIZES:
                layers = high_contrast_layers(state, n) if variant == "hc" else state_layers(state, n, variant)
                images[variant, state, n] = render(n, layers)
            # The high-contrast set is all PNG: its pixels are only ink coverage, which packs to a third.
            as_png = lambda n: variant == "hc" or n in PNG_SIZES
            write_ico("%d.ico" % (state + offset), [(n, 32, (image_png if as_png(n) else image_32)(images[variant, state, n]))
                                                   for n in SIZES])
    palette = [(0, 0, 0), GREEN, mix(GREEN, (0, 0, 0), 0.45)] + [(0, 0, 0)] * 13
    write_ico("102.ico", [(n, 4, image_4(plain_house(n, GREEN), palette)) for n in PROGRAM_SIZES])
    write_ico("launcher.ico", [(n, 24, image_24(plain_house(n, LAUNCHER_BLUE))) for n in PROGRAM_SIZES], LAUNCHER_OUT)
    for dot_id, colour, ring in ((113, (30, 190, 60), False), (114, (150, 150, 150), True)):
        write_dot_bmp("%d.bmp" % dot_id, 9, colour, ring)
        write_dot_bmp("%d.bmp" % (dot_id + LARGE_DOT_OFFSET), 18, colour, ring)
    contact_sheet(images, os.path.join(HERE, "contact-sheet.png"))
    d, name, n, a, b = check_luminance(images)
    print("smallest luma distance: %.1f (%s, %d px, %d and %d); required %d" % (d, name, n, a, b, MIN_LUMA_DIFF))
    ok = d >= MIN_LUMA_DIFF
    for scheme, (text, window) in HIGH_CONTRAST.items():
        for variant in TASKBARS:
            c, state, n = worst_best_contrast(images, variant, None, window)
            print("on %s, the %s-taskbar set: lowest best contrast %.1f:1 (%d at %d px)" % (scheme, variant, c, state, n))
        c, state, n = worst_best_contrast(images, "hc", text, window)
        print("on %s, the high-contrast set: lowest best contrast %.1f:1 (%d at %d px); required %.1f:1"
              % (scheme, c, state, n, MIN_HIGH_CONTRAST))
        ok = ok and c >= MIN_HIGH_CONTRAST
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
