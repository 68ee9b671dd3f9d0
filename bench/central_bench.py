#!/usr/bin/env python3
"""Central records: the reader program under Wine forwarding to a private
PostgreSQL server through Wine's ODBC layer.

- From laying a card to its row being committed on the server, for 30
  reads (distinct citizen numbers), the server up: median and worst; the
  program's first card after its start apart.
- Draining a backlog of 100,000 queued reads with 1 KB photos.
- A number added to the central blacklist reaching the counter's own
  table, at the tests' pull interval, ten times at moments spread over it.

argv: the build's Wine prefix, the program folder, the emulator, the
window-closing tool, the sample card. Exits non-zero when a read or the
backlog did not arrive."""
import os
import sqlite3
import statistics
import sys
import tempfile
import time
from types import SimpleNamespace

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "central"))
from central_server import CentralServer  # noqa: E402
from counter_site import PULL_SECONDS, Counter, wait_for, write_card_variants  # noqa: E402

BUILD = SimpleNamespace(wine_prefix=sys.argv[1], app_dir=sys.argv[2], emulator=sys.argv[3], window_close=sys.argv[4])
SAMPLE_CARD = sys.argv[5]
READS = 30
BACKLOG = 100000
PULLS = 10


def arrived(server, number):
    return server.sql("select count(*) from card_reads where cardid = '%s'" % number)[0][0] == "1"


def latency(server, counter, cards):
    seconds = []
    for path, number in cards:
        laid = time.monotonic()
        counter.reader("lay", path)
        if not wait_for(lambda: arrived(server, number), 10, 0.02):
            raise SystemExit("central_bench: the read of %s never reached the server" % number)
        seconds.append(time.monotonic() - laid)
        counter.reader("lift")
        time.sleep(0.3)
    return seconds


def pull_delays(server, counter):
    seconds = []
    for n in range(PULLS):
        # Moments spread over the interval, so that the worst case shows.
        time.sleep(PULL_SECONDS * n / PULLS)
        number = "11010119900101%03dX" % n
        server.sql("insert into blacklist values ('%s', 'bench')" % number)
        added = time.monotonic()
        if not wait_for(lambda: number in counter.blacklisted(), PULL_SECONDS * 3, 0.02):
            raise SystemExit("central_bench: the number %s never reached the counter" % number)
        seconds.append(time.monotonic() - added)
    return seconds


def fill_backlog(counter):
    photo = bytes((i * 7) & 0xFF for i in range(1024))
    rows = [("苏映秋", "女", "回", "19920314", "南湖省青石市云岭县石桥镇溪口村5组", "99052119%010d" % n, "青石市公安局",
             "20150620", "20350620", 133000000000000000 + n * 10000000, "", 0x07E80101, "积压", photo)
            for n in range(BACKLOG)]
    with sqlite3.connect(counter.path("card2")) as db:
        db.executemany("insert into central_outbox (cardname, sex, nation, birth, address, cardid, authority, "
                       "validfrom, validto, readtime, newaddress, datetag, station, photo) "
                       "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?)", rows)


def main():
    with CentralServer() as server, tempfile.TemporaryDirectory() as cards_folder:
        server.add_login("bench", "bench", "counter")
        counter = Counter(BUILD, 32, "基准")
        try:
            counter.prepare(server.connection_string("bench"), "bench")
            counter.start()
            # A counter is started long before its first card: the reads
            # are timed once its sender has logged in (and the pull too).
            if not wait_for(lambda: int(server.sql("select count(*) from pg_stat_activity where usename = 'bench'")[0][0])
                            >= 2, 30):
                raise SystemExit("central_bench: the counter never logged in")
            # The program's first card after its start takes it about two
            # seconds longer whether central records are on or not: timed
            # apart, the steady state after it.
            cards = write_card_variants(SAMPLE_CARD, cards_folder, READS + 1)
            first = latency(server, counter, cards[:1])[0]
            print("first card after the program's start to its row on the server: %.0f ms" % (first * 1000))
            seconds = latency(server, counter, cards[1:])
            print("card laid to row committed on the server, %d reads: median %.0f ms (target 1000), "
                  "worst %.0f ms (target 2000); in reading order: %s" % (
                      READS, statistics.median(seconds) * 1000, max(seconds) * 1000,
                      " ".join("%.0f" % (s * 1000) for s in seconds)))
            delays = pull_delays(server, counter)
            print("central blacklist change to the counter's table, pull every %d s, %d changes: median %.0f ms, "
                  "worst %.0f ms (target %d ms)" % (PULL_SECONDS, PULLS, statistics.median(delays) * 1000,
                                                    max(delays) * 1000, PULL_SECONDS * 1000 + 1000))
            counter.close()
            fill_backlog(counter)
            started = time.monotonic()
            counter.start()
            if not wait_for(lambda: counter.outbox() == 0, 600, 0.5):
                raise SystemExit("central_bench: the backlog did not drain")
            took = time.monotonic() - started
            sent = int(server.sql("select count(*) from card_reads where station = '积压'")[0][0])
            if sent != BACKLOG:
                raise SystemExit("central_bench: %d of %d backlog reads arrived" % (sent, BACKLOG))
            print("backlog of %d reads with 1 KB photos drained in %.1f s (from the program's start): "
                  "%.0f reads a second (target 2000)" % (BACKLOG, took, BACKLOG / took))
        finally:
            counter.cleanup()


if __name__ == "__main__":
    main()
