#include "output/textrender.h"

#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace quodlin;

namespace {

// Rows held in memory; fetching row `failAt` raises, as a broken connection would.
class MemoryCursor : public IDbCursor {
public:
    MemoryCursor(QList<DbColumn> columns, QList<QVariantList> rows, int failAt)
        : m_columns(std::move(columns)), m_rows(std::move(rows)), m_failAt(failAt) {}
    const QList<DbColumn> &columns() const override { return m_columns; }
    bool fetch(QVariantList &row) override
    {
        if (m_next == m_failAt)
            throw DbEngineError("lost", {{kDbErrServer, -908, "lost"}});
        if (m_next >= m_rows.size())
            return false;
        row = m_rows[m_next++];
        return true;
    }

private:
    QList<DbColumn> m_columns;
    QList<QVariantList> m_rows;
    int m_failAt;
    int m_next = 0;
};

class MemoryConnection : public IDbConnection {
public:
    QList<DbColumn> columns;
    QList<QVariantList> rows;
    int failAt = -1;
    std::unique_ptr<IDbCursor> execute(const QString &, const QList<DbParam> &) override
    {
        return std::make_unique<MemoryCursor>(columns, rows, failAt);
    }
    qint64 rowsAffected() const override { return 0; }
    DbSqlca sqlca() const override { return {}; }
    DbFormatting formatting() const override { return {}; }
};

class TextRenderTest : public ::testing::Test {
protected:
    TextRenderTest() : m_session(m_dir.filePath("aliases.conf")), m_db(m_session), m_query(m_session)
    {
        m_db.setDatabaseName("mem");
        m_query.setDatabaseName("mem");
        m_query.setSql("select");
    }
    // Opens the query over the given columns (name, type, display width) and rows.
    void open(const QList<std::pair<DbColumn, int>> &columns, const QList<QVariantList> &rows, int failAt = -1)
    {
        auto conn = std::make_unique<MemoryConnection>();
        for (const auto &[column, width] : columns) {
            conn->columns << column;
            m_query.setFieldDisplayWidth(column.name, width);
        }
        conn->rows = rows;
        conn->failAt = failAt;
        m_db.open(std::move(conn));
        m_query.open();
    }
    static DbColumn text(const QString &name, DbFieldType type = DbFieldType::String)
    {
        return DbColumn{name, type, 10, 0, true, {}};
    }

    QTemporaryDir m_dir;
    DbSession m_session;
    DbDatabase m_db;
    DbQuery m_query;
};

TEST_F(TextRenderTest, WorkedExample)
{
    open({{text("id", DbFieldType::Integer), 5}, {text("name"), 4}},
         {{qlonglong(7), "Smith"}, {QVariant(), "Li"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"id    name", "----- ----", "7     Smit", "      Li"}));
}

TEST_F(TextRenderTest, EmptyResultGivesHeaderAndDashes)
{
    open({{text("a"), 3}}, {});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"a", "---"}));
}

TEST_F(TextRenderTest, AllHiddenGivesEmptyLines)
{
    m_query.setFieldVisible("a", false);
    open({{text("a"), 3}}, {{"x"}, {"y"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"", "", "", ""}));
}

TEST_F(TextRenderTest, LongLabelWidensTheColumnButValuesStillCut)
{
    m_query.setFieldLabel("d", "description");
    open({{text("d"), 4}, {text("n"), 1}}, {{"abcdefgh", "z"}});
    EXPECT_EQ(QueryToTextLines(m_query),
              QStringList({"description n", "----------- -", "abcd        z"}));
}

TEST_F(TextRenderTest, TrailingBlanksOnlyLeaveTheLastColumn)
{
    // Memo values keep their blanks in the layer, so the line trimming shows.
    open({{text("a", DbFieldType::Memo), 4}, {text("b", DbFieldType::Memo), 6}}, {{"x  ", "y  "}});
    EXPECT_EQ(QueryToTextLines(m_query).last(), QStringLiteral("x    y"));
}

TEST_F(TextRenderTest, HiddenFieldsSkippedInEveryLine)
{
    m_query.setFieldVisible("b", false);
    open({{text("a"), 2}, {text("b"), 2}, {text("c"), 2}}, {{"1", "2", "3"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"a  c", "-- --", "1  3"}));
}

TEST_F(TextRenderTest, PositionIsRestored)
{
    open({{text("a"), 2}}, {{"1"}, {"2"}, {"3"}});
    m_query.next();
    QueryToTextLines(m_query);
    EXPECT_EQ(m_query.recNo(), 1);
    EXPECT_EQ(m_query.field(0).displayText(), QStringLiteral("2"));
}

TEST_F(TextRenderTest, ErrorEndsTheWalkSilentlyAndRestoresPosition)
{
    open({{text("a"), 2}}, {{"1"}, {"2"}, {"3"}, {"4"}}, 3);
    m_query.next();
    QStringList lines;
    EXPECT_NO_THROW(lines = QueryToTextLines(m_query));
    EXPECT_EQ(lines, QStringList({"a", "--", "1", "2", "3"}));
    EXPECT_EQ(m_query.recNo(), 1);
}

TEST_F(TextRenderTest, ClosedQueryGivesNothing)
{
    EXPECT_EQ(QueryToTextLines(m_query), QStringList());
}

} // namespace
