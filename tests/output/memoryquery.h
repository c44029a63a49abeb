#pragma once
// A query over rows held in memory, for the writer tests: fetching row
// `failAt` raises, as a broken connection would.
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace quodlin::test {

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
    DbFormatting fmt;
    DbFormatting formatting() const override { return fmt; }
};

class MemoryQueryTest : public ::testing::Test {
protected:
    MemoryQueryTest() : m_session(m_dir.filePath("aliases.conf")), m_db(m_session), m_query(m_session)
    {
        m_db.setDatabaseName("mem");
        m_query.setDatabaseName("mem");
        m_query.setSql("select");
    }
    // Opens the query over the given columns (name, type, display width) and rows.
    void open(const QList<std::pair<DbColumn, int>> &columns, const QList<QVariantList> &rows, int failAt = -1,
              const DbFormatting &fmt = {})
    {
        auto conn = std::make_unique<MemoryConnection>();
        conn->fmt = fmt;
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

} // namespace quodlin::test
