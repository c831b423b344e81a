#!/usr/bin/env python3
"""Draws the program's icon: a 32 x 32, 16-colour floppy disk, 744 image bytes.

Run it to regenerate res/zarized.ico; the build uses the committed file.
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, SILVER, BLUE, WHITE = 0, 4, 8, 7, 12, 15


def pixel(x, y):
    """Colour index at (x, y), y counted from the top; None is transparent."""
    if not (2 <= x <= 29 and 2 <= y <= 29):
        return None
    if x in (2, 29) or y in (2, 29):
        return BLACK
    if 9 <= x <= 22 and 3 <= y <= 11:          # metal shutter
        return GREY if 17 <= x <= 19 and 5 <= y <= 9 else SILVER
    if 6 <= x <= 25 and 15 <= y <= 28:         # paper label with an arrow
        if y in (19, 20, 21) and 10 <= x <= 18:
            return BLUE
        if 19 <= x <= 22 and abs(y - 20) <= 22 - x:
            return BLUE
        return WHITE
    return NAVY


def image():
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 4, 0, 512 + 128, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for y in range(31, -1, -1):                # bottom-up rows
        row, mask = bytearray(16), 0
        for x in range(32):
            c = pixel(x, y)
            if c is None:
                mask |= 1 << (31 - x)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(row))
        and_rows.append(struct.pack('>I', mask))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def main(path):
    data = image()
    assert len(data) == 744, len(data)
    with open(path, 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, 1))
        out.write(struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(data), 22))
        out.write(data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/zarized.ico')
