#pragma once
// The engine's implementation of Session and Statement (engine.h): one SQLite
// connection per session (WAL, busy timeout, so several sessions can share a
// file), the session's temp tables and transaction state, SERIAL counters and
// sequences, the translation cache, and the mapping of SQLite failures to
// Informix errors. DDL statements are carried out by the ddl_*.cpp units.
#include "engine/ast.h"
#include "engine/catalog.h"
#include "engine/engine.h"
#include "engine/explain.h"
#include "engine/sqlfunctions.h"
#include "engine/translator.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace quodlin::engine {

namespace spl { class Runtime; }

// Tabids of session temp tables start here so they never meet catalog tabids.
inline constexpr int kTempTabidBase = 0x40000000;

// A statement of the session part way through its rows. SQLite destroys no
// b-tree (DROP TABLE, DROP INDEX, a table ALTER rebuilds) while any statement
// of the connection reads, even an unrelated one, and fails with
// SQLITE_LOCKED; Informix drops regardless. So before such a statement each
// open reader takes its remaining rows into memory and lets go of SQLite,
// and hands them out as before.
class OpenReader {
public:
    virtual void readRest() = 0;

protected:
    ~OpenReader() = default;
};

class SessionImpl : public Session {
public:
    // `readOnly`: the file (or its folder) cannot be written; reads work and
    // a statement fails with -9621 when it would change the file.
    SessionImpl(sqlite3 *db, std::string path, std::string user, const Environment &env, bool readOnly = false);
    ~SessionImpl() override;

    std::unique_ptr<Statement> prepare(const std::string &text) override;
    void execute(const std::string &text) override;
    void interrupt() override;
    void clearInterrupt() override { m_interrupted = false; }
    const Sqlca &sqlca() const override { return m_sqlca; }
    const Environment &environment() const override { return m_env; }
    void setEnvironment(const Environment &env) override;
    const std::string &user() const override { return m_user; }
    const std::string &databasePath() const override { return m_path; }
    std::string databaseName() const override;
    bool inTransaction() const override { return m_inTransaction; }

    // --- for the statement and DDL units
    sqlite3 *db() const { return m_db; }
    Catalog &catalog() { return m_catalog; }
    FunctionContext &functions() { return m_functions; }
    TranslationContext translationContext() { return TranslationContext{m_catalog, m_env, m_user}; }
    std::uint64_t schemaStamp();   // changes with any schema change of the file or the session
    Sqlca &mutableSqlca() { return m_sqlca; }
    // Fills sqlcode, sqlerrm (the message's %s argument), the ISAM code and the offset.
    void recordError(const ErrorInfo &e);
    bool interruptRequested() const { return m_interrupted.load(); }
    ExplainSettings &explainSettings() { return m_explain; }

    // SQLite statements of engine statements that ended, by SQL text and
    // the schema stamp they were prepared under: a query prepared again (a
    // refresh, a script run in a loop) skips SQLite's prepare. A statement
    // waiting here is reset and unbound; the newest 16 are kept.
    sqlite3_stmt *reusePrepared(const std::string &sql, std::uint64_t stamp);
    // Expires with the session: a statement that outlives it must not call it.
    std::weak_ptr<const bool> lifetime() const { return m_lifetime; }
    void keepPrepared(const std::string &sql, std::uint64_t stamp, sqlite3_stmt *st);

    // Parses (cached by text and DELIMIDENT).
    std::shared_ptr<const ast::Script> parse(const std::string &text);
    // Translates statement `index` of `text`, cached by text, schema stamp and environment.
    std::shared_ptr<const Translation> translation(const std::string &text, size_t index,
                                                   const ast::Statement &stmt, std::uint64_t stamp);

    // Runs a statement the translator does not handle (DDL, transactions,
    // session statements). `text` is the whole prepared text.
    void executeOther(const ast::Statement &stmt, const std::string &text);

    // Transactions: BEGIN/COMMIT/ROLLBACK WORK and the savepoint around one
    // statement that must leave no trace when it fails.
    void begin(int offset);
    void commit(int offset);
    void rollback(int offset);
    // A statement that may write takes SQLite's write lock before it reads
    // anything, waiting as SET LOCK MODE says: a deferred transaction that
    // read first cannot wait for the lock later (SQLite refuses at once when
    // another session committed in between). Returns whether it opened a
    // transaction of its own, which endWrite then commits or rolls back;
    // inside BEGIN WORK the lock is already held.
    bool beginWrite(int offset);
    // A failed COMMIT reports as `stmt` would (a full disk: -271 for INSERT).
    void endWrite(bool opened, bool ok, const ast::Statement &stmt);
    bool readOnly() const { return m_readOnly; }
    // SQLite's busy handler: whether to try for a lock once more.
    bool keepWaiting(int attempt);
    void savepoint();
    void releaseSavepoint();
    void rollbackSavepoint();

    // Counters kept in quodlin_counters (tabid, constrid, ...).
    std::int64_t nextCounter(const std::string &name);
    int nextTempTabid() { return kTempTabidBase + ++m_tempCounter; }

    // SERIAL hook and sequences (registered as SQLite functions).
    std::int64_t serialValue(int tabid, int colno, std::int64_t value);
    void setSerialCounter(int tabid, int colno, std::int64_t lastValue);
    // Writes the SERIAL counters held in memory during the transaction back
    // to quodlin_serials and forgets them (before any statement but DML).
    void flushSerialCounters();
    std::int64_t nextval(const std::string &sequence);
    std::int64_t currval(const std::string &sequence);
    std::int64_t lastSerial() const { return m_lastSerial; }
    void resetLastSerial() { m_lastSerial = 0; }
    void restoreLastSerial(std::int64_t value) { m_lastSerial = value; }

    // The SPL interpreter of this session (created on first use).
    spl::Runtime &splRuntime();
    void forgetTemporaryTriggers();
    // After a failed statement: true when SQLite ended the user's transaction
    // (its work is undone); the session then is no longer in one.
    bool syncTransaction();
    // An error raised inside a function SQLite called (an SPL routine); the
    // failing statement reports it instead of SQLite's message.
    void setPendingError(ErrorInfo e) { m_pendingError = std::move(e); }

    // Readers register while they have rows left in SQLite.
    void addReader(OpenReader *r) { m_readers.push_back(r); }
    void removeReader(OpenReader *r) { std::erase(m_readers, r); }
    // Before a statement that destroys storage: every open reader reads its rest.
    void releaseReaders();

    // Maps a SQLite failure of a translated statement to an Informix error.
    [[noreturn]] void raiseSqliteError(int rc, const ast::Statement &stmt, int targetTabid);

private:
    void afterRollback();
    sqlite3 *m_db;
    std::string m_path;
    std::string m_user;
    Environment m_env;
    Catalog m_catalog;
    FunctionContext m_functions;
    Sqlca m_sqlca;
    ExplainSettings m_explain;
    bool m_inTransaction = false;
    bool m_readOnly = false;
    // SET LOCK MODE: milliseconds to wait for a lock, -1 without limit, 0 not at all.
    int m_lockWaitMs = 5000;
    std::chrono::steady_clock::time_point m_waitStart;
    int m_lockIsam = -154;  // ISAM code of the last lock given up: -107 at once, -154 after waiting
    int m_savepointDepth = 0;
    std::atomic<bool> m_interrupted{false};
    int m_tempCounter = 0;
    std::int64_t m_lastSerial = 0;
    std::map<std::pair<int, int>, std::int64_t> m_tempSerials;
    // SERIAL counters inside BEGIN WORK ... COMMIT: read once, stepped in
    // memory (the session holds the write lock, nobody else can change
    // them) and written back by flushSerialCounters.
    struct SerialCounter {
        std::int64_t value = 0;
        bool stored = false;   // the row exists in quodlin_serials
        bool changed = false;
        bool serial4 = true;   // SERIAL (sqlerrd[1], 32 bits), not SERIAL8/BIGSERIAL
    };
    std::map<std::pair<int, int>, SerialCounter> m_serials;
    void writeSerialCounter(const std::pair<int, int> &key, const SerialCounter &counter);
    [[gnu::noinline]] SerialCounter readSerialCounter(int tabid, int colno);
    std::map<int, std::int64_t> m_currval;  // by the sequence's tabid
    std::unordered_map<std::string, std::shared_ptr<const ast::Script>> m_parseCache;
    struct CachedTranslation {
        std::uint64_t stamp = 0;
        std::shared_ptr<const Translation> translation;
    };
    std::unordered_map<std::string, CachedTranslation> m_translationCache;
    struct IdleStatement {
        std::string sql;
        std::uint64_t stamp = 0;
        sqlite3_stmt *st = nullptr;
    };
    std::vector<IdleStatement> m_idle;  // oldest first
    std::shared_ptr<const bool> m_lifetime = std::make_shared<const bool>(true);
    std::unique_ptr<spl::Runtime> m_spl;
    std::optional<ErrorInfo> m_pendingError;
    std::vector<OpenReader *> m_readers;
};

// DDL units (ddl_table.cpp, ddl_index.cpp, ddl_sequence.cpp).
namespace ddl {
void createTable(SessionImpl &s, const ast::CreateTableStatement &st, const std::string &text);
void dropTable(SessionImpl &s, const ast::ObjectStatement &st);
void alterTable(SessionImpl &s, const ast::AlterTableStatement &st, const std::string &text);
void rename(SessionImpl &s, const ast::RenameStatement &st);
void truncate(SessionImpl &s, const ast::ObjectStatement &st);
void createIndex(SessionImpl &s, const ast::CreateIndexStatement &st);
void dropIndex(SessionImpl &s, const ast::ObjectStatement &st);
void alterIndex(SessionImpl &s, const ast::AlterIndexStatement &st);
void createSequence(SessionImpl &s, const ast::SequenceStatement &st);
void alterSequence(SessionImpl &s, const ast::SequenceStatement &st);
void dropSequence(SessionImpl &s, const ast::ObjectStatement &st);
void createRowType(SessionImpl &s, const ast::CreateRowTypeStatement &st);
void dropRowType(SessionImpl &s, const ast::ObjectStatement &st);
// Registers the table a SELECT ... INTO TEMP created.
void registerTempTable(SessionImpl &s, const std::string &name, std::vector<ColumnInfo> columns, int offset);
// Recreates the SQLite indexes and referential triggers of a table from the catalog.
void rebuildTableObjects(SessionImpl &s, const TableInfo &table);
} // namespace ddl

} // namespace quodlin::engine
