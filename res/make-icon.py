#!/usr/bin/env python3
"""Draws kelpex's icon: one 32 x 32 image with 16 colours (4 bits a pixel),
a folder in kelp green with a down arrow, written as an .ico file."""
import struct
import sys

# The standard 16-colour palette (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
    (255, 255, 255),
]
CLEAR, OUTLINE, FOLDER, LIGHT, ARROW = None, 0, 2, 10, 15


def pixel(x, y):
    if 5 <= y <= 8 and 2 <= x <= 13:              # the folder's tab
        return OUTLINE if y == 5 or x in (2, 13) else LIGHT
    if 8 <= y <= 27 and 2 <= x <= 29:              # the folder
        if y in (8, 27) or x in (2, 29):
            return OUTLINE
        in_shaft = 14 <= x <= 17 and 11 <= y <= 18
        in_head = 19 <= y <= 24 and abs(x - 15.5) <= 24 - y + 0.5
        return ARROW if in_shaft or in_head else FOLDER
    return CLEAR


def icon():
    size, bpp = 32, 4
    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):              # bottom-up rows
        nibbles = [pixel(x, y) for x in range(size)]
        xor_rows.append(bytes(((a or 0) << 4) | (b or 0) for a, b in zip(nibbles[0::2], nibbles[1::2])))
        mask = 0
        for x, v in enumerate(nibbles):
            if v is None:
                mask |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, bpp, len(image), 22)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon())
