-- The central records database: one copy of every read that the counters
-- store, and the blacklist that they pull.
--
-- Run once, by a superuser, on a new empty database:
--   psql -v ON_ERROR_STOP=1 -d DB -f schema.sql
-- It also creates the two group roles counter and office, which belong to
-- the whole server; make the login roles afterwards as members of one of
-- them (README.md). Everything happens in one transaction: a failure
-- leaves the database as it was.

begin;

create table central_schema (
  version integer not null
);
insert into central_schema (version) values (1);

-- One row per read stored at a counter. The counters resend whatever they
-- are not sure the server committed, so (station, cardid, readtime) is the
-- key and an insert "on conflict do nothing" ignores a read already here.
create table card_reads (
  station    text not null,
  cardname   text not null,
  sex        text not null,
  nation     text not null,
  birth      text not null,
  address    text not null,
  cardid     text not null,
  authority  text not null,
  validfrom  text not null,
  validto    text not null,
  newaddress text not null,
  readtime   timestamp(0) not null,  -- the counter's local time of the read
  datetag    integer not null,       -- year << 16 | month << 8 | day
  photo      bytea,                  -- the card's own WLT photo bytes
  received   timestamptz not null default now(),
  primary key (station, cardid, readtime)
);

-- The searches of the query tool: by time, by the start of a name or of a
-- citizen number, by counter; each in reading-time order. text_pattern_ops
-- lets like 'prefix%' use the index whatever collation the database has.
create index card_reads_by_time on card_reads (readtime);
create index card_reads_by_name on card_reads (cardname text_pattern_ops, readtime);
create index card_reads_by_number on card_reads (cardid text_pattern_ops, readtime);
create index card_reads_by_station on card_reads (station, readtime);

create table blacklist (
  cardid text primary key,
  reason text
);

-- Counters add reads and read the blacklist and the schema version, nothing
-- more: a counter's password opens no one else's reads. The office reads
-- everything and keeps the blacklist.
create role counter nologin;
create role office nologin;

-- Only members of the two roles reach the database and its tables; PUBLIC
-- loses what PostgreSQL grants it by default.
do $$
begin
  execute format('revoke all on database %I from public', current_database());
  execute format('grant connect on database %I to counter, office', current_database());
end
$$;
revoke all on schema public from public;
grant usage on schema public to counter, office;

grant select on central_schema to counter;
grant insert on card_reads to counter;
grant select on blacklist to counter;

grant select on central_schema, card_reads, blacklist to office;
grant insert, update, delete on blacklist to office;

commit;
