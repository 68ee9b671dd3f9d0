"""Counters of a site for the central-records tests: each counter is the
installed reader program in a Wine prefix of its own (a hard-linked copy of
the build's prefix, with the files Wine rewrites in place copied whole), with
its own settings folder, card2 and reader emulator on a pseudo-terminal."""
import glob
import json
import os
import shutil
import sqlite3
import subprocess
import tempfile
import time

WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
SAMPLE_ID_PREFIX = "9905211992031"
# How often the test counters pull the central blacklist.
PULL_SECONDS = 2
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"


def wait_for(condition, seconds, step=0.2):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def write_card_variants(sample_card, folder, count, first=0):
    """Card files of the sample person under numbers of their own; returns
    (path, citizen number) pairs."""
    with open(sample_card, encoding="utf-8") as f:
        lines = f.read().splitlines()
    portraits = os.path.join(os.path.dirname(os.path.abspath(sample_card)), "portraits")
    cards = []
    for n in range(first, first + count):
        number = "%s%04dX" % (SAMPLE_ID_PREFIX, n)
        text = []
        for line in lines:
            if line.startswith("id="):
                line = "id=" + number
            elif line.startswith("portrait="):
                line = "portrait=" + os.path.join(portraits, os.path.basename(line.split("=", 1)[1]))
            text.append(line)
        path = os.path.join(folder, "card%04d.card" % n)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(text) + "\n")
        cards.append((path, number))
    return cards


def write_settings(path, sections):
    """A settings file as the programs keep it: UTF-16 with a byte-order mark."""
    text = "".join("[%s]\r\n" % name + "".join("%s=%s\r\n" % kv for kv in keys.items())
                   for name, keys in sections.items())
    with open(path, "wb") as f:
        f.write(text.encode("utf-16"))


class Counter:
    def __init__(self, build, com, station):
        self.build = build
        self.com = com
        self.station = station
        self.folder = tempfile.mkdtemp(prefix="counter-")
        self.prefix = os.path.join(self.folder, "prefix")
        self._copy_prefix()
        self.env = dict(os.environ, WINEPREFIX=self.prefix, **WINE_ENV)
        self._own_application_data()
        roaming = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming"))
        roaming = [r for r in roaming if os.sep + "Public" + os.sep not in r]
        self.settings_folder = os.path.join(roaming[0], "Tarnwick")
        shutil.rmtree(self.settings_folder, ignore_errors=True)
        os.makedirs(self.settings_folder)
        self.program = None
        self.emulator = None
        self._start_emulator()

    def _copy_prefix(self):
        subprocess.run(["cp", "-al", self.build.wine_prefix, self.prefix], check=True)
        # Wine rewrites these in place; a hard link would carry the change
        # back into the build's prefix.
        for pattern in ("*.reg", "drive_c/windows/*.ini"):
            for path in glob.glob(os.path.join(self.prefix, pattern)):
                shutil.copy2(path, path + ".copy")
                os.replace(path + ".copy", path)

    def _own_application_data(self):
        """Another test may have pointed the build prefix's application-data
        folder at a folder of its own when it was copied, and its serial
        ports at its emulators: the copy gets the prefix's own folder back
        and no port but the one its emulator links."""
        for link in glob.glob(os.path.join(self.prefix, "dosdevices", "com*")):
            os.remove(link)
        subprocess.run(["wine", "reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d",
                        r"%USERPROFILE%\AppData\Roaming", "/f"], env=self.env, capture_output=True, check=True,
                       timeout=120)

    def _start_emulator(self):
        info = os.path.join(self.folder, "emulator-info")
        self.emulator = subprocess.Popen(
            [self.build.emulator, "--link-com", str(self.com), "--wineprefix", self.prefix, "--speed", "115200",
             "--pace", "--info-file", info], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(lambda: os.path.exists(info) and os.path.getsize(info) > 0, 10, 0.05):
            raise RuntimeError("the emulator gave no control address")
        with open(info) as f:
            self.control = [line.split()[1] for line in f if line.startswith("control ")][0]

    def reader(self, *request):
        out = subprocess.run([self.build.emulator, "ctl", self.control, *request], capture_output=True, text=True,
                             timeout=30)
        return out.stdout.strip()

    def prepare(self, connection, password, extra=None):
        """Settings for reading into card2, and central records as the
        diagnostics tool sets them (the password protected in this prefix)."""
        write_settings(self.path("RoraDI.ini"), {
            "Display": {"Sound": 0, "Dialog": 0, "Clear": 1, "ReservedTime": 0},
            "Save": {"AutoSave": 1, "SavePath": ""},
            "Port": {"Type": 2, "COMPort": self.com, "BaudRate": 115200},
            "Card": {"ReadAppend": 1, "Period": 100},
        })
        shutil.copy(os.path.join(self.build.app_dir, "card2"), self.path("card2"))
        args = ["central", "set", "--connection", connection, "--station", self.station, "--retry-seconds", "2",
                "--alert-seconds", "1", "--pull-seconds", str(PULL_SECONDS)] + (extra or [])
        done = self.tool(*args, "--password-stdin", input=(password + "\n").encode())
        if done.returncode != 0:
            raise RuntimeError("central set failed: %r" % done.stdout)

    def tool(self, *args, input=None, timeout=120):
        return subprocess.run(["wine", os.path.join(self.build.app_dir, "readerctl.exe"), *args], env=self.env,
                              input=input, capture_output=True, timeout=timeout)

    def path(self, name):
        return os.path.join(self.settings_folder, name)

    def start(self):
        self.program = subprocess.Popen(["wine", os.path.join(self.build.app_dir, "Tarnwick.exe")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(lambda: len(self.reader("log").split()) > 1, 30):
            raise RuntimeError("the program never spoke to the reader")

    def kill(self):
        self.program.kill()
        self.program.wait()

    def close(self):
        """Closes the window as a person does; the seconds it took."""
        started = time.monotonic()
        subprocess.run(["wine", self.build.window_close, "居民身份证阅读器"], env=self.env, capture_output=True,
                       timeout=60)
        self.program.wait(timeout=60)
        return time.monotonic() - started

    def read_card(self, card):
        """Lays the card on the reader until card2 has its read, then lifts it."""
        path, number = card
        before = self.stored(number)
        self.reader("lay", path)
        stored = wait_for(lambda: self.stored(number) > before, 30)
        self.reader("lift")
        if not stored:
            raise AssertionError("%s: the read of %s was never stored" % (self.station, number))

    def query(self, sql, *parameters):
        with sqlite3.connect(self.path("card2"), timeout=10) as db:
            return db.execute(sql, parameters).fetchall()

    def watch_kinds(self, card, seconds=3):
        """Lays the card while the diagnostics tool runs the polling loop
        against this counter's card2 (the program being closed): the kinds
        of the window messages the loop sent."""
        self.reader("lift")
        self.reader("lay", card[0])
        done = self.tool("watch", str(self.com), "--seconds", str(seconds))
        self.reader("lift")
        lines = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line.startswith("{")]
        return [(line["message"], line["kind"]) for line in lines]

    def blacklisted(self):
        return sorted(row[0] for row in self.query("select cardid from blacklist"))

    def stored(self, number):
        return self.query("select count(*) from cardinfo where cardid = ?", number)[0][0]

    def outbox(self):
        try:
            return self.query("select count(*) from central_outbox")[0][0]
        except sqlite3.OperationalError:
            return None

    def delivered_photo(self):
        """The photo bytes the reader sent for the last card, as the program
        keeps them for other programs in the save folder."""
        with open(self.path("image.wlt"), "rb") as f:
            return f.read()

    def cleanup(self):
        if self.program is not None and self.program.poll() is None:
            self.kill()
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        if self.emulator is not None:
            self.emulator.kill()
            self.emulator.wait()
        shutil.rmtree(self.folder, ignore_errors=True)
