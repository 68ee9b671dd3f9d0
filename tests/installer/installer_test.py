#!/usr/bin/env python3
"""The setup file as an administrator uses it, in a Wine prefix made fresh
for the run (64-bit, so the 32-bit programs land in the 32-bit Program Files
folder): a silent install, a read with the installed reader program started
from its Start-menu entry, an upgrade to the next version refused while the
program runs, stopped with an error while a file is held open, and done once
both let go, and a silent uninstall that keeps the records."""
import hashlib
import os
import re
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from wine_tools import (PORT, Emulator, archived_photo, stored_card_ids, wait_for, wine,  # noqa: E402
                        write_settings)

SETUP, PROGRAM_FOLDER, VERSION = sys.argv[1:4]
NEXT_SETUP, NEXT_PROGRAM_FOLDER, NEXT_VERSION = sys.argv[4:7]
emulator = Emulator(sys.argv[7])
SAMPLE_CARD = sys.argv[8]
WINDOW_CLOSE, HOLD_FILE = sys.argv[9:11]
SAMPLE_ID = "99052119920314002X"
UNINSTALL_KEY = r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"
MENU_PROGRAMS = ("Tarnwick", "Pellory", "BlackList")
SETUP_ABORTED = 2
FILES_NOT_REPLACED = 3


def unix_path(windows_path):
    return wine("winepath", "-u", windows_path).stdout.decode().strip()


def windows_path(host_path):
    return wine("winepath", "-w", host_path).stdout.decode().strip()


def shortcut_target(lnk):
    """The local path a shell link points at (its LinkInfo block)."""
    with open(lnk, "rb") as f:
        data = f.read()
    flags, = struct.unpack_from("<I", data, 0x14)
    offset = 0x4C
    if flags & 0x1:  # a target ID list comes first
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    if not flags & 0x2:
        raise AssertionError("%s carries no local path" % lnk)
    info_flags, = struct.unpack_from("<I", data, offset + 8)
    base, = struct.unpack_from("<I", data, offset + 16)
    suffix, = struct.unpack_from("<I", data, offset + 24)
    if not info_flags & 0x1:
        raise AssertionError("%s points at no local volume" % lnk)

    def text_at(start):
        return data[offset + start:data.index(b"\0", offset + start)].decode("mbcs" if os.name == "nt" else "latin-1")
    return text_at(base) + text_at(suffix)


def registry_values(key):
    out = wine("reg", "query", key).stdout.decode("utf-8", errors="replace")
    # Value names may hold spaces ("Common Programs"): the type splits the line.
    return {m.group(1): m.group(2) for m in re.finditer(r"^\s+(.+?)\s+REG_\w+\s+(.*?)\s*$", out, re.M)}


def folder_contents(folder):
    """Every file below a folder, by its relative path, with the SHA-256 of
    its bytes."""
    contents = {}
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            with open(path, "rb") as f:
                contents[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return contents


class HeldOpen:
    """Keeps a file open without sharing it (hold-file.exe), as another
    program may, for the time of a with block."""

    def __init__(self, path):
        self.path = path

    def __enter__(self):
        self.holder = subprocess.Popen(["wine", HOLD_FILE, windows_path(self.path)], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if self.holder.stdout.readline().strip() != b"held":
            self.holder.kill()
            self.holder.wait()
            raise AssertionError("could not hold %s open" % self.path)
        return self

    def __exit__(self, *exc):
        self.holder.stdin.close()
        self.holder.wait(timeout=30)
        self.holder.stdout.close()


def environment_folder(variable):
    """The folder an environment variable of the prefix names (for example
    APPDATA), as a host path."""
    return unix_path(wine("cmd", "/c", "echo %%%s%%" % variable).stdout.decode().strip())


# The folder names follow the prefix's language: ask the prefix for them.
COMMON_FOLDERS = registry_values(r"HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders")
INSTALLED = os.path.join(environment_folder("ProgramFiles(x86)"), "Tarnwick")
MENU = os.path.join(unix_path(COMMON_FOLDERS["Common Programs"]), "Tarnwick")
DESKTOP_ENTRY = os.path.join(unix_path(COMMON_FOLDERS["Common Desktop"]), "Tarnwick.lnk")


class InstallerTest(unittest.TestCase):
    def setUp(self):
        self.settings_folder = os.path.join(environment_folder("APPDATA"), "Tarnwick")
        self.program = None

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()

    def run_setup(self, setup, *args):
        return wine(setup, "/S", *args, timeout=300).returncode

    def path(self, name):
        return os.path.join(self.settings_folder, name)

    def stored_ids(self):
        return stored_card_ids(self.settings_folder)

    def archived_photo(self):
        return archived_photo(self.settings_folder, SAMPLE_ID)

    def start_from_menu(self):
        target = unix_path(shortcut_target(os.path.join(MENU, "Tarnwick.lnk")))
        self.assertEqual(os.path.realpath(target), os.path.realpath(os.path.join(INSTALLED, "Tarnwick.exe")))
        emulator("clear-faults")
        emulator("lift")
        self.program = subprocess.Popen(["wine", target], cwd=INSTALLED,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close_program(self):
        wine(WINDOW_CLOSE, "居民身份证阅读器")
        self.program.wait(timeout=30)
        return self.program.returncode

    def assert_installed(self, program_folder, version):
        """The program folder holds exactly the files of program_folder, the
        uninstaller beside them, and the entries name that version."""
        shipped = folder_contents(program_folder)
        installed = folder_contents(INSTALLED)
        self.assertIn("Uninstall.exe", installed)
        del installed["Uninstall.exe"]
        self.assertEqual(sorted(installed), sorted(shipped))
        for name in shipped:
            self.assertEqual(installed[name], shipped[name], "%s differs from the one of %s" % (name, version))
        expected_menu = [p + ".lnk" for p in MENU_PROGRAMS if os.path.exists(os.path.join(program_folder, p + ".exe"))]
        self.assertEqual(sorted(os.listdir(MENU)), sorted(expected_menu))
        entry = registry_values(UNINSTALL_KEY)
        self.assertEqual(entry.get("DisplayName"), "Tarnwick")
        self.assertEqual(entry.get("DisplayVersion"), version)
        self.assertTrue(entry.get("Publisher"))
        self.assertIn("Uninstall.exe", entry.get("UninstallString", ""))

    def read_a_card(self):
        os.makedirs(self.settings_folder, exist_ok=True)
        write_settings(self.path("RoraDI.ini"), {
            "Display": {"Sound": 0, "Dialog": 0, "Clear": 1, "ReservedTime": 0},
            "Save": {"AutoSave": 1, "SavePath": ""},
            "Port": {"Type": 2, "COMPort": PORT, "BaudRate": 115200},
            "Card": {"ReadAppend": 0, "Period": 100},
        })
        self.start_from_menu()
        # On its first start the program copies the prepared database from
        # the program folder into the settings folder.
        self.assertTrue(wait_for(lambda: os.path.exists(self.path("card2")), 30), "no database copied")
        self.assertTrue(wait_for(lambda: len(emulator("log").split()) > 1, 30), "the program never spoke to the reader")
        emulator("lay", SAMPLE_CARD)
        self.assertTrue(wait_for(lambda: self.stored_ids() == [SAMPLE_ID], 30))
        self.assertTrue(wait_for(lambda: os.path.exists(self.archived_photo()), 10))

    def test_install_read_upgrade_and_uninstall(self):
        self.assertEqual(self.run_setup(SETUP), 0)
        self.assert_installed(PROGRAM_FOLDER, VERSION)
        self.assertTrue(os.path.exists(DESKTOP_ENTRY))

        self.read_a_card()
        # A silent setup cannot ask to close the running program: it ends
        # without replacing anything.
        self.assertEqual(self.run_setup(NEXT_SETUP), SETUP_ABORTED)
        self.assert_installed(PROGRAM_FOLDER, VERSION)
        self.assertIsNone(self.program.poll())
        self.assertEqual(self.close_program(), 0)
        records = folder_contents(self.settings_folder)
        self.assertIn("card2", records)

        # A file held open by another program cannot be replaced: the setup
        # stops and says so instead of leaving a mix of versions behind.
        with HeldOpen(os.path.join(INSTALLED, "blacklist.txt")):
            self.assertEqual(self.run_setup(NEXT_SETUP), FILES_NOT_REPLACED)

        self.assertEqual(self.run_setup(NEXT_SETUP), 0)
        self.assert_installed(NEXT_PROGRAM_FOLDER, NEXT_VERSION)
        self.assertEqual(folder_contents(self.settings_folder), records)

        # The uninstaller copies itself away and returns at once; the copy
        # has done its work when the prefix's last process has ended.
        self.assertEqual(wine(os.path.join(INSTALLED, "Uninstall.exe"), "/S").returncode, 0)
        subprocess.run(["wineserver", "-w"], timeout=120, check=True)
        self.assertFalse(os.path.exists(INSTALLED))
        self.assertFalse(os.path.exists(MENU))
        self.assertFalse(os.path.exists(DESKTOP_ENTRY))
        self.assertEqual(registry_values(UNINSTALL_KEY), {})
        self.assertEqual(folder_contents(self.settings_folder), records)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
