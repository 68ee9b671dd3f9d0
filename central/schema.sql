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
insert into central_schema (version) values (2);

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

-- The blacklist the office keeps. Every change of it (an addition, a new
-- reason, a removal) is written to blacklist_changes by the trigger below,
-- numbered, so that each counter pulls only what changed since the number
-- it saw last. Two changes of one number are numbered in the order they
-- happened (the second waits for the first's row lock); a change that
-- commits after a higher number was seen is caught by the counters looking
-- again at the last minutes' changes, hence the index on the time.
create table blacklist (
  cardid text primary key,
  reason text
);

create table blacklist_changes (
  change  bigserial primary key,
  cardid  text not null,
  reason  text,                      -- the reason it has from now on
  removed boolean not null,          -- true: the number left the list
  changed timestamptz not null default now()
);

create index blacklist_changes_by_time on blacklist_changes (changed);

-- Runs with the rights of the schema's owner, so that the office may edit
-- the blacklist without any right on the change log but to read it.
create function note_blacklist_change() returns trigger
language plpgsql security definer set search_path = public as $$
begin
  if tg_op = 'DELETE' then
    insert into blacklist_changes (cardid, reason, removed) values (old.cardid, null, true);
    return old;
  end if;
  if tg_op = 'UPDATE' and new.cardid <> old.cardid then
    insert into blacklist_changes (cardid, reason, removed) values (old.cardid, null, true);
  end if;
  insert into blacklist_changes (cardid, reason, removed) values (new.cardid, new.reason, false);
  return new;
end
$$;
revoke all on function note_blacklist_change() from public;
create trigger blacklist_noted after insert or update or delete on blacklist
  for each row execute function note_blacklist_change();

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
grant select on blacklist, blacklist_changes to counter;

grant select on central_schema, card_reads, blacklist, blacklist_changes to office;
grant insert, update, delete on blacklist to office;

commit;
