#!/usr/bin/env python3
"""Runs the print end-to-end test program, then matches the PDF it printed
against the card it composed: the PDF is rendered at the printer's
resolution, the card cut out at the printable area's offset, and compared
with the composed picture. Printing resamples, so the match is close, not
exact.

  print_compare.py PRINT_SERVER_DIR COMMAND..."""
import os
import struct
import subprocess
import sys

folder = sys.argv[1]
# Mean absolute difference of a colour byte, over the card and the photo.
CARD_LIMIT = 12.0
PHOTO_LIMIT = 20.0


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P6" and fields[3] == b"255"
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]


def read_bmp(path):
    """A 24-bit bottom-up BMP as (width, height, top-down RGB rows)."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    row = (width * 3 + 3) // 4 * 4
    rgb = bytearray()
    for y in range(height):
        line = data[offset + row * (height - 1 - y):offset + row * (height - 1 - y) + width * 3]
        for x in range(width):
            b, g, r = line[3 * x:3 * x + 3]
            rgb += bytes((r, g, b))
    return width, height, bytes(rgb)


def mean_difference(page, card, offset, box):
    page_width, _, page_rgb = page
    card_width, _, card_rgb = card
    left, top, right, bottom = box
    total = count = 0
    for y in range(top, bottom):
        p = ((offset[1] + y) * page_width + offset[0]) * 3
        c = y * card_width * 3
        for i in range(left * 3, right * 3):
            total += abs(page_rgb[p + i] - card_rgb[c + i])
        count += (right - left) * 3
    return total / count


def main():
    result = subprocess.run(sys.argv[2:])
    if result.returncode != 0:
        return result.returncode
    dpi, offset_x, offset_y = (int(v) for v in open(os.path.join(folder, "reference.txt")).read().split())
    rendered = os.path.join(folder, "rendered")
    subprocess.run(["pdftoppm", "-r", str(dpi), "-singlefile", os.path.join(folder, "pdf", "job.pdf"), rendered],
                   check=True)
    page = read_ppm(rendered + ".ppm")
    card = read_bmp(os.path.join(folder, "reference.bmp"))
    width, height = card[0], card[1]
    whole = mean_difference(page, card, (offset_x, offset_y), (0, 0, width, height))
    photo_box = (535 * dpi // 254, 80 * dpi // 254, 795 * dpi // 254, 400 * dpi // 254)
    photo = mean_difference(page, card, (offset_x, offset_y), photo_box)
    print("printed card against composed: mean difference %.2f over the card, %.2f over the photo" % (whole, photo))
    if whole > CARD_LIMIT or photo > PHOTO_LIMIT:
        print("FAIL: the printed card does not match the composed one")
        return 1
    # A blank page would match nothing: the card must not be paper white.
    if mean_difference(page, (width, height, bytes([255]) * (width * height * 3)), (offset_x, offset_y),
                       (0, 0, width, height)) < 5:
        print("FAIL: the card area is blank")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
