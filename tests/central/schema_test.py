"""The central records schema on a private server: what a counter's login
and the office's login may do, and that a counter reaches the server
through the registered ODBC driver with the connection string it is set
up with."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from central_server import CentralServer, CentralServerError  # noqa: E402

COUNTER = ("counter1", "counter-secret")
OFFICE = ("office1", "office-secret")

INSERT_READ = """insert into card_reads
  (station, cardname, sex, nation, birth, address, cardid, authority,
   validfrom, validto, newaddress, readtime, datetag, photo)
values ('counter-01', '张三', '1', '01', '19900307', '北京市东城区景山前街4号',
        '110101199003072316', '北京市公安局东城分局', '20200101', '20300101', '',
        '2024-05-06 07:08:09', {datetag}, '\\x574c5401'::bytea)
on conflict do nothing""".format(datetag=2024 << 16 | 5 << 8 | 6)


class CentralSchemaTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = CentralServer().__enter__()
        try:
            cls.server.add_login(*COUNTER, "counter")
            cls.server.add_login(*OFFICE, "office")
            cls.server.sql("create role stranger login password 'stranger-secret'")
            cls.server.sql("insert into blacklist values ('110101198001010010', 'lost')")
        except BaseException:
            cls.server.__exit__(None, None, None)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def as_counter(self, text):
        return self.server.sql(text, *COUNTER)

    def as_office(self, text):
        return self.server.sql(text, *OFFICE)

    def assert_denied(self, run, text):
        with self.assertRaisesRegex(CentralServerError, "permission denied", msg=text):
            run(text)

    def test_counter_adds_a_read_and_a_resend_adds_nothing(self):
        self.server.sql("delete from card_reads")
        self.assertEqual(self.as_counter(INSERT_READ), [["INSERT 0 1"]])
        self.assertEqual(self.as_counter(INSERT_READ), [["INSERT 0 0"]])
        self.assertEqual(self.server.sql("select cardname, photo, received <= now() from card_reads"),
                         [["张三", "\\x574c5401", "t"]])

    def test_counter_cannot_see_or_change_reads(self):
        self.as_counter(INSERT_READ)
        for text in ("select count(*) from card_reads",
                     "update card_reads set cardname = 'x'",
                     "delete from card_reads"):
            self.assert_denied(self.as_counter, text)
        self.assertEqual(self.server.sql("select cardname from card_reads"), [["张三"]])

    def test_counter_reads_the_blacklist_and_the_version_only(self):
        self.assertEqual(self.as_counter("select cardid, reason from blacklist"),
                         [["110101198001010010", "lost"]])
        self.assertEqual(self.as_counter("select version from central_schema"), [["2"]])
        for text in ("insert into blacklist values ('1', 'x')",
                     "update blacklist set reason = 'x'",
                     "delete from blacklist",
                     "update central_schema set version = 3",
                     "insert into blacklist_changes (cardid, removed) values ('1', true)"):
            self.assert_denied(self.as_counter, text)

    def test_office_reads_everything_and_keeps_the_blacklist(self):
        self.as_counter(INSERT_READ)
        self.assertEqual(self.as_office("select station, cardid from card_reads"),
                         [["counter-01", "110101199003072316"]])
        self.assertEqual(self.as_office("select version from central_schema"), [["2"]])
        self.as_office("insert into blacklist values ('120101199001010011', 'stolen')")
        self.as_office("update blacklist set reason = 'found' where cardid = '120101199001010011'")
        self.assertEqual(self.as_office("select reason from blacklist where cardid = '120101199001010011'"),
                         [["found"]])
        self.as_office("delete from blacklist where cardid = '120101199001010011'")
        # Every change is logged for the counters' pulls, which may read the log.
        self.assertEqual(self.as_counter("select cardid, reason, removed from blacklist_changes "
                                         "where cardid = '120101199001010011' order by change"),
                         [["120101199001010011", "stolen", "f"], ["120101199001010011", "found", "f"],
                          ["120101199001010011", "", "t"]])
        for text in ("delete from card_reads",
                     "update card_reads set cardname = 'x'",
                     INSERT_READ.replace("counter-01", "office")):
            self.assert_denied(self.as_office, text)

    def test_a_login_in_neither_role_cannot_connect(self):
        with self.assertRaisesRegex(CentralServerError, "permission denied for database"):
            self.server.sql("select 1", "stranger", "stranger-secret")

    def test_counter_connects_through_the_registered_driver(self):
        connection = self.server.connection_string(COUNTER[0]) + "Pwd=%s;" % COUNTER[1]
        done = subprocess.run(["isql", "-v", "-b", "-d,", "-k", connection],
                              input="select version from central_schema\n",
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.stdout.strip(), "2", done.stdout + done.stderr)


if __name__ == "__main__":
    unittest.main()
