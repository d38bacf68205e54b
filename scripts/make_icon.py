#!/usr/bin/env python3
"""Draws the program's icon: a yellow V on a blue tile, 32x32 and 16x16, 16 colours."""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLUE, YELLOW, WHITE, TRANSPARENT = 4, 11, 15, 0


def pixel(x, y, size):
    """Palette index of pixel (x, y), y counted from the top."""
    edge = size - 1
    corner = (x in (0, edge)) and (y in (0, edge))
    if corner:
        return TRANSPARENT
    if x in (0, edge) or y in (0, edge):
        return WHITE
    # The V: two strokes from the top corners to the bottom middle.
    margin = size // 8
    depth = (y - margin) / max(1, size - 2 * margin)
    if margin <= y < size - margin:
        centre = size / 2 - 0.5
        half_width = (centre - margin) * (1 - depth)
        stroke = max(1.5, size / 10)
        if abs(abs(x - centre) - half_width) < stroke:
            return YELLOW
    return BLUE


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    mask_row_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        indices = [pixel(x, y, size) for x in range(size)]
        xor_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        bits = 0
        for x in range(size):
            transparent = (x in (0, size - 1)) and (y in (0, size - 1))
            bits = (bits << 1) | int(transparent)
        bits <<= mask_row_bytes * 8 - size
        and_rows.append(bits.to_bytes(mask_row_bytes, "big"))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def icon_file(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file([32, 16]))
