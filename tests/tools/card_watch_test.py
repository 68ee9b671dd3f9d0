#!/usr/bin/env python3
"""The card polling loop, run by the diagnostics tool's watch command under
Wine against the reader emulator, observed through the messages it posts
and through what it stores."""
import datetime
import os
import sqlite3
import sys
import unittest

from wine_tools import PORT, AppDataFolder, Emulator, run_tool, write_settings

READERCTL = sys.argv[1]
emulator = Emulator(sys.argv[2])
SAMPLE_CARD = sys.argv[3]
SAMPLE_ID = "99052119920314002X"


def events(lines):
    return [(l["message"], l["kind"], l["code"]) for l in lines]


class CardWatchTest(unittest.TestCase):
    def setUp(self):
        self.app_data = AppDataFolder()
        os.makedirs(self.app_data.settings_folder)
        self.configure()
        emulator("clear-faults")
        emulator("set-speed", "115200")
        emulator("lift")
        emulator("clear-log")

    def tearDown(self):
        self.app_data.close()

    def configure(self, auto_save=1, read_append=1, sound=0):
        write_settings(self.path("RoraDI.ini"), {
            "Display": {"Sound": sound},
            "Save": {"AutoSave": auto_save, "SavePath": ""},
            "Port": {"Type": 2, "COMPort": PORT, "BaudRate": 115200},
            "Card": {"ReadAppend": read_append, "Period": 100},
        })

    def path(self, name):
        return os.path.join(self.app_data.settings_folder, name)

    def prepare_database(self):
        """A first run copies the prepared database into the save folder."""
        run_tool(READERCTL, "status", PORT)

    def stored_rows(self):
        with sqlite3.connect(self.path("card2")) as db:
            return db.execute("select cardid, newaddress from cardinfo").fetchall()

    def archived_photo(self):
        today = datetime.date.today()
        return self.path("%04d%02d/%02d_%s.bmp" % (today.year, today.month, today.day, SAMPLE_ID))

    def watch(self, seconds, *switches):
        code, lines = run_tool(READERCTL, "watch", PORT, "--seconds", str(seconds), *switches)
        self.assertEqual(code, 0)
        return lines

    def test_a_card_laid_on_is_shown_checked_stored_and_archived(self):
        self.prepare_database()
        with sqlite3.connect(self.path("card2")) as db:
            db.execute("insert into blacklist values (?, 'test')", (SAMPLE_ID,))
        emulator("lay", SAMPLE_CARD)
        lines = self.watch(3)
        self.assertEqual(events(lines), [
            ("WM_CARD_STATUS", 1, 0), ("WM_CARD_READ", 1, 0), ("WM_CARD_STATUS", 2, 1),
            ("WM_CARD_STATUS", 3, 1), ("WM_CARD_STATUS", 0, 0x80)])
        self.assertNotIn("beep", [l["message"] for l in lines], "Sound is off")
        self.assertEqual(lines[1]["idNumber"], SAMPLE_ID)
        self.assertEqual(lines[1]["newAddress"], "")
        self.assertTrue(lines[3]["newAddress"])
        self.assertEqual(self.stored_rows(), [(SAMPLE_ID, lines[3]["newAddress"])])
        self.assertTrue(os.path.exists(self.archived_photo()))

    def test_without_auto_save_nothing_is_stored_and_the_beep_follows_the_read(self):
        self.configure(auto_save=0, read_append=0, sound=1)
        self.prepare_database()
        emulator("lay", SAMPLE_CARD)
        lines = self.watch(2)
        self.assertEqual(events(lines)[:3], [("WM_CARD_STATUS", 1, 0), ("WM_CARD_READ", 1, 0), ("beep", 0, 0)])
        self.assertEqual(self.stored_rows(), [])
        self.assertFalse(os.path.exists(self.archived_photo()))

    def test_a_window_that_never_answers_delays_the_read(self):
        emulator("lay", SAMPLE_CARD)
        lines = self.watch(7, "--no-answer")
        kinds = events(lines)
        read = kinds.index(("WM_CARD_READ", 1, 0))
        added = kinds.index(("WM_CARD_STATUS", 3, 1))
        self.assertGreaterEqual(lines[added]["ms"] - lines[read]["ms"], 1900)
        self.assertGreaterEqual(lines[added + 1]["ms"] - lines[added]["ms"], 1900)

    def test_a_read_that_cannot_be_stored_waits_and_is_stored_by_the_next_run(self):
        self.prepare_database()
        # Another program holds the write lock longer than a store waits.
        holder = sqlite3.connect(self.path("card2"), isolation_level=None)
        try:
            holder.execute("begin immediate")  # readers may go on, writers wait
            emulator("lay", SAMPLE_CARD)
            lines = self.watch(8)
        finally:
            holder.close()
        self.assertIn(("WM_CARD_STATUS", 4, 1), events(lines), "one read waits")
        self.assertNotIn(("WM_CARD_STATUS", 0, 247), events(lines), "the read is not lost")
        self.assertEqual(self.stored_rows(), [])
        self.assertTrue(os.path.exists(self.archived_photo()))
        emulator("lift")
        lines = self.watch(2)
        self.assertEqual(events(lines)[:2], [("WM_CARD_STATUS", 4, 1), ("WM_CARD_STATUS", 4, 0)])
        self.assertEqual([row[0] for row in self.stored_rows()], [SAMPLE_ID])

    def test_an_unplugged_reader_is_reported_once(self):
        emulator("fault", "unplug")
        lines = self.watch(2)
        self.assertEqual(events(lines), [("WM_CARD_STATUS", 0, 1)])

    def test_reader_errors_keep_the_link_and_link_failures_reconnect(self):
        status_check = "AA AA AA 96 69 00 03 11 FF ED"
        emulator("fault", "status", "20", "01", "24")
        lines = self.watch(2)
        self.assertEqual(events(lines), [("WM_CARD_STATUS", 0, 0x24)])
        self.assertEqual(emulator("log").count(status_check), 1)

        emulator("clear-faults")
        emulator("clear-log")
        emulator("fault", "status", "20", "01", "02", "count=1")
        lines = self.watch(2)
        self.assertEqual(events(lines), [("WM_CARD_STATUS", 0, 2), ("WM_CARD_STATUS", 0, 0x80)])
        self.assertEqual(emulator("log").count(status_check), 2)
        # The radio set-up goes to the reader once a process, not on reconnecting.
        self.assertEqual(emulator("log").count("AA AA AA 96 69 00 04 61 FF 58 C2"), 1)

    def test_a_failed_read_is_reported_once_a_pass_and_nothing_stored(self):
        self.prepare_database()
        # A select the card refuses, and a read answered with success but
        # without its data, which the loop must take as a short response.
        for fault, code in ((("20", "02", "81"), 0x81), (("30", "01", "90"), 0x41)):
            with self.subTest(code=hex(code)):
                emulator("clear-faults")
                emulator("lift")
                emulator("fault", "status", *fault)
                emulator("lay", SAMPLE_CARD)
                kinds = events(self.watch(2))
                # The card stays on the reader, so every pass finds it again;
                # its failure follows once at the start of the next pass.
                found, failed = ("WM_CARD_STATUS", 1, 0), ("WM_CARD_STATUS", 0, code)
                self.assertGreaterEqual(len(kinds), 2)
                self.assertEqual(kinds, ([found, failed] * len(kinds))[:len(kinds)])
                self.assertEqual(self.stored_rows(), [])

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
