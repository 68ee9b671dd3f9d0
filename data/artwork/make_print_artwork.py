#!/usr/bin/env python3
"""Draws the printed card's artwork and writes it beside this script:
front.bmp and back.bmp, the card templates (a light guilloche background,
titles and field labels, no photo or values), and num.dat, the eleven
digit glyphs the citizen number is printed with.

The backgrounds are drawn with make_artwork's shapes; the Chinese labels
and the glyphs are rendered by ImageMagick's `convert` with the WenQuanYi
Zen Hei font (Debian's imagemagick and fonts-wqy-zenhei). Run it again
after changing a drawing and commit the outputs."""
import math
import os
import struct
import subprocess
import tempfile

from make_artwork import Canvas, draw, ring, polygon, rect, waves, write_bmp, info_header

HERE = os.path.dirname(os.path.abspath(__file__))
# One pixel per tenth of a millimetre: the card is 85.6 mm x 54.0 mm.
CARD_WIDTH, CARD_HEIGHT = 856, 540
GLYPH_WIDTH, GLYPH_HEIGHT = 20, 30
GLYPH_SLOT = 512
GLYPHS = "0123456789X"
LABEL_COLOUR = "#2f4f8f"
TITLE_COLOUR = "#8f2f2f"


def font_file():
    return subprocess.run(["fc-match", "-f", "%{file}", "WenQuanYi Zen Hei"], check=True,
                          capture_output=True, text=True).stdout


def guilloche(tint):
    c = Canvas(CARD_WIDTH, CARD_HEIGHT, (0, 0, 0, 255))
    draw(c, rect(0, 0, CARD_WIDTH, CARD_HEIGHT), lambda x, y: (
        250 - 6 * y / CARD_HEIGHT, 250 - 4 * x / CARD_WIDTH, 252))
    waves(c, tint, 27, 9, CARD_HEIGHT / 27.0, 0.22)
    waves(c, (226, 206, 214), 13, 15, CARD_HEIGHT / 13.0, 0.18, phase=1.1)
    return c


def emblem(c, cx, cy, r):
    """A round seal with a five-pointed star, in the spirit of the on-screen card."""
    draw(c, ring(cx, cy, r, r * 0.86), (200, 70, 60), alpha=0.8)
    star = [(cx + r * 0.55 * math.cos(a), cy + r * 0.55 * math.sin(a))
            for a in [-math.pi / 2 + i * 4 * math.pi / 5 for i in range(5)]]
    draw(c, polygon(star), (214, 160, 40), alpha=0.85)


def annotate(base, texts, out):
    """Writes texts ((x, y, size, colour, text), y the baseline) over base into
    an 8-bit palette BMP."""
    args = ["convert", base, "-font", font_file()]
    for x, y, size, colour, text in texts:
        args += ["-fill", colour, "-pointsize", str(size), "-annotate", "+%d+%d" % (x, y), text]
    args += ["-colors", "256", "-type", "Palette", "-compress", "None", "BMP3:" + out]
    subprocess.run(args, check=True)


def front(workdir):
    base = os.path.join(workdir, "front-base.bmp")
    write_bmp(base, guilloche((176, 200, 226)))
    size, l = 26, LABEL_COLOUR
    annotate(base, [
        (60, 56, 30, TITLE_COLOUR, "中华人民共和国居民身份证"),
        (60, 108, size, l, "姓名"),
        (60, 176, size, l, "性别"), (250, 176, size, l, "民族"),
        (60, 238, size, l, "出生"), (245, 238, size, l, "年"), (330, 238, size, l, "月"),
        (410, 238, size, l, "日"),
        (60, 306, size, l, "地址"),
        (60, 476, size - 4, l, "公民身份证号码"),
    ], os.path.join(HERE, "front.bmp"))


def back(workdir):
    base = os.path.join(workdir, "back-base.bmp")
    c = guilloche((214, 196, 176))
    emblem(c, 130, 130, 80)
    write_bmp(base, c)
    annotate(base, [
        (300, 140, 44, TITLE_COLOUR, "中华人民共和国"),
        (340, 240, 56, TITLE_COLOUR, "居民身份证"),
        (200, 416, 26, LABEL_COLOUR, "签发机关"),
        (200, 486, 26, LABEL_COLOUR, "有效期限"),
    ], os.path.join(HERE, "back.bmp"))


def glyph_levels(character):
    """The glyph as 20 x 30 grey levels (0 black to 255 white), rows top down."""
    raw = subprocess.run([
        "convert", "-size", "%dx%d" % (GLYPH_WIDTH, GLYPH_HEIGHT), "xc:white", "-font", font_file(),
        "-fill", "black", "-pointsize", "34", "-gravity", "center", "-annotate", "+0+1", character,
        "-depth", "8", "gray:-"], check=True, capture_output=True).stdout
    assert len(raw) == GLYPH_WIDTH * GLYPH_HEIGHT
    return raw


def glyph_slot(character):
    """A 4-bit bottom-up BMP of 16 greys, padded to its 512-byte slot."""
    levels = glyph_levels(character)
    row_bytes = (GLYPH_WIDTH * 4 + 31) // 32 * 4
    rows = []
    for y in reversed(range(GLYPH_HEIGHT)):
        row = bytearray(row_bytes)
        for x in range(GLYPH_WIDTH):
            index = levels[y * GLYPH_WIDTH + x] * 15 // 255
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", 17 * i, 17 * i, 17 * i, 0) for i in range(16))
    header = info_header(GLYPH_WIDTH, GLYPH_HEIGHT, 4, len(pixels), 16)
    offset = 14 + len(header) + len(palette)
    image = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + palette + pixels
    assert len(image) <= GLYPH_SLOT
    return image + bytes(GLYPH_SLOT - len(image))


def main():
    with tempfile.TemporaryDirectory() as workdir:
        front(workdir)
        back(workdir)
    with open(os.path.join(HERE, "num.dat"), "wb") as f:
        for character in GLYPHS:
            f.write(glyph_slot(character))


if __name__ == "__main__":
    main()
