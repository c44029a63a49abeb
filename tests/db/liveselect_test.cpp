#include "db/dberror.h"
#include "db/liveselect.h"

#include <gtest/gtest.h>

using namespace quodlin;

namespace {

struct AnalyzeCase {
    const char *name;
    QString sql;
    bool editable;
    QString owner;
    QString table;
    QStringList columns;
};

class AnalyzeLiveSelectTest : public ::testing::TestWithParam<AnalyzeCase> {};

TEST_P(AnalyzeLiveSelectTest, JudgesTheStatement)
{
    const auto live = AnalyzeLiveSelect(GetParam().sql);
    ASSERT_EQ(live.has_value(), GetParam().editable);
    if (!live)
        return;
    EXPECT_EQ(live->owner, GetParam().owner);
    EXPECT_EQ(live->table, GetParam().table);
    EXPECT_EQ(live->columns, GetParam().columns);
    EXPECT_EQ(live->allColumns, GetParam().columns.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyzeLiveSelectTest,
    ::testing::Values(
        AnalyzeCase{"Star", "select * from customer", true, "", "customer", {}},
        AnalyzeCase{"ColumnsWhereOrder", "SELECT id, c.name\n FROM Informix.Customer\n WHERE name LIKE 'a%' ORDER BY 2",
                    true, "informix", "customer", {"id", "name"}},
        AnalyzeCase{"DelimitedTable", "select * from \"Joe\" . \"my \"\"t\"\"\" where x = 1", true, "Joe", "my \"t\"", {}},
        AnalyzeCase{"OtherDatabase", "select * from db:t", false, "", "", {}},
        AnalyzeCase{"SubqueryInWhere", "select id from t where id in (select id from u group by id)", true, "", "t", {"id"}},
        AnalyzeCase{"Join", "select * from a, b", false, "", "", {}},
        AnalyzeCase{"AnsiJoin", "select * from a join b on a.x = b.x", false, "", "", {}},
        AnalyzeCase{"TableAlias", "select * from a x", false, "", "", {}},
        AnalyzeCase{"Expression", "select id + 1 from a", false, "", "", {}},
        AnalyzeCase{"Aggregate", "select count(*) from a", false, "", "", {}},
        AnalyzeCase{"Distinct", "select distinct id from a", false, "", "", {}},
        AnalyzeCase{"First", "select first 5 id from a", false, "", "", {}},
        AnalyzeCase{"GroupBy", "select id from a group by id", false, "", "", {}},
        AnalyzeCase{"Union", "select id from a union select id from b", false, "", "", {}},
        AnalyzeCase{"IntoTemp", "select * from a into temp t", false, "", "", {}},
        AnalyzeCase{"NotSelect", "update a set x = 1", false, "", "", {}},
        AnalyzeCase{"DerivedTable", "select * from (select * from a)", false, "", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

DbColumn column(const QString &name, DbFieldType type)
{
    DbColumn c;
    c.name = name;
    c.type = type;
    return c;
}

TEST(LiveStatements, FindTheRowByKeyAndEveryComparableValue)
{
    const QList<DbColumn> columns{column("id", DbFieldType::Integer), column("name", DbFieldType::String),
                                  column("ratio", DbFieldType::Float), column("note", DbFieldType::String)};
    const QVariantList original{qlonglong(4), "bolt", 0.5, QVariant()};
    const SqlNameStyle style = SqlNameStyle::Delimident;
    const LiveStatement cond = LiveRowCondition(columns, original, {"id"}, style);
    EXPECT_EQ(cond.sql, QStringLiteral("id = :w0 AND name = :w1 AND note IS NULL"));
    LiveSelect t;
    t.table = QStringLiteral("t");
    const LiveStatement update = LiveUpdate(t, columns, original, {qlonglong(4), "nut", 0.5, "x"}, cond, style);
    EXPECT_EQ(update.sql, QStringLiteral("UPDATE t SET name = :s1, note = :s3 WHERE id = :w0 AND name = :w1 AND note IS NULL"));
    EXPECT_EQ(update.params.size(), 4);
    EXPECT_TRUE(LiveUpdate(t, columns, original, original, cond, style).sql.isEmpty());
    EXPECT_EQ(LiveInsert(t, columns, {QVariant(), "nut", QVariant(), QVariant()}, style).sql,
              QStringLiteral("INSERT INTO t (name) VALUES (:s1)"));
}

// Names from the statement and the result columns reach the statements as names.
TEST(LiveStatements, NamesAreWrittenByTheirStyle)
{
    const QList<DbColumn> columns{column("select", DbFieldType::Integer), column("My Col", DbFieldType::String)};
    const QVariantList original{qlonglong(1), QVariant()};
    const std::optional<LiveSelect> live = AnalyzeLiveSelect(QStringLiteral("SELECT * FROM \"a; drop table victim\""));
    ASSERT_TRUE(live);
    const SqlNameStyle style = SqlNameStyle::Delimident;
    const LiveStatement cond = LiveRowCondition(columns, original, {}, style);
    EXPECT_EQ(cond.sql, QStringLiteral("\"select\" = :w0 AND \"My Col\" IS NULL"));
    EXPECT_EQ(LiveInsert(*live, columns, {qlonglong(2), "x"}, style).sql,
              QStringLiteral("INSERT INTO \"a; drop table victim\" (\"select\", \"My Col\") VALUES (:s0, :s1)"));
    EXPECT_EQ(LiveDelete(*live, cond, style).sql,
              QStringLiteral("DELETE FROM \"a; drop table victim\" WHERE \"select\" = :w0 AND \"My Col\" IS NULL"));
    EXPECT_TRUE(LiveCount(*live, cond, style).sql.startsWith(QStringLiteral("SELECT COUNT(*) FROM \"a; drop table victim\" WHERE ")));
    // Without DELIMIDENT the table cannot be written: refused, not pasted.
    EXPECT_THROW(LiveDelete(*live, cond, SqlNameStyle::Plain), DbError);
}

TEST(LiveStatements, RowidJoinsTheSelectAndTheCondition)
{
    const QString sql = QStringLiteral("select name,\n  qty FROM stock where qty > 0 -- from here\norder by 1");
    const auto live = AnalyzeLiveSelect(sql);
    ASSERT_TRUE(live);
    EXPECT_EQ(LiveSelectWithRowid(sql, *live),
              QStringLiteral("select name,\n  qty , rowid FROM stock where qty > 0 -- from here\norder by 1"));
    const auto star = AnalyzeLiveSelect(QStringLiteral("select * from stock"));
    ASSERT_TRUE(star);
    EXPECT_EQ(LiveSelectWithRowid(QStringLiteral("select * from stock"), *star),
              QStringLiteral("select * , rowid from stock"));

    LiveStatement values;
    values.sql = QStringLiteral("name = :w0");
    values.params << DbParam{QStringLiteral("w0"), QStringLiteral("bolt")};
    const LiveStatement cond = LiveRowidCondition(qlonglong(258), values);
    EXPECT_EQ(cond.sql, QStringLiteral("rowid = :rid AND name = :w0"));
    ASSERT_EQ(cond.params.size(), 2);
    EXPECT_EQ(cond.params[0].value.toLongLong(), 258);
    EXPECT_EQ(LiveRowidCondition(qlonglong(1), {}).sql, QStringLiteral("rowid = :rid"));
}

} // namespace
