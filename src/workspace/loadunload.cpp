#include "workspace/loadunload.h"

#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/sqlname.h"
#include "db/sqlnamereader.h"
#include "output/unloadreader.h"
#include "workspace/builtstatement.h"
#include "workspace/statementsplitter.h"

#include <QFile>

namespace quodlin {

namespace {

const QString kSyntaxError = QStringLiteral("A syntax error has occurred.");

[[noreturn]] void syntaxError(int offset)
{
    throw DbEngineError(kSyntaxError, {{kDbErrServer, -201, kSyntaxError}}, offset);
}

// Reads the words, strings and punctuation of one client statement.
class Scanner {
public:
    explicit Scanner(const QString &text) : m_text(text) {}

    int offset() { skipBlanks(); return m_at; }
    bool atEnd() { skipBlanks(); return m_at >= m_text.size(); }

    // The next word (letters, digits, _ $ . : @) or nothing.
    QString word()
    {
        skipBlanks();
        const int start = m_at;
        while (m_at < m_text.size() && isWordChar(m_text[m_at]))
            ++m_at;
        return m_text.mid(start, m_at - start);
    }
    bool keyword(const char *expected)
    {
        const int start = offset();
        if (word().compare(QLatin1String(expected), Qt::CaseInsensitive) == 0)
            return true;
        m_at = start;
        return false;
    }
    void require(const char *expected)
    {
        const int start = offset();
        if (!keyword(expected))
            syntaxError(start);
    }
    // A quoted string ('' or "" doubling its quote).
    QString string()
    {
        const int start = offset();
        if (m_at >= m_text.size() || (m_text[m_at] != QLatin1Char('\'') && m_text[m_at] != QLatin1Char('"')))
            syntaxError(start);
        const QChar quote = m_text[m_at++];
        QString value;
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at++];
            if (c != quote) {
                value += c;
            } else if (m_at < m_text.size() && m_text[m_at] == quote) {
                value += c;
                ++m_at;
            } else {
                return value;
            }
        }
        syntaxError(start);
    }
    // [owner.]name, each plain or in double quotes (the owner also in single ones).
    SqlQualifiedName qualifiedName()
    {
        const int start = offset();
        const std::optional<SqlQualifiedName> name = ReadSqlQualifiedName(m_text, start);
        if (!name)
            syntaxError(start);
        m_at = int(name->end);
        return *name;
    }
    // A name without owner.
    QString name()
    {
        const int start = offset();
        const SqlQualifiedName name = qualifiedName();
        if (!name.owner.isEmpty())
            syntaxError(start);
        return name.name;
    }
    bool punct(QChar c)
    {
        if (offset() < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

private:
    static bool isWordChar(QChar c)
    {
        return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('.')
            || c == QLatin1Char(':') || c == QLatin1Char('@');
    }
    void skipBlanks()
    {
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at];
            if (c.isSpace()) {
                ++m_at;
            } else if (m_text.mid(m_at, 2) == QLatin1String("--")) {
                const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_at);
                m_at = end < 0 ? int(m_text.size()) : int(end);
            } else if (c == QLatin1Char('{')) {
                const qsizetype end = m_text.indexOf(QLatin1Char('}'), m_at);
                m_at = end < 0 ? int(m_text.size()) : int(end) + 1;
            } else if (m_text.mid(m_at, 2) == QLatin1String("/*")) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_at + 2);
                m_at = end < 0 ? int(m_text.size()) : int(end) + 2;
            } else {
                return;
            }
        }
    }

    const QString &m_text;
    int m_at = 0;
};

QChar delimiterClause(Scanner &s)
{
    if (!s.keyword("DELIMITER"))
        return DefaultUnloadDelimiter();
    const int at = s.offset();
    const QString d = s.string();
    if (d.size() != 1 || d[0].unicode() > 0x7F || !IsValidUnloadDelimiter(d[0]))
        throw DbEngineError(QStringLiteral("The delimiter must be one character other than a blank, a backslash, "
                                           "a line end or a hexadecimal digit."),
                            {{kDbErrServer, -201, kSyntaxError}}, at);
    return d[0];
}

// A failure in the SELECT of an UNLOAD, its offset counted in the whole statement.
[[noreturn]] void rethrowShifted(const DbEngineError &e, int by)
{
    throw DbEngineError(e.message(), e.stack(), e.errorOffset() >= 0 ? e.errorOffset() + by : -1);
}

ClientRunResult runUnload(DbSession &session, const QString &databaseName, const ClientStatement &st,
                          const ExportProgress &progress)
{
    DbQuery query(session);
    query.setDatabaseName(databaseName);
    query.setSql(st.select);
    query.setForwardOnly(true);
    try {
        query.open();
    } catch (const DbNoResultSet &) {
        throw DbError(QStringLiteral("UNLOAD needs a statement that returns rows."));
    } catch (const DbEngineError &e) {
        rethrowShifted(e, st.selectOffset);
    }
    ExportOptions options;
    options.format = ExportFormat::Unload;
    options.delimiter = st.delimiter;
    const ExportResult result = WriteQueryToFile(query, st.fileName, options, progress);
    if (result.failure) {
        try {
            std::rethrow_exception(result.failure);
        } catch (const DbEngineError &e) {
            rethrowShifted(e, st.selectOffset);
        }
    }
    if (result.stopped)
        throw DbError(QStringLiteral("UNLOAD stopped; %1 was not written.").arg(st.fileName));
    return {result.records, QStringLiteral("%1 row(s) unloaded.").arg(result.records)};
}

[[noreturn]] void loadFailure(const std::exception &cause, qint64 line, int field, const QString &column,
                              WorkTransaction tx, qint64 loaded)
{
    QString where = QStringLiteral("LOAD stopped at line %1").arg(line);
    if (field > 0)
        where += QStringLiteral(", field %1 (%2)").arg(field).arg(column);
    if (tx == WorkTransaction::Own)
        where += QStringLiteral("; no rows were loaded.");
    else if (tx == WorkTransaction::Users)
        where += QStringLiteral("; %1 row(s) before it are in the open transaction.").arg(loaded);
    else
        where += QStringLiteral("; %1 row(s) before it were loaded.").arg(loaded);
    QList<DbErrorEntry> stack;
    if (const auto *engine = dynamic_cast<const DbEngineError *>(&cause))
        stack = engine->stack();
    else
        stack << DbErrorEntry{kDbErrDriver, 0, QString::fromUtf8(cause.what())};
    stack << DbErrorEntry{kDbErrDriver, 0, where};
    throw DbEngineError(where, stack);
}

// The 1-based field of an INSERT failure: the '?' the server's offset points
// at, else the first value its column type refuses, else for a NULL refused
// by a NOT NULL column (which gives neither) the first NULL whose column
// takes none, or the column -391's message names; 0 when nothing tells.
int faultyField(const std::exception &failure, const QList<int> &markOffsets, const QVariantList &values,
                const QList<DbColumn> &columns, const DbFormatting &fmt)
{
    const auto *engine = dynamic_cast<const DbEngineError *>(&failure);
    if (engine) {
        const int at = markOffsets.indexOf(engine->errorOffset());
        if (at >= 0)
            return at + 1;
    }
    for (int i = 0; i < values.size() && i < columns.size(); ++i) {
        if (!values[i].isValid() || columns[i].type == DbFieldType::Blob)
            continue;
        try {
            DbParseEditText(columns[i], values[i].toString(), fmt);
        } catch (const DbError &) {
            return i + 1;
        }
    }
    for (int i = 0; i < values.size() && i < columns.size(); ++i)
        if (!values[i].isValid() && !columns[i].nullable)
            return i + 1;
    if (!engine || engine->nativeCode() != -391)
        return 0;
    // "Cannot insert a null into column (table.column)."
    const QString message = engine->stack().first().message;
    const qsizetype open = message.lastIndexOf(QLatin1Char('('));
    const qsizetype close = message.indexOf(QLatin1Char(')'), open);
    if (open < 0 || close < 0)
        return 0;
    const QString named = message.mid(open + 1, close - open - 1).section(QLatin1Char('.'), -1);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(named, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

ClientRunResult runLoad(DbSession &session, const QString &databaseName, const ClientStatement &st,
                        const ExportProgress &progress)
{
    DbDatabase *db = session.findDatabase(databaseName);
    if (!db)
        throw DbError(QStringLiteral("Unknown database '%1'").arg(databaseName));
    db->open();
    IDbConnection &connection = *db->connection();
    const SqlNameStyle style = SqlNameStyleOf(&connection);
    QStringList columnNames;
    for (const QString &column : st.columns)
        columnNames << SqlName(column, style);
    const QString columnList = columnNames.join(QStringLiteral(", "));
    // The target's columns, their types telling how the file's texts convert.
    QList<DbColumn> columns;
    DbFormatting fmt;
    {
        DbQuery describe(session);
        describe.setDatabaseName(databaseName);
        describe.setSql(QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0")
                            .arg(columnList.isEmpty() ? QStringLiteral("*") : columnList, SqlName(st.owner, st.table, style)));
        describe.open();
        for (int i = 0; i < describe.fieldCount(); ++i)
            columns << describe.field(i).column();
        fmt = describe.formatting();
    }
    QString insert = QStringLiteral("INSERT INTO ") + SqlName(st.owner, st.table, style);
    if (!columnList.isEmpty())
        insert += QStringLiteral(" (") + columnList + QLatin1Char(')');
    insert += QStringLiteral(" VALUES (");
    QList<int> markOffsets;
    for (int i = 0; i < columns.size(); ++i) {
        if (i > 0)
            insert += QStringLiteral(", ");
        markOffsets << int(insert.size());
        insert += QLatin1Char('?');
    }
    insert += QLatin1Char(')');

    QFile file(st.fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot open %1: %2").arg(st.fileName, file.errorString()));

    const std::unique_ptr<IDbStatement> statement = connection.prepare(insert);
    const WorkTransaction tx = BeginWork(connection);
    bool open = tx == WorkTransaction::Own;
    auto rollback = [&] {
        if (!open)
            return;
        open = false;
        try {
            connection.execute(QStringLiteral("ROLLBACK WORK"), {});
        } catch (const std::exception &) {
        }
    };

    UnloadReader reader(file, st.delimiter);
    DbCellRow values;
    qint64 loaded = 0;
    try {
        while (reader.next(values)) {
            if (values.cells.size() != size_t(columns.size())) {
                const QString message = QStringLiteral("Number of values in load file is not equal to number of "
                                                       "columns (%1 values, %2 columns).")
                                            .arg(values.cells.size())
                                            .arg(columns.size());
                rollback();
                loadFailure(DbEngineError(message, {{kDbErrServer, -846, message}}), reader.recordLine(), 0, {}, tx,
                            loaded);
            }
            for (int i = 0; i < columns.size(); ++i) {
                DbCell &cell = values.cells[size_t(i)];
                if (columns[i].type != DbFieldType::Blob || cell.kind == DbCell::Kind::Null)
                    continue;
                // The bytes go after the record's texts.
                const QByteArray bytes = QByteArray::fromHex(values.view(cell).toByteArray());
                if (bytes.size() * 2 != cell.size) {
                    rollback();
                    loadFailure(DbError(QStringLiteral("A BYTE value must be hexadecimal digits.")),
                                reader.recordLine(), i + 1, columns[i].name, tx, loaded);
                }
                cell = {DbCell::Kind::Bytes, 0, 0, qsizetype(values.bytes.size()), bytes.size()};
                values.bytes.append(bytes.constData(), size_t(bytes.size()));
            }
            try {
                statement->execute(values);
            } catch (const std::exception &failure) {
                rollback();
                QVariantList texts;
                for (int i = 0; i < int(values.cells.size()); ++i)
                    texts << values.variant(i);
                const int field = faultyField(failure, markOffsets, texts, columns, fmt);
                loadFailure(failure, reader.recordLine(), field, field > 0 ? columns[field - 1].name : QString(), tx,
                            loaded);
            }
            ++loaded;
            if (loaded % 256 == 0 && progress && !progress(loaded)) {
                rollback();
                throw DbError(tx == WorkTransaction::Own
                                  ? QStringLiteral("LOAD stopped; no rows were loaded.")
                                  : QStringLiteral("LOAD stopped after %1 row(s).").arg(loaded));
            }
        }
    } catch (...) {
        rollback();
        throw;
    }
    if (open) {
        try {
            connection.execute(QStringLiteral("COMMIT WORK"), {});
        } catch (...) {
            rollback();
            throw;
        }
    }
    return {loaded, QStringLiteral("%1 row(s) loaded.").arg(loaded)};
}

} // namespace

std::optional<ClientStatement> ParseClientStatement(const QString &statement)
{
    Scanner s(statement);
    ClientStatement st;
    if (s.keyword("UNLOAD")) {
        st.kind = ClientStatement::Kind::Unload;
        s.require("TO");
        st.fileName = s.string();
        st.delimiter = delimiterClause(s);
        st.selectOffset = s.offset();
        if (!s.keyword("SELECT"))
            syntaxError(st.selectOffset);
        st.select = statement.mid(st.selectOffset);
        return st;
    }
    if (!s.keyword("LOAD"))
        return std::nullopt;
    st.kind = ClientStatement::Kind::Load;
    s.require("FROM");
    st.fileName = s.string();
    st.delimiter = delimiterClause(s);
    s.require("INSERT");
    s.require("INTO");
    const SqlQualifiedName table = s.qualifiedName();
    st.owner = table.owner;
    st.table = table.name;
    if (s.punct(QLatin1Char('('))) {
        do
            st.columns << s.name();
        while (s.punct(QLatin1Char(',')));
        if (!s.punct(QLatin1Char(')')))
            syntaxError(s.offset());
    }
    if (!s.atEnd())
        syntaxError(s.offset());
    return st;
}

bool HasClientStatement(const QList<SqlStatementSpan> &statements)
{
    for (const SqlStatementSpan &span : statements) {
        Scanner s(span.text);
        if (s.keyword("UNLOAD") || s.keyword("LOAD"))
            return true;
    }
    return false;
}

ClientRunResult RunClientStatement(DbSession &session, const QString &databaseName, const ClientStatement &statement,
                                   const ExportProgress &progress)
{
    return statement.kind == ClientStatement::Kind::Unload ? runUnload(session, databaseName, statement, progress)
                                                           : runLoad(session, databaseName, statement, progress);
}

} // namespace quodlin
