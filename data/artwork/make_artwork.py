#!/usr/bin/env python3
"""Draws the reader program's artwork and writes it beside this script:
the program icon, the blacklist alarm icon, the six toolbar icons, the
configuration dialog's banner and the shipped background picture bg.bmp.

Only the standard library is used. Shapes are described as coverage tests
and sampled 4 x 4 times per pixel, which gives smooth edges at icon sizes.
Run it again after changing a drawing and commit the outputs."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = [(i + 0.5) / 4 for i in range(4)]


class Canvas:
    """Straight (not premultiplied) RGBA pixels, rows top to bottom."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(fill) for _ in range(width * height)]

    def paint(self, inside, colour, box=None, alpha=1.0):
        """Blends colour over every pixel by the share of its samples that
        `inside(x, y)` accepts; colour may be a function of (x, y)."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = sum(1 for sy in SAMPLES for sx in SAMPLES if inside(x + sx, y + sy))
                if hits:
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    self._blend(x, y, c, alpha * hits / 16.0)

    def _blend(self, x, y, colour, a):
        p = self.pixels[y * self.width + x]
        out_a = a + p[3] / 255.0 * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * p[3] / 255.0 * (1 - a)) / out_a
        p[3] = out_a * 255.0


# Shapes: each returns a coverage test and its bounding box.
def circle(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def ring(cx, cy, r_out, r_in):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return r_in * r_in <= d <= r_out * r_out
    return inside, (cx - r_out, cy - r_out, cx + r_out, cy + r_out)


def rect(x0, y0, x1, y1):
    return (lambda x, y: x0 <= x <= x1 and y0 <= y <= y1), (x0, y0, x1, y1)


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside, (x0, y0, x1, y1)


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= width * width / 4
    h = width / 2
    return inside, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h)


def polygon(points):
    def inside(x, y):
        result = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                result = not result
        return result
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return inside, (min(xs), min(ys), max(xs), max(ys))


def gear(cx, cy, r_out, r_root, r_hole, teeth):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < r_hole:
            return False
        phase = (math.atan2(y - cy, x - cx) * teeth / (2 * math.pi)) % 1.0
        return d <= (r_out if 0.25 <= phase <= 0.75 else r_root)
    return inside, (cx - r_out, cy - r_out, cx + r_out, cy + r_out)


def minus(a, b):
    return (lambda x, y: a[0](x, y) and not b[0](x, y)), a[1]


def draw(canvas, shape, colour, alpha=1.0):
    canvas.paint(shape[0], colour, shape[1], alpha)


def vertical_gradient(top, bottom, height):
    def colour(x, y):
        t = y / height
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3))
    return colour


# The drawings. Icons are drawn on a 32-unit grid scaled to their size.
def program_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, round_rect(1 * k, 5 * k, 31 * k, 27 * k, 3 * k), (40, 84, 150))
    draw(c, round_rect(2.5 * k, 6.5 * k, 29.5 * k, 25.5 * k, 2 * k), vertical_gradient((214, 234, 248), (168, 206, 232), size))
    draw(c, rect(20 * k, 10 * k, 27 * k, 20 * k), (120, 132, 150))
    draw(c, circle(23.5 * k, 13 * k, 2.2 * k), (236, 240, 246))
    draw(c, round_rect(20.8 * k, 15.6 * k, 26.2 * k, 20 * k, 1.5 * k), (236, 240, 246))
    for i, length in enumerate((12, 10, 14, 9)):
        draw(c, rect(5 * k, (10 + 3 * i) * k, (5 + length) * k, (11.4 + 3 * i) * k), (60, 78, 120))
    draw(c, rect(5 * k, 22.5 * k, 27 * k, 23.5 * k), (200, 60, 60))
    return c


def alarm_icon(size):
    # A red disc from edge to edge with a white exclamation mark, so that the
    # icon's corner sits exactly where the face places it.
    c, k = Canvas(size, size), size / 32.0
    draw(c, circle(16 * k, 16 * k, 16 * k), lambda x, y: (235 - 40 * y / size, 40, 36))
    draw(c, ring(16 * k, 16 * k, 16 * k, 14.6 * k), (150, 16, 16))
    draw(c, polygon([(13.6 * k, 5.5 * k), (18.4 * k, 5.5 * k), (17.2 * k, 19.5 * k), (14.8 * k, 19.5 * k)]), (255, 255, 255))
    draw(c, circle(16 * k, 24.5 * k, 2.4 * k), (255, 255, 255))
    return c


def blacklist_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, circle(14 * k, 10 * k, 5.5 * k), (52, 64, 84))
    draw(c, round_rect(4 * k, 17 * k, 24 * k, 30 * k, 7 * k), (52, 64, 84))
    draw(c, ring(23 * k, 22 * k, 8 * k, 5.8 * k), (214, 36, 36))
    draw(c, segment(17.6 * k, 27.4 * k, 28.4 * k, 16.6 * k, 2.4 * k), (214, 36, 36))
    return c


def query_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, circle(13 * k, 13 * k, 8.2 * k), (210, 232, 250), alpha=0.9)
    draw(c, ring(13 * k, 13 * k, 10 * k, 7.6 * k), (44, 92, 160))
    draw(c, segment(20.5 * k, 20.5 * k, 28.5 * k, 28.5 * k, 4.4 * k), (92, 60, 36))
    draw(c, segment(9 * k, 9.5 * k, 12 * k, 7.5 * k, 1.8 * k), (255, 255, 255))
    return c


def config_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, gear(16 * k, 16 * k, 14.5 * k, 11 * k, 5 * k, 8), lambda x, y: (110 - 40 * y / size, 124 - 40 * y / size, 140 - 30 * y / size))
    draw(c, ring(16 * k, 16 * k, 7.5 * k, 5 * k), (200, 206, 214))
    return c


def minimize_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, round_rect(3 * k, 4 * k, 29 * k, 26 * k, 2 * k), (44, 92, 160))
    draw(c, rect(5 * k, 9 * k, 27 * k, 24 * k), (236, 242, 250))
    draw(c, polygon([(11 * k, 12 * k), (21 * k, 12 * k), (16 * k, 18 * k)]), (44, 92, 160))
    draw(c, rect(9 * k, 19.5 * k, 23 * k, 22 * k), (44, 92, 160))
    draw(c, rect(6 * k, 28 * k, 26 * k, 30 * k), (90, 100, 112))
    return c


def print_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, rect(9 * k, 3 * k, 23 * k, 13 * k), (250, 250, 250))
    draw(c, round_rect(3 * k, 11 * k, 29 * k, 24 * k, 3 * k), (84, 92, 106))
    draw(c, circle(24.5 * k, 15 * k, 1.3 * k), (96, 220, 96))
    draw(c, rect(8 * k, 19 * k, 24 * k, 30 * k), (252, 252, 252))
    draw(c, minus(rect(8 * k, 19 * k, 24 * k, 30 * k), rect(9 * k, 20 * k, 23 * k, 29 * k)), (120, 128, 140))
    for y in (23, 26):
        draw(c, rect(11 * k, y * k, 21 * k, (y + 1) * k), (120, 140, 190))
    return c


def exit_icon(size):
    c, k = Canvas(size, size), size / 32.0
    arc = ring(16 * k, 17 * k, 12.5 * k, 9.5 * k)
    gap = polygon([(16 * k, 17 * k), (8 * k, 0), (24 * k, 0)])
    draw(c, minus(arc, gap), (200, 40, 40))
    draw(c, segment(16 * k, 3.5 * k, 16 * k, 16 * k, 3 * k), (200, 40, 40))
    return c


def month_icon(size, leaf, rings):
    """The query tool's month tree: a calendar leaf with two binder rings."""
    c, k = Canvas(size, size), size / 32.0
    draw(c, round_rect(3 * k, 5 * k, 29 * k, 30 * k, 3 * k), leaf)
    draw(c, rect(3 * k, 5 * k, 29 * k, 12 * k), (196, 48, 48))
    draw(c, rect(6 * k, 15 * k, 26 * k, 27 * k), (255, 255, 255), alpha=0.85)
    for x in (10, 22):
        draw(c, round_rect((x - 1.5) * k, 2 * k, (x + 1.5) * k, 9 * k, 1.5 * k), rings)
    for row in range(3):
        for col in range(4):
            x, y = 7.5 + 5 * col, 16.5 + 3.6 * row
            draw(c, rect(x * k, y * k, (x + 3) * k, (y + 2.2) * k), (120, 132, 150))
    return c


def close_icon(size):
    c, k = Canvas(size, size), size / 32.0
    draw(c, circle(16 * k, 16 * k, 14 * k), lambda x, y: (120 - 30 * y / size, 128 - 30 * y / size, 140 - 30 * y / size))
    draw(c, segment(10.5 * k, 10.5 * k, 21.5 * k, 21.5 * k, 3.4 * k), (255, 255, 255))
    draw(c, segment(21.5 * k, 10.5 * k, 10.5 * k, 21.5 * k, 3.4 * k), (255, 255, 255))
    return c


def query_tool_icons():
    """The query tool's own icons: month tree items (plain and picked) and
    the detail window's close button. Its print button and program icon
    are the reader program's print and query icons."""
    write_icon(os.path.join(HERE, "month.ico"), month_icon(16, (226, 230, 236), (90, 100, 112)), 32)
    write_icon(os.path.join(HERE, "month_picked.ico"), month_icon(16, (255, 236, 160), (44, 92, 160)), 32)
    write_icon(os.path.join(HERE, "close.ico"), close_icon(32), 32)


def waves(canvas, colour, count, amplitude, spacing, alpha, phase=0.0):
    """Fine guilloche-like lines over the whole canvas."""
    w, h = canvas.width, canvas.height
    for n in range(count):
        base = (n + 0.5) * spacing

        def inside(x, y, base=base, n=n):
            v = base + amplitude * math.sin(x / w * 2 * math.pi * 2 + n * 0.45 + phase)
            return abs(y - v) < 0.55
        canvas.paint(inside, colour, (0, base - amplitude - 1, w, base + amplitude + 1), alpha)


def background(width, height):
    c = Canvas(width, height, (0, 0, 0, 255))
    draw(c, rect(0, 0, width, height), lambda x, y: (
        236 - 18 * y / height + 6 * x / width, 244 - 10 * y / height, 250 - 4 * y / height))
    waves(c, (150, 186, 214), 34, 7, height / 34.0, 0.35)
    waves(c, (196, 176, 214), 17, 11, height / 17.0, 0.25, phase=1.3)
    # A faint seal behind the titles.
    draw(c, ring(width * 0.12, height * 0.12, height * 0.085, height * 0.072), (196, 96, 96), alpha=0.35)
    draw(c, polygon([(width * 0.12 + height * 0.05 * math.cos(a), height * 0.12 + height * 0.05 * math.sin(a))
                     for a in [-math.pi / 2 + i * 4 * math.pi / 5 for i in range(5)]]), (210, 110, 90), alpha=0.3)
    return c


def banner(width, height):
    c = Canvas(width, height, (0, 0, 0, 255))
    draw(c, rect(0, 0, width, height), lambda x, y: (
        30 + 30 * x / width, 70 + 50 * x / width - 20 * y / height, 140 + 40 * x / width))
    waves(c, (255, 255, 255), 9, 6, height / 9.0, 0.18)
    k = height / 32.0
    card = program_icon(int(height * 0.8))
    for y in range(card.height):
        for x in range(card.width):
            p = card.pixels[y * card.width + x]
            if p[3] > 0:
                c._blend(int(height * 0.25) + x, int(height * 0.1) + y, p, p[3] / 255.0)
    for i in range(5):
        draw(c, round_rect(height * 1.4 + i * 26 * k, 12 * k, height * 1.4 + i * 26 * k + 18 * k, 20 * k, 3 * k),
             (255, 255, 255), alpha=0.2 + 0.12 * i)
    return c


def blacklist_editor_icon(size):
    """The blacklist editor's program icon: a ruled list page with a red
    no-entry sign at its lower right."""
    c = Canvas(size, size)
    k = size / 32.0
    draw(c, round_rect(4 * k, 2 * k, 24 * k, 29 * k, 2 * k), (72, 84, 104))
    draw(c, round_rect(5.2 * k, 3.2 * k, 22.8 * k, 27.8 * k, 1.4 * k), (250, 250, 252))
    for i in range(5):
        y = (7.5 + 4 * i) * k
        draw(c, rect(8 * k, y, 10 * k, y + 1.6 * k), (200, 40, 40))
        draw(c, rect(12 * k, y, 20 * k, y + 1.6 * k), (96, 108, 128))
    draw(c, circle(23 * k, 23 * k, 8 * k), (214, 36, 36))
    draw(c, rect(18.5 * k, 21.6 * k, 27.5 * k, 24.4 * k), (255, 255, 255))
    return c


# File writers.
def bgr_rows(canvas, bytes_per_pixel):
    """Bottom-up rows of a DIB, each padded to 4 bytes."""
    rows = []
    for y in reversed(range(canvas.height)):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, a = (int(round(v)) for v in canvas.pixels[y * canvas.width + x])
            row += bytes((b, g, r, a) if bytes_per_pixel == 4 else (b, g, r))
        row += bytes(-len(row) % 4)
        rows.append(bytes(row))
    return b"".join(rows)


def info_header(width, height, bits, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def write_bmp(path, canvas):
    pixels = bgr_rows(canvas, 3)
    header = info_header(canvas.width, canvas.height, 24, len(pixels))
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        f.write(header + pixels)


def and_mask(canvas):
    row_bytes = (canvas.width + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(canvas.height)):
        row = bytearray(row_bytes)
        for x in range(canvas.width):
            if canvas.pixels[y * canvas.width + x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return bytes(mask)


def quantise(canvas):
    """A 6 x 7 x 6 colour cube: indices and the 256-entry palette."""
    palette = [(round(r * 51), round(g * 42.5), round(b * 51)) for r in range(6) for g in range(7) for b in range(6)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    rows = []
    for y in reversed(range(canvas.height)):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, a = canvas.pixels[y * canvas.width + x]
            row.append(0 if a < 128 else round(r / 51) * 42 + round(g / 42.5) * 6 + round(b / 51))
        row += bytes(-len(row) % 4)
        rows.append(bytes(row))
    return b"".join(rows), b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def write_icon(path, canvas, bits):
    if bits == 8:
        pixels, palette = quantise(canvas)
    else:
        pixels, palette = bgr_rows(canvas, 4), b""
    mask = and_mask(canvas)
    header = info_header(canvas.width, canvas.height * 2, bits, len(pixels) + len(mask), 256 if bits == 8 else 0)
    image = header + palette + pixels + mask
    entry = struct.pack("<BBBBHHII", canvas.width, canvas.height, 0, 0, 1, bits, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1) + entry + image)


def main():
    write_icon(os.path.join(HERE, "program.ico"), program_icon(32), 8)
    write_icon(os.path.join(HERE, "alarm.ico"), alarm_icon(48), 8)
    for name, drawing in (("blacklist", blacklist_icon), ("query", query_icon), ("config", config_icon),
                          ("minimize", minimize_icon), ("print", print_icon), ("exit", exit_icon)):
        write_icon(os.path.join(HERE, name + ".ico"), drawing(32), 32)
    write_icon(os.path.join(HERE, "blacklist_editor.ico"), blacklist_editor_icon(32), 8)
    write_bmp(os.path.join(HERE, "banner.bmp"), banner(616, 90))
    write_bmp(os.path.join(HERE, "bg.bmp"), background(456, 336))
    query_tool_icons()


if __name__ == "__main__":
    main()
