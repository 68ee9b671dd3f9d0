"""Helpers of the end-to-end tests that run the diagnostics tool under Wine
against the reader emulator (started by tests/support/with-emulator, which
provides SAMV_CONTROL and SAMV_COM)."""
import datetime
import json
import os
import sqlite3
import subprocess
import tempfile
import time

SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
PORT = os.environ.get("SAMV_COM", "5")


def wine(*args, timeout=120):
    return subprocess.run(["wine", *args], capture_output=True, timeout=timeout)


class Emulator:
    def __init__(self, program):
        self.program = program

    def __call__(self, *request):
        out = subprocess.run([self.program, "ctl", os.environ["SAMV_CONTROL"], *request],
                             capture_output=True, text=True, timeout=30)
        return out.stdout.strip()


class AppDataFolder:
    """Points the user's application-data folder of the prefix at a fresh
    temporary folder, and back again when closed."""

    def __init__(self):
        self.folder = tempfile.TemporaryDirectory()
        self.saved = self._current()
        windows_path = wine("winepath", "-w", self.folder.name).stdout.decode().strip()
        self._set("REG_EXPAND_SZ", windows_path)

    @property
    def settings_folder(self):
        return os.path.join(self.folder.name, "Tarnwick")

    def close(self):
        if self.saved:
            self._set(*self.saved)
        self.folder.cleanup()

    @staticmethod
    def _current():
        out = wine("reg", "query", SHELL_FOLDERS, "/v", "AppData").stdout.decode(errors="replace")
        for line in out.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == "AppData":
                return parts[1], parts[2]
        return None

    @staticmethod
    def _set(kind, value):
        wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", kind, "/d", value, "/f")


def run_tool(readerctl, *args, timeout=120):
    """Runs the tool; returns its exit code and its output lines as objects."""
    done = wine(readerctl, *args, timeout=timeout)
    lines = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line.startswith("{")]
    return done.returncode, lines


def write_settings(path, sections):
    """Writes a settings file as the programs keep it: UTF-16 with a BOM."""
    text = "".join("[%s]\r\n" % name + "".join("%s=%s\r\n" % kv for kv in keys.items())
                   for name, keys in sections.items())
    with open(path, "wb") as f:
        f.write(text.encode("utf-16"))


def read_setting(path, key):
    with open(path, "rb") as f:
        for line in f.read().decode("utf-16").splitlines():
            if line.startswith(key + "="):
                return line.split("=", 1)[1]
    return None


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def stored_card_ids(settings_folder):
    """The citizen numbers of the reads stored in the folder's card2."""
    with sqlite3.connect(os.path.join(settings_folder, "card2")) as db:
        return [row[0] for row in db.execute("select cardid from cardinfo")]


def archived_photo(settings_folder, card_id):
    """Where a read of today keeps its photo in the folder's archive."""
    today = datetime.date.today()
    return os.path.join(settings_folder, "%04d%02d" % (today.year, today.month), "%02d_%s.bmp" % (today.day, card_id))
