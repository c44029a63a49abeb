-- Every kind of object the schema writer writes, for its round trip.

create table kinds (
    k_id        serial not null,
    k_char      char(10) default 'it''s' not null,
    k_small     smallint default -3,
    k_int       integer,
    k_int8      int8,
    k_big       bigint default 12,
    k_float     float,
    k_sfloat    smallfloat,
    k_dec       decimal(12,4) default 1.5,
    k_fdec      decimal(16),
    k_money     money(8,2),
    k_date      date default today,
    k_dt        datetime year to second default current year to second,
    k_dtf       datetime hour to fraction(3),
    k_iv        interval day(5) to minute,
    k_ivy       interval year to month,
    k_vc        varchar(80,10),
    k_nc        nchar(12),
    k_nvc       nvarchar(40,4),
    k_lvc       lvarchar(600),
    k_bool      boolean default 't',
    k_text      text,
    k_byte      byte,
    k_user      char(32) default user,
    k_server    char(40) default dbservername,
    k_nul       char(1) default null,
    primary key (k_id) constraint pk_kinds
);

create table parent (
    p_a     integer not null,
    p_b     char(4) not null,
    p_c     integer,
    unique (p_a, p_b) constraint u_parent_ab,
    unique (p_c),
    check (p_a > 0 and p_b <> 'none') constraint ck_parent
);

create table child (
    c_id    serial(50) primary key,
    c_a     integer,
    c_b     char(4),
    c_self  integer,
    c_qty   smallint check (c_qty between 1 and 99),
    foreign key (c_a, c_b) references parent (p_a, p_b) on delete cascade constraint fk_child_parent,
    foreign key (c_self) references child (c_id)
);

create index ix_child_desc on child (c_b desc, c_a);
create unique index ix_child_qty on child (c_qty, c_id);
create cluster index ix_parent_c on parent (p_c desc);
create distinct index ix_kinds_date on kinds (k_date, k_int);

create sequence seq_plain;
create sequence seq_full increment by 5 start with 100 maxvalue 10000 minvalue 50 cycle cache 10 order;

create view v_parent (a, b) as
    select p_a, p_b from parent where p_a > 10;
create view v_on_view as select a from v_parent where b matches 'x*'
    with check option;

create synonym syn_public for parent;
create private synonym syn_private for v_parent;
create synonym syn_remote for otherdb@farserver:someone.sometable;

create procedure add_one(p integer) returning integer;
    return p + 1;
end procedure;

create procedure add_one(p decimal(10,2)) returning decimal(10,2);
    return p + 1;
end procedure;

create function twice(p integer) returning integer;
    define r integer;
    let r = p * 2;   -- semicolons inside ; the body
    return r;
end function;

create procedure log_it(note char(20))
    insert into parent (p_a, p_b) values (1, note);
end procedure;

create trigger tr_ins insert on parent
    referencing new as n
    for each row (execute procedure log_it(n.p_b));

create trigger tr_upd update of p_c on parent
    referencing old as o new as n
    for each row when (n.p_c > o.p_c) (update child set c_qty = 1 where c_a = n.p_a);

create trigger tr_del delete on child
    before (delete from kinds where k_id = 0)
    after (update parent set p_c = 0 where p_c is null);

grant connect to ann;
grant resource to bob;
create role clerks;
create role watchers;
grant clerks to ann with grant option;
grant watchers to bob;
grant select, insert on parent to clerks;
grant update on child to ann with grant option;
grant update (p_c), select (p_a, p_b) on parent to bob;
grant select on kinds to public as ann;
grant execute on function twice(integer) to clerks;
grant execute on procedure add_one(decimal(10,2)) to bob;
grant default role watchers to carol;

-- Made after the views: a copy makes it before them, so privileges follow
-- the order objects are written in, not their ids.
create table late (l integer);
grant select on v_parent to ann;
grant insert on late to ann;

-- Texts beyond ASCII: each is stored in rows that would cut a character in two.
create table café (k integer, prix_ñ varchar(40));
create table journal_é (k integer, note varchar(255));
create view vue_café (k, prix) as select k, prix_ñ from café where prix_ñ <> 'déjà vu €€€ ééé ¿qué? ★★★ ñandú — fin';
create procedure procédure(a integer)
  define x varchar(255);
  let x = 'Ça coûte 12,50 € — «très» cher, ¿verdad? ★★★ ñandú';
  let x = 'Größe: ø 30 mm · Gewicht ≈ 2 kg · Preis €€€ · Ölkännchen ✓';
  let x = 'Ελληνικά κείμενα · русский текст · 日本語のテキスト';
  insert into journal_é values (a, x);
end procedure;
create trigger déclencheur insert on café referencing new as n for each row (insert into journal_é values (n.k, 'Ça coûte 12 € — «très» cher, ¿verdad? ★★★ ñandú · Größe: ø 30 mm · Gewicht ≈ 2 kg'), insert into journal_é values (n.k, 'Ελληνικά κείμενα · русский текст · 日本語のテキスト · ñandú €€€ ✓✓✓ ¿qué?'), insert into journal_é values (n.k, 'ÀÉÎÕÜ àéîõü ÇÑ çñ ßẞ ŒÆ œæ ★☆ ♠♣♥♦ ✓✗ ←→↑↓ €£¥ ‰ … “” ‘’ ¡¿ fin'));
