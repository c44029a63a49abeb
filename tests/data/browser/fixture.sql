-- The catalog fixture of the browser tests: every tree category filled,
-- two owners, every decoded column kind, a role with and one without members.
-- It runs with DELIMIDENT set, so the quoted procedure names keep their case.
create table acct.t (
    id serial not null,
    amount decimal(10,2),
    price money(16,2) default 0,
    stamp datetime year to second default current year to second,
    tm datetime hour to second,
    name char(20) not null,
    note varchar(255),
    flag boolean,
    big int8,
    lv lvarchar(300),
    since date default today,
    who char(8) default user
);
create index ix3 on acct.t (amount, name desc, note);
create unique index ixu on acct.t (id);
create table items (a integer, b char(4));
create table audit (a integer);
create view v1 (a) as select a from items where a > 0 group by a;
create view v2 (a) as select a from v1;
create synonym s_local for acct.t;
create synonym s_remote for otherdb@far:informix.stock;
create procedure "PI_x"() end procedure;
create procedure pd_y() end procedure;
create procedure "Pu_z"() end procedure;
create procedure print_x(p integer)
	define v integer;
	let v = p;
end procedure;
create trigger tr_ins insert on items after (insert into audit values (1));
create trigger tr_upd update on items after (insert into audit values (2));
create trigger tr_del delete on items after (insert into audit values (3));
grant connect to alice;
create role empty_role;
create role staff;
grant staff to alice;
