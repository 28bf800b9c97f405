"""Tiny anti-aliased vector drawing and ICO/BMP writers for the program's pictures.

Every picture of the program is drawn by code in this folder, so that the pictures can be
changed and rebuilt: run `python3 make_icons.py` here and commit the written files.
"""

import math
import struct


class Canvas:
    """An RGBA picture drawn with 4 x 4 supersampling."""

    SS = 4

    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def _blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.size and 0 <= y < self.size):
            return
        r, g, b, a = colour
        a = a / 255.0 * min(coverage, 1.0)
        dr, dg, db, da = self.px[y][x]
        da /= 255.0
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / oa
        self.px[y][x] = (round(mix(r, dr)), round(mix(g, dg)), round(mix(b, db)), round(oa * 255))

    def fill(self, inside, colour):
        """Fills every point (in picture units, 0..size) for which inside(x, y) is true."""
        n = self.SS
        for y in range(self.size):
            for x in range(self.size):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(x + (sx + 0.5) / n, y + (sy + 0.5) / n):
                            hits += 1
                self._blend(x, y, colour, hits / (n * n))

    # Shapes, in coordinates scaled to a 16-unit picture.
    def _u(self):
        return self.size / 16.0

    def rect(self, x0, y0, x1, y1, colour, radius=0.0):
        u = self._u()
        x0, y0, x1, y1, r = x0 * u, y0 * u, x1 * u, y1 * u, radius * u

        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + 1e-9

        self.fill(inside, colour)

    def frame(self, x0, y0, x1, y1, width, colour, radius=0.0):
        """A rectangle outline drawn inside the given bounds."""
        u = self._u()
        ax0, ay0, ax1, ay1, w, r = x0 * u, y0 * u, x1 * u, y1 * u, width * u, radius * u

        def in_round(x, y, a0, b0, a1, b1, rr):
            if not (a0 <= x <= a1 and b0 <= y <= b1):
                return False
            cx = min(max(x, a0 + rr), a1 - rr)
            cy = min(max(y, b0 + rr), b1 - rr)
            return (x - cx) ** 2 + (y - cy) ** 2 <= rr * rr + 1e-9

        self.fill(lambda x, y: in_round(x, y, ax0, ay0, ax1, ay1, r)
                  and not in_round(x, y, ax0 + w, ay0 + w, ax1 - w, ay1 - w, max(r - w, 0)), colour)

    def circle(self, cx, cy, radius, colour):
        u = self._u()
        cx, cy, r = cx * u, cy * u, radius * u
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, radius, width, colour):
        u = self._u()
        cx, cy, r, w = cx * u, cy * u, radius * u, width * u
        self.fill(lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def arc(self, cx, cy, radius, width, start, end, colour):
        """Part of a ring from angle start to end (degrees, clockwise from 3 o'clock)."""
        u = self._u()
        cx, cy, r, w = cx * u, cy * u, radius * u, width * u

        def inside(x, y):
            if not (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                return False
            angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
            return (angle - start) % 360 <= (end - start) % 360

        self.fill(inside, colour)

    def line(self, xa, ya, xb, yb, width, colour):
        """A thick line with round ends."""
        u = self._u()
        xa, ya, xb, yb, hw = xa * u, ya * u, xb * u, yb * u, width * u / 2

        def inside(x, y):
            dx, dy = xb - xa, yb - ya
            length2 = dx * dx + dy * dy
            t = 0 if length2 == 0 else max(0, min(1, ((x - xa) * dx + (y - ya) * dy) / length2))
            px, py = xa + t * dx, ya + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= hw * hw

        self.fill(inside, colour)

    def polygon(self, points, colour):
        u = self._u()
        pts = [(x * u, y * u) for x, y in points]

        def inside(x, y):
            result = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result

        self.fill(inside, colour)


def _dib(canvas):
    """A 32-bit bottom-up DIB with an AND mask, as ICO entries hold it."""
    size = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = canvas.px[y][x]
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if canvas.px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, canvases):
    images = [_dib(c) for c in canvases]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        s = canvas.size % 256
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


def write_strip_bmp(path, canvases):
    """A horizontal strip of equally sized 32-bit pictures with straight alpha."""
    size = canvases[0].size
    width = size * len(canvases)
    pixels = bytearray()
    for y in reversed(range(size)):
        for canvas in canvases:
            for x in range(size):
                r, g, b, a = canvas.px[y][x]
                pixels += bytes((b, g, r, a))
    info = struct.pack('<IiiHHIIiiII', 40, width, size, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + bytes(pixels))
