#!/usr/bin/env python3
"""Draws Velquin's application icon, a wall clock (ten past ten at 32x32, three
o'clock at 16x16), and
writes it as resources/velquin.ico: a 32x32 and a 16x16 image, 16 colours each,
with a transparency mask. The build uses the committed .ico; run this script
only to change the drawing.  Usage: make_icon.py [output.ico] [--preview out.png]
"""
import math
import struct
import sys
import zlib

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GRAY, LIGHT_GRAY, WHITE = 0, 8, 7, 15
NAVY, BLUE, RED = 4, 12, 9
TRANSPARENT = None


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def hand_end(cx, cy, length, clock_angle):
    """The end of a hand of `length` pointing at `clock_angle` degrees, 0 = twelve."""
    a = math.radians(clock_angle)
    return cx + length * math.sin(a), cy - length * math.cos(a)


class Clock:
    """The drawing, in pixel units of one image size."""

    def __init__(self, size):
        self.size = size
        # An odd-sized dial centred on a pixel keeps the hands one pixel sharp.
        self.radius = (size - 1) / 2.0
        self.cx = self.cy = self.radius
        large = size >= 32
        self.rim = 2.2 if large else 1.3
        self.bevel = 1.0 if large else 0.0
        r = self.radius
        if large:
            self.hour = (hand_end(self.cx, self.cy, r * 0.48, 300), 1.3)
            self.minute = (hand_end(self.cx, self.cy, r * 0.70, 60), 0.9)
            self.second = (hand_end(self.cx, self.cy, r * 0.74, 210), 0.6)
        else:
            # At this size only hands along the pixel grid read as hands: three o'clock.
            self.hour = (hand_end(self.cx, self.cy, r * 0.50, 90), 0.5)
            self.minute = (hand_end(self.cx, self.cy, r * 0.72, 0), 0.5)
            self.second = None
        self.ticks = 12 if large else 4

    def colour_at(self, x, y):
        r = math.hypot(x - self.cx, y - self.cy)
        outer = self.radius + 0.5
        if r > outer:
            return TRANSPARENT
        if r > outer - self.rim:
            return NAVY
        if r > outer - self.rim - self.bevel:
            return BLUE
        if self.second:
            (ex, ey), width = self.second
            if segment_distance(x, y, self.cx, self.cy, ex, ey) <= width:
                return RED
        if r <= (1.4 if self.size >= 32 else 0.5):
            return RED if self.size >= 32 else BLACK
        for (ex, ey), width in (self.minute, self.hour):
            if segment_distance(x, y, self.cx, self.cy, ex, ey) <= width:
                return BLACK
        inner = outer - self.rim - self.bevel
        angle = (math.degrees(math.atan2(x - self.cx, self.cy - y)) + 360.0) % 360.0
        step = 360.0 / self.ticks
        nearest = round(angle / step) * step
        quarter = round(nearest) % 90 == 0
        length = (0.22 if quarter else 0.12) * self.radius if self.size >= 32 else 1.0
        if inner - length - 0.3 <= r <= inner:
            along = math.radians(angle - nearest) * r
            if abs(along) <= (0.9 if quarter else 0.5):
                return BLACK if quarter else DARK_GRAY
        if self.size >= 32 and r > inner - 1.0 and y > self.cy and x > self.cx - 4:
            return LIGHT_GRAY  # a touch of shade inside the lower rim
        return WHITE


def render(size, samples=6):
    clock = Clock(size)
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            votes = {}
            for sy in range(samples):
                for sx in range(samples):
                    x = col - 0.5 + (sx + 0.5) / samples
                    y = row - 0.5 + (sy + 0.5) / samples
                    c = clock.colour_at(x, y)
                    votes[c] = votes.get(c, 0) + 1
            line.append(max(votes, key=lambda c: (votes[c], c is not TRANSPARENT)))
        pixels.append(line)
    return pixels


def dib(pixels):
    """A 4-bit icon image: header, palette, colour rows and mask rows, bottom up."""
    size = len(pixels)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for line in reversed(pixels):
        xor = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for col, c in enumerate(line):
            index = 0 if c is TRANSPARENT else c
            xor[col // 2] |= index << (4 if col % 2 == 0 else 0)
            if c is TRANSPARENT:
                mask[col // 8] |= 0x80 >> (col % 8)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    bits = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(bits), 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bits


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for pixels in images:
        data = dib(pixels)
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def png(pixels_list, scale, path):
    """A preview of every image side by side on a light background, enlarged."""
    width = sum(len(p) for p in pixels_list) * scale + scale * (len(pixels_list) + 1)
    height = max(len(p) for p in pixels_list) * scale + 2 * scale
    canvas = [[(0xE8, 0xE4, 0xD8)] * width for _ in range(height)]
    left = scale
    for pixels in pixels_list:
        for row, line in enumerate(pixels):
            for col, c in enumerate(line):
                if c is TRANSPARENT:
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        canvas[scale + row * scale + dy][left + col * scale + dx] = PALETTE[c]
        left += len(pixels) * scale + scale
    raw = b"".join(b"\0" + bytes(v for px in line for v in px) for line in canvas)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main(argv):
    output = "velquin.ico"
    preview = None
    args = list(argv[1:])
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    if args:
        output = args[0]
    images = [render(32), render(16)]
    with open(output, "wb") as f:
        f.write(ico(images))
    if preview:
        png(images, 8, preview)


if __name__ == "__main__":
    main(sys.argv)
