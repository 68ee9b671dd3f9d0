-- The prepared, empty card database shipped as card2. Statements insert and
-- select by position, so the column order is binding.
PRAGMA encoding = 'UTF-16le';
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
