-- The prepared, empty card database shipped as card2. Statements insert and
-- select by position, so the column order is binding.
-- UTF-8: SQLite narrows a LIKE prefix to an index range only for ASCII
-- characters in a UTF-16LE file, and names are Chinese. The programs bind
-- and read UTF-16 either way; SQLite converts.
PRAGMA encoding = 'UTF-8';
PRAGMA page_size = 4096;

CREATE TABLE cardinfo (
  cardname   TEXT NOT NULL,
  sex        TEXT NOT NULL,
  nation     TEXT NOT NULL,
  birth      TEXT NOT NULL,
  address    TEXT NOT NULL,
  cardid     TEXT NOT NULL,
  authority  TEXT NOT NULL,
  validfrom  TEXT NOT NULL,
  validto    TEXT NOT NULL,
  readtime   INTEGER NOT NULL,
  newaddress TEXT NOT NULL,
  datetag    INTEGER NOT NULL
);

CREATE TABLE blacklist (
  cardid TEXT NOT NULL,
  reason TEXT
);

CREATE INDEX blacklist_cardid ON blacklist (cardid);
CREATE INDEX cardinfo_datetag ON cardinfo (datetag, cardid);

-- The query tool's searches: a reading-time range (month picks, and the
-- earliest and latest read, which SQLite finds by scanning the narrowest
-- index that holds readtime), and a name or citizen-number prefix over any
-- range. SQLite's LIKE ignores ASCII case, so a prefix uses an index only
-- under the NOCASE collation; these two also hold every column the searches
-- test, so counting their hits never reads the table. The reader program
-- adds the same indices to an older card2.
-- SQLite picks among them by how many reads each range holds, which it
-- learns from the samples of sqlite_stat4 (the library is built with STAT4):
-- the reader program gathers them from the stored reads at its start
-- whenever a table has grown or shrunk tenfold. None ship here, since
-- samples of made-up reads would misdescribe a counter's own.
CREATE INDEX cardinfo_readtime ON cardinfo (readtime);
CREATE INDEX cardinfo_name ON cardinfo (cardname COLLATE NOCASE, readtime, cardid, sex);
CREATE INDEX cardinfo_number ON cardinfo (cardid COLLATE NOCASE, readtime, cardname, sex);
