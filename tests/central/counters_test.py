#!/usr/bin/env python3
"""Central records end to end: counters (the installed reader program under
Wine, each in its own prefix with its own emulator) forwarding their reads
to a private PostgreSQL server through Wine's ODBC layer and unixODBC.

argv: the build's Wine prefix, the program folder, the emulator, the
window-closing tool, the sample card."""
import concurrent.futures
import json
import os
import sys
import tempfile
import time
import unittest
from types import SimpleNamespace

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from central_server import CentralServer  # noqa: E402
from counter_site import PULL_SECONDS, Counter, wait_for, write_card_variants  # noqa: E402

BUILD = SimpleNamespace(wine_prefix=sys.argv[1], app_dir=sys.argv[2], emulator=sys.argv[3],
                        window_close=sys.argv[4])
SAMPLE_CARD = sys.argv[5]
PASSWORD = "counter's secret"


def quoted(text):
    return "$q$%s$q$" % text


class CentralRecordsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = CentralServer()
        cls.server.__enter__()
        for n in range(1, 4):
            cls.server.add_login("counter%d" % n, PASSWORD, "counter")
        cls.cards_folder = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)
        cls.cards_folder.cleanup()

    def setUp(self):
        self.server.sql("truncate card_reads")

    def counter(self, com, station, login="counter1", password=PASSWORD, connection=None):
        counter = Counter(BUILD, com, station)
        self.addCleanup(counter.cleanup)
        counter.prepare(self.server.connection_string(login) if connection is None else connection, password)
        return counter

    def cards(self, count, first):
        return write_card_variants(SAMPLE_CARD, self.cards_folder.name, count, first)

    def server_reads(self, station):
        rows = self.server.sql("select cardid, encode(photo, 'hex') from card_reads where station = %s order by cardid"
                               % quoted(station))
        return [(row[0], bytes.fromhex(row[1])) for row in rows]

    def central(self, counter, command):
        done = counter.tool("central", command)
        lines = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line.startswith("{")]
        return done.returncode, lines[-1]

    def test_three_counters_reading_at_once_deliver_every_read_once_with_its_photo_bytes(self):
        stations = ["东站一号", "东站二号", "西站"]
        counters = [self.counter(20 + i, station, "counter%d" % (i + 1)) for i, station in enumerate(stations)]
        for counter in counters:
            counter.start()
        per_counter = 4

        def read_all(i):
            for card in self.cards(per_counter, 100 * i):
                counters[i].read_card(card)

        with concurrent.futures.ThreadPoolExecutor(len(counters)) as pool:
            list(pool.map(read_all, range(len(counters))))
        for i, counter in enumerate(counters):
            photo = counter.delivered_photo()
            self.assertGreater(len(photo), 0)
            expected = [(number, photo) for _, number in self.cards(per_counter, 100 * i)]
            self.assertTrue(wait_for(lambda: len(self.server_reads(counter.station)) == per_counter, 20),
                            "%s: %r" % (counter.station, self.server_reads(counter.station)))
            self.assertEqual(self.server_reads(counter.station), expected)
            self.assertTrue(wait_for(lambda: counter.outbox() == 0, 10))
            self.assertLess(counter.close(), 10)

    def test_reads_made_while_the_server_is_down_arrive_once_when_it_is_back(self):
        counter = self.counter(23, "北站")
        counter.start()
        cards = self.cards(3, 300)
        counter.read_card(cards[0])
        self.assertTrue(wait_for(lambda: len(self.server_reads("北站")) == 1, 20))
        self.server.stop()
        try:
            for card in cards[1:]:
                counter.read_card(card)
            self.assertEqual(counter.outbox(), 2)
            self.assertTrue(wait_for(lambda: self.central(counter, "status")[1]["lastError"] != "", 20))
        finally:
            self.server.start()
        self.assertTrue(wait_for(lambda: counter.outbox() == 0, 30))
        self.assertEqual([number for number, _ in self.server_reads("北站")], [number for _, number in cards])
        code, status = self.central(counter, "status")
        self.assertEqual((code, status["waiting"]), (0, 0))
        self.assertNotEqual(status["lastSent"], "")

    def test_a_counter_killed_in_the_middle_of_a_batch_sends_its_queue_once_after_the_restart(self):
        counter = self.counter(24, "南站")
        counter.start()
        counter.close()
        backlog = 1200
        photo = bytes(range(256)) * 4
        with_photo = [("苏映秋", "女", "回", "19920314", "南湖省", "%s%05dX" % ("990521199203", n), "青石市",
                       "20150620", "20350620", 133000000000000000 + n * 10000000, "", 0x07E80101, "南站", photo)
                      for n in range(backlog)]
        import sqlite3
        with sqlite3.connect(counter.path("card2")) as db:
            db.executemany("insert into central_outbox (cardname, sex, nation, birth, address, cardid, authority, "
                           "validfrom, validto, readtime, newaddress, datetag, station, photo) "
                           "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?)", with_photo)
        # Each row takes the server a moment, so that a batch is still open
        # when the program is killed.
        self.server.sql("create function slow_read() returns trigger language plpgsql as "
                        "$$ begin perform pg_sleep(0.004); return new; end $$;"
                        "create trigger slow_read before insert on card_reads for each row execute function slow_read()")
        try:
            counter.start()
            self.assertTrue(wait_for(lambda: len(self.server_reads("南站")) >= 500, 60))
            time.sleep(0.8)
            counter.kill()
            killed_with = len(self.server_reads("南站"))
            self.assertLess(killed_with, backlog, "the whole queue went before the kill")
            self.assertEqual(killed_with % 500, 0, "a batch was committed in part")
            counter.start()
            self.assertTrue(wait_for(lambda: counter.outbox() == 0, 90))
        finally:
            self.server.sql("drop trigger slow_read on card_reads; drop function slow_read()")
        self.assertEqual(self.server.sql("select count(*), count(distinct cardid) from card_reads")[0],
                         [str(backlog), str(backlog)])

    def test_settings_that_cannot_work_are_named_and_reads_keep_queueing(self):
        wrong_password = self.counter(25, "站\"一'号", password="not the password")
        code, result = self.central(wrong_password, "test")
        self.assertEqual((code, result["fault"], result["reached"], result["loggedIn"]), (1, "login refused", True, False))
        # A server set to answer in Chinese refuses in its own words.
        self.server.sql("alter system set lc_messages = 'zh_CN.UTF-8'")
        self.server.sql("select pg_reload_conf()")
        try:
            code, result = self.central(wrong_password, "test")
        finally:
            self.server.sql("alter system reset lc_messages")
            self.server.sql("select pg_reload_conf()")
        self.assertEqual((code, result["fault"]), (1, "login refused"), result.get("error"))
        no_driver = self.counter(26, "b", connection="Driver={No Such Driver};Server=127.0.0.1;")
        code, result = self.central(no_driver, "test")
        self.assertEqual((code, result["fault"], result["reached"]), (1, "bad settings", False))
        nobody_there = self.counter(27, "c", connection=self.server.connection_string("counter1").replace(
            "Port=%d" % self.server.port, "Port=1"))
        code, result = self.central(nobody_there, "test")
        self.assertEqual((code, result["fault"]), (1, "unreachable"))
        self.server.sql("update central_schema set version = version + 1000")
        try:
            code, result = self.central(self.counter(28, "d"), "test")
        finally:
            self.server.sql("update central_schema set version = version - 1000")
        self.assertEqual((code, result["fault"], result["loggedIn"], result["schema"]), (1, "wrong schema", True, False))

        # The counter with the wrong password goes on reading into card2.
        wrong_password.start()
        card = self.cards(1, 500)[0]
        wrong_password.read_card(card)
        self.assertTrue(wait_for(lambda: "authentication" in self.central(wrong_password, "status")[1]["lastError"], 20))
        self.assertEqual(wrong_password.outbox(), 1)
        self.assertEqual(self.server_reads("站\"一'号"), [])

    def test_a_station_named_with_quotes_and_chinese_arrives_as_named(self):
        station = "站\"一'号 ; drop table card_reads; --"
        counter = self.counter(29, station)
        counter.start()
        card = self.cards(1, 600)[0]
        counter.read_card(card)
        self.assertTrue(wait_for(lambda: len(self.server_reads(station)) == 1, 20))
        self.assertEqual(self.server_reads(station)[0][0], card[1])

    def test_the_central_blacklist_reaches_the_counter_and_its_alarm_also_while_cut_off(self):
        counter = self.counter(33, "黑名单站")
        card = self.cards(1, 800)[0]
        hit = ("WM_CARD_STATUS", 2)
        # A number only this counter listed gives way to the central list.
        counter.query("insert into blacklist values ('110101199001010011', 'local')")
        counter.start()
        self.assertTrue(wait_for(lambda: counter.blacklisted() == [], 2 * PULL_SECONDS + 5))
        self.server.sql("insert into blacklist values ('%s', '在逃')" % card[1])
        self.assertTrue(wait_for(lambda: counter.blacklisted() == [card[1]], 2 * PULL_SECONDS + 1),
                        "the number did not arrive within two pulls")
        counter.close()
        self.server.stop()
        try:
            self.assertIn(hit, counter.watch_kinds(card), "no alarm while cut off from the server")
        finally:
            self.server.start()
        counter.start()
        self.server.sql("delete from blacklist where cardid = '%s'" % card[1])
        self.assertTrue(wait_for(lambda: counter.blacklisted() == [], 2 * PULL_SECONDS + 1),
                        "the removal did not arrive within two pulls")
        counter.close()
        self.assertNotIn(hit, counter.watch_kinds(card))

    def test_with_no_connection_nothing_of_central_records_runs(self):
        counter = self.counter(30, "off", connection="")
        counter.start()
        counter.read_card(self.cards(1, 700)[0])
        self.assertIsNone(counter.outbox(), "an outbox was made with central records off")
        self.assertEqual(self.central(counter, "status")[1]["on"], False)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
