#!/usr/bin/python3
"""Lists a workbook as an independent reader sees it, in UTF-8: for each
sheet a line "#sheet NAME", a line "#bold" followed by one 0 or 1 per cell
of the first row (whether its font is bold), then one line per row with
the cells separated by the unit separator (0x1F).

Usage: read_xls.py [--libreoffice PROFILE_DIR] FILE [OUT]
The reader is Python's xlrd, or with --libreoffice LibreOffice headless
(its first sheet converted to CSV; no font information). The listing goes
to OUT, or to standard output. OUT appears complete, at once: a caller
that cannot wait for this process (Wine's "start /unix" does not) waits
for the file; a reader's failure is listed as a line "#error TEXT"."""
import csv
import os
import subprocess
import sys
import tempfile

import xlrd


def xlrd_listing(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    out = []
    for sheet in book.sheets():
        out.append("#sheet " + sheet.name)
        bold = "".join("1" if book.font_list[book.xf_list[sheet.cell_xf_index(0, c)].font_index].weight >= 700
                       else "0" for c in range(sheet.ncols if sheet.nrows else 0))
        out.append("#bold " + bold)
        out.extend("\x1f".join(str(value) for value in sheet.row_values(r)) for r in range(sheet.nrows))
    return out


def libreoffice_listing(path, profile):
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "export.xls")
        with open(path, "rb") as original, open(source, "wb") as copy:
            copy.write(original.read())
        # Filter options: comma, double quote, UTF-8 (76), from line 1.
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.abspath(profile), "--headless",
                        "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", folder, source],
                       check=True, capture_output=True, timeout=600)
        with open(os.path.join(folder, "export.csv"), encoding="utf-8", newline="") as converted:
            rows = list(csv.reader(converted))
    return ["#sheet Sheet1", "#bold "] + ["\x1f".join(row) for row in rows]


def main(args):
    if len(args) > 1 and args[0] != "--libreoffice" or len(args) > 3:
        out = args.pop()
        try:
            text = "\n".join(listing(args)) + "\n"
        except Exception as error:  # the caller reads the reason from the file
            text = "#error %s\n" % error
        with open(out + ".part", "w", encoding="utf-8") as part:
            part.write(text)
        os.rename(out + ".part", out)
    else:
        sys.stdout.write("\n".join(listing(args)) + "\n")


def listing(args):
    if args[0] == "--libreoffice":
        return libreoffice_listing(args[2], args[1])
    return xlrd_listing(args[0])


main(sys.argv[1:])
