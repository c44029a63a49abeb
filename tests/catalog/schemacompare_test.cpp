// Comparing two schemas: each kind of change, made on one side of two copies
// of one schema, is reported as exactly that difference, the script mends
// it, and comparing again finds nothing.
#include "catalog/schemacompare.h"
#include "catalog/dbobjectsmodule.h"
#include "db/sqlname.h"
#include "hostilenames.h"
#include "workspace/statementsplitter.h"

#include <gtest/gtest.h>


namespace quodlin {
namespace {

QStringList statementsOf(const QString &text)
{
    QStringList statements;
    for (const SqlStatementSpan &statement : SplitSqlStatements(text))
        statements << statement.text;
    return statements;
}

std::unique_ptr<ScratchSchemaDatabase> scratch(const QString &text)
{
    return ScratchSchemaDatabase::fromStatements(statementsOf(text));
}

void run(TdmDbObjects &module, const QString &text)
{
    RunSchemaScript(module, statementsOf(text));
}

const char *const kBase = R"(
create role clerk;
grant connect to alice;
create table customer (id integer not null, name varchar(40) default 'none', city char(20),
  primary key (id) constraint pk_customer, unique (name) constraint u_customer_name);
create table orders (id serial not null, customer_id integer, qty integer default 1,
  amount decimal(10,2), check (qty > 0) constraint c_qty, primary key (id) constraint pk_orders);
alter table orders add constraint (foreign key (customer_id) references customer (id) constraint fk_customer);
create index ix_orders_qty on orders (qty desc);
create sequence order_no increment by 1 start with 100;
create view big_orders (id, qty) as select id, qty from orders where qty > 10;
create view big_order_ids (id) as select id from big_orders;
create synonym buyers for customer;
create procedure touch(a integer) end procedure;
create function twice(a integer) returning integer; return a * 2; end function;
create table audit (what varchar(20));
create trigger orders_ins insert on orders for each row (insert into audit values ('ins'));
grant select, update on customer to alice;
grant clerk to bob;
grant execute on procedure touch(integer) to alice;
grant select on big_orders to public;
)";

struct ChangeCase {
    const char *name;
    const char *change;    // run on one copy
    const char *reported;  // the one difference when the target carries the change
};

void PrintTo(const ChangeCase &c, std::ostream *os) { *os << c.name; }

SchemaComparison compare(TdmDbObjects &source, TdmDbObjects &target)
{
    return CompareSchemas(source, target, {});
}

class SchemaChange : public ::testing::TestWithParam<ChangeCase> {};

// The change on the target, then on the source: one difference either way,
// mended by the script (dropping what is extra in the first).
TEST_P(SchemaChange, IsReportedAndMendedInBothDirections)
{
    const QString base = QString::fromUtf8(kBase);
    for (bool onTarget : {true, false}) {
        SCOPED_TRACE(onTarget ? "changed target" : "changed source");
        auto source = scratch(base);
        auto target = scratch(base);
        run((onTarget ? target : source)->module(), QString::fromUtf8(GetParam().change));
        const SchemaComparison first = compare(source->module(), target->module());
        const QString report = DifferenceReport(first);
        ASSERT_EQ(first.count(), 1) << report.toStdString();
        if (onTarget) {
            EXPECT_EQ(report.trimmed(), QString::fromUtf8(GetParam().reported));
        }
        const SchemaScript script = CompareScript(first, true);
        EXPECT_TRUE(script.leftAlone.isEmpty());
        ASSERT_NO_THROW(run(target->module(), script.text)) << script.text.toStdString();
        const SchemaComparison second = compare(source->module(), target->module());
        EXPECT_TRUE(second.equal()) << DifferenceReport(second).toStdString() << "\nafter\n" << script.text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Compare, SchemaChange,
    ::testing::Values(
        ChangeCase{"ColumnAdded", "alter table orders add (note varchar(20))", "extra in target: column informix.orders: note"},
        ChangeCase{"TypeWidened", "alter table orders modify (qty bigint default 1 check (qty > 0) constraint c_qty)",
                   "changed: column informix.orders: qty (type: bigint -> integer)"},
        ChangeCase{"DefaultChanged",
                   "alter table customer modify (name varchar(40) default 'nobody' unique constraint u_customer_name)",
                   "changed: column informix.customer: name (default: 'nobody' -> 'none')"},
        ChangeCase{"NotNullAdded", "alter table customer modify (city char(20) not null)",
                   "changed: column informix.customer: city (not null: yes -> no)"},
        ChangeCase{"UniqueDropped", "alter table customer drop constraint u_customer_name",
                   "missing in target: constraint informix.customer: informix.u_customer_name"},
        ChangeCase{"CheckChanged", "alter table orders drop constraint c_qty; alter table orders add constraint (check (qty > 1) constraint c_qty)",
                   "changed: constraint informix.orders: informix.c_qty (definition: check (qty > 1) -> check (qty > 0))"},
        ChangeCase{"CascadeAdded",
                   "alter table orders drop constraint fk_customer; alter table orders add constraint (foreign key "
                   "(customer_id) references customer (id) on delete cascade constraint fk_customer)",
                   "changed: foreign key informix.orders: informix.fk_customer (definition)"},
        ChangeCase{"IndexDropped", "drop index ix_orders_qty", "missing in target: index informix.orders: informix.ix_orders_qty"},
        ChangeCase{"IndexMadeUnique", "drop index ix_orders_qty; create unique index ix_orders_qty on orders (qty desc)",
                   "changed: index informix.orders: informix.ix_orders_qty (unique: yes -> no)"},
        ChangeCase{"ViewUnderAViewChanged",
                   "drop view big_orders; create view big_orders (id, qty) as select id, qty from orders where qty > 20; "
                   "create view big_order_ids (id) as select id from big_orders; grant select on big_orders to public",
                   "changed: view informix.big_orders (text)"},
        ChangeCase{"SynonymAdded", "create synonym clients for customer", "extra in target: synonym informix.clients"},
        ChangeCase{"SequenceChanged", "drop sequence order_no; create sequence order_no increment by 5 start with 100",
                   "changed: sequence informix.order_no (definition)"},
        ChangeCase{"FunctionAdded", "create function thrice(a integer) returning integer; return a * 3; end function",
                   "extra in target: routine informix.thrice(integer)"},
        ChangeCase{"TriggerDropped", "drop trigger orders_ins", "missing in target: trigger informix.orders: informix.orders_ins"},
        ChangeCase{"RoleAdded", "create role auditor", "extra in target: role auditor"},
        ChangeCase{"RoleGrantRevoked", "revoke clerk from bob", "missing in target: role grant clerk to bob"},
        ChangeCase{"DatabaseLevelRaised", "revoke connect from alice; grant resource to alice",
                   "changed: database privilege alice (level: resource -> connect)"},
        ChangeCase{"TableRightRevoked", "revoke update on customer from alice",
                   "missing in target: table privilege informix.customer: update to alice"},
        ChangeCase{"ColumnRightGranted", "grant update (city) on customer to bob",
                   "extra in target: column privilege informix.customer: update(city) to bob"},
        ChangeCase{"RoutineRightGranted", "grant execute on function twice(integer) to bob",
                   "extra in target: routine privilege informix.twice(integer): execute to bob"},
        ChangeCase{"TableAdded", "create table extra_t (k integer primary key, v char(3)); create index ix_v on extra_t (v)",
                   "extra in target: table informix.extra_t"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SchemaCompare, ProcedureChangeRemakesItWithItsPrivileges)
{
    const QString base = QString::fromUtf8(kBase);
    auto source = scratch(base);
    auto target = scratch(
        base + QStringLiteral("drop procedure touch(integer);\ncreate procedure touch(a integer) define b integer; "
                              "let b = a; end procedure;\n"));
    const SchemaComparison first = compare(source->module(), target->module());
    ASSERT_EQ(first.count(), 2) << DifferenceReport(first).toStdString();  // the text, and the privilege it lost
    const SchemaScript script = CompareScript(first, false);
    run(target->module(), script.text);
    EXPECT_TRUE(compare(source->module(), target->module()).equal()) << script.text.toStdString();
}

// Without dropping, what is extra stays, is named in the script, and still differs.
TEST(SchemaCompare, ExtrasStayUnlessDropped)
{
    const QString base = QString::fromUtf8(kBase);
    auto source = scratch(base);
    auto target = scratch(base + QStringLiteral("create table spare (k integer);\n"));
    const SchemaScript script = CompareScript(compare(source->module(), target->module()), false);
    EXPECT_EQ(script.leftAlone, QStringList{QStringLiteral("extra in target: table informix.spare")});
    EXPECT_TRUE(script.text.startsWith(QStringLiteral("-- Left as it is")));
    run(target->module(), script.text);
    EXPECT_EQ(compare(source->module(), target->module()).count(), 1);
}

// Owners differ between the copies: matched by name, the script names no owner.
TEST(SchemaCompare, IgnoringOwnersMatchesByName)
{
    auto source = scratch(QStringLiteral("create table \"alice\".t (a integer, b integer)"));
    auto target = scratch(QStringLiteral("create table \"bob\".t (a integer)"));
    EXPECT_EQ(CompareSchemas(source->module(), target->module(), {}).count(), 2);
    const SchemaComparison c = CompareSchemas(source->module(), target->module(), {{}, {}, true});
    ASSERT_EQ(DifferenceReport(c, false), QStringLiteral("missing in target: column t: b\n"));
    const QString script = CompareScript(c, false).text;
    EXPECT_EQ(script, QStringLiteral("alter table t add (b integer);\n\n"));
}

class HostileCompare : public ::testing::TestWithParam<testing::HostileName> {};

// Every name of the script reaches SQL as one name, creating and dropping.
TEST_P(HostileCompare, ScriptCreatesAndDropsTheObjects)
{
    const QString n = GetParam().name;
    const QString table = SqlName(n), column = SqlName(n.left(100) + QStringLiteral(" c"));
    const QString text = "create table " + table + " (" + column + " integer, k integer)" + ";\ncreate index " +
                         SqlName(QStringLiteral("ix ") + n.left(100)) + " on " + table + " (" + column + ");\n" +
                         "create synonym " + SqlName(QStringLiteral("s ") + n.left(100)) + " for " + table +
                         ";\ngrant select on " + table + " to " + SqlString(n.left(32)) + ";\n";
    auto full = scratch(text);
    auto empty = scratch(QStringLiteral("create table victim (x integer)"));
    auto victimOnly = scratch(QStringLiteral("create table victim (x integer)"));
    // Empty to full, then full back to empty with dropping.
    const SchemaScript create = CompareScript(compare(full->module(), empty->module()), false);
    run(empty->module(), create.text);
    EXPECT_TRUE(compare(full->module(), empty->module()).count() == 1) << create.text.toStdString();  // victim stays
    const SchemaScript drop = CompareScript(compare(victimOnly->module(), empty->module()), true);
    run(empty->module(), drop.text);
    EXPECT_TRUE(compare(victimOnly->module(), empty->module()).equal()) << drop.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Compare, HostileCompare, ::testing::ValuesIn(testing::HostileNames()),
                         [](const auto &info) { return std::string(info.param.label); });

} // namespace
} // namespace quodlin
