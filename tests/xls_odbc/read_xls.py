#!/usr/bin/python3
"""Prints a workbook as the independent reader xlrd sees it, in UTF-8:
for each sheet a line "#sheet NAME", a line "#bold" followed by one 0 or 1
per cell of the first row (whether its font is bold), then one line per
row with the cells separated by the unit separator (0x1F)."""
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
out = []
for sheet in book.sheets():
    out.append("#sheet " + sheet.name)
    bold = "".join("1" if book.font_list[book.xf_list[sheet.cell_xf_index(0, c)].font_index].weight >= 700
                   else "0" for c in range(sheet.ncols if sheet.nrows else 0))
    out.append("#bold " + bold)
    for r in range(sheet.nrows):
        out.append("\x1f".join(str(value) for value in sheet.row_values(r)))
sys.stdout.write("\n".join(out) + "\n")
