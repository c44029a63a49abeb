#pragma once
// The query history: every statement text a window or quodlin-cli runs, with
// its connection, start, duration, rows and outcome, kept per user in a small
// SQLite file beside the settings (history.db). The newest "History Size"
// entries stay (10,000 by default; 0 keeps none).
//
// Several programs may write at once: the file is in WAL mode, writers wait
// for each other (busy timeout) and each entry goes in with its trimming in
// one transaction. Recording happens on a writer thread of its own, so a
// slow or broken store never holds up a run; its first failure is logged,
// the rest are dropped quietly.
//
// Secrets: connection passwords are never part of an entry, and a text that
// says PASSWORD or IDENTIFIED BY outside comments and strings is kept with
// every literal replaced by '?'.
#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

struct sqlite3;

namespace quodlin {

class DbDatabase;
struct ExecPlan;
struct ExecOutcome;

enum class HistoryOutcome { Ok = 0, Error = 1, Stopped = 2 };

struct HistoryEntry {
    qint64 id = 0;                 // set by the store
    QString text;
    QString connection;            // alias, or server\database
    QDateTime started;             // UTC
    qint64 durationMs = 0;
    qint64 rows = -1;              // rows read or changed; -1 unknown
    bool moreRows = false;         // the grid had not read every row
    HistoryOutcome outcome = HistoryOutcome::Ok;
    int errorCode = 0;             // the server's error number
    QString errorMessage;
};

struct HistoryFilter {
    QString text;                  // case-insensitive part of the statement
    QString connection;            // empty: every connection
    std::optional<HistoryOutcome> outcome;
    int limit = 0;                 // newest N; 0 all
};

class HistoryError : public std::runtime_error {
public:
    explicit HistoryError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// SettingsFolder()/history.db.
QString HistoryStorePath();

// The text as the history keeps it: unchanged, or with every string and
// number replaced by '?' when it holds PASSWORD or IDENTIFIED BY as words of
// the statement (comments and strings do not count).
QString RedactSecrets(const QString &sql);

// "ok", "error -201: A syntax error has occurred." or "stopped".
QString HistoryOutcomeText(const HistoryEntry &entry);
// "3 rows", "100+ rows", "" when unknown.
QString HistoryRowsText(const HistoryEntry &entry);
// The first line of the text that is not blank.
QString HistoryFirstLine(const QString &text);
// Alias, else server\database from the parameters.
QString HistoryConnectionName(const DbDatabase &database);

// Sets the entry's outcome, error number and message from a failure.
void NoteHistoryFailure(HistoryEntry &entry, const std::exception &failure);
// The entry of a finished run of a window (redacted).
HistoryEntry HistoryEntryOfRun(const QString &connection, const ExecPlan &plan, const ExecOutcome &outcome);

// One open store. Every call raises HistoryError on failure.
class HistoryStore {
public:
    explicit HistoryStore(const QString &path = HistoryStorePath());
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // Adds the entry and drops all but the newest `keep`, in one transaction.
    void add(const HistoryEntry &entry, int keep);
    // Newest first.
    QList<HistoryEntry> find(const HistoryFilter &filter = {}) const;
    QStringList connections() const;
    void remove(const QList<qint64> &ids);
    void clear();

private:
    void exec(const char *sql) const;
    sqlite3 *m_db = nullptr;
};

// Records on the writer thread with the "History Size" of the settings.
void RecordHistory(const HistoryEntry &entry);
// Blocks until every recorded entry is written (tests, program end).
void WaitForHistory();

// The dialog's list: time, connection, duration, rows, outcome, first line.
class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setEntries(QList<HistoryEntry> entries);
    const HistoryEntry *entryAt(int row) const;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<HistoryEntry> m_entries;
};

} // namespace quodlin
