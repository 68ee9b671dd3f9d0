#!/usr/bin/env python3
"""The steps of scripts/demo-central: a server, two counters, cards on both,
the server's rows, the query tool over both stations. argv: the build's Wine
prefix, the program folder, the emulator, the window-closing tool, the
window-shot tool, the sample card, the screenshot folder."""
import os
import subprocess
import sys
import tempfile
import time
from types import SimpleNamespace

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "central"))
from central_server import CentralServer  # noqa: E402
from counter_site import Counter, wait_for, write_card_variants  # noqa: E402

BUILD = SimpleNamespace(wine_prefix=sys.argv[1], app_dir=sys.argv[2], emulator=sys.argv[3], window_close=sys.argv[4])
WINDOW_SHOT, SAMPLE_CARD, SCREENSHOTS = sys.argv[5], sys.argv[6], sys.argv[7]
STATIONS = [("east_counter", "东站一号窗口", 21), ("west_counter", "西站二号窗口", 22)]
CARDS_PER_COUNTER = 2
QUERY_TITLE = "查询身份证信息"
# The query tool's month tree: the demo picks its latest month.
MONTH_TREE = "1016"
STARTED = float(os.environ.get("DEMO_STARTED", time.time()))


def say(text):
    print("demo-central: [%d s] %s" % (time.time() - STARTED, text), flush=True)


def screenshot(counter, title, name):
    """The window cut out of the X screen where window-shot finds it."""
    done = subprocess.run(["wine", WINDOW_SHOT, title, name, "30"], env=counter.env, capture_output=True, text=True,
                          timeout=120)
    if done.returncode != 0:
        raise SystemExit("demo-central: the window %s did not show" % title)
    x, y, width, height = done.stdout.split()[:4]
    path = os.path.join(SCREENSHOTS, name + ".png")
    subprocess.run(["import", "-window", "root", "-crop", "%sx%s+%s+%s" % (width, height, x, y), "+repage", path],
                   check=True, timeout=60)
    return path


def main():
    os.makedirs(SCREENSHOTS, exist_ok=True)
    counters = []
    with CentralServer() as server, tempfile.TemporaryDirectory() as cards:
        say("a private PostgreSQL server with the central schema on port %d" % server.port)
        server.add_login("office_staff", "office", "office")
        try:
            for n, (login, station, com) in enumerate(STATIONS):
                server.add_login(login, login, "counter")
                counter = Counter(BUILD, com, station)
                counters.append(counter)
                counter.prepare(server.connection_string(login), login)
                say("starting the counter %s (its own Wine prefix, reader on COM%d)" % (station, com))
                counter.start()
            for n, counter in enumerate(counters):
                for card in write_card_variants(SAMPLE_CARD, cards, CARDS_PER_COUNTER, 10 * n):
                    say("laying the card of %s on the reader of %s" % (card[1], counter.station))
                    counter.read_card(card)
            expected = CARDS_PER_COUNTER * len(counters)
            if not wait_for(lambda: server.sql("select count(*) from card_reads")[0][0] == str(expected), 30):
                raise SystemExit("demo-central: not every read reached the server")
            say("the reads on the server:")
            for row in server.sql("select station, cardname, cardid, readtime, length(photo) from card_reads "
                                  "order by station, readtime"):
                print("    %s  %s  %s  %s  photo %s bytes" % tuple(row))
            office = counters[0]
            office.tool("central", "set", "--office-connection", server.connection_string("office_staff"),
                        "--office-password-stdin", input=b"office\n")
            say("the query tool searching every counter's reads")
            query = subprocess.Popen(["wine", os.path.join(BUILD.app_dir, "Pellory.exe")], env=office.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wine", os.path.join(os.path.dirname(WINDOW_SHOT), "window-command.exe"), "--tree",
                                QUERY_TITLE, MONTH_TREE, "30"], env=office.env, check=True, capture_output=True,
                               timeout=120)
                say("its window with this month picked: %s" % screenshot(office, QUERY_TITLE, "demo-central-query"))
            finally:
                subprocess.run(["wine", BUILD.window_close, QUERY_TITLE, "30"], env=office.env, capture_output=True,
                               timeout=120)
                if query.poll() is None:
                    query.kill()
                query.wait()
            for counter in counters:
                counter.close()
        finally:
            for counter in counters:
                counter.cleanup()
        say("done; the server and both counters are stopped")


if __name__ == "__main__":
    main()
