#!/usr/bin/env python3
"""Draws the twelve 15x15 16-colour lamp bitmaps; run it again after changing a colour."""
import math, os, struct

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
           (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, GRAY, SILVER, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(16)
BACKGROUND = TEAL  # the bottom-left pixel: the colour drawn transparent

# kind: (lit glass, unlit glass)
KINDS = {"RED": (RED, MAROON), "GREEN": (LIME, GREEN), "BLUE": (BLUE, NAVY), "YELLOW": (YELLOW, OLIVE),
         "PURPLE": (FUCHSIA, PURPLE), "BULB": (YELLOW, SILVER)}


def lamp(glass, lit, bulb):
    px = [[BACKGROUND] * 15 for _ in range(15)]
    cy = 6.0 if bulb else 7.0
    radius = 5.5 if bulb else 6.5
    for y in range(15):
        for x in range(15):
            d = math.hypot(x - 7, y - cy)
            if d <= radius - 1:
                px[y][x] = glass
            elif d <= radius:
                px[y][x] = GRAY if lit else BLACK
    if bulb:  # the screw base
        for y in (12, 13):
            for x in range(5, 10):
                px[y][x] = GRAY if (x + y) % 2 else SILVER
        px[14][7] = BLACK
    if lit:
        for x, y in ((5, 4), (4, 5), (5, 5), (6, 4), (4, 6)):
            px[y + int(cy) - 7][x] = WHITE
    return px


def bmp(px):
    rows = b""
    for row in reversed(px):  # bottom-up
        data = bytearray()
        for i in range(0, 16, 2):
            hi = row[i]
            lo = row[i + 1] if i + 1 < 15 else 0
            data.append(hi << 4 | lo)
        rows += bytes(data)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, 15, 15, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    return header + info + palette + rows


here = os.path.dirname(os.path.abspath(__file__))
for name, (on, off) in KINDS.items():
    for state, glass in (("ON", on), ("OFF", off)):
        with open(os.path.join(here, "led%s%s.bmp" % (name.lower(), state.lower())), "wb") as f:
            f.write(bmp(lamp(glass, state == "ON", name == "BULB")))
