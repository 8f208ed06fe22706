#!/usr/bin/env python3
"""Draws Quarnpad's window icon, a 32 x 32 24-bit picture of a disc with a
green arrow pointing out of it, and writes it as quarnpad.ico.

    python3 make_icon.py [output.ico]
"""
import math
import struct
import sys

SIZE = 32


def disc_pixel(x, y):
    """Colour and opacity of the disc at the pixel centre (x, y)."""
    cx = cy = 15.5
    dx, dy = x + 0.5 - cx - 0.5, y + 0.5 - cy - 0.5
    r = math.hypot(dx, dy)
    if r > 14.5 or r < 2.5:
        return None
    if r > 13.5 or r < 3.5:
        return (90, 90, 100)  # rim and hole edge
    if r < 6.0:
        return (205, 210, 220)  # clear hub
    # silver with a rainbow sheen that turns with the angle
    a = math.atan2(dy, dx)
    sheen = 0.5 + 0.5 * math.cos(2 * a)
    base = 170 + int(60 * sheen)
    hue = (a / (2 * math.pi)) % 1.0
    tint = [math.cos(2 * math.pi * (hue - k / 3.0)) for k in range(3)]
    return tuple(max(0, min(255, base + int(25 * t))) for t in tint)


def arrow_pixel(x, y):
    """The green arrow in the lower right corner, pointing down."""
    # shaft
    if 20 <= x <= 25 and 16 <= y <= 24:
        return (0, 150, 40) if x in (20, 25) else (40, 200, 70)
    # head: a triangle from y 24 to 31
    if 24 <= y <= 31:
        half = 31 - y
        if abs(x - 22.5) <= half + 0.5:
            edge = abs(x - 22.5) > half - 0.5 or y == 31
            return (0, 150, 40) if edge else (40, 200, 70)
    return None


def pixels():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            colour = arrow_pixel(x, y) or disc_pixel(x, y)
            row.append(colour)
        rows.append(row)
    return rows


def ico_bytes(rows):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        bits = 0
        for x, colour in enumerate(row):
            r, g, b = colour if colour else (0, 0, 0)
            xor += bytes((b, g, r))
            if colour is None:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "quarnpad.ico"
    with open(out, "wb") as f:
        f.write(ico_bytes(pixels()))


if __name__ == "__main__":
    main()
