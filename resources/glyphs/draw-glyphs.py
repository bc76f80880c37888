#!/usr/bin/env python3
"""Draws the program's pictures: the console's twelve 32 x 32 toolbar images and 16 x 16 OK and Cancel glyphs (PNG),
the skin library's five 48 x 16 glyph strips (each a 16 x 16 glyph in three states: normal, hot, disabled; PNG), and
the About box's pictures (BMP, see about_box).

Every shape is a signed distance field (negative inside, in pixels), so its edge is anti-aliased by how far each
pixel centre lies from it; shapes are laid over each other with straight alpha blending. Only the standard library
is used, so the pictures can be drawn again anywhere:

    resources/glyphs/draw-glyphs.py   # writes toolbar/*.png, buttons/*.png, skin/*.png and about/*.bmp beside it
"""
import math
import os
import struct
import sys
import zlib

# --- signed distance fields ---


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def box(cx, cy, hw, hh, r=0.0, angle=0.0):
    """A rectangle of half sizes hw, hh around (cx, cy) with corners rounded by r, turned by angle degrees."""
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def d(x, y):
        px, py = x - cx, y - cy
        px, py = px * c + py * s, -px * s + py * c
        qx, qy = abs(px) - hw + r, abs(py) - hh + r
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

    return d


def segment(ax, ay, bx, by, w):
    """A stroke of width w from a to b with round ends."""

    def d(x, y):
        px, py, ex, ey = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * ex + py * ey) / (ex * ex + ey * ey)))
        return math.hypot(px - ex * t, py - ey * t) - w / 2

    return d


def polyline(points, w):
    return union(*(segment(*points[i], *points[i + 1], w) for i in range(len(points) - 1)))


def polygon(points):
    """A closed polygon (exact distance: nearest edge, sign by the crossing rule)."""

    def d(x, y):
        best, inside = float("inf"), False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            ex, ey, px, py = bx - ax, by - ay, x - ax, y - ay
            t = max(0.0, min(1.0, (px * ex + py * ey) / (ex * ex + ey * ey)))
            best = min(best, math.hypot(px - ex * t, py - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best

    return d


def arc(cx, cy, r, w, start, end):
    """A stroke of width w along the circle of radius r from angle start to end (degrees, clockwise on screen)."""
    a0, a1 = math.radians(start), math.radians(end)
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (a0, a1)]

    def d(x, y):
        a = math.atan2(y - cy, x - cx)
        while a < a0:
            a += 2 * math.pi
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - w / 2
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - w / 2

    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def cut(shape, *holes):
    return lambda x, y: max(shape(x, y), *(-h(x, y) for h in holes))


def grow(shape, by):
    return lambda x, y: shape(x, y) - by


def rotated(shape, cx, cy, angle):
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def d(x, y):
        px, py = x - cx, y - cy
        return shape(cx + px * c + py * s, cy - px * s + py * c)

    return d


def gear(cx, cy, outer, inner, hole, teeth, tooth_width):
    parts = [circle(cx, cy, inner)]
    for i in range(teeth):
        parts.append(box(cx, cy - (inner + outer) / 2, tooth_width / 2, (outer - inner) / 2 + 0.5, 0.8))
        parts[-1] = rotated(parts[-1], cx, cy, 360.0 * i / teeth + 360.0 / teeth / 2)
    return cut(union(*parts), circle(cx, cy, hole))


# --- paints: the colour (r, g, b, a), 0..255, at a point ---


def hexcolour(text, a=255):
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), a)


def solid(colour):
    c = hexcolour(colour) if isinstance(colour, str) else colour
    return lambda x, y: c


def vertical(y0, top, y1, bottom):
    """A gradient from top at y0 to bottom at y1."""
    c0, c1 = hexcolour(top), hexcolour(bottom)

    def p(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))

    return p


def radial(cx, cy, r, centre, edge):
    c0, c1 = hexcolour(centre), hexcolour(edge)

    def p(x, y):
        t = max(0.0, min(1.0, math.hypot(x - cx, y - cy) / r))
        return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))

    return p


# --- the picture ---


class Glyph:
    def __init__(self, width, height=None):
        self.width, self.height = width, height or width
        self.rgba = [[(0.0, 0.0, 0.0, 0.0)] * self.width for _ in range(self.height)]  # straight alpha, 0..1

    def fill(self, shape, paint, opacity=1.0):
        for y in range(self.height):
            row = self.rgba[y]
            for x in range(self.width):
                cover = max(0.0, min(1.0, 0.5 - shape(x + 0.5, y + 0.5)))
                if cover <= 0:
                    continue
                r, g, b, a = paint(x + 0.5, y + 0.5)
                sa = cover * opacity * a / 255
                dr, dg, db, da = row[x]
                oa = sa + da * (1 - sa)
                if oa <= 0:
                    continue
                mix = lambda s, d: (s / 255 * sa + d * da * (1 - sa)) / oa
                row[x] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def outlined(self, shape, fill, line, width=1.0):
        """The shape in the line colour, and inside it, width pixels in, the fill."""
        self.fill(shape, solid(line) if isinstance(line, str) else line)
        self.fill(grow(shape, -width), fill)

    def png(self):
        raw = bytearray()
        for row in self.rgba:
            raw.append(0)
            for r, g, b, a in row:
                raw += bytes(round(max(0.0, min(1.0, v)) * 255) for v in (r, g, b, a))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))

    def bmp(self, left=0, top=0, width=None, height=None):
        """The part at (left, top) as a 24-bit Windows bitmap file; the picture must be opaque there."""
        width, height = width or self.width, height or self.height
        stride = (width * 3 + 3) // 4 * 4
        bits = bytearray()
        for y in reversed(range(top, top + height)):  # bottom-up
            row = bytearray()
            for r, g, b, a in self.rgba[y][left:left + width]:
                assert a > 0.999, "a bitmap part must be opaque"
                row += bytes(round(max(0.0, min(1.0, v)) * 255) for v in (b, g, r))
            bits += row + bytes(stride - len(row))
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
        return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(bits), 0, 0, 14 + len(info)) + info + bytes(bits)


# --- shared pieces ---

BLUE_TOP, BLUE_BOTTOM, BLUE_LINE = "5E9BE6", "2A62B8", "1C4585"
GREEN_TOP, GREEN_BOTTOM, GREEN_LINE = "6CC85A", "2F8F2A", "1F6A1C"
RED_TOP, RED_BOTTOM, RED_LINE = "F0664F", "C4281C", "8A1A12"
METAL_TOP, METAL_BOTTOM, METAL_LINE = "E4E7EC", "9EA5B0", "5E6570"
PAPER, PAPER_LINE = "FFFFFF", "7A8290"
# The HEX log's own colours for sent and received bytes.
SENT, RECEIVED = "0080C0", "008020"


def small_gear(g, cx, cy):
    shape = gear(cx, cy, 7.2, 5.2, 2.2, 8, 2.6)
    g.outlined(shape, radial(cx - 1.5, cy - 1.5, 8, "FFD66B", "E08A12"), "8A5306")


def badge(g, cx, cy, r, top, bottom, line):
    g.outlined(circle(cx, cy, r), vertical(cy - r, top, cy + r, bottom), line)


def floppy(g, label):
    body = polygon([(3.5, 3.5), (24.5, 3.5), (28.5, 7.5), (28.5, 28.5), (3.5, 28.5)])
    g.outlined(grow(body, 0), vertical(3, BLUE_TOP, 29, BLUE_BOTTOM), BLUE_LINE)
    g.outlined(box(15, 8, 6.5, 4.5, 0.8), vertical(4, METAL_TOP, 13, METAL_BOTTOM), METAL_LINE)
    g.fill(box(18, 8, 1.5, 2.8, 0.4), solid(BLUE_LINE))
    g.outlined(box(16, 22.5, 9.5, 5.5, 1.2), solid(PAPER), PAPER_LINE)
    label(g)


def hex_rows(g, x0, y0, rows, width):
    """Rows of byte pairs in the HEX log's colours, as its lines look from afar."""
    colours = [SENT, RECEIVED, SENT, RECEIVED]
    for i in range(rows):
        y = y0 + i * 3
        x = x0
        while x + 3 <= x0 + width:
            g.fill(box(x + 1.5, y + 0.75, 1.5, 0.75), solid(colours[i % 4]))
            x += 4.5


def plug(g, left, top):
    """A plug whose body starts at left: cable from the left edge, body, two prongs."""
    g.fill(segment(0, top + 6, left + 1, top + 6, 3.2), solid(METAL_LINE))
    g.outlined(box(left + 4.5, top + 6, 4.5, 5.5, 1.5), vertical(top, "6C7480", top + 12, "3A4048"), "23272D")
    for dy in (3, 9):
        g.outlined(box(left + 11, top + dy, 2.5, 1.1, 0.4), vertical(top, METAL_TOP, top + 12, METAL_BOTTOM),
                   METAL_LINE, 0.8)


def socket(g, left, top):
    g.fill(segment(left + 7, top + 6, 32, top + 6, 3.2), solid(METAL_LINE))
    g.outlined(box(left + 4.5, top + 6, 4.5, 7.5, 1.5), vertical(top - 2, METAL_TOP, top + 14, METAL_BOTTOM),
               METAL_LINE)
    for dy in (3, 9):
        g.fill(box(left + 1.8, top + dy, 1.4, 1.1, 0.3), solid("2A2E34"))


def check_mark(g, points, width, colour, line):
    g.fill(polyline(points, width + 1.6), solid(line))
    g.fill(polyline(points, width), solid(colour))


def cross_mark(g, c, half, width, colour, line):
    strokes = union(segment(c - half, c - half, c + half, c + half, width),
                    segment(c - half, c + half, c + half, c - half, width))
    g.fill(grow(strokes, 0.8), solid(line))
    g.fill(strokes, solid(colour))


def magnet(g, angle):
    """A horseshoe magnet opening to the right, turned by angle degrees about the centre."""
    shape = union(arc(13, 16, 7.5, 7, 90, 270), box(18, 8.5, 5, 3.5), box(18, 23.5, 5, 3.5))
    body = rotated(cut(shape, box(26, 16, 3, 16)), 16, 16, angle)
    tips = rotated(union(box(25, 8.5, 2.5, 3.5), box(25, 23.5, 2.5, 3.5)), 16, 16, angle)
    g.outlined(body, vertical(4, RED_TOP, 28, RED_BOTTOM), RED_LINE)
    g.outlined(tips, vertical(4, METAL_TOP, 28, METAL_BOTTOM), METAL_LINE)


# --- the glyphs ---


def serial_settings(g):
    shell = polygon([(3, 5), (29, 5), (25.5, 19), (6.5, 19)])
    g.outlined(shell, vertical(5, METAL_TOP, 19, METAL_BOTTOM), METAL_LINE)
    g.fill(polygon([(6.2, 7.6), (25.8, 7.6), (23.3, 16.6), (8.7, 16.6)]), vertical(7, "3B4A63", 17, "222C3D"))
    for i in range(5):
        g.fill(circle(9.2 + i * 3.4, 10.4, 1.25), solid("F2C64A"))
    for i in range(4):
        g.fill(circle(10.9 + i * 3.4, 14.0, 1.25), solid("F2C64A"))
    small_gear(g, 23.5, 23.5)


def options(g):
    shape = gear(16, 16, 14.2, 10.6, 4.4, 8, 5.2)
    g.outlined(shape, radial(12, 11, 18, "9FB8D8", "4F6F98"), "2E4466", 1.2)
    g.fill(cut(circle(16, 16, 7.2), circle(16, 16, 5.6)), solid("FFFFFF"), 0.35)


def auto_send(g):
    # A circle of arrows going round clockwise, the head where it ends, and the send arrow inside.
    end = math.radians(250)
    tangent, normal = (-math.sin(end), math.cos(end)), (math.cos(end), math.sin(end))
    px, py = 16 + 11 * normal[0], 16 + 11 * normal[1]
    head = polygon([(px + tangent[0] * 5.5, py + tangent[1] * 5.5), (px + normal[0] * 5.2, py + normal[1] * 5.2),
                    (px - normal[0] * 5.2, py - normal[1] * 5.2)])
    ring = union(arc(16, 16, 11, 4, -20, 250), head)
    g.fill(grow(ring, 0.9), solid(GREEN_LINE))
    g.fill(ring, vertical(3, GREEN_TOP, 28, GREEN_BOTTOM))
    plane = polygon([(10.5, 10.5), (23, 16), (10.5, 21.5), (13, 16)])
    g.outlined(plane, vertical(10, BLUE_TOP, 22, BLUE_BOTTOM), BLUE_LINE)


def about(g):
    g.outlined(circle(16, 16, 13.5), radial(12, 10, 20, "7DB4F0", "2458B0"), BLUE_LINE, 1.2)
    g.fill(circle(16, 9.3, 2.3), solid("FFFFFF"))
    g.fill(union(box(16.3, 18.6, 2.2, 6.2, 0.6), box(14.4, 13.6, 2.2, 1.1, 0.4), box(16.3, 24.2, 4.4, 1.0, 0.4)),
           solid("FFFFFF"))


def save(g):
    def lines(g):
        for y in (20.5, 23.5):
            g.fill(box(16, y, 6.5, 0.55), solid("9AA3B0"))

    floppy(g, lines)


def port_closed(g):
    plug(g, 1.5, 7)
    socket(g, 20.5, 7)
    badge(g, 23.5, 24, 6.5, RED_TOP, RED_BOTTOM, RED_LINE)
    cross_mark(g, 23.5, 2.4, 1.9, "FFFFFF", "FFFFFF")


def port_open(g):
    plug(g, 4.5, 7)
    socket(g, 18, 7)
    badge(g, 23.5, 24, 6.5, GREEN_TOP, GREEN_BOTTOM, GREEN_LINE)
    check_mark(g, [(20.3, 24.2), (22.7, 26.6), (27, 21.6)], 2.0, "FFFFFF", "FFFFFF")


def hex_log_options(g):
    page = polygon([(4.5, 2.5), (19.5, 2.5), (25.5, 8.5), (25.5, 29.5), (4.5, 29.5)])
    g.outlined(page, solid(PAPER), PAPER_LINE)
    g.outlined(polygon([(19.5, 2.5), (25.5, 8.5), (19.5, 8.5)]), solid("DDE2EA"), PAPER_LINE, 0.8)
    hex_rows(g, 7, 7, 2, 11)
    hex_rows(g, 7, 13, 4, 16)
    small_gear(g, 23.5, 23.5)


def save_hex_log(g):
    floppy(g, lambda g: hex_rows(g, 8.5, 19, 3, 16))


def clear(g):
    body = box(16.5, 14.5, 10.5, 6, 1.8, -35)
    sleeve = cut(body, box(16.5 + 3.7, 14.5 - 2.6, 7, 7, 0, -35))
    g.outlined(body, vertical(4, "FF8FA0", 26, "E0506A"), "9A2A3C")
    g.outlined(sleeve, vertical(10, "E8F0FA", 27, "8FB3DE"), "3E6496")
    # What it has rubbed out.
    g.fill(segment(3, 28.5, 17, 28.5, 1.4), solid("8A93A0"))


def horizontal_magnet(g):
    magnet(g, 0)


def vertical_magnet(g):
    magnet(g, 90)


def ok(g):
    check_mark(g, [(3, 8.6), (6.4, 12), (13, 4.4)], 2.6, (60, 170, 50, 255), GREEN_LINE)


def cancel(g):
    cross_mark(g, 8, 4.2, 2.6, (215, 50, 40, 255), RED_LINE)


# --- the About box ---
#
# One picture of the whole box (360 x 200, borderless), drawn at once so that the parts that lie over it match it
# pixel for pixel; the form's images take their parts of it. The places are the form's (resources/forms/uAbout.form.in).
ABOUT_SIZE = (360, 200)
ABOUT_PARTS = {  # name: left, top, width, height
    "mail": (24, 90, 24, 24),  # Image2, beside the mail address
    "web": (24, 116, 24, 24),  # Image1, beside the web address
    "ok-place": (260, 150, 92, 44),  # Image3, where the OK button shows itself (at 270, 156, 75 x 33)
}
ABOUT_FRAME, ABOUT_FOOTER_LINE = "1C4585", "B8C6DA"


def speech_bubble(cx, cy, hw, hh):
    body = box(cx, cy, hw, hh, 5)
    tail = polygon([(cx - hw * 0.55, cy + hh - 2), (cx - hw * 0.75, cy + hh + 9), (cx - hw * 0.05, cy + hh - 2)])
    return union(body, tail)


def letters_at(x, y, h, w):
    """The letters A and T, h high, strokes w wide, from (x, y) at the top left."""
    a = union(segment(x, y + h, x + h * 0.38, y, w), segment(x + h * 0.38, y, x + h * 0.76, y + h, w),
              segment(x + h * 0.17, y + h * 0.62, x + h * 0.59, y + h * 0.62, w))
    tx = x + h * 0.96
    t = union(segment(tx, y, tx + h * 0.72, y, w), segment(tx + h * 0.36, y, tx + h * 0.36, y + h, w))
    return union(a, t)


def envelope(g, left, top):
    body = box(left + 12, top + 12.5, 10, 7, 1.2)
    g.outlined(body, vertical(top + 5, "FFFFFF", top + 20, "E4EAF2"), "4A6FA5")
    g.fill(polyline([(left + 2.8, top + 6.8), (left + 12, top + 14), (left + 21.2, top + 6.8)], 1.3), solid("4A6FA5"))
    g.fill(polyline([(left + 2.8, top + 18.2), (left + 9.5, top + 12.2)], 1.0), solid("8EA6C8"))
    g.fill(polyline([(left + 21.2, top + 18.2), (left + 14.5, top + 12.2)], 1.0), solid("8EA6C8"))


def globe(g, left, top):
    cx, cy, r = left + 12, top + 12, 9.5
    g.outlined(circle(cx, cy, r), radial(cx - 3, cy - 3, 14, "8CC4F5", "2463B5"), BLUE_LINE)
    # A meridian as an ellipse (its distance is near enough for a one-pixel line).
    meridian = lambda x, y: abs((math.hypot((x - cx) / (r * 0.45), (y - cy) / r) - 1) * r * 0.45) - 0.5
    lines = union(meridian, segment(cx, cy - r + 1, cx, cy + r - 1, 1.0), segment(cx - r + 1, cy, cx + r - 1, cy, 1.0),
                  segment(cx - r * 0.8, cy - r * 0.5, cx + r * 0.8, cy - r * 0.5, 0.9),
                  segment(cx - r * 0.8, cy + r * 0.5, cx + r * 0.8, cy + r * 0.5, 0.9))
    g.fill(lambda x, y: max(lines(x, y), circle(cx, cy, r - 1.0)(x, y)), solid("FFFFFF"), 0.75)


def pointer(g, x, y, scale=1.0):
    """The mouse pointer, its tip at (x, y)."""
    pts = [(0, 0), (0, 15), (3.6, 11.6), (6.2, 17.2), (8.6, 16.2), (6.0, 10.8), (11, 10.8)]
    arrow = polygon([(x + px * scale, y + py * scale) for px, py in pts])
    g.fill(grow(arrow, 1.0), solid("1E2630"))
    g.fill(arrow, solid("FFFFFF"))


def about_box():
    w, h = ABOUT_SIZE
    g = Glyph(w, h)
    everything = box(w / 2, h / 2, w / 2 + 1, h / 2 + 1)
    g.fill(everything, vertical(0, "FFFFFF", h, "E6EDF6"))
    # The footer, where the OK button comes.
    g.fill(box(w / 2, 174, w / 2 + 1, 26), vertical(148, "EEF3F9", h, "DCE5F1"))
    g.fill(box(w / 2, 147.5, w / 2 - 1, 0.5), solid(ABOUT_FOOTER_LINE))
    # A rule under the name and version, fading out to the right.
    g.fill(box(160, 80.5, 136, 0.5), lambda x, y: (0x1C, 0x45, 0x85, max(0, 255 - (x - 24) * 0.9)))
    # The program's emblem: a device that answers "AT", top right.
    tile = box(300, 46, 34, 34, 9)
    g.fill(grow(tile, 1.5), solid("FFFFFF"), 0.9)
    g.outlined(tile, vertical(12, "5E9BE6", 80, "1F4F9E"), BLUE_LINE, 1.2)
    g.fill(box(300, 30, 28, 10, 8), solid("FFFFFF"), 0.18)  # the tile's shine
    g.outlined(speech_bubble(300, 42, 21, 13), vertical(29, "FFFFFF", 55, "DCE8F7"), "163A70", 1.0)
    g.fill(letters_at(284.5, 35, 13, 3.0), solid(BLUE_LINE))
    for i in range(3):  # a line of bytes under it
        g.fill(box(290 + i * 10, 70, 3.5, 1.3, 0.6), solid("FFFFFF"), 0.85)
    # The link pictures.
    envelope(g, *ABOUT_PARTS["mail"][:2])
    globe(g, *ABOUT_PARTS["web"][:2])
    # Where the OK button shows itself: the button's outline, its check mark and a pointer that goes there.
    left, top = ABOUT_PARTS["ok-place"][:2]
    bx, by = left + 10, top + 6
    plate = box(bx + 37.5, by + 16.5, 37.5, 16.5, 3.5)
    g.fill(plate, solid("FFFFFF"), 0.55)
    g.fill(cut(plate, grow(plate, -1.0)), solid("8FA3C0"))
    check_mark(g, [(bx + 14, by + 17), (bx + 18, by + 21), (bx + 26, by + 11.5)], 2.6, (60, 170, 50, 255), GREEN_LINE)
    for i in range(3):  # "press here": three dots where the caption comes
        g.fill(circle(bx + 40 + i * 7, by + 17, 1.6), solid("6A7F9E"))
    pointer(g, bx + 58, by + 20)
    # The frame: a dark line and a light one inside it.
    g.fill(cut(everything, box(w / 2, h / 2, w / 2 - 1, h / 2 - 1)), solid(ABOUT_FRAME))
    g.fill(cut(box(w / 2, h / 2, w / 2 - 1, h / 2 - 1), box(w / 2, h / 2, w / 2 - 2, h / 2 - 2)), solid("FFFFFF"), 0.8)
    return g


TOOLBAR = [
    ("00-serial-settings", serial_settings),
    ("01-options", options),
    ("02-auto-send", auto_send),
    ("03-about", about),
    ("04-save", save),
    ("05-port-closed", port_closed),
    ("06-port-open", port_open),
    ("07-hex-log-options", hex_log_options),
    ("08-save-hex-log", save_hex_log),
    ("09-clear", clear),
    ("10-horizontal-magnet", horizontal_magnet),
    ("11-vertical-magnet", vertical_magnet),
]
BUTTONS = [("ok", ok), ("cancel", cancel)]


# --- the skin library's glyph strips: 16 x 16 glyphs for the buttons of its own controls ---


def browse_folder(g):
    back = polygon([(1.5, 3.5), (6, 3.5), (7.5, 5), (14.5, 5), (14.5, 13.5), (1.5, 13.5)])
    g.outlined(back, vertical(3, "F7D774", 14, "D9A528"), "9A6A0C")
    front = polygon([(1.5, 13.5), (3.5, 7.5), (15.5, 7.5), (13.5, 13.5)])
    g.outlined(front, vertical(7, "FFE9A0", 14, "F2BE3C"), "9A6A0C")


def refresh(g):
    # Three quarters of a ring, going round clockwise, and its head at the top pointing on into the gap.
    cx, cy, r = 8, 8.5, 4.5
    end = math.radians(232)
    tangent, normal = (-math.sin(end), math.cos(end)), (math.cos(end), math.sin(end))
    px, py = cx + r * normal[0], cy + r * normal[1]
    head = polygon([(px + tangent[0] * 4.5, py + tangent[1] * 4.5), (px + normal[0] * 2.9, py + normal[1] * 2.9),
                    (px - normal[0] * 2.9, py - normal[1] * 2.9)])
    ring = union(arc(cx, cy, r, 2.0, 10, 232), head)
    g.fill(grow(ring, 0.7), solid(GREEN_LINE))
    g.fill(ring, vertical(2, GREEN_TOP, 14, GREEN_BOTTOM))


def drop_down(g):
    arrow = polygon([(3.5, 6), (12.5, 6), (8, 11)])
    g.fill(grow(arrow, 0.6), solid("23272D"))
    g.fill(arrow, vertical(6, "6C7480", 11, "3A4048"))


def ellipsis(g):
    for x in (3.5, 8, 12.5):
        g.outlined(circle(x, 10.5, 1.7), vertical(8.5, BLUE_TOP, 12.5, BLUE_BOTTOM), BLUE_LINE, 0.7)


def calendar(g):
    g.outlined(box(8, 8.5, 6.5, 6, 1), solid(PAPER), PAPER_LINE)
    g.fill(box(8, 4, 5.9, 1.7, 0.5), vertical(2, RED_TOP, 6, RED_BOTTOM))
    for row in range(3):
        for col in range(4):
            g.fill(box(4 + col * 2.7, 7.6 + row * 2.4, 0.8, 0.7), solid(SENT if (row, col) != (1, 2) else RED_LINE))


SKIN = [("SF", browse_folder), ("SR", refresh), ("SD", drop_down), ("SE", ellipsis), ("SC", calendar)]


def state_strip(draw):
    """A 48 x 16 strip of the glyph as it looks normal, hot (lighter) and disabled (grey and half transparent)."""
    frame = Glyph(16)
    draw(frame)
    strip = Glyph(48, 16)
    for y in range(16):
        for x in range(16):
            r, g, b, a = frame.rgba[y][x]
            grey = 0.3 * r + 0.59 * g + 0.11 * b
            strip.rgba[y][x] = (r, g, b, a)
            strip.rgba[y][16 + x] = (r + (1 - r) * 0.3, g + (1 - g) * 0.3, b + (1 - b) * 0.3, a)
            strip.rgba[y][32 + x] = (grey, grey, grey, a * 0.5)
    return strip


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = []
    for folder, size, glyphs in (("toolbar", 32, TOOLBAR), ("buttons", 16, BUTTONS)):
        for name, draw in glyphs:
            g = Glyph(size)
            draw(g)
            pictures.append((folder, name, g))
    for name, draw in SKIN:
        pictures.append(("skin", name, state_strip(draw)))
    for folder, name, g in pictures:
        os.makedirs(os.path.join(here, folder), exist_ok=True)
        path = os.path.join(here, folder, name + ".png")
        with open(path, "wb") as f:
            f.write(g.png())
        print(path)
    os.makedirs(os.path.join(here, "about"), exist_ok=True)
    g = about_box()
    for name, part in [("background", (0, 0) + ABOUT_SIZE)] + list(ABOUT_PARTS.items()):
        path = os.path.join(here, "about", name + ".bmp")
        with open(path, "wb") as f:
            f.write(g.bmp(*part))
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
