// The schema writer's round trip: the DDL it writes, run into an empty
// database, gives a catalog that writes the same DDL and agrees with the
// original on everything DDL sets, for ordinary names and for names that
// break SQL pasted together.
#include "catalog/schemawriter.h"
#include "catalogfixture.h"
#include "db/sqlname.h"
#include "hostilenames.h"
#include "output/exportwriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QRegularExpression>

using quodlin::test::CatalogFixture;

static void PrintTo(const QString &text, std::ostream *os) { *os << text.toStdString(); }

namespace quodlin {
namespace {

QStringList rowsOf(CatalogFixture &fx, const QString &sql)
{
    DbQuery q(fx.session());
    q.setDatabaseName(fx.module().GetDatabaseName());
    q.setSql(sql);
    q.open();
    QStringList rows;
    for (q.first(); !q.eof(); q.next()) {
        QStringList cells;
        for (int i = 0; i < q.fieldCount(); ++i)
            cells << q.field(i).value().toString().trimmed();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// What DDL sets, keyed by names rather than ids, which a copy renumbers.
const char *const kCatalogChecks[] = {
    "select t.tabname, t.owner, t.tabtype, t.ncols, t.rowsize from systables t where t.tabid >= 100 order by 1",
    "select t.tabname, c.colno, c.colname, c.coltype, c.collength, c.extended_id from systables t, syscolumns c "
    "where c.tabid = t.tabid and t.tabid >= 100 order by 1, 2",
    "select t.tabname, d.colno, d.type, d.default from systables t, sysdefaults d "
    "where d.tabid = t.tabid and t.tabid >= 100 order by 1, 2",
    // NOT NULL constraints and constraints' own indexes carry generated names.
    "select t.tabname, k.constrname, k.owner, k.constrtype, i.idxtype, i.part1, i.part2, i.part3 "
    "from systables t, sysconstraints k, outer sysindexes i "
    "where k.tabid = t.tabid and t.tabid >= 100 and k.constrtype <> 'N' and i.tabid = k.tabid and i.idxname = k.idxname "
    "order by 1, 2",
    "select k.constrname, h.seqno, h.checktext from sysconstraints k, syschecks h "
    "where h.constrid = k.constrid and h.type = 'T' order by 1, 2",
    "select k.constrname, p.constrname, t.tabname, r.delrule from sysreferences r, sysconstraints k, "
    "sysconstraints p, systables t where k.constrid = r.constrid and p.constrid = r.primary and t.tabid = r.ptabid "
    "order by 1",
    "select t.tabname, i.idxname, i.owner, i.idxtype, i.clustered, i.part1, i.part2, i.part3 "
    "from systables t, sysindexes i where i.tabid = t.tabid and t.tabid >= 100 "
    "and not exists (select 1 from sysconstraints k where k.tabid = i.tabid and k.idxname = i.idxname) order by 1, 2",
    "select t.tabname, v.seqno, v.viewtext from systables t, sysviews v where v.tabid = t.tabid order by 1, 2",
    "select t.tabname, s.servername, s.dbname, s.owner, s.tabname, b.tabname from systables t, syssyntable s, "
    "outer systables b where s.tabid = t.tabid and b.tabid = s.btabid order by 1",
    "select t.tabname, s.start_val, s.inc_val, s.max_val, s.min_val, s.cycle, s.cache, s.order "
    "from systables t, syssequences s where s.tabid = t.tabid order by 1",
    "select p.procname, p.owner, p.isproc, p.paramtypes, p.numargs, b.seqno, b.data from sysprocedures p, "
    "sysprocbody b where b.procid = p.procid and b.datakey = 'T' and p.mode <> 'P' order by 1, 4, 6",
    "select r.trigname, r.owner, r.event, r.old, r.new, t.tabname from systriggers r, systables t "
    "where t.tabid = r.tabid order by 1",
    "select username, usertype, defrole from sysusers order by 1",
    "select rolename, grantee, is_grantable from sysroleauth order by 1, 2",
    // A sequence's privileges are left out: the engine stores CREATE
    // SEQUENCE's own grant one letter shorter than GRANT stores the same.
    "select t.tabname, a.grantor, a.grantee, a.tabauth from systables t, systabauth a "
    "where a.tabid = t.tabid and t.tabid >= 100 and t.tabtype <> 'Q' order by 1, 2, 3",
    "select t.tabname, a.grantor, a.grantee, a.colno, a.colauth from systables t, syscolauth a "
    "where a.tabid = t.tabid order by 1, 2, 3, 4",
    "select p.procname, p.paramtypes, a.grantor, a.grantee, a.procauth from sysprocedures p, sysprocauth a "
    "where a.procid = p.procid and p.mode <> 'P' order by 1, 2, 3, 4",
};

struct RoundTripCase {
    std::string name;
    QString script;     // under tests/data; empty with no sql for the demo
    QString sql;        // else this text, run with DELIMIDENT on, as is the copy
    QString exported;   // a SELECT whose rows the INSERT script export carries into the copy
};

void PrintTo(const RoundTripCase &c, std::ostream *os) { *os << c.name; }

// Each legal name that breaks pasted SQL as every kind of name the schema
// writes: table, column, index, constraint, view, synonym, routine, role,
// owner and grantee (user and role names are at most 32 bytes).
RoundTripCase hostileCase(const testing::HostileName &hostile)
{
    const QString n = hostile.name;
    const auto id = [&](const char *prefix) {
        const QString p = QString::fromLatin1(prefix);
        return SqlName(p + n.left(128 - p.size()));
    };
    const QString table = id(""), column = id(""), other = id("c "), view = SqlName(n.left(32), "v " + n.left(100));
    const QString user = SqlString(n.left(32)), role = SqlString(("r " + n).left(32));
    const QStringList statements{
        "create table victim (x integer)",
        "create table " + table + " (k integer, " + column + " varchar(40), " + other + " integer default 7, primary key (k) constraint " +
            id("pk ") + ", unique (" + other + ") constraint " + id("u ") + ")",
        "create index " + id("ix ") + " on " + table + " (" + column + " desc, k)",
        "create view " + view + " (a, b) as select k, " + column + " from " + table,
        "create synonym " + id("s ") + " for " + table,
        "create procedure " + id("p ") + "(a integer) end procedure",
        "create role " + role,
        "grant " + role + " to " + user,
        "grant select on " + table + " to " + user + " with grant option",
        "grant update(" + column + ", " + other + ") on " + table + " to " + role,
        "grant select on " + view + " to public",
        "grant execute on procedure " + id("p ") + "(integer) to " + user,
        "insert into " + table + " values (1, 'it''s; drop table victim', 2)",
        "insert into " + table + " values (2, null, 3)",
    };
    return {std::string("Hostile_") + hostile.label, {}, statements.join(QStringLiteral(";\n")), "select * from " + table};
}

std::vector<RoundTripCase> roundTripCases()
{
    std::vector<RoundTripCase> cases{{"Demo", {}, {}, {}}, {"Everything", QStringLiteral("schema/everything.sql"), {}, {}}};
    // The table's comment line is a { } comment, which a '}' would end.
    QList<testing::HostileName> names = testing::HostileNames();
    names.append({"close_brace", QStringLiteral("x } drop table victim; { y")});
    for (const testing::HostileName &hostile : names)
        cases.push_back(hostileCase(hostile));
    return cases;
}

class SchemaRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// The schema run into an empty database gives the same catalog and writes
// the same text again; the INSERT script of a table's rows, run into the
// copy, gives the same rows; `victim` survives both.
TEST_P(SchemaRoundTrip, CopyWritesTheSameTextCatalogAndRows)
{
    const RoundTripCase &c = GetParam();
    // Only the demo writes strings in double quotes.
    const bool delimident = !c.sql.isEmpty() || !c.script.isEmpty();
    CatalogFixture original = delimident ? CatalogFixture(CatalogFixture::Text{c.sql, true}) : CatalogFixture(c.script);
    const QString first = WriteSchema(original.module());
    CatalogFixture copy(CatalogFixture::Text{first, delimident});
    EXPECT_EQ(WriteSchema(copy.module()), first);
    for (const char *check : kCatalogChecks)
        EXPECT_EQ(rowsOf(copy, QString::fromLatin1(check)), rowsOf(original, QString::fromLatin1(check))) << check;
    if (c.exported.isEmpty())
        return;

    copy.run(QStringLiteral("insert into victim values (1)"));
    DbQuery rows(original.session());
    rows.setDatabaseName(original.module().GetDatabaseName());
    rows.setSql(c.exported);
    rows.open();
    ExportOptions options;
    options.format = ExportFormat::Script;
    options.table = ExportTableOf(c.exported);
    QBuffer script;
    script.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteQuery(rows, script, options).ok());
    for (const SqlStatementSpan &statement : SplitSqlStatements(QString::fromUtf8(script.data())))
        copy.run(statement.text);
    EXPECT_EQ(rowsOf(copy, c.exported + QStringLiteral(" order by 1")),
              rowsOf(original, c.exported + QStringLiteral(" order by 1")));
    EXPECT_EQ(rowsOf(copy, QStringLiteral("select x from victim")), QStringList{QStringLiteral("1")});
}

INSTANTIATE_TEST_SUITE_P(Databases, SchemaRoundTrip, ::testing::ValuesIn(roundTripCases()),
                         [](const auto &info) { return info.param.name; });

// Statements of one table, one owner and without grants.
TEST(SchemaOptions, SelectWhatIsWritten)
{
    CatalogFixture fx(QStringLiteral("schema/everything.sql"));
    fx.run(QStringLiteral("create table other.elsewhere (x integer)"));

    const QString child = WriteSchema(fx.module(), {QStringLiteral("child"), {}, true});
    EXPECT_TRUE(child.contains(QStringLiteral("create table \"tester\".child")));
    EXPECT_TRUE(child.contains(QStringLiteral("ix_child_desc on \"tester\".child (c_b desc, c_a)")));
    EXPECT_TRUE(child.contains(QStringLiteral("create trigger tr_del")));
    EXPECT_TRUE(child.contains(QStringLiteral("grant update on \"tester\".child to ann with grant option as tester")));
    // The child's key to its parent is written inline even though the parent is not.
    EXPECT_TRUE(child.contains(QStringLiteral("references \"tester\".parent (p_a, p_b) on delete cascade")));
    EXPECT_EQ(child.count(QStringLiteral("create table")), 1);
    EXPECT_FALSE(child.contains(QStringLiteral("tr_ins")));

    const QString other = WriteSchema(fx.module(), {{}, QStringLiteral("other"), true});
    EXPECT_EQ(other.count(QRegularExpression(QStringLiteral("^create "), QRegularExpression::MultilineOption)), 1);
    EXPECT_TRUE(other.contains(QStringLiteral("\"other\".elsewhere")));

    const QString bare = WriteSchema(fx.module(), {{}, {}, false});
    EXPECT_FALSE(bare.contains(QStringLiteral("grant ")));
    EXPECT_FALSE(bare.contains(QStringLiteral("create role")));

    EXPECT_THROW(WriteSchema(fx.module(), {QStringLiteral("no_such_table"), {}, true}), std::runtime_error);
    EXPECT_THROW(WriteSchema(fx.module(), {QStringLiteral("v_parent"), {}, true}), std::runtime_error);
}

// The comment before a table gives its figures after its name as it is, a
// "%1" in the name being no place for a figure.
TEST(SchemaTableComment, FiguresFollowTheNameAsItIs)
{
    CatalogFixture fx(CatalogFixture::Text{QStringLiteral("create table \"p%1 %2\" (a integer, b char(10))"), true});
    const QRegularExpression comment(QStringLiteral("^\\{ TABLE .*$"), QRegularExpression::MultilineOption);
    EXPECT_EQ(comment.match(WriteSchema(fx.module())).captured(),
              QStringLiteral("{ TABLE \"tester\".\"p%1 %2\" row size = 14 number of columns = 2 index size = 0 }"));
}

} // namespace
} // namespace quodlin
