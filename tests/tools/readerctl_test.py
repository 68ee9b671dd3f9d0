#!/usr/bin/env python3
"""The diagnostics tool under Wine against the reader emulator.

Run by CTest under tests/support/with-emulator, which provides SAMV_CONTROL
and SAMV_COM. The current user's application-data folder is pointed at a
temporary folder for the run, so the tool prepares its settings there.
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

READERCTL = sys.argv[1]
EMULATOR = sys.argv[2]
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
PORT = os.environ.get("SAMV_COM", "5")


def wine(*args):
    return subprocess.run(["wine", *args], capture_output=True, timeout=120)


def emulator(*request):
    out = subprocess.run([EMULATOR, "ctl", os.environ["SAMV_CONTROL"], *request],
                         capture_output=True, text=True, timeout=30)
    return out.stdout.strip()


def windows_path(path):
    return wine("winepath", "-w", path).stdout.decode().strip()


def current_app_data():
    out = wine("reg", "query", SHELL_FOLDERS, "/v", "AppData").stdout.decode(errors="replace")
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == "AppData":
            return parts[1], parts[2]
    return None


def set_app_data(kind, value):
    wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", kind, "/d", value, "/f")


class ReaderctlTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.saved_app_data = current_app_data()
        set_app_data("REG_EXPAND_SZ", windows_path(cls.folder.name))

    @classmethod
    def tearDownClass(cls):
        if cls.saved_app_data:
            set_app_data(*cls.saved_app_data)
        cls.folder.cleanup()

    def setUp(self):
        emulator("clear-faults")
        emulator("set-speed", "115200")
        emulator("lift")

    def run_tool(self, *args):
        done = wine(READERCTL, *args)
        lines = done.stdout.decode("utf-8").splitlines()
        result = json.loads(lines[-1]) if lines else None
        return done.returncode, result

    def saved_baud_rate(self):
        path = os.path.join(self.folder.name, "Tarnwick", "RoraDI.ini")
        with open(path, "rb") as f:
            text = f.read().decode("utf-16")
        for line in text.splitlines():
            if line.startswith("BaudRate="):
                return line.split("=", 1)[1]
        return None

    def test_status_connects_and_reports(self):
        code, out = self.run_tool("status", PORT)
        self.assertEqual(code, 0)
        self.assertEqual(out["command"], "status")
        self.assertEqual(out["result"], 0x90)
        self.assertTrue(out["ok"])
        self.assertEqual(out["connectedPort"], int(PORT))
        self.assertEqual(out["speed"], 115200)
        # The tool prepared the working folders like the programs do.
        self.assertTrue(os.path.exists(os.path.join(self.folder.name, "Tarnwick", "card2")))

    def test_status_of_a_port_without_reader(self):
        code, out = self.run_tool("status", "9")
        self.assertEqual(code, 1)
        self.assertEqual(out["result"], 1)
        self.assertEqual(out["text"], "端口打开失败")
        self.assertFalse(out["ok"])

    def test_probe_and_setbaud_follow_the_reader(self):
        code, out = self.run_tool("setbaud", PORT, "115200", "38400")
        self.assertEqual((code, out["result"]), (0, 0x90))
        self.assertEqual(self.saved_baud_rate(), "38400")
        code, out = self.run_tool("probe", PORT)
        self.assertEqual((code, out["result"], out["speed"]), (0, 0x90, 38400))
        code, out = self.run_tool("status", PORT)  # the saved speed is used
        self.assertEqual((code, out["speed"]), (0, 38400))
        self.run_tool("setbaud", PORT, "38400", "115200")
        self.assertEqual(self.saved_baud_rate(), "115200")

    def test_send_exchanges_any_frame(self):
        emulator("lay")
        code, out = self.run_tool("send", PORT, "AAAAAA9669000320 01 22")
        self.assertEqual((code, out["result"], out["payloadLength"]), (0, 0x9F, 0))
        code, out = self.run_tool("send", PORT, "AA AA AA 96 69 00 03 20 02 21")
        self.assertEqual(out["result"], 0x90)
        code, out = self.run_tool("send", PORT, "AA AA AA 96 69 00 03 30 01 32")
        self.assertEqual((code, out["result"], out["payloadLength"]), (0, 0x90, 1284))
        self.assertTrue(out["payload"].startswith("01 00 04 00"))
        code, out = self.run_tool("send", PORT, "AA AA AA 96 69 00 03 30 01 32", "--capacity", "12")
        self.assertEqual((code, out["result"], out["payloadLength"]), (1, 241, 0))

    def test_bad_arguments_are_refused(self):
        for args in (["send", PORT, "AA A"], ["send", PORT, "zz"], ["probe", "1000"],
                     ["setbaud", PORT, "fast", "9600"], ["launch", PORT], ["status"]):
            code, out = self.run_tool(*args)
            self.assertEqual(code, 2, args)
            self.assertIsNone(out, args)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
