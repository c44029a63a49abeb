#pragma once
// What a driver gives the access layer: connections that run statements and
// forward-only cursors over their rows. The layer (DbQuery) keeps the rows it
// has read, formats them and offers bookmarks; a driver only reads.
#include "db/dbtypes.h"

#include <memory>

namespace quodlin {

class IDbCursor {
public:
    virtual ~IDbCursor() = default;
    virtual const QList<DbColumn> &columns() const = 0;
    // Reads the next row into `row` (one value per column); false at the end.
    // The layer removes trailing blanks of blank-padded columns' values
    // (DbColumn::blankPadded). Raises DbEngineError.
    virtual bool fetch(QVariantList &row) = 0;
    // The same row as cells (for walks that keep no rows); by default made
    // from fetch's values; trailing blanks go as for fetch. Text cells keep
    // the bytes as the server gave them, valid UTF-8 or not.
    virtual bool fetchCells(DbCellRow &row)
    {
        if (!fetch(m_values))
            return false;
        row.clear();
        for (const QVariant &v : std::as_const(m_values))
            row.addVariant(v);
        return true;
    }

private:
    QVariantList m_values;
};

// A statement run many times with new values (LOAD's INSERT), prepared once
// where the driver can.
class IDbStatement {
public:
    virtual ~IDbStatement() = default;
    // Runs with one value per '?' parameter, in order. Raises DbEngineError.
    virtual void execute(const QVariantList &values) = 0;
    // The same with the values as cells; by default through their QVariants.
    virtual void execute(const DbCellRow &values)
    {
        QVariantList list;
        for (int i = 0; i < int(values.cells.size()); ++i)
            list << values.variant(i);
        execute(list);
    }
};

class IDbConnection {
public:
    virtual ~IDbConnection() = default;
    // Runs `sql` with its parameters (every named one is given, by name; a
    // positional '?' by order among the unnamed ones). Returns the open cursor
    // when the statement returns rows, else nullptr once it has run.
    // Raises DbEngineError.
    virtual std::unique_ptr<IDbCursor> execute(const QString &sql, const QList<DbParam> &params) = 0;
    virtual qint64 rowsAffected() const = 0;
    // A statement without rows to run repeatedly; by default the text is
    // run anew each time.
    virtual std::unique_ptr<IDbStatement> prepare(const QString &sql);
    virtual DbSqlca sqlca() const = 0;
    virtual DbFormatting formatting() const = 0;
    // The columns of the table's primary key, else of one unique index; empty
    // when it has neither or the driver cannot tell. The names are as the
    // catalog holds them (an empty owner: any). Raises nothing.
    virtual QStringList uniqueKey(const QString &owner, const QString &table) { return {}; }
    // Whether the table's rows carry a ROWID that finds one row again (a
    // table, not a view). Raises nothing.
    virtual bool hasRowids(const QString &owner, const QString &table) { return false; }
    // Whether double quotes delimit identifiers in statements (DELIMIDENT);
    // SqlName writes names for it. Raises nothing.
    virtual bool delimitedIdentifiers() const { return false; }
    // Stops the statement running on this connection; safe from any thread.
    // The statement fails with the server's "interrupted" error. A Stop that
    // comes before a statement has begun stops the next one to begin, until
    // clearInterrupt forgets it.
    virtual void interrupt() {}
    virtual void clearInterrupt() {}
    // Whether the server went away under the connection (stopped, the session
    // killed, the network gone): nothing more runs until it is made anew.
    // Raises nothing.
    virtual bool connectionLost() const { return false; }
};

class DbRerunStatement : public IDbStatement {
public:
    DbRerunStatement(IDbConnection &connection, QString sql) : m_connection(connection), m_sql(std::move(sql)) {}
    void execute(const QVariantList &values) override
    {
        QList<DbParam> params;
        for (const QVariant &v : values)
            params << DbParam{QString(), v};
        m_connection.execute(m_sql, params);
    }

private:
    IDbConnection &m_connection;
    QString m_sql;
};

inline std::unique_ptr<IDbStatement> IDbConnection::prepare(const QString &sql)
{
    return std::make_unique<DbRerunStatement>(*this, sql);
}

class IDbDriver {
public:
    virtual ~IDbDriver() = default;
    // "EMBEDDED" or "ODBC".
    virtual QString name() const = 0;
    // Names this driver offers as aliases of its own (ODBC data sources).
    virtual QStringList dataSources() const = 0;
    // Opens a connection from parameter lines ("NAME=value"). Raises DbEngineError.
    virtual std::unique_ptr<IDbConnection> connect(const QStringList &params) = 0;
};

} // namespace quodlin
