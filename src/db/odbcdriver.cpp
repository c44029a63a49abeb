#include "db/odbcdriver.h"

#include "app/settingdefs.h"
#include "db/dberror.h"
#include "db/sqlparams.h"

#include <QDate>
#include <QMap>
#include <QTime>

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <optional>
#include <vector>

namespace quodlin {

struct OdbcEnvironment {
    SQLHENV handle = SQL_NULL_HENV;
    ~OdbcEnvironment()
    {
        if (handle != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, handle);
    }
};

namespace {

constexpr SQLLEN kChunk = 4096;

bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

SQLCHAR *sqlText(QByteArray &utf8) { return reinterpret_cast<SQLCHAR *>(utf8.data()); }

QList<DbErrorEntry> diagnostics(SQLSMALLINT type, SQLHANDLE handle, quint16 code)
{
    QList<DbErrorEntry> stack;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[2048] = {};
        SQLSMALLINT length = 0;
        if (!succeeded(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length)))
            break;
        stack << DbErrorEntry{native != 0 ? code : quint16(kDbErrDriver), native,
                              QString::fromUtf8(reinterpret_cast<const char *>(message)),
                              QString::fromLatin1(reinterpret_cast<const char *>(state))};
    }
    return stack;
}

// SQLSTATEs of a connection that is gone: class 08 (connection exception)
// and the server's own shutdown and termination states.
bool lostConnectionState(const QString &state)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
        || state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

const QString kLostMessage = QStringLiteral("The connection to the database server was lost; reconnect to go on.");

// Raises the handle's diagnostics; a lost connection is said first and in
// plain words, and marks `lost`.
[[noreturn]] void raise(SQLSMALLINT type, SQLHANDLE handle, quint16 code, const QString &fallback,
                        std::atomic<bool> *lost = nullptr)
{
    QList<DbErrorEntry> stack = diagnostics(type, handle, code);
    if (stack.isEmpty())
        stack << DbErrorEntry{kDbErrDriver, 0, fallback};
    if (lostConnectionState(stack.first().sqlState)) {
        if (lost)
            *lost = true;
        stack.prepend(DbErrorEntry{kDbErrConnect, 0, kLostMessage});
    }
    throw DbEngineError(stack.first().message, stack);
}

DbColumn describe(SQLHSTMT stmt, SQLUSMALLINT index)
{
    SQLCHAR name[512] = {};
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(stmt, index, name, sizeof name, &nameLength, &sqlType, &size, &digits, &nullable);
    SQLCHAR typeName[128] = {};
    SQLCHAR table[256] = {};
    SQLSMALLINT got = 0;
    SQLColAttribute(stmt, index, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &got, nullptr);
    SQLColAttribute(stmt, index, SQL_DESC_BASE_TABLE_NAME, table, sizeof table, &got, nullptr);

    DbColumn c;
    c.name = QString::fromUtf8(reinterpret_cast<const char *>(name));
    c.size = size > 32767 ? 32767 : int(size);
    c.nullable = nullable != SQL_NO_NULLS;
    c.tableName = QString::fromUtf8(reinterpret_cast<const char *>(table));
    const QString type = QString::fromUtf8(reinterpret_cast<const char *>(typeName)).toUpper();
    switch (sqlType) {
    case SQL_CHAR: case SQL_WCHAR: case SQL_VARCHAR: case SQL_WVARCHAR: {
        // Some drivers (SQLite's) call every text column VARCHAR; the
        // declared type still tells CHAR.
        const QString declared = type.section(QLatin1Char('('), 0, 0).trimmed();
        c.type = DbFieldType::String;
        c.blankPadded = sqlType == SQL_CHAR || sqlType == SQL_WCHAR || declared == QLatin1String("CHAR")
            || declared == QLatin1String("NCHAR") || declared == QLatin1String("CHARACTER");
        break;
    }
    case SQL_LONGVARCHAR: case SQL_WLONGVARCHAR:
        c.type = DbFieldType::Memo; break;
    case SQL_TINYINT: case SQL_SMALLINT:
        c.type = DbFieldType::SmallInt; break;
    case SQL_INTEGER:
        c.type = DbFieldType::Integer; break;
    case SQL_BIGINT:
        c.type = DbFieldType::BigInt; break;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE:
        c.type = DbFieldType::Float; break;
    case SQL_DECIMAL: case SQL_NUMERIC:
        c.type = type.contains(QLatin1String("MONEY")) ? DbFieldType::Money : DbFieldType::Decimal;
        c.scale = digits;
        break;
    case SQL_TYPE_DATE: case SQL_DATE:
        c.type = DbFieldType::Date; break;
    case SQL_TYPE_TIME: case SQL_TIME:
        c.type = DbFieldType::Time; break;
    case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP:
        c.type = DbFieldType::DateTime; break;
    case SQL_BIT:
        c.type = DbFieldType::Boolean; break;
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
        c.type = DbFieldType::Blob; break;
    default:
        c.type = sqlType >= SQL_INTERVAL_YEAR && sqlType <= SQL_INTERVAL_MINUTE_TO_SECOND
            ? DbFieldType::Interval : DbFieldType::Unknown;
    }
    return c;
}

// Reads a character or binary column whole, in chunks, into `data`; false
// for NULL.
bool readBytes(SQLHSTMT stmt, SQLUSMALLINT index, bool binary, QByteArray &data)
{
    data.resize(0);
    char buffer[kChunk];
    const SQLSMALLINT ctype = binary ? SQL_C_BINARY : SQL_C_CHAR;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, index, ctype, buffer, kChunk, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!succeeded(rc))
            raise(SQL_HANDLE_STMT, stmt, kDbErrServer, QStringLiteral("Cannot read column %1").arg(index));
        if (indicator == SQL_NULL_DATA)
            return false;
        const SQLLEN room = binary ? kChunk : kChunk - 1;
        const SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
        data.append(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return true;
}

QVariant readLong(SQLHSTMT stmt, SQLUSMALLINT index, bool binary)
{
    QByteArray data;
    if (!readBytes(stmt, index, binary, data))
        return {};
    if (binary)
        return data;
    return QString::fromUtf8(data);
}

// Whether readValue reads the type as character data.
bool readAsText(DbFieldType type)
{
    switch (type) {
    case DbFieldType::SmallInt: case DbFieldType::Integer: case DbFieldType::BigInt: case DbFieldType::Float:
    case DbFieldType::Boolean: case DbFieldType::Date: case DbFieldType::Time: case DbFieldType::DateTime:
    case DbFieldType::Blob:
        return false;
    default:
        return true;
    }
}

template <typename T>
bool readFixed(SQLHSTMT stmt, SQLUSMALLINT index, SQLSMALLINT ctype, T &out)
{
    SQLLEN indicator = 0;
    if (!succeeded(SQLGetData(stmt, index, ctype, &out, sizeof out, &indicator)))
        raise(SQL_HANDLE_STMT, stmt, kDbErrServer, QStringLiteral("Cannot read column %1").arg(index));
    return indicator != SQL_NULL_DATA;
}

QVariant readValue(SQLHSTMT stmt, SQLUSMALLINT index, DbFieldType type)
{
    switch (type) {
    case DbFieldType::SmallInt: case DbFieldType::Integer: case DbFieldType::BigInt: {
        SQLBIGINT v = 0;
        return readFixed(stmt, index, SQL_C_SBIGINT, v) ? QVariant(qlonglong(v)) : QVariant();
    }
    case DbFieldType::Float: {
        double v = 0;
        return readFixed(stmt, index, SQL_C_DOUBLE, v) ? QVariant(v) : QVariant();
    }
    case DbFieldType::Boolean: {
        unsigned char v = 0;
        return readFixed(stmt, index, SQL_C_BIT, v) ? QVariant(v != 0) : QVariant();
    }
    case DbFieldType::Date: {
        SQL_DATE_STRUCT d{};
        return readFixed(stmt, index, SQL_C_TYPE_DATE, d) ? QVariant(QDate(d.year, d.month, d.day)) : QVariant();
    }
    case DbFieldType::Time: {
        SQL_TIME_STRUCT t{};
        return readFixed(stmt, index, SQL_C_TYPE_TIME, t) ? QVariant(QTime(t.hour, t.minute, t.second)) : QVariant();
    }
    case DbFieldType::DateTime: {
        SQL_TIMESTAMP_STRUCT ts{};
        if (!readFixed(stmt, index, SQL_C_TYPE_TIMESTAMP, ts))
            return {};
        QString text = QStringLiteral("%1-%2-%3 %4:%5:%6")
                           .arg(ts.year, 4, 10, QLatin1Char('0')).arg(ts.month, 2, 10, QLatin1Char('0'))
                           .arg(ts.day, 2, 10, QLatin1Char('0')).arg(ts.hour, 2, 10, QLatin1Char('0'))
                           .arg(ts.minute, 2, 10, QLatin1Char('0')).arg(ts.second, 2, 10, QLatin1Char('0'));
        if (ts.fraction != 0) {
            QString fraction = QStringLiteral("%1").arg(ts.fraction, 9, 10, QLatin1Char('0'));
            while (fraction.endsWith(QLatin1Char('0')))
                fraction.chop(1);
            text += QLatin1Char('.') + fraction;
        }
        return text;
    }
    case DbFieldType::Blob:
        return readLong(stmt, index, true);
    default:
        return readLong(stmt, index, false);
    }
}

class Statement {
public:
    explicit Statement(SQLHDBC dbc)
    {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_handle)))
            raise(SQL_HANDLE_DBC, dbc, kDbErrServer, QStringLiteral("Cannot allocate a statement"));
    }
    ~Statement()
    {
        if (m_handle != SQL_NULL_HSTMT) {
            SQLFreeStmt(m_handle, SQL_CLOSE);
            SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
        }
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    SQLHSTMT handle() const { return m_handle; }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

class OdbcCursor : public IDbCursor {
public:
    OdbcCursor(std::unique_ptr<Statement> stmt, QList<DbColumn> columns, std::shared_ptr<std::atomic<bool>> lost)
        : m_stmt(std::move(stmt)), m_columns(std::move(columns)), m_lost(std::move(lost)) {}
    const QList<DbColumn> &columns() const override { return m_columns; }
    // Moves to the next row; false at the end.
    bool nextRow()
    {
        const SQLRETURN rc = SQLFetch(m_stmt->handle());
        if (rc == SQL_NO_DATA)
            return false;
        if (!succeeded(rc))
            raise(SQL_HANDLE_STMT, m_stmt->handle(), kDbErrServer, QStringLiteral("Fetch failed"), m_lost.get());
        return true;
    }
    bool fetch(QVariantList &row) override
    {
        if (!nextRow())
            return false;
        row.clear();
        for (int i = 0; i < m_columns.size(); ++i)
            row << readValue(m_stmt->handle(), SQLUSMALLINT(i + 1), m_columns[i].type);
        return true;
    }
    // Character data goes into the cells as the driver gives it, so bytes
    // that are not UTF-8 reach an UNLOAD file unchanged.
    bool fetchCells(DbCellRow &row) override
    {
        if (!nextRow())
            return false;
        row.clear();
        for (int i = 0; i < m_columns.size(); ++i) {
            const SQLUSMALLINT index = SQLUSMALLINT(i + 1);
            if (!readAsText(m_columns[i].type))
                row.addVariant(readValue(m_stmt->handle(), index, m_columns[i].type));
            else if (readBytes(m_stmt->handle(), index, false, m_text))
                row.addText(m_text.constData(), m_text.size());
            else
                row.addNull();
        }
        return true;
    }

private:
    std::unique_ptr<Statement> m_stmt;
    QList<DbColumn> m_columns;
    std::shared_ptr<std::atomic<bool>> m_lost;
    QByteArray m_text;
};

// One bound parameter's storage; it lives until the statement has run.
struct ParamBuffer {
    QByteArray bytes;
    SQLBIGINT integer = 0;
    double real = 0;
    SQL_DATE_STRUCT date{};
    SQL_TIMESTAMP_STRUCT timestamp{};
    SQLLEN indicator = 0;
};

// Binds `value`, or when `text` is given those bytes as character data.
void bindParam(SQLHSTMT stmt, SQLUSMALLINT index, const QVariant &value, ParamBuffer &b,
               const QByteArrayView *text = nullptr)
{
    SQLSMALLINT ctype = SQL_C_CHAR, sqltype = SQL_VARCHAR, digits = 0;
    SQLULEN size = 1;
    void *data = nullptr;
    SQLLEN length = 0;
    if (!text && !value.isValid()) {
        b.indicator = SQL_NULL_DATA;
    } else {
        switch (text ? QMetaType::QString : value.typeId()) {
        case QMetaType::Bool:
            // BIT, not a number: servers with a BOOLEAN type refuse integers for it.
            b.integer = value.toBool() ? 1 : 0;
            b.bytes = QByteArray(1, char(b.integer));
            ctype = SQL_C_BIT;
            sqltype = SQL_BIT;
            data = b.bytes.data();
            length = 1;
            break;
        case QMetaType::Int: case QMetaType::UInt:
        case QMetaType::LongLong: case QMetaType::Short:
            b.integer = value.toLongLong();
            ctype = SQL_C_SBIGINT;
            sqltype = (b.integer >= INT32_MIN && b.integer <= INT32_MAX) ? SQL_INTEGER : SQL_BIGINT;
            data = &b.integer;
            break;
        case QMetaType::Double: case QMetaType::Float:
            b.real = value.toDouble();
            ctype = SQL_C_DOUBLE;
            sqltype = SQL_DOUBLE;
            size = 15;
            data = &b.real;
            break;
        case QMetaType::QDate: {
            const QDate d = value.toDate();
            b.date = {SQLSMALLINT(d.year()), SQLUSMALLINT(d.month()), SQLUSMALLINT(d.day())};
            ctype = SQL_C_TYPE_DATE;
            sqltype = SQL_TYPE_DATE;
            size = 10;
            data = &b.date;
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime t = value.toDateTime();
            b.timestamp = {SQLSMALLINT(t.date().year()), SQLUSMALLINT(t.date().month()),
                           SQLUSMALLINT(t.date().day()), SQLUSMALLINT(t.time().hour()),
                           SQLUSMALLINT(t.time().minute()), SQLUSMALLINT(t.time().second()),
                           SQLUINTEGER(t.time().msec()) * 1000000u};
            ctype = SQL_C_TYPE_TIMESTAMP;
            sqltype = SQL_TYPE_TIMESTAMP;
            size = 23;
            digits = 3;
            data = &b.timestamp;
            break;
        }
        case QMetaType::QByteArray:
            b.bytes = value.toByteArray();
            ctype = SQL_C_BINARY;
            sqltype = SQL_LONGVARBINARY;
            break;
        default:
            b.bytes = text ? text->toByteArray() : value.toString().toUtf8();
            break;
        }
        if (!data) {
            data = b.bytes.data();
            length = b.bytes.size();
            size = qMax<SQLULEN>(1, SQLULEN(b.bytes.size()));
        }
        b.indicator = data == b.bytes.data() ? SQLLEN(b.bytes.size()) : 0;
    }
    if (!succeeded(SQLBindParameter(stmt, index, SQL_PARAM_INPUT, ctype, sqltype, size, digits,
                                    data, length, &b.indicator)))
        raise(SQL_HANDLE_STMT, stmt, kDbErrDriver, QStringLiteral("Cannot bind parameter %1").arg(index));
}

// The value of a named parameter, or of the next positional '?' (`positional`
// counts those already bound).
QVariant paramValue(const QList<DbParam> &params, const QString &name, int &positional)
{
    if (name.isEmpty()) {
        int n = positional++;
        for (const DbParam &p : params)
            if (p.name.isEmpty() && n-- == 0)
                return p.value;
        return {};
    }
    for (const DbParam &p : params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p.value;
    return {};
}

class OdbcConnection : public IDbConnection {
public:
    OdbcConnection(std::shared_ptr<OdbcEnvironment> env, SQLHDBC dbc)
        : m_env(std::move(env)), m_dbc(dbc)
    {
        const QByteArray dbdate = qgetenv("DBDATE");
        const QByteArray dbmoney = qgetenv("DBMONEY");
        if (!dbdate.isEmpty())
            m_formatting.dbdate = QString::fromLocal8Bit(dbdate);
        if (!dbmoney.isEmpty())
            m_formatting.dbmoney = QString::fromLocal8Bit(dbmoney);
    }
    ~OdbcConnection() override
    {
        // As the server does for a session that goes; some drivers refuse to
        // disconnect with a transaction open.
        if (m_inTransaction && !*m_lost)
            SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    }

    std::unique_ptr<IDbCursor> execute(const QString &sql, const QList<DbParam> &params) override
    {
        m_sqlca = DbSqlca{};
        m_rows = 0;
        try {
            if (const std::optional<Transaction> step = transactionStatement(sql)) {
                transaction(*step);
                return nullptr;
            }
            return run(sql, params);
        } catch (const DbEngineError &e) {
            m_sqlca.sqlcode = e.nativeCode();
            m_sqlca.sqlerrm = e.message();
            throw;
        }
    }
    // The statement's '?' take a row's cells, text as its bytes (LOAD keeps
    // what is not UTF-8 as it was in the file).
    void executeCells(const QString &sql, const DbCellRow &values)
    {
        m_sqlca = DbSqlca{};
        m_rows = 0;
        try {
            run(sql, {}, &values);
        } catch (const DbEngineError &e) {
            m_sqlca.sqlcode = e.nativeCode();
            m_sqlca.sqlerrm = e.message();
            throw;
        }
    }
    std::unique_ptr<IDbStatement> prepare(const QString &sql) override;
    qint64 rowsAffected() const override { return m_rows; }
    DbSqlca sqlca() const override { return m_sqlca; }
    // Informix tables have ROWIDs (fragmented ones not: the live query then
    // falls back to reading without them).
    bool hasRowids(const QString &, const QString &) override
    {
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_DBMS_NAME, name, SQLSMALLINT(sizeof name), &length)))
            return false;
        return QString::fromLatin1(reinterpret_cast<const char *>(name)).contains(QStringLiteral("informix"), Qt::CaseInsensitive);
    }
    // The driver names its identifier quote (Informix's: '"' only with
    // DELIMIDENT); a blank means names cannot be delimited.
    bool delimitedIdentifiers() const override
    {
        SQLCHAR quote[8] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, SQLSMALLINT(sizeof quote), &length)))
            return false;
        return quote[0] == '"';
    }
    void interrupt() override
    {
        m_stopRequested = true;
        if (SQLHSTMT running = m_running.load())
            SQLCancel(running);
    }
    // Our own record of a lost connection, else the driver's (ODBC 3.5).
    bool connectionLost() const override
    {
        if (*m_lost)
            return true;
        SQLUINTEGER dead = SQL_CD_FALSE;
        return SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr))
            && dead == SQL_CD_TRUE;
    }
    void clearInterrupt() override { m_stopRequested = false; }
    QStringList uniqueKey(const QString &owner, const QString &table) override
    {
        try {
            QByteArray name = table.toUtf8();
            QByteArray schema = owner.toUtf8();
            SQLCHAR *schemaText = owner.isEmpty() ? nullptr : sqlText(schema);
            const SQLSMALLINT schemaLength = owner.isEmpty() ? 0 : SQLSMALLINT(SQL_NTS);
            {
                Statement stmt(m_dbc);
                if (succeeded(SQLPrimaryKeys(stmt.handle(), nullptr, 0, schemaText, schemaLength,
                                             sqlText(name), SQL_NTS))) {
                    // Result columns: 4 COLUMN_NAME, 5 KEY_SEQ.
                    QMap<int, QString> key;
                    while (succeeded(SQLFetch(stmt.handle())))
                        key.insert(readValue(stmt.handle(), 5, DbFieldType::Integer).toInt(),
                                   readValue(stmt.handle(), 4, DbFieldType::String).toString());
                    if (!key.isEmpty())
                        return key.values();
                }
            }
            Statement stmt(m_dbc);
            if (!succeeded(SQLStatistics(stmt.handle(), nullptr, 0, schemaText, schemaLength, sqlText(name),
                                         SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK)))
                return {};
            // Result columns: 6 INDEX_NAME, 8 ORDINAL_POSITION, 9 COLUMN_NAME.
            QString index;
            QMap<int, QString> key;
            while (succeeded(SQLFetch(stmt.handle()))) {
                const QVariant indexName = readValue(stmt.handle(), 6, DbFieldType::String);
                const int position = readValue(stmt.handle(), 8, DbFieldType::Integer).toInt();
                const QString column = readValue(stmt.handle(), 9, DbFieldType::String).toString();
                if (!indexName.isValid())
                    continue;  // the table's statistics row
                if (index.isEmpty())
                    index = indexName.toString();
                if (indexName.toString() == index)
                    key.insert(position, column);
            }
            return key.values();
        } catch (const DbError &) {
            return {};
        }
    }
    DbFormatting formatting() const override { return m_formatting; }

private:
    enum class Transaction { Begin, Commit, Rollback };

    // BEGIN, COMMIT and ROLLBACK [WORK] go through the driver manager's own
    // transaction calls: not every data source takes them as SQL (SQLite has
    // no WORK), and the Informix driver wants its autocommit mode switched,
    // not bypassed.
    static std::optional<Transaction> transactionStatement(const QString &sql)
    {
        QStringList words = sql.simplified().toUpper().split(QLatin1Char(' '));
        if (words.size() == 2 && words.last() == QLatin1String("WORK"))
            words.removeLast();
        if (words.size() != 1)
            return std::nullopt;
        if (words.first() == QLatin1String("BEGIN"))
            return Transaction::Begin;
        if (words.first() == QLatin1String("COMMIT"))
            return Transaction::Commit;
        if (words.first() == QLatin1String("ROLLBACK"))
            return Transaction::Rollback;
        return std::nullopt;
    }
    void transaction(Transaction step)
    {
        auto refuse = [](qint32 code, const char *message) {
            const QString text = QLatin1String(message);
            throw DbEngineError(text, {{kDbErrServer, code, text}});
        };
        if (step == Transaction::Begin) {
            if (m_inTransaction)
                refuse(-535, "Already in transaction.");
            if (!succeeded(SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                             reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER)))
                raise(SQL_HANDLE_DBC, m_dbc, kDbErrServer, QStringLiteral("Cannot begin a transaction"), m_lost.get());
            m_inTransaction = true;
            return;
        }
        if (!m_inTransaction)
            refuse(-255, "Not in transaction.");
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_dbc, step == Transaction::Commit ? SQL_COMMIT : SQL_ROLLBACK);
        if (!succeeded(rc))
            raise(SQL_HANDLE_DBC, m_dbc, kDbErrServer, QStringLiteral("Cannot end the transaction"), m_lost.get());
        m_inTransaction = false;
        SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
    }

    std::unique_ptr<IDbCursor> run(const QString &sql, const QList<DbParam> &params, const DbCellRow *cells = nullptr)
    {
        auto stmt = std::make_unique<Statement>(m_dbc);
        const SqlParamScan scan = ScanSqlParams(sql);
        std::vector<ParamBuffer> buffers(scan.occurrences.size());
        int positional = 0;
        for (int i = 0; i < scan.occurrences.size(); ++i) {
            const SQLUSMALLINT index = SQLUSMALLINT(i + 1);
            if (!cells) {
                bindParam(stmt->handle(), index, paramValue(params, scan.occurrences[i], positional), buffers[i]);
            } else if (size_t(i) >= cells->cells.size()) {
                bindParam(stmt->handle(), index, {}, buffers[i]);
            } else if (const DbCell &c = cells->cells[size_t(i)]; c.kind == DbCell::Kind::Text) {
                const QByteArrayView text = cells->view(c);
                bindParam(stmt->handle(), index, {}, buffers[i], &text);
            } else {
                bindParam(stmt->handle(), index, cells->variant(i), buffers[i]);
            }
        }
        QByteArray text = scan.positionalSql.toUtf8();
        // SQLCancel on a statement not yet executing does nothing in most
        // drivers: a Stop that came first is honoured here. The handle is
        // published before the check, so a Stop after it reaches SQLCancel.
        m_running = stmt->handle();
        if (m_stopRequested.exchange(false)) {
            m_running = SQL_NULL_HSTMT;
            const QString interrupted = QStringLiteral("Statement interrupted by user.");
            throw DbEngineError(interrupted, {{kDbErrServer, -213, interrupted}});
        }
        const SQLRETURN rc = SQLExecDirect(stmt->handle(), sqlText(text), SQLINTEGER(text.size()));
        m_running = SQL_NULL_HSTMT;
        if (!succeeded(rc) && rc != SQL_NO_DATA) {
            m_stopRequested = false;  // used up by the statement it stopped
            raise(SQL_HANDLE_STMT, stmt->handle(), kDbErrServer, QStringLiteral("The statement failed"), m_lost.get());
        }
        SQLSMALLINT columnCount = 0;
        SQLNumResultCols(stmt->handle(), &columnCount);
        if (columnCount == 0) {
            SQLLEN rows = 0;
            if (succeeded(SQLRowCount(stmt->handle(), &rows)))
                m_rows = rows < 0 ? 0 : rows;
            m_sqlca.sqlerrd[2] = m_rows;
            return nullptr;
        }
        QList<DbColumn> columns;
        for (SQLSMALLINT i = 1; i <= columnCount; ++i)
            columns << describe(stmt->handle(), SQLUSMALLINT(i));
        return std::make_unique<OdbcCursor>(std::move(stmt), std::move(columns), m_lost);
    }

    std::shared_ptr<OdbcEnvironment> m_env;
    SQLHDBC m_dbc;
    std::atomic<SQLHSTMT> m_running{SQL_NULL_HSTMT};
    std::shared_ptr<std::atomic<bool>> m_lost = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> m_stopRequested{false};
    DbSqlca m_sqlca;
    qint64 m_rows = 0;
    DbFormatting m_formatting;
    bool m_inTransaction = false;
};

class OdbcStatement : public DbRerunStatement {
public:
    OdbcStatement(OdbcConnection &connection, const QString &sql)
        : DbRerunStatement(connection, sql), m_connection(connection), m_sql(sql) {}
    using DbRerunStatement::execute;
    void execute(const DbCellRow &values) override { m_connection.executeCells(m_sql, values); }

private:
    OdbcConnection &m_connection;
    QString m_sql;
};

std::unique_ptr<IDbStatement> OdbcConnection::prepare(const QString &sql)
{
    return std::make_unique<OdbcStatement>(*this, sql);
}

} // namespace

OdbcDriver::OdbcDriver()
    : m_env(std::make_shared<OdbcEnvironment>())
{
    if (succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env->handle)))
        SQLSetEnvAttr(m_env->handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    else
        m_env->handle = SQL_NULL_HENV;
}

OdbcDriver::~OdbcDriver() = default;

QStringList OdbcDriver::dataSources() const
{
    QStringList names;
    if (m_env->handle == SQL_NULL_HENV)
        return names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLCHAR name[SQL_MAX_DSN_LENGTH + 1] = {};
        SQLCHAR description[512] = {};
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        if (!succeeded(SQLDataSources(m_env->handle, direction, name, sizeof name, &nameLength,
                                      description, sizeof description, &descriptionLength)))
            break;
        names << QString::fromUtf8(reinterpret_cast<const char *>(name));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

QString OdbcDriver::quoteAttribute(const QString &value)
{
    static const QString special = QStringLiteral(";{}=");
    bool plain = value.trimmed() == value;
    for (QChar c : value)
        plain = plain && !special.contains(c);
    if (plain)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString OdbcDriver::connectionString(const QStringList &params)
{
    const QString user = DbParamValue(params, QStringLiteral("USER NAME"));
    const QString password = DbParamValue(params, QStringLiteral("PASSWORD"));
    QString text = DbParamValue(params, QStringLiteral("CONNECTION STRING"));
    const QString dsn = DbParamValue(params, QStringLiteral("DSN"));
    if (!text.isEmpty()) {
        if (!text.endsWith(QLatin1Char(';')))
            text += QLatin1Char(';');
    } else if (!dsn.isEmpty()) {
        text = QStringLiteral("DSN=") + quoteAttribute(dsn) + QLatin1Char(';');
    } else {
        // Driver names are always braced: they often hold blanks.
        QString driver = DbParamValue(params, QStringLiteral("ODBC DRIVER"));
        driver.replace(QLatin1Char('}'), QStringLiteral("}}"));
        text = QStringLiteral("DRIVER={%1};SERVER=%2;DATABASE=%3;")
                   .arg(driver, quoteAttribute(DbParamValue(params, QStringLiteral("SERVER NAME"))),
                        quoteAttribute(DbParamValue(params, QStringLiteral("DATABASE NAME"))));
    }
    if (!user.isEmpty())
        text += QStringLiteral("UID=%1;PWD=%2;").arg(quoteAttribute(user), quoteAttribute(password));
    return text;
}

std::unique_ptr<IDbConnection> OdbcDriver::connect(const QStringList &params)
{
    if (m_env->handle == SQL_NULL_HENV)
        throw DbEngineError(QStringLiteral("The ODBC driver manager is not available"),
                            {{kDbErrConnect, 0, QStringLiteral("The ODBC driver manager is not available")}});
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, m_env->handle, &dbc)))
        raise(SQL_HANDLE_ENV, m_env->handle, kDbErrConnect, QStringLiteral("Cannot allocate a connection"));
    // A server that does not answer fails the connect after this long
    // instead of hanging the window; 0 waits as long as the driver does.
    bool numeric = false;
    const int timeout = DbParamValue(params, QStringLiteral("LOGIN TIMEOUT")).toInt(&numeric);
    const SQLULEN seconds = SQLULEN(qMax(0, numeric ? timeout : Settings::read(Settings::LoginTimeout)));
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), SQL_IS_UINTEGER);
    QByteArray text = connectionString(params).toUtf8();
    SQLCHAR out[1024] = {};
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, sqlText(text), SQLSMALLINT(text.size()), out,
                                          sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) {
        QList<DbErrorEntry> stack = diagnostics(SQL_HANDLE_DBC, dbc, kDbErrConnect);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (stack.isEmpty())
            stack << DbErrorEntry{kDbErrConnect, 0, QStringLiteral("Cannot connect")};
        throw DbEngineError(stack.first().message, stack);
    }
    return std::make_unique<OdbcConnection>(m_env, dbc);
}

} // namespace quodlin
