#!/usr/bin/env python3
"""Compares the functions each program and library of a program folder
imports with the reviewed list committed for it, and fails on any import
the list lacks: every list was checked against what Windows 7 SP1 offers,
so a newer function cannot slip in unnoticed.

    check_imports.py OBJDUMP PROGRAM_FOLDER LIST_FOLDER [--update]

--update rewrites the lists from the program folder, for review in the diff."""
import os
import re
import subprocess
import sys

FUNCTION_LINE = re.compile(r"^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)")


def imports_of(objdump, binary):
    """The binary's imports as sorted "DLL function" lines."""
    dump = subprocess.run([objdump, "-p", binary], capture_output=True, text=True, check=True).stdout
    found, dll = set(), None
    for line in dump.splitlines():
        if "DLL Name:" in line:
            dll = line.split("DLL Name:", 1)[1].strip()
        elif dll and (match := FUNCTION_LINE.match(line)):
            found.add("%s %s" % (dll, match.group(1)))
        elif not line.strip():
            dll = None
    return sorted(found)


def binaries(folder):
    return sorted(name for name in os.listdir(folder) if name.lower().endswith((".exe", ".dll")))


def read_list(path):
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return {line.strip() for line in f if line.strip()}


def main(objdump, program_folder, list_folder, update=False):
    os.makedirs(list_folder, exist_ok=True)
    if update:
        for stale in set(os.listdir(list_folder)) - {name + ".txt" for name in binaries(program_folder)}:
            os.remove(os.path.join(list_folder, stale))
    failures = 0
    for name in binaries(program_folder):
        current = imports_of(objdump, os.path.join(program_folder, name))
        list_path = os.path.join(list_folder, name + ".txt")
        if update:
            with open(list_path, "w") as f:
                f.write("".join(line + "\n" for line in current))
            continue
        reviewed = read_list(list_path)
        if reviewed is None:
            print("%s: no reviewed import list (%s)" % (name, list_path))
            failures += 1
            continue
        new = [line for line in current if line not in reviewed]
        for line in new:
            print("%s: imports %s, which its reviewed list lacks" % (name, line))
        failures += len(new)
        gone = sorted(reviewed.difference(current))
        if gone:
            print("%s: %d reviewed imports no longer used (the list may be regenerated)" % (name, len(gone)))
    if failures:
        print("check the new imports against Windows 7 SP1, then regenerate the lists with scripts/update-import-lists")
    return 1 if failures else 0


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if a != "--update"]
    if len(args) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*args, update="--update" in sys.argv[1:]))
