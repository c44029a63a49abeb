#include "workspace/queryhistory.h"

#include "app/settingdefs.h"
#include "app/settings.h"
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbtypes.h"
#include "workspace/queryexec.h"
#include "workspace/sqlsyntax.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QThreadPool>
#include <QtDebug>

#include <sqlite3.h>

#include <atomic>

namespace quodlin {

namespace {

// The server's "Statement interrupted by user." that Stop leads to.
constexpr int kInterruptedError = -213;
// A second program writing at the same moment holds the lock for a few
// milliseconds; a store locked longer than this is given up for the entry.
constexpr int kBusyTimeoutMs = 5000;

const char *const kSchema =
    "CREATE TABLE IF NOT EXISTS history ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started INTEGER NOT NULL,"
    " connection TEXT NOT NULL,"
    " text TEXT NOT NULL,"
    " duration_ms INTEGER NOT NULL,"
    " rows INTEGER,"
    " more_rows INTEGER NOT NULL DEFAULT 0,"
    " outcome INTEGER NOT NULL,"
    " error_code INTEGER NOT NULL DEFAULT 0,"
    " error_message TEXT NOT NULL DEFAULT '')";

// One prepared statement, finalized on leaving the scope.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql) : m_db(db)
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
            throw HistoryError(QStringLiteral("Query history: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int i, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 value) { sqlite3_bind_int64(m_stmt, i, value); }
    void bindNull(int i) { sqlite3_bind_null(m_stmt, i); }
    void reset() { sqlite3_reset(m_stmt); }
    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw HistoryError(QStringLiteral("Query history: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
        return false;
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

QString likePattern(const QString &part)
{
    QString escaped = part;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

QString HistoryStorePath() { return SettingsFolder() + QStringLiteral("/history.db"); }

QString RedactSecrets(const QString &sql)
{
    // The code with comments and literals blanked, and where the literals are.
    struct Span {
        qsizetype start;
        qsizetype end;
    };
    QList<Span> literals;
    QString code = sql;
    int state = SqlStateNormal;
    for (qsizetype lineStart = 0; lineStart <= sql.size();) {
        qsizetype lineEnd = sql.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = sql.size();
        const bool stringGoesOn = state == SqlStateSingleQuote || state == SqlStateDoubleQuote;
        QList<SqlToken> tokens;
        state = TokenizeSqlLine(QStringView(sql).mid(lineStart, lineEnd - lineStart), state, tokens);
        for (const SqlToken &token : tokens) {
            if (token.kind == SqlTokenKind::Keyword)
                continue;
            const qsizetype start = lineStart + token.start;
            const qsizetype end = start + token.length;
            for (qsizetype i = start; i < end; ++i)
                code[i] = QLatin1Char(' ');
            if (token.kind == SqlTokenKind::Comment)
                continue;
            // A string over several lines is one literal.
            if (token.start == 0 && stringGoesOn && !literals.isEmpty())
                literals.last().end = end;
            else
                literals.append({start, end});
        }
        lineStart = lineEnd + 1;
    }
    static const QRegularExpression secret(QStringLiteral("\\b(?:PASSWORD|IDENTIFIED\\s+BY)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (!secret.match(code).hasMatch())
        return sql;
    QString kept;
    qsizetype at = 0;
    for (const Span &span : literals) {
        kept += QStringView(sql).mid(at, span.start - at);
        kept += QLatin1Char('?');
        at = span.end;
    }
    kept += QStringView(sql).mid(at);
    return kept;
}

QString HistoryOutcomeText(const HistoryEntry &entry)
{
    switch (entry.outcome) {
    case HistoryOutcome::Ok:
        return QStringLiteral("ok");
    case HistoryOutcome::Stopped:
        return QStringLiteral("stopped");
    case HistoryOutcome::Error:
        break;
    }
    QString text = QStringLiteral("error");
    if (entry.errorCode)
        text += QLatin1Char(' ') + QString::number(entry.errorCode);
    if (!entry.errorMessage.isEmpty())
        text += QStringLiteral(": ") + entry.errorMessage;
    return text;
}

QString HistoryRowsText(const HistoryEntry &entry)
{
    if (entry.rows < 0)
        return {};
    return QStringLiteral("%1%2 row%3")
        .arg(entry.rows)
        .arg(entry.moreRows ? QStringLiteral("+") : QString())
        .arg(entry.rows == 1 && !entry.moreRows ? QString() : QStringLiteral("s"));
}

QString HistoryFirstLine(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
    for (const QString &line : text.split(lineEnd))
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    return {};
}

QString HistoryConnectionName(const DbDatabase &database)
{
    if (!database.aliasName().isEmpty())
        return database.aliasName();
    return DbParamValue(database.params(), QStringLiteral("SERVER NAME")) + QLatin1Char('\\')
        + DbParamValue(database.params(), QStringLiteral("DATABASE NAME"));
}

void NoteHistoryFailure(HistoryEntry &entry, const std::exception &failure)
{
    const FailureSummary summary = SummarizeFailure(failure);
    entry.errorCode = summary.code;
    entry.errorMessage = summary.message;
    entry.outcome = summary.code == kInterruptedError ? HistoryOutcome::Stopped : HistoryOutcome::Error;
}

HistoryEntry HistoryEntryOfRun(const QString &connection, const ExecPlan &plan, const ExecOutcome &outcome)
{
    HistoryEntry entry;
    entry.text = RedactSecrets(plan.sql);
    entry.connection = connection;
    entry.started = outcome.started.isValid() ? outcome.started : QDateTime::currentDateTimeUtc();
    entry.durationMs = outcome.elapsedMs;
    entry.rows = outcome.rows;
    entry.moreRows = outcome.moreRows;
    entry.errorCode = outcome.errorCode;
    entry.errorMessage = outcome.errorMessage;
    if (outcome.result == ExecResult::Failed)
        entry.outcome = outcome.errorCode == kInterruptedError ? HistoryOutcome::Stopped : HistoryOutcome::Error;
    else if (outcome.textStopped)
        entry.outcome = HistoryOutcome::Stopped;
    return entry;
}

// ---- the store ----------------------------------------------------------------

HistoryStore::HistoryStore(const QString &path)
{
    // Owner-only like the settings file; SQLite gives its WAL files the same mode.
    if (!QFile::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw HistoryError(QStringLiteral("Cannot open the query history %1: %2").arg(path, reason));
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    try {
        exec("PRAGMA journal_mode=WAL");
        // WAL with NORMAL sync cannot corrupt; a power cut may lose the last
        // entries, which is worth an entry costing 2 ms instead of 10.
        exec("PRAGMA synchronous=NORMAL");
        exec(kSchema);
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

HistoryStore::~HistoryStore() { sqlite3_close(m_db); }

void HistoryStore::exec(const char *sql) const
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return;
    const QString reason = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
    sqlite3_free(message);
    throw HistoryError(QStringLiteral("Query history: %1").arg(reason));
}

void HistoryStore::add(const HistoryEntry &entry, int keep)
{
    // IMMEDIATE takes the write lock at once, so two writers queue up on the
    // busy timeout instead of failing on a lock upgrade.
    exec("BEGIN IMMEDIATE");
    try {
        Statement insert(m_db, QStringLiteral("INSERT INTO history (started, connection, text, duration_ms, rows,"
                                              " more_rows, outcome, error_code, error_message)"
                                              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        insert.bind(1, entry.started.toMSecsSinceEpoch());
        insert.bind(2, entry.connection);
        insert.bind(3, entry.text);
        insert.bind(4, entry.durationMs);
        if (entry.rows < 0)
            insert.bindNull(5);
        else
            insert.bind(5, entry.rows);
        insert.bind(6, qint64(entry.moreRows));
        insert.bind(7, qint64(entry.outcome));
        insert.bind(8, qint64(entry.errorCode));
        insert.bind(9, entry.errorMessage);
        insert.step();
        Statement trim(m_db, QStringLiteral("DELETE FROM history WHERE id <= "
                                            "(SELECT id FROM history ORDER BY id DESC LIMIT 1 OFFSET ?)"));
        trim.bind(1, qint64(qMax(keep, 0)));
        trim.step();
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QList<HistoryEntry> HistoryStore::find(const HistoryFilter &filter) const
{
    QString sql = QStringLiteral("SELECT id, started, connection, text, duration_ms, rows, more_rows, outcome,"
                                 " error_code, error_message FROM history WHERE 1 = 1");
    if (!filter.text.isEmpty())
        sql += QStringLiteral(" AND text LIKE ?1 ESCAPE '\\'");
    if (!filter.connection.isEmpty())
        sql += QStringLiteral(" AND connection = ?2");
    if (filter.outcome)
        sql += QStringLiteral(" AND outcome = ?3");
    sql += QStringLiteral(" ORDER BY id DESC");
    if (filter.limit > 0)
        sql += QStringLiteral(" LIMIT ?4");
    Statement select(m_db, sql);
    if (!filter.text.isEmpty())
        select.bind(1, likePattern(filter.text));
    if (!filter.connection.isEmpty())
        select.bind(2, filter.connection);
    if (filter.outcome)
        select.bind(3, qint64(*filter.outcome));
    if (filter.limit > 0)
        select.bind(4, qint64(filter.limit));
    QList<HistoryEntry> entries;
    while (select.step()) {
        HistoryEntry &entry = entries.emplace_back();
        entry.id = select.integer(0);
        entry.started = QDateTime::fromMSecsSinceEpoch(select.integer(1), Qt::UTC);
        entry.connection = select.text(2);
        entry.text = select.text(3);
        entry.durationMs = select.integer(4);
        entry.rows = select.isNull(5) ? -1 : select.integer(5);
        entry.moreRows = select.integer(6) != 0;
        entry.outcome = HistoryOutcome(qBound(0, int(select.integer(7)), 2));
        entry.errorCode = int(select.integer(8));
        entry.errorMessage = select.text(9);
    }
    return entries;
}

QStringList HistoryStore::connections() const
{
    Statement select(m_db, QStringLiteral("SELECT DISTINCT connection FROM history ORDER BY connection"));
    QStringList names;
    while (select.step())
        names << select.text(0);
    return names;
}

void HistoryStore::remove(const QList<qint64> &ids)
{
    exec("BEGIN IMMEDIATE");
    try {
        Statement erase(m_db, QStringLiteral("DELETE FROM history WHERE id = ?"));
        for (const qint64 id : ids) {
            erase.reset();
            erase.bind(1, id);
            erase.step();
        }
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryStore::clear() { exec("DELETE FROM history"); }

// ---- recording ------------------------------------------------------------------

namespace {

QThreadPool &writer()
{
    // One thread: entries go in in the order they were recorded.
    // Its destruction at exit waits for the entries still queued.
    static QThreadPool pool;
    static const bool oneThread = (pool.setMaxThreadCount(1), true);
    Q_UNUSED(oneThread);
    return pool;
}

} // namespace

void RecordHistory(const HistoryEntry &entry)
{
    int keep = Settings::HistorySize.def;
    try {
        keep = Settings::read(Settings::HistorySize);
    } catch (const std::exception &) {
    }
    if (keep <= 0)
        return;
    const QString path = HistoryStorePath();
    writer().start([entry, keep, path] {
        static std::atomic<bool> reported{false};
        try {
            HistoryStore(path).add(entry, keep);
        } catch (const std::exception &failure) {
            if (!reported.exchange(true))
                qWarning("%s (further failures of the query history are not reported)", failure.what());
        }
    });
}

void WaitForHistory() { writer().waitForDone(); }

// ---- the dialog's list ------------------------------------------------------------

namespace {

enum Column { ColTime, ColConnection, ColDuration, ColRows, ColOutcome, ColText, ColumnCount };

QString durationText(qint64 ms)
{
    if (ms < 1000)
        return QStringLiteral("%1 ms").arg(ms);
    return QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', ms < 60000 ? 2 : 0);
}

} // namespace

void HistoryTableModel::setEntries(QList<HistoryEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

const HistoryEntry *HistoryTableModel::entryAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    const HistoryEntry *entry = index.isValid() ? entryAt(index.row()) : nullptr;
    if (!entry)
        return {};
    if (role == Qt::TextAlignmentRole && (index.column() == ColDuration || index.column() == ColRows))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == ColOutcome)
        return HistoryOutcomeText(*entry);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColTime:
        return entry->started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case ColConnection:
        return entry->connection;
    case ColDuration:
        return durationText(entry->durationMs);
    case ColRows:
        return HistoryRowsText(*entry);
    case ColOutcome:
        // The message is the tool tip's and the dialog's: the list stays narrow.
        return HistoryOutcomeText(*entry).section(QLatin1Char(':'), 0, 0);
    case ColText:
        return HistoryFirstLine(entry->text);
    default:
        return {};
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const kTitles[] = {"Time", "Connection", "Duration", "Rows", "Outcome", "Statement"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}

} // namespace quodlin
