-- One column of every type the UNLOAD and LOAD statements carry, twice:
-- the table filled from a hand-written file and its empty copy.
create table every_type (
  id integer not null,
  c char(10), vc varchar(40), lv lvarchar(200),
  si smallint, i integer, i8 int8, bi bigint,
  f float, sf smallfloat, d decimal(12,3), dfl decimal(10), m money(10,2),
  dt date, dtm datetime year to second, dtf datetime hour to fraction(3), iv interval day to second,
  b boolean, tx text, bt byte
);
create table every_copy (
  id integer not null,
  c char(10), vc varchar(40), lv lvarchar(200),
  si smallint, i integer, i8 int8, bi bigint,
  f float, sf smallfloat, d decimal(12,3), dfl decimal(10), m money(10,2),
  dt date, dtm datetime year to second, dtf datetime hour to fraction(3), iv interval day to second,
  b boolean, tx text, bt byte
);
