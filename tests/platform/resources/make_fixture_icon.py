#!/usr/bin/env python3
"""Writes fixture.ico, the resource tests' icon: an 8x8 image at 1 bit per pixel
and a 4x4 image at 24 bits per pixel, with pixels the tests know exactly. The
build uses the committed file; run this only to change it."""
import struct

def dib(width, height, bits, palette, rows, mask_rows):
    """rows and mask_rows from the top; each colour row is a list of values (palette
    indices, or (r, g, b) at 24 bits)."""
    stride = ((width * bits + 31) // 32) * 4
    mask_stride = ((width + 31) // 32) * 4
    colour = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, v in enumerate(row):
            if bits == 1:
                line[x // 8] |= v << (7 - x % 8)
            else:
                r, g, b = v
                line[x * 3:x * 3 + 3] = bytes((b, g, r))
        colour += bytes(line)
    mask = b""
    for row in reversed(mask_rows):
        line = bytearray(mask_stride)
        for x, v in enumerate(row):
            line[x // 8] |= v << (7 - x % 8)
        mask += bytes(line)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, len(colour) + len(mask), 0, 0,
                         len(palette), 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + colour + mask

# 8x8, black and white: a white X on black, the top-left pixel transparent.
x_rows = [[1 if x == y or x == 7 - y else 0 for x in range(8)] for y in range(8)]
x_mask = [[1 if (x, y) == (0, 0) else 0 for x in range(8)] for y in range(8)]
small = dib(8, 8, 1, [(0, 0, 0), (255, 255, 255)], x_rows, x_mask)

# 4x4, true colour: red, green, blue, grey along each row, the bottom row see-through.
colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (0x80, 0x80, 0x80)]
tc_rows = [colours for _ in range(4)]
tc_mask = [[1 if y == 3 else 0 for x in range(4)] for y in range(4)]
tiny = dib(4, 4, 24, [], tc_rows, tc_mask)

images = [(8, 8, 2, 1, small), (4, 4, 0, 24, tiny)]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for w, h, colour_count, bits, data in images:
    out += struct.pack("<BBBBHHII", w, h, colour_count, 0, 1, bits, len(data), offset)
    offset += len(data)
out += b"".join(image[4] for image in images)
open("fixture.ico", "wb").write(out)
