#include "db/liveselect.h"

#include <gtest/gtest.h>

using namespace quodlin;

namespace {

struct AnalyzeCase {
    const char *name;
    QString sql;
    bool editable;
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
    EXPECT_EQ(live->table, GetParam().table);
    EXPECT_EQ(live->columns, GetParam().columns);
    EXPECT_EQ(live->allColumns, GetParam().columns.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyzeLiveSelectTest,
    ::testing::Values(
        AnalyzeCase{"Star", "select * from customer", true, "customer", {}},
        AnalyzeCase{"ColumnsWhereOrder", "SELECT id, c.name\n FROM informix.customer\n WHERE name LIKE 'a%' ORDER BY 2",
                    true, "informix.customer", {"id", "name"}},
        AnalyzeCase{"SubqueryInWhere", "select id from t where id in (select id from u group by id)", true, "t", {"id"}},
        AnalyzeCase{"Join", "select * from a, b", false, "", {}},
        AnalyzeCase{"AnsiJoin", "select * from a join b on a.x = b.x", false, "", {}},
        AnalyzeCase{"TableAlias", "select * from a x", false, "", {}},
        AnalyzeCase{"Expression", "select id + 1 from a", false, "", {}},
        AnalyzeCase{"Aggregate", "select count(*) from a", false, "", {}},
        AnalyzeCase{"Distinct", "select distinct id from a", false, "", {}},
        AnalyzeCase{"First", "select first 5 id from a", false, "", {}},
        AnalyzeCase{"GroupBy", "select id from a group by id", false, "", {}},
        AnalyzeCase{"Union", "select id from a union select id from b", false, "", {}},
        AnalyzeCase{"IntoTemp", "select * from a into temp t", false, "", {}},
        AnalyzeCase{"NotSelect", "update a set x = 1", false, "", {}},
        AnalyzeCase{"DerivedTable", "select * from (select * from a)", false, "", {}}),
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
    const LiveStatement cond = LiveRowCondition(columns, original, {"id"});
    EXPECT_EQ(cond.sql, QStringLiteral("id = :w0 AND name = :w1 AND note IS NULL"));
    const LiveStatement update = LiveUpdate("t", columns, original, {qlonglong(4), "nut", 0.5, "x"}, cond);
    EXPECT_EQ(update.sql, QStringLiteral("UPDATE t SET name = :s1, note = :s3 WHERE id = :w0 AND name = :w1 AND note IS NULL"));
    EXPECT_EQ(update.params.size(), 4);
    EXPECT_TRUE(LiveUpdate("t", columns, original, original, cond).sql.isEmpty());
    EXPECT_EQ(LiveInsert("t", columns, {QVariant(), "nut", QVariant(), QVariant()}).sql,
              QStringLiteral("INSERT INTO t (name) VALUES (:s1)"));
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
