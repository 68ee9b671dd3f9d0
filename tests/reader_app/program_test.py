#!/usr/bin/env python3
"""The reader program as a person runs it: Tarnwick.exe started from the
program folder under Wine with the reader emulator, a card laid on the
reader, and the program closed again like a window is closed."""
import os
import shutil
import sqlite3
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from wine_tools import (PORT, AppDataFolder, Emulator, archived_photo, stored_card_ids,  # noqa: E402
                        wait_for, wine, write_settings)

PROGRAM = sys.argv[1]
emulator = Emulator(sys.argv[2])
SAMPLE_CARD = sys.argv[3]
SCREENSHOTS = sys.argv[4]
WINDOW_CLOSE = sys.argv[5]
SAMPLE_ID = "99052119920314002X"


class ProgramTest(unittest.TestCase):
    def setUp(self):
        self.app_data = AppDataFolder()
        os.makedirs(self.app_data.settings_folder)
        write_settings(self.path("RoraDI.ini"), {
            "Display": {"Sound": 0, "Dialog": 0, "Clear": 1, "ReservedTime": 0},
            "Save": {"AutoSave": 1, "SavePath": ""},
            "Port": {"Type": 2, "COMPort": PORT, "BaudRate": 115200},
            "Card": {"ReadAppend": 1, "Period": 100},
        })
        shutil.copy(os.path.join(os.path.dirname(PROGRAM), "card2"), self.path("card2"))
        with sqlite3.connect(self.path("card2")) as db:
            db.execute("insert into blacklist values (?, 'test')", (SAMPLE_ID,))
        emulator("clear-faults")
        emulator("lift")
        self.start_program()

    def start_program(self):
        self.program = subprocess.Popen(["wine", PROGRAM], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def tearDown(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.app_data.close()

    def path(self, name):
        return os.path.join(self.app_data.settings_folder, name)

    @staticmethod
    def reader_contacted():
        return len(emulator("log").split()) > 1

    def stored_ids(self):
        return stored_card_ids(self.app_data.settings_folder)

    def archived_photo(self):
        return archived_photo(self.app_data.settings_folder, SAMPLE_ID)

    def waiting_reads(self):
        path = self.path("waiting_reads.db")
        if not os.path.exists(path):
            return 0
        with sqlite3.connect(path, timeout=5) as db:
            return db.execute("select count(*) from waitingread").fetchone()[0]

    def close_program(self):
        # Like the window's close box: the program ends its dialog, joins
        # the polling thread and exits by itself.
        closed = wine(WINDOW_CLOSE, "居民身份证阅读器")
        # "no such window" or "the window stayed open" tells a lost close
        # from a window that hangs while it closes.
        self.assertEqual(closed.returncode, 0, closed.stderr.decode(errors="replace"))
        self.program.wait(timeout=60)
        return self.program.returncode

    def test_a_card_laid_on_is_stored_and_archived_and_the_program_closes_cleanly(self):
        self.assertTrue(wait_for(self.reader_contacted, 20), "the program never spoke to the reader")
        emulator("lay", SAMPLE_CARD)
        self.assertTrue(wait_for(lambda: self.stored_ids() == [SAMPLE_ID], 20))
        self.assertTrue(wait_for(lambda: os.path.exists(self.archived_photo()), 10))
        if shutil.which("import"):
            time.sleep(0.5)
            subprocess.run(["import", "-window", "root", os.path.join(SCREENSHOTS, "reader_program_screen.png")],
                           check=False, timeout=30)
        self.assertEqual(self.close_program(), 0)

    def test_closing_while_a_card_is_read_ends_the_program(self):
        self.assertTrue(wait_for(self.reader_contacted, 20))
        emulator("lay", SAMPLE_CARD)
        # About when the next pass finds the card and reads it at line rate.
        time.sleep(0.25)
        self.assertEqual(self.close_program(), 0)

    def test_reads_left_waiting_by_a_killed_program_are_stored_once_by_the_next_run(self):
        self.assertTrue(wait_for(self.reader_contacted, 20))
        # Another program holds the write lock for a while (readers may go on).
        holder = sqlite3.connect(self.path("card2"), isolation_level=None)
        holder.execute("begin immediate")
        try:
            for waiting in (1, 2):
                emulator("lay", SAMPLE_CARD)
                self.assertTrue(wait_for(lambda: self.waiting_reads() == waiting, 20))
                emulator("lift")
            # Killed, not closed: nothing gets the chance to finish.
            self.program.kill()
            self.program.wait()
        finally:
            holder.close()
        self.assertEqual(self.stored_ids(), [])
        self.start_program()
        self.assertTrue(wait_for(lambda: self.waiting_reads() == 0, 30))
        self.assertEqual(self.stored_ids(), [SAMPLE_ID, SAMPLE_ID])
        self.assertTrue(os.path.exists(self.archived_photo()))
        self.assertEqual(self.close_program(), 0)
        self.assertEqual(self.stored_ids(), [SAMPLE_ID, SAMPLE_ID], "a read was stored twice")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
