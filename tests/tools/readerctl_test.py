#!/usr/bin/env python3
"""The diagnostics tool under Wine against the reader emulator.

Run by CTest under tests/support/with-emulator, which provides SAMV_CONTROL
and SAMV_COM. The current user's application-data folder is pointed at a
temporary folder for the run, so the tool prepares its settings there.
"""
import glob
import os
import struct
import subprocess
import sys
import unittest

from wine_tools import PORT, AppDataFolder, Emulator, read_setting, run_tool

READERCTL = sys.argv[1]
emulator = Emulator(sys.argv[2])
SAMPLE_CARD = sys.argv[3]

NATIONS = {"01": "汉", "03": "回", "56": "基诺", "57": "其他", "98": "外国血统中国籍人士"}


def card_file(path):
    fields = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                key, value = line.split("=", 1)
                fields[key.strip()] = value.strip()
    return fields


def short_date(text):
    return text if text == "长期" else "%s.%s.%s" % (text[:4], text[4:6], text[6:])


def expected_fields(path):
    """What the reader programs show for a card file: spaces removed, codes
    turned into names, dates formatted."""
    card = card_file(path)
    return {
        "name": card["name"].replace(" ", ""),
        "sex": "男" if card["sex"] == "1" else "女",
        "nation": NATIONS[card["nation"]],
        "birth": card["birth"],
        "address": card["address"].replace(" ", ""),
        "idNumber": card["id"],
        "authority": card["authority"].replace(" ", ""),
        "validFrom": card["validfrom"],
        "validTo": card["validto"],
        "newAddress": card.get("newaddress", "").replace(" ", ""),
        "birthText": "%s年%s月%s日" % (card["birth"][:4], card["birth"][4:6], card["birth"][6:]),
        "validityText": short_date(card["validfrom"]) + "-" + short_date(card["validto"]),
    }


def bitmap_size(windows_path):
    """Width, height and bits per pixel of a bitmap the decoder wrote."""
    unix_path = subprocess.run(["winepath", "-u", windows_path], capture_output=True, text=True).stdout.strip()
    with open(unix_path, "rb") as f:
        header = f.read(54)
    if header[:2] != b"BM":
        return None
    width, height, _, bits = struct.unpack("<iiHH", header[18:30])
    return width, height, bits

class ReaderctlTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app_data = AppDataFolder()

    @classmethod
    def tearDownClass(cls):
        cls.app_data.close()

    def setUp(self):
        emulator("clear-faults")
        emulator("set-speed", "115200")
        emulator("lift")

    def run_tool(self, *args):
        code, lines = run_tool(READERCTL, *args)
        return code, lines[-1] if lines else None

    def saved_baud_rate(self):
        return read_setting(os.path.join(self.app_data.settings_folder, "RoraDI.ini"), "BaudRate")

    def test_status_connects_and_reports(self):
        code, out = self.run_tool("status", PORT)
        self.assertEqual(code, 0)
        self.assertEqual(out["command"], "status")
        self.assertEqual(out["result"], 0x90)
        self.assertTrue(out["ok"])
        self.assertEqual(out["connectedPort"], int(PORT))
        self.assertEqual(out["speed"], 115200)
        # The tool prepared the working folders like the programs do.
        self.assertTrue(os.path.exists(os.path.join(self.app_data.settings_folder, "card2")))

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

    def test_read_decodes_every_sample_card_and_its_photo(self):
        cards = sorted(glob.glob(os.path.join(os.path.dirname(SAMPLE_CARD), "*.card")))
        self.assertGreaterEqual(len(cards), 5)
        for card in cards:
            with self.subTest(card=os.path.basename(card)):
                emulator("lay", card)
                # A card without a newest address refuses to read one.
                append = ["--append"] if "newaddress" in card_file(card) else []
                code, out = self.run_tool("read", PORT, *append)
                self.assertEqual((code, out["result"], out["ok"]), (0, 0x90, True), out)
                expected = expected_fields(card)
                self.assertEqual({key: out[key] for key in expected}, expected)
                self.assertEqual(bitmap_size(out["bitmap"]), (102, 126, 24))
                self.assertTrue(out["bitmap"].endswith("\\Tarnwick\\image.bmp"))
                self.assertTrue(out["photo"].endswith("\\Tarnwick\\image.wlt"))

        emulator("lay", SAMPLE_CARD)
        self.run_tool("read", PORT)
        code, out = self.run_tool("read", PORT)  # the card is halted after a read
        self.assertEqual((code, out["result"], out["name"]), (1, 0x80, ""))

    def test_bad_arguments_are_refused(self):
        for args in (["send", PORT, "AA A"], ["send", PORT, "zz"], ["probe", "1000"], ["read", PORT, "--all"], ["watch", PORT, "--seconds", "0"],
                     ["setbaud", PORT, "fast", "9600"], ["setbaud", PORT, "115200", "4800"], ["launch", PORT], ["status"]):
            code, out = self.run_tool(*args)
            self.assertEqual(code, 2, args)
            self.assertIsNone(out, args)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
