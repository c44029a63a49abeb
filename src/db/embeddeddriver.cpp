#include "db/embeddeddriver.h"

#include "app/externalprograms.h"
#include "app/settings.h"
#include "db/dberror.h"
#include "engine/demo.h"
#include "engine/engine.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cstdlib>

namespace quodlin {

namespace {

const QDate kDayZero(1899, 12, 31);

std::string utf8(const QString &s) { return s.toUtf8().toStdString(); }
QString fromUtf8(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString trimmedText(const std::string &s) { return fromUtf8(s).trimmed(); }

// Engine offsets count bytes of the UTF-8 text; callers count characters.
int characterOffset(const std::string &text, int byteOffset)
{
    if (byteOffset < 0)
        return -1;
    const auto end = std::min<std::size_t>(std::size_t(byteOffset), text.size());
    return int(QString::fromUtf8(text.data(), qsizetype(end)).size());
}

[[noreturn]] void rethrow(const engine::EngineError &e, const std::string &text)
{
    const engine::ErrorInfo &info = e.info();
    QList<DbErrorEntry> stack{{kDbErrServer, info.sqlCode, fromUtf8(info.message)}};
    if (info.isamCode != 0)
        stack << DbErrorEntry{kDbErrIsam, info.isamCode, fromUtf8(info.isamMessage)};
    if (!info.routine.empty())
        stack << DbErrorEntry{kDbErrDriver, 0, QStringLiteral("In routine %1").arg(fromUtf8(info.routine))};
    throw DbEngineError(fromUtf8(info.message), stack, characterOffset(text, info.offset));
}

[[noreturn]] void rethrowOther(const std::exception &e)
{
    const QString message = QString::fromUtf8(e.what());
    throw DbEngineError(message, {{kDbErrDriver, 0, message}});
}

int datetimeWidth(int collength)
{
    // Positions in "YYYY-MM-DD hh:mm:ss.fffff" of each unit's start and end.
    static const int starts[] = {0, 0, 5, 5, 8, 8, 11, 11, 14, 14, 17, 20, 20, 20, 20, 20};
    static const int ends[] = {4, 4, 7, 7, 10, 10, 13, 13, 16, 16, 19, 21, 22, 23, 24, 25};
    const int first = (collength >> 4) & 0xF;
    const int last = collength & 0xF;
    return qMax(1, ends[last] - starts[first]);
}

DbColumn toColumn(const engine::ColumnDescription &c)
{
    DbColumn d;
    d.name = fromUtf8(c.name);
    d.nullable = c.nullable;
    d.tableName = fromUtf8(c.tableName);
    const int base = c.coltype & 0xFF;
    switch (base) {
    case 0: case 15:
        d.type = DbFieldType::String; d.size = c.collength; d.blankPadded = true; break;
    case 40: case 43:
        d.type = DbFieldType::String; d.size = c.collength; break;
    // SET, MULTISET, LIST and ROW values come as their text: SET{1,2}. Its
    // length has no bound in the column (collength sums the members' storage),
    // so it is shown as a text of unknown length, never cut to collength.
    case 19: case 20: case 21: case 22:
        d.type = DbFieldType::Memo; break;
    case 13: case 16:
        d.type = DbFieldType::String; d.size = c.collength & 0xFF; break;
    case 12:
        d.type = DbFieldType::Memo; break;
    case 1:
        d.type = DbFieldType::SmallInt; break;
    case 2: case 6:
        d.type = DbFieldType::Integer; break;
    case 17: case 18: case 52: case 53:
        d.type = DbFieldType::BigInt; break;
    case 3: case 4:
        d.type = DbFieldType::Float; break;
    case 5: case 8:
        d.type = base == 8 ? DbFieldType::Money : DbFieldType::Decimal;
        d.size = c.collength >> 8;
        d.scale = (c.collength & 0xFF) == 0xFF ? -1 : (c.collength & 0xFF);
        break;
    case 7:
        d.type = DbFieldType::Date; break;
    case 10:
        d.type = DbFieldType::DateTime; d.size = datetimeWidth(c.collength); break;
    case 14:
        d.type = DbFieldType::Interval; d.size = (c.collength >> 8) + 6; break;
    case 45:
        d.type = DbFieldType::Boolean; break;
    case 11:
        d.type = DbFieldType::Blob; break;
    case 41:
        // BOOLEAN, CLOB (read as TEXT is) and BLOB.
        d.type = c.extendedId == 5 ? DbFieldType::Boolean : c.extendedId == 11 ? DbFieldType::Memo : DbFieldType::Blob;
        d.smartLob = c.extendedId == 10;
        break;
    default:
        d.type = DbFieldType::Unknown; d.size = c.collength; break;
    }
    return d;
}

QVariant toVariant(const engine::Value &v, const DbColumn &column)
{
    switch (v.kind) {
    case engine::Value::Kind::Null:
        return {};
    case engine::Value::Kind::Integer:
        if (column.type == DbFieldType::Date)
            return kDayZero.addDays(v.integer);
        if (column.type == DbFieldType::Boolean)
            return v.integer != 0;
        return qlonglong(v.integer);
    case engine::Value::Kind::Float:
        return v.real;
    case engine::Value::Kind::Blob:
        return QByteArray(v.text.data(), qsizetype(v.text.size()));
    case engine::Value::Kind::Text:
        break;
    }
    return fromUtf8(v.text);
}

engine::Value toValue(const QVariant &v)
{
    if (!v.isValid())
        return engine::Value::null();
    switch (v.typeId()) {
    case QMetaType::Bool: case QMetaType::Int: case QMetaType::UInt:
    case QMetaType::LongLong: case QMetaType::Short:
        return engine::Value::fromInt(v.toLongLong());
    case QMetaType::Double: case QMetaType::Float:
        return engine::Value::fromDouble(v.toDouble());
    case QMetaType::QDate:
        return engine::Value::fromInt(kDayZero.daysTo(v.toDate()));
    case QMetaType::QDateTime:
        return engine::Value::fromText(utf8(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
    case QMetaType::QByteArray:
        return engine::Value::fromBlob(v.toByteArray().toStdString());
    default:
        return engine::Value::fromText(utf8(v.toString()));
    }
}

// A fetched row straight into the layer's cells: the engine's text is
// copied once, into the row's byte buffer.
class CellSink final : public engine::RowSink {
public:
    CellSink(DbCellRow &row, const QList<DbColumn> &columns) : m_row(row), m_columns(columns) {}
    void null(int column) override { m_row.cells[size_t(column)].kind = DbCell::Kind::Null; }
    void integer(int column, std::int64_t v) override
    {
        DbCell &c = m_row.cells[size_t(column)];
        const DbFieldType type = m_columns[column].type;
        c.kind = type == DbFieldType::Date      ? DbCell::Kind::Date
            : type == DbFieldType::Boolean ? DbCell::Kind::Boolean
                                           : DbCell::Kind::Integer;
        c.integer = c.kind == DbCell::Kind::Boolean ? v != 0 : v;
    }
    void real(int column, double v) override
    {
        DbCell &c = m_row.cells[size_t(column)];
        c.kind = DbCell::Kind::Float;
        c.real = v;
    }
    void text(int column, std::string_view v) override { buffered(column, DbCell::Kind::Text, v); }
    void blob(int column, std::string_view v) override { buffered(column, DbCell::Kind::Bytes, v); }

private:
    void buffered(int column, DbCell::Kind kind, std::string_view v)
    {
        DbCell &c = m_row.cells[size_t(column)];
        c.kind = kind;
        c.offset = qsizetype(m_row.bytes.size());
        c.size = qsizetype(v.size());
        m_row.bytes.append(v);
    }
    DbCellRow &m_row;
    const QList<DbColumn> &m_columns;
};

class EmbeddedCursor : public IDbCursor {
public:
    EmbeddedCursor(std::unique_ptr<engine::Statement> stmt, std::string text)
        : m_stmt(std::move(stmt)), m_text(std::move(text))
    {
        for (const auto &c : m_stmt->columns())
            m_columns << toColumn(c);
    }
    const QList<DbColumn> &columns() const override { return m_columns; }
    bool fetch(QVariantList &row) override
    {
        try {
            if (!m_stmt->next())
                return false;
            row.clear();
            row.reserve(m_columns.size());
            for (int i = 0; i < m_columns.size(); ++i)
                row << toVariant(m_stmt->value(i), m_columns[i]);
            return true;
        } catch (const engine::EngineError &e) {
            rethrow(e, m_text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }
    bool fetchCells(DbCellRow &row) override
    {
        try {
            // Cells overwritten in place: the row keeps its size from row to row.
            row.bytes.clear();
            if (!row.variants.isEmpty())
                row.variants.clear();
            row.cells.resize(size_t(m_columns.size()));
            CellSink sink(row, m_columns);
            return m_stmt->next(sink);
        } catch (const engine::EngineError &e) {
            rethrow(e, m_text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }

private:
    std::unique_ptr<engine::Statement> m_stmt;
    std::string m_text;
    QList<DbColumn> m_columns;
};

class EmbeddedStatement : public IDbStatement {
public:
    EmbeddedStatement(std::unique_ptr<engine::Statement> stmt, std::string text)
        : m_stmt(std::move(stmt)), m_text(std::move(text)) {}
    void execute(const QVariantList &values) override
    {
        try {
            const int count = m_stmt->parameterCount();
            for (int i = 0; i < count; ++i)
                m_stmt->bind(i, i < values.size() ? toValue(values[i]) : engine::Value::null());
            m_stmt->execute();
        } catch (const engine::EngineError &e) {
            rethrow(e, m_text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }
    // One value reused for every parameter: binding copies it into buffers
    // the statement keeps, so text costs no allocation from row to row.
    void execute(const DbCellRow &values) override
    {
        try {
            const int count = m_stmt->parameterCount();
            for (int i = 0; i < count; ++i) {
                engine::Value &v = m_value;
                const DbCell c = size_t(i) < values.cells.size() ? values.cells[size_t(i)] : DbCell{};
                switch (c.kind) {
                case DbCell::Kind::Null:
                    v.kind = engine::Value::Kind::Null;
                    break;
                case DbCell::Kind::Integer:
                case DbCell::Kind::Date:
                case DbCell::Kind::Boolean:
                    v.kind = engine::Value::Kind::Integer;
                    v.integer = c.integer;
                    break;
                case DbCell::Kind::Float:
                    v.kind = engine::Value::Kind::Float;
                    v.real = c.real;
                    break;
                case DbCell::Kind::Text:
                case DbCell::Kind::Bytes:
                    v.kind = c.kind == DbCell::Kind::Text ? engine::Value::Kind::Text : engine::Value::Kind::Blob;
                    v.text.assign(values.bytes, size_t(c.offset), size_t(c.size));
                    break;
                case DbCell::Kind::Variant:
                    v = toValue(values.variant(i));
                    break;
                }
                m_stmt->bind(i, v);
            }
            m_stmt->execute();
        } catch (const engine::EngineError &e) {
            rethrow(e, m_text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }

private:
    std::unique_ptr<engine::Statement> m_stmt;
    std::string m_text;
    engine::Value m_value;
};

class EmbeddedConnection : public IDbConnection {
public:
    explicit EmbeddedConnection(std::unique_ptr<engine::Session> session) : m_session(std::move(session)) {}

    std::unique_ptr<IDbCursor> execute(const QString &sql, const QList<DbParam> &params) override
    {
        m_rows = 0;
        m_errorOffset = -1;
        const std::string text = utf8(sql);
        try {
            auto stmt = m_session->prepare(text);
            int positional = 0;
            for (int i = 0; i < stmt->parameterCount(); ++i)
                stmt->bind(i, toValue(valueFor(params, fromUtf8(stmt->parameterName(i)), positional)));
            stmt->execute();
            if (stmt->hasResultSet())
                return std::make_unique<EmbeddedCursor>(std::move(stmt), text);
            m_rows = stmt->rowsAffected();
            return nullptr;
        } catch (const engine::EngineError &e) {
            m_errorOffset = characterOffset(text, e.offset());
            rethrow(e, text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }
    qint64 rowsAffected() const override { return m_rows; }
    bool delimitedIdentifiers() const override { return m_session->environment().delimident; }
    std::unique_ptr<IDbStatement> prepare(const QString &sql) override
    {
        const std::string text = utf8(sql);
        try {
            return std::make_unique<EmbeddedStatement>(m_session->prepare(text), text);
        } catch (const engine::EngineError &e) {
            rethrow(e, text);
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }
    void interrupt() override { m_session->interrupt(); }
    void clearInterrupt() override { m_session->clearInterrupt(); }
    // A whole script of statements, as the engine runs it.
    void runScript(const std::string &script)
    {
        try {
            m_session->execute(script);
        } catch (const engine::EngineError &e) {
            rethrow(e, {});
        } catch (const std::exception &e) {
            rethrowOther(e);
        }
    }
    bool hasRowids(const QString &owner, const QString &table) override
    {
        try {
            auto stmt = m_session->prepare(utf8(owner.isEmpty()
                ? QStringLiteral("select tabtype from systables where tabname = :tab")
                : QStringLiteral("select tabtype from systables where tabname = :tab and owner = :owner")));
            stmt->bind("tab", engine::Value::fromText(utf8(table)));
            if (!owner.isEmpty())
                stmt->bind("owner", engine::Value::fromText(utf8(owner)));
            stmt->execute();
            // Temporary tables are not in systables; they are tables all the same.
            if (!stmt->next())
                return true;
            const std::string type = stmt->value(0).text;
            return type == "T" || type == "S" || type == "P";
        } catch (const std::exception &) {
            return false;
        }
    }
    QStringList uniqueKey(const QString &owner, const QString &table) override
    {
        const std::string name = utf8(table);
        QString parts;
        for (int i = 1; i <= 16; ++i)
            parts += QStringLiteral("%1i.part%2").arg(i > 1 ? QStringLiteral(", ") : QString()).arg(i);
        const QString ownerTerm = owner.isEmpty() ? QString() : QStringLiteral(" and t.owner = :owner");
        // The primary key first, else the first unique index by name.
        const QString primary = QStringLiteral(
            "select t.tabid, %1 from systables t, sysconstraints c, sysindexes i"
            " where t.tabname = :tab%2 and c.tabid = t.tabid and c.constrtype = 'P'"
            " and i.tabid = t.tabid and i.idxname = c.idxname").arg(parts, ownerTerm);
        const QString unique = QStringLiteral(
            "select t.tabid, %1 from systables t, sysindexes i"
            " where t.tabname = :tab%2 and i.tabid = t.tabid and i.idxtype = 'U'"
            " order by i.idxname").arg(parts, ownerTerm);
        try {
            for (const QString &sql : {primary, unique}) {
                auto stmt = m_session->prepare(utf8(sql));
                stmt->bind("tab", engine::Value::fromText(name));
                if (!owner.isEmpty())
                    stmt->bind("owner", engine::Value::fromText(utf8(owner)));
                stmt->execute();
                if (!stmt->next())
                    continue;
                const std::int64_t tabid = stmt->value(0).integer;
                std::vector<std::int64_t> colnos;
                for (int i = 1; i <= 16; ++i)
                    if (!stmt->value(i).isNull() && stmt->value(i).integer != 0)
                        colnos.push_back(std::abs(stmt->value(i).integer));
                stmt->close();
                QStringList columns;
                for (const std::int64_t colno : colnos) {
                    auto col = m_session->prepare("select colname from syscolumns where tabid = :t and colno = :c");
                    col->bind("t", engine::Value::fromInt(tabid));
                    col->bind("c", engine::Value::fromInt(colno));
                    col->execute();
                    if (!col->next())
                        return {};
                    columns << trimmedText(col->value(0).text);
                }
                return columns;
            }
        } catch (const std::exception &) {
        }
        return {};
    }
    DbSqlca sqlca() const override
    {
        const engine::Sqlca &s = m_session->sqlca();
        DbSqlca d;
        d.sqlcode = s.sqlcode;
        d.sqlerrm = fromUtf8(s.sqlerrm);
        for (int i = 0; i < 6; ++i)
            d.sqlerrd[i] = s.sqlerrd[i];
        d.sqlerrd[4] = m_errorOffset;
        return d;
    }
    DbFormatting formatting() const override
    {
        const engine::Environment &env = m_session->environment();
        return DbFormatting{fromUtf8(env.dbdate), fromUtf8(env.dbmoney)};
    }

private:
    static QVariant valueFor(const QList<DbParam> &params, const QString &name, int &positional)
    {
        int skip = positional;
        for (const DbParam &p : params) {
            if (name.isEmpty() ? (p.name.isEmpty() && skip-- == 0)
                               : p.name.compare(name, Qt::CaseInsensitive) == 0) {
                if (name.isEmpty())
                    ++positional;
                return p.value;
            }
        }
        if (name.isEmpty())
            ++positional;
        return {};
    }

    std::unique_ptr<engine::Session> m_session;
    qint64 m_rows = 0;
    int m_errorOffset = -1;
};

[[noreturn]] void connectFailure(const QString &message)
{
    throw DbEngineError(message, {{kDbErrConnect, 0, message}});
}

// The database file and the files SQLite keeps beside it.
void removeDatabaseFiles(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

EmbeddedDriver::EmbeddedDriver(QString dataFolder)
    : m_dataFolder(std::move(dataFolder))
{
}

QString EmbeddedDriver::folder() const
{
    return m_dataFolder.isEmpty() ? DataFolder() : m_dataFolder;
}

QString EmbeddedDriver::databasePath(const QString &databaseName) const
{
    return folder() + QLatin1Char('/') + databaseName + QStringLiteral(".db");
}

void EmbeddedDriver::createDatabase(const QString &name, const QString &user,
                                    const std::function<void(IDbConnection &)> &fill) const
{
    if (!isValidDatabaseName(name))
        connectFailure(QStringLiteral("Invalid database name: %1").arg(name));
    const QString path = databasePath(name);
    QDir().mkpath(folder());
    // What a killed run left behind is no database anybody has used.
    const QDir dir(folder());
    for (const QString &leftover : dir.entryList({name + QStringLiteral(".db.*building*")}, QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(leftover));
    const QString building = QStringLiteral("%1.%2.building")
                                 .arg(path)
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    try {
        if (QFileInfo::exists(path))
            engine::raise(-330, utf8(path));
        engine::Session::createDatabase(utf8(building), utf8(user));
        {
            EmbeddedConnection connection(engine::Session::open(utf8(building), utf8(user)));
            if (fill)
                fill(connection);
        }
        // Closing the last connection moved everything from the write-ahead
        // log into the file; a log still there would be lost by the rename.
        if (QFileInfo(building + QStringLiteral("-wal")).size() > 0 || !QFile::rename(building, path))
            engine::raise(-330, utf8(path));
    } catch (const engine::EngineError &e) {
        removeDatabaseFiles(building);
        rethrow(e, {});
    } catch (...) {
        removeDatabaseFiles(building);
        throw;
    }
    removeDatabaseFiles(building);
}

bool EmbeddedDriver::isValidDatabaseName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]{0,127}$"));
    return pattern.match(name).hasMatch();
}

std::unique_ptr<IDbConnection> EmbeddedDriver::connect(const QStringList &params)
{
    const QString name = DbParamValue(params, QStringLiteral("DATABASE NAME")).trimmed();
    if (!isValidDatabaseName(name))
        connectFailure(QStringLiteral("Invalid database name: %1").arg(name));
    QString user = DbParamValue(params, QStringLiteral("USER NAME")).trimmed();
    if (user.isEmpty())
        user = GetLoginUserName();
    const QString path = databasePath(name);
    QDir().mkpath(folder());
    engine::Environment env;
    const QString server = DbParamValue(params, QStringLiteral("SERVER NAME")).trimmed();
    if (!server.isEmpty())
        env.informixServer = utf8(server);
    if (!qEnvironmentVariableIsEmpty("DBDATE"))
        env.dbdate = utf8(qEnvironmentVariable("DBDATE"));
    if (!qEnvironmentVariableIsEmpty("DBMONEY"))
        env.dbmoney = utf8(qEnvironmentVariable("DBMONEY"));
    if (!qEnvironmentVariableIsEmpty("DBCENTURY"))
        env.dbcentury = utf8(qEnvironmentVariable("DBCENTURY"));
    // Informix clients turn delimited identifiers on for any value of DELIMIDENT
    // except n/N (an empty one counts as set).
    if (qEnvironmentVariableIsSet("DELIMIDENT"))
        env.delimident = qEnvironmentVariable("DELIMIDENT").trimmed().compare(QStringLiteral("n"), Qt::CaseInsensitive) != 0;
    const QString explain = ExplainFileIn(folder(), user);
    QDir().mkpath(QFileInfo(explain).absolutePath());
    env.explainFile = utf8(explain);
    const bool demo = DbParamValue(params, QStringLiteral("CREATE DEMO")).trimmed()
                          .compare(QStringLiteral("YES"), Qt::CaseInsensitive) == 0;
    if (demo && !QFileInfo::exists(path)) {
        try {
            // One transaction: a commit per statement waits for the disk each time.
            createDatabase(name, user, [](IDbConnection &c) {
                c.execute(QStringLiteral("BEGIN WORK"), {});
                static_cast<EmbeddedConnection &>(c).runScript(engine::demoScript());
                c.execute(QStringLiteral("COMMIT WORK"), {});
            });
        } catch (const DbEngineError &) {
            // Another program may have made the same demo meanwhile.
            if (!QFileInfo::exists(path))
                throw;
        }
    }
    try {
        return std::make_unique<EmbeddedConnection>(engine::Session::open(utf8(path), utf8(user), env));
    } catch (const engine::EngineError &e) {
        rethrow(e, {});
    } catch (const std::exception &e) {
        if (dynamic_cast<const DbError *>(&e))
            throw;
        rethrowOther(e);
    }
}

} // namespace quodlin
