#include "engine/session.h"

#include "engine/catalog_bootstrap.h"
#include "engine/ddl_objects.h"
#include "engine/ddl_routine.h"
#include "engine/parser.h"
#include "engine/sqlite_util.h"
#include "engine/spl_runtime.h"
#include "engine/temp_vfs.h"
#include "engine/values.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <thread>

namespace quodlin::engine {

namespace {

// What a statement that could not write its change reports (with the ISAM
// error that says why); 0 for statements without one of their own.
int writeFailureCode(ast::StmtKind kind)
{
    switch (kind) {
    case ast::StmtKind::Insert: return -271;
    case ast::StmtKind::Update: return -346;
    case ast::StmtKind::Delete: return -240;
    default: return 0;
    }
}

SessionImpl *sessionOf(sqlite3_context *ctx)
{
    return static_cast<SessionImpl *>(sqlite3_user_data(ctx));
}

// Errors raised inside SQLite functions and triggers travel in the SQLite
// message as "quodlin:<sqlcode>:<isamcode>:<argument>".
std::string encodeError(const ErrorInfo &e, const std::string &arg)
{
    return "quodlin:" + std::to_string(e.sqlCode) + ":" + std::to_string(e.isamCode) + ":" + arg;
}

template <typename F>
void guarded(sqlite3_context *ctx, F &&f)
{
    try {
        f();
    } catch (const EngineError &e) {
        std::string msg = encodeError(e.info(), "");
        sqlite3_result_error(ctx, msg.c_str(), -1);
    }
}

void serialFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    guarded(ctx, [&] {
        // An explicit NULL stays NULL so the column's NOT NULL reports -391.
        if (sqlite3_value_type(argv[2]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        std::int64_t value = sqlite3_value_int64(argv[2]);
        sqlite3_result_int64(ctx, sessionOf(ctx)->serialValue(sqlite3_value_int(argv[0]),
                                                              sqlite3_value_int(argv[1]), value));
    });
}

std::string textArg(sqlite3_value *v)
{
    const unsigned char *p = sqlite3_value_text(v);
    return p ? reinterpret_cast<const char *>(p) : "";
}

void nextvalFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    guarded(ctx, [&] { sqlite3_result_int64(ctx, sessionOf(ctx)->nextval(textArg(argv[0]))); });
}

void currvalFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    guarded(ctx, [&] { sqlite3_result_int64(ctx, sessionOf(ctx)->currval(textArg(argv[0]))); });
}

bool fileExists(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A file without any write permission is opened read-only, even for a user
// (such as an administrator) the system would let write it.
bool writePermitted(const std::string &path)
{
    using std::filesystem::perms;
    std::error_code ec;
    const perms p = std::filesystem::status(path, ec).permissions();
    return ec || (p & (perms::owner_write | perms::group_write | perms::others_write)) != perms::none;
}

// An SQLite URI naming `path` (characters with a meaning in URIs escaped).
std::string fileUri(const std::string &path, const char *query)
{
    static const char hex[] = "0123456789ABCDEF";
    const std::string generic = std::filesystem::path(path).generic_string();
    std::string out = "file:";
    if (generic.size() > 1 && generic[1] == ':')
        out += '/';  // a drive letter
    for (unsigned char c : generic) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~' || c == ':') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out + "?" + query;
}

int busyHandler(void *session, int attempt)
{
    return static_cast<SessionImpl *>(session)->keepWaiting(attempt) ? 1 : 0;
}

// Stop reaches the running statement through this rather than
// sqlite3_interrupt, whose flag stays set while any other cursor of the
// connection is open (a grid reading lazily), failing every later statement.
int progressHandler(void *session)
{
    return static_cast<SessionImpl *>(session)->interruptRequested() ? 1 : 0;
}

// Opens `target` and reads the catalog's version row; SQLITE_OK when the file
// is a database of ours, else the failing SQLite code (db closed).
int openProbed(const std::string &target, int flags, sqlite3 **db, const char *vfs = nullptr)
{
    *db = nullptr;
    int rc = sqlite3_open_v2(target.c_str(), db, flags | SQLITE_OPEN_NOMUTEX, vfs);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(*db, 5000);
        sqlite3_stmt *probe = nullptr;
        rc = sqlite3_prepare_v2(*db, "SELECT tabid FROM systables WHERE tabid = 99", -1, &probe, nullptr);
        // This statement fails to compile only where there is no catalog.
        if (rc == SQLITE_ERROR)
            rc = SQLITE_NOTADB;
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(probe);
            rc = rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_DONE ? SQLITE_NOTADB : rc;
        }
        sqlite3_finalize(probe);
    }
    if (rc != SQLITE_OK) {
        sqlite3_close(*db);
        *db = nullptr;
    }
    return rc;
}

} // namespace

// ---------------------------------------------------------------- create/open

void Session::createDatabase(const std::string &path, const std::string &user)
{
    if (fileExists(path))
        raise(-330, path);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        raise(-330, path);
    }
    try {
        sql::exec(db, "PRAGMA journal_mode=WAL");
        sql::exec(db, "BEGIN");
        createCatalog(db, user);
        sql::exec(db, "COMMIT");
    } catch (...) {
        sqlite3_close(db);
        std::error_code ec;
        std::filesystem::remove(path, ec);
        std::filesystem::remove(path + "-wal", ec);
        std::filesystem::remove(path + "-shm", ec);
        throw;
    }
    sqlite3_close(db);
}

std::unique_ptr<Session> Session::open(const std::string &path, const std::string &user, const Environment &env)
{
    if (!fileExists(path))
        raise(-329, path);
    // One thread uses a session at a time; interrupt() is the exception and
    // only sets an atomic flag, so the per-call mutex is not needed.
    sqlite3 *db = nullptr;
    int rc = SQLITE_READONLY;
    if (writePermitted(path))
        rc = openProbed(path, SQLITE_OPEN_READWRITE, &db, tempFolderVfs(path));
    if (rc == SQLITE_OK)
        return std::make_unique<SessionImpl>(db, path, user, env);
    auto notDatabase = [](int code) { return (code & 0xFF) == SQLITE_NOTADB || (code & 0xFF) == SQLITE_CORRUPT; };
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        raise(-244, path, -1, -154);
    if (notDatabase(rc))
        sql::raiseFileFailure(path, rc, 0, 0, -1);
    if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN && primary != SQLITE_IOERR && primary != SQLITE_PERM)
        raise(-329, path);
    // The file, or the folder where SQLite keeps its write-ahead files, cannot
    // be written: read the database as it is. Without those files SQLite
    // reads a WAL database only when told nothing else changes it (immutable).
    for (const char *query : {"mode=ro", "mode=ro&immutable=1"}) {
        rc = openProbed(fileUri(path, query), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, &db);
        if (rc == SQLITE_OK)
            return std::make_unique<SessionImpl>(db, path, user, env, true);
        if (notDatabase(rc))
            sql::raiseFileFailure(path, rc, 0, 0, -1);
    }
    raise(-329, path);
}

SessionImpl::SessionImpl(sqlite3 *db, std::string path, std::string user, const Environment &env, bool readOnly)
    : m_db(db), m_path(std::move(path)), m_user(std::move(user)), m_env(env), m_catalog(db), m_readOnly(readOnly)
{
    sqlite3_busy_handler(m_db, busyHandler, this);
    sqlite3_progress_handler(m_db, 1000, progressHandler, this);
    // A read-only database's folder may take no files: its sorts stay in memory.
    sql::exec(m_db, m_readOnly ? "PRAGMA temp_store=MEMORY" : "PRAGMA journal_mode=WAL");
    sql::exec(m_db, "PRAGMA foreign_keys=OFF; PRAGMA recursive_triggers=OFF;"
                    "CREATE TEMP TABLE quodlin_tempindexes AS SELECT * FROM sysindexes WHERE 0");
    m_functions.env = &m_env;
    m_functions.user = m_user;
    m_functions.databaseName = databaseName();
    registerDialectFunctions(m_db, &m_functions);
    const int flags = SQLITE_UTF8;
    sqlite3_create_function_v2(m_db, "quodlin_serial", 3, flags, this, serialFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "quodlin_nextval", 1, flags, this, nextvalFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "quodlin_currval", 1, flags, this, currvalFunction, nullptr, nullptr, nullptr);
    spl::registerFunctions(*this);
}

// SQLite triggers made for Informix triggers inside a transaction that was
// rolled back are gone with it.
void SessionImpl::forgetTemporaryTriggers()
{
    if (m_spl)
        m_spl->forgetTriggers();
}

spl::Runtime &SessionImpl::splRuntime()
{
    if (!m_spl)
        m_spl = std::make_unique<spl::Runtime>(*this);
    return *m_spl;
}

SessionImpl::~SessionImpl()
{
    for (const IdleStatement &i : m_idle)
        sqlite3_finalize(i.st);
    m_spl.reset();
    if (m_inTransaction)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

void SessionImpl::setEnvironment(const Environment &env)
{
    m_env = env;
    m_catalog.bumpVersion();
}

std::string SessionImpl::databaseName() const
{
    return std::filesystem::path(m_path).stem().string();
}

void SessionImpl::interrupt()
{
    m_interrupted = true;
}

[[gnu::hot]] std::uint64_t SessionImpl::schemaStamp()
{
    return m_catalog.version();
}

sqlite3_stmt *SessionImpl::reusePrepared(const std::string &sql, std::uint64_t stamp)
{
    sqlite3_stmt *found = nullptr;
    // Statements of an older schema go; a match is taken out.
    for (std::size_t i = m_idle.size(); i-- > 0;) {
        if (m_idle[i].stamp != stamp) {
            sqlite3_finalize(m_idle[i].st);
        } else if (!found && m_idle[i].sql == sql) {
            found = m_idle[i].st;
        } else {
            continue;
        }
        m_idle.erase(m_idle.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return found;
}

void SessionImpl::keepPrepared(const std::string &sql, std::uint64_t stamp, sqlite3_stmt *st)
{
    // The stamp is not read again here: outside a transaction that takes
    // a read lock of its own. A stale statement goes when the next is sought.
    if (!st)
        return;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    m_idle.push_back({sql, stamp, st});
    if (m_idle.size() > 16) {
        sqlite3_finalize(m_idle.front().st);
        m_idle.erase(m_idle.begin());
    }
}

std::shared_ptr<const ast::Script> SessionImpl::parse(const std::string &text)
{
    std::string key = (m_env.delimident ? "1" : "0") + text;
    auto it = m_parseCache.find(key);
    if (it != m_parseCache.end())
        return it->second;
    ParseOptions opts;
    opts.delimident = m_env.delimident;
    auto script = std::make_shared<const ast::Script>(parseScript(text, opts));
    if (m_parseCache.size() > 500)
        m_parseCache.clear();
    m_parseCache.emplace(std::move(key), script);
    return script;
}

std::shared_ptr<const Translation> SessionImpl::translation(const std::string &text, size_t index,
                                                            const ast::Statement &stmt, std::uint64_t stamp)
{
    // The environment changes the catalog version (setEnvironment), so the
    // stamp covers it together with every schema change.
    std::string key = std::to_string(index) + '\x1f' + text;
    auto it = m_translationCache.find(key);
    if (it != m_translationCache.end() && it->second.stamp == stamp)
        return it->second.translation;
    TranslationContext ctx = translationContext();
    ctx.errorOffsets = true;
    auto tr = std::make_shared<const Translation>(translate(stmt, ctx));
    if (m_translationCache.size() > 500)
        m_translationCache.clear();
    m_translationCache[key] = {stamp, tr};
    return tr;
}

void SessionImpl::recordError(const ErrorInfo &e)
{
    m_sqlca.sqlcode = e.sqlCode;
    m_sqlca.sqlerrd[1] = e.isamCode;
    m_sqlca.sqlerrd[4] = e.offset < 0 ? 0 : e.offset;
    // sqlerrm carries only what filled the message's %s.
    m_sqlca.sqlerrm = messageArgument(e).value_or(std::string());
    // The Stop is used up by the statement it stopped.
    if (e.sqlCode == -213)
        m_interrupted = false;
}

// ---------------------------------------------------------------- transactions

void SessionImpl::begin(int offset)
{
    if (m_inTransaction)
        raise(-535, {}, offset);
    // The write lock is taken now, as a statement outside BEGIN WORK takes it;
    // a read-only database has no writes to wait for.
    if (m_readOnly)
        sql::exec(m_db, "BEGIN");
    else if (!beginWrite(offset))
        raise(-535, {}, offset);
    m_inTransaction = true;
}

bool SessionImpl::beginWrite(int offset)
{
    // Read-only: SQLite itself refuses the first write (-9621), so work on
    // temp tables still goes through.
    if (m_readOnly || m_inTransaction || !sqlite3_get_autocommit(m_db))
        return false;
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return true;
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) {
        if (m_interrupted) {
            m_interrupted = false;
            raise(-213, {}, offset);
        }
        raise(-244, {}, offset, m_lockIsam);
    }
    sql::fail(m_db, "begin");
}

[[gnu::hot]] void SessionImpl::endWrite(bool opened, bool ok, const ast::Statement &stmt)
{
    if (!opened)
        return;
    const int rc = ok ? sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) : SQLITE_OK;
    if (ok && rc == SQLITE_OK)
        return;
    // Taken before ROLLBACK replaces them: a full disk shows at COMMIT.
    const int systemErrno = sqlite3_system_errno(m_db);
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    forgetTemporaryTriggers();
    if (!ok)
        return;
    m_catalog.bumpVersion();
    if (sql::isFileFailure(rc)) {
        const char *file = sqlite3_db_filename(m_db, "main");
        sql::raiseFileFailure(file ? file : m_path, rc, systemErrno, writeFailureCode(stmt.kind), stmt.start);
    }
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        raise(-244, {}, stmt.start, -154);
    // Whatever else stops COMMIT leaves the statement's changes unwritten.
    const char *file = sqlite3_db_filename(m_db, "main");
    ErrorInfo info = makeError(-9624, file ? file : m_path, stmt.start);
    info.isamMessage = "commit: " + std::string(sqlite3_errstr(rc));
    throw EngineError(info);
}

bool SessionImpl::keepWaiting(int attempt)
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (attempt == 0)
        m_waitStart = now;
    if (m_lockWaitMs == 0 || m_interrupted) {
        m_lockIsam = -107;
        return false;
    }
    m_lockIsam = -154;
    const auto waited = duration_cast<milliseconds>(now - m_waitStart).count();
    if (m_lockWaitMs > 0 && waited >= m_lockWaitMs)
        return false;
    // Short sleeps first: most writes hold the lock for a few milliseconds.
    long long pause = std::min<long long>(20, 1LL << std::min(attempt, 5));
    if (m_lockWaitMs > 0)
        pause = std::min<long long>(pause, m_lockWaitMs - waited);
    std::this_thread::sleep_for(milliseconds(pause));
    return true;
}

void SessionImpl::commit(int offset)
{
    if (!m_inTransaction)
        raise(-255, {}, offset);
    sql::exec(m_db, "COMMIT");
    m_inTransaction = false;
}

void SessionImpl::rollback(int offset)
{
    if (!m_inTransaction)
        raise(-255, {}, offset);
    sql::exec(m_db, "ROLLBACK");
    afterRollback();
}

bool SessionImpl::syncTransaction()
{
    // SQLite rolls the whole transaction back by itself when a write inside
    // it is interrupted or meets a full disk or lack of memory. Statements
    // after it must not run as their own committed transactions while the
    // user believes a ROLLBACK WORK can still undo them.
    if (!m_inTransaction || !sqlite3_get_autocommit(m_db))
        return false;
    afterRollback();
    return true;
}

void SessionImpl::afterRollback()
{
    m_inTransaction = false;
    m_serials.clear();
    m_savepointDepth = 0;
    forgetTemporaryTriggers();
    // Temp tables created inside the transaction are gone with it.
    for (const std::string &name : m_catalog.tempNames()) {
        sql::Stmt q(m_db, "SELECT 1 FROM sqlite_temp_master WHERE type = 'table' AND name = ?1");
        q.bind(1, name);
        if (!q.step())
            m_catalog.dropTemp(name);
    }
    m_catalog.bumpVersion();
}

void SessionImpl::savepoint()
{
    sql::exec(m_db, "SAVEPOINT quodlin_stmt");
    ++m_savepointDepth;
}

void SessionImpl::releaseSavepoint()
{
    sql::exec(m_db, "RELEASE quodlin_stmt");
    --m_savepointDepth;
}

void SessionImpl::rollbackSavepoint()
{
    sqlite3_exec(m_db, "ROLLBACK TO quodlin_stmt; RELEASE quodlin_stmt", nullptr, nullptr, nullptr);
    --m_savepointDepth;
    m_catalog.bumpVersion();
}

std::int64_t SessionImpl::nextCounter(const std::string &name)
{
    sql::Stmt up(m_db, "UPDATE quodlin_counters SET value = value + 1 WHERE name = ?1 RETURNING value");
    up.bind(1, name);
    if (!up.step())
        sql::fail(m_db, "counter " + name);
    return up.integer(0);
}

// ---------------------------------------------------------------- SERIAL and sequences

SessionImpl::SerialCounter SessionImpl::readSerialCounter(int tabid, int colno)
{
    SerialCounter counter;
    sql::Stmt q(m_db, m_catalog.statement("SELECT value FROM quodlin_serials WHERE tabid = ?1 AND colno = ?2"));
    q.bind(1, tabid).bind(2, colno);
    counter.stored = q.step();
    counter.value = counter.stored ? q.integer(0) : 0;
    // sqlerrd[1] reports SERIAL values; SERIAL8/BIGSERIAL go to DBINFO('serial8'/'bigserial').
    if (std::optional<TableInfo> t = m_catalog.tableById(tabid))
        for (const ColumnInfo &ci : t->columns)
            if (ci.colno == colno)
                counter.serial4 = ci.coltype == TSerial;
    return counter;
}

[[gnu::hot]] std::int64_t SessionImpl::serialValue(int tabid, int colno, std::int64_t value)
{
    if (value < 0)
        return value;  // stored as given, the counter stays
    if (tabid >= kTempTabidBase) {
        std::int64_t &counter = m_tempSerials[{tabid, colno}];
        if (value == 0) {
            value = ++counter;
            m_lastSerial = value;
        } else if (value > counter) {
            counter = value;
        }
        return value;
    }
    const auto key = std::make_pair(tabid, colno);
    auto held = m_serials.find(key);
    SerialCounter loaded;
    // Held in a transaction: stepped in place (a LOAD's every row comes here).
    SerialCounter &counter = held != m_serials.end() ? held->second : loaded;
    if (held == m_serials.end()) [[unlikely]]
        loaded = readSerialCounter(tabid, colno);
    const std::int64_t before = counter.value;
    if (value == 0) {
        value = counter.value + 1;
        if (counter.serial4 && value > 2147483647)
            raise(-1215);
        counter.value = value;
        (counter.serial4 ? m_lastSerial : m_functions.lastSerial8) = value;
    } else if (value > counter.value) {
        counter.value = value;
    }
    counter.changed = counter.changed || counter.value != before;
    if (m_inTransaction && !m_readOnly) {
        if (&counter == &loaded)
            m_serials.emplace(key, counter);
        return value;
    }
    writeSerialCounter(key, counter);
    return value;
}

void SessionImpl::writeSerialCounter(const std::pair<int, int> &key, const SerialCounter &counter)
{
    if (!counter.changed)
        return;
    // Once a row a LOAD outside a transaction: the counter's row changed in place, not replaced.
    sql::Stmt up(m_db, m_catalog.statement(counter.stored ? "UPDATE quodlin_serials SET value = ?3 WHERE tabid = ?1 AND colno = ?2"
                                                          : "INSERT INTO quodlin_serials (tabid, colno, value) VALUES (?1, ?2, ?3)"));
    up.bind(1, key.first).bind(2, key.second).bind(3, counter.value);
    up.run();
}

void SessionImpl::flushSerialCounters()
{
    // Emptied first: a failing write must not be retried by every later statement.
    auto held = std::move(m_serials);
    m_serials.clear();
    for (const auto &[key, counter] : held)
        writeSerialCounter(key, counter);
}

void SessionImpl::setSerialCounter(int tabid, int colno, std::int64_t lastValue)
{
    if (tabid >= kTempTabidBase) {
        m_tempSerials[{tabid, colno}] = lastValue;
        return;
    }
    sql::Stmt up(m_db, "INSERT OR REPLACE INTO quodlin_serials (tabid, colno, value) VALUES (?1, ?2, ?3)");
    up.bind(1, tabid).bind(2, colno).bind(3, lastValue);
    up.run();
}

std::int64_t SessionImpl::nextval(const std::string &name)
{
    auto seq = m_catalog.findSequence(name);
    if (!seq)
        raise(-206, name, -1, -111);
    sql::Stmt q(m_db, "SELECT value, called FROM quodlin_sequences WHERE tabid = ?1");
    q.bind(1, seq->tabid);
    std::int64_t value = seq->start;
    if (q.step() && q.integer(1)) {
        value = q.integer(0) + seq->increment;
        bool over = seq->increment > 0 ? value > seq->maxValue : value < seq->minValue;
        if (over) {
            if (!seq->cycle)
                raise(-8316, name);
            value = seq->increment > 0 ? seq->minValue : seq->maxValue;
        }
    }
    sql::Stmt up(m_db, "INSERT OR REPLACE INTO quodlin_sequences (tabid, value, called) VALUES (?1, ?2, 1)");
    up.bind(1, seq->tabid).bind(2, value);
    up.run();
    m_currval[seq->tabid] = value;
    return value;
}

std::int64_t SessionImpl::currval(const std::string &name)
{
    auto seq = m_catalog.findSequence(name);
    if (!seq)
        raise(-206, name, -1, -111);
    // By tabid (never reused): a sequence dropped and made again by another
    // session has no current value here yet.
    auto it = m_currval.find(seq->tabid);
    if (it == m_currval.end())
        raise(-8315, name);
    return it->second;
}

// ---------------------------------------------------------------- error mapping

namespace {

std::string afterColon(const std::string &msg)
{
    auto p = msg.find(": ");
    return p == std::string::npos ? std::string() : msg.substr(p + 2);
}

} // namespace

void SessionImpl::raiseSqliteError(int rc, const ast::Statement &stmt, int targetTabid)
{
    std::string msg = sqlite3_errmsg(m_db);
    int ext = sqlite3_extended_errcode(m_db);
    int offset = stmt.start;
    if (m_pendingError) {
        ErrorInfo e = std::move(*m_pendingError);
        m_pendingError.reset();
        if (e.offset < 0)
            e.offset = offset;
        throw EngineError(e);
    }
    if ((rc & 0xFF) == SQLITE_INTERRUPT || m_interrupted) {
        m_interrupted = false;
        raise(-213, {}, offset);
    }
    if (sql::isFileFailure(rc) || sql::isFileFailure(ext))
        sql::raiseFileFailure(m_db, sql::isFileFailure(rc) ? rc : ext, writeFailureCode(stmt.kind), offset);
    if (msg.rfind("quodlin:", 0) == 0) {
        std::istringstream in(msg.substr(8));
        std::string code, isam, arg;
        std::getline(in, code, ':');
        std::getline(in, isam, ':');
        std::getline(in, arg);
        raise(std::stoi(code), arg, offset, std::stoi(isam));
    }
    if (auto e = functionError(msg)) {
        if (e->offset < 0)
            e->offset = offset;
        throw EngineError(*e);
    }
    const bool update = stmt.kind == ast::StmtKind::Update;
    if (ext == SQLITE_CONSTRAINT_NOTNULL)
        raise(update ? -391 : -391, afterColon(msg), offset);
    // A NULL set into a row key: SQLite takes nothing but integers there, and
    // the engine's conversions let nothing else through.
    if ((rc & 0xFF) == SQLITE_MISMATCH) {
        if (std::optional<TableInfo> t = targetTabid ? m_catalog.tableById(targetTabid) : std::nullopt; t && t->rowKey)
            for (const ColumnInfo &c : t->columns)
                if (c.colno == t->rowKey)
                    raise(-391, t->name + "." + c.name, offset);
        raise(-391, {}, offset);
    }
    if (ext == SQLITE_CONSTRAINT_CHECK) {
        std::string name = afterColon(msg);
        auto c = m_catalog.findConstraint(name);
        raise(-530, c ? c->owner + "." + name : name, offset);
    }
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) {
        // "UNIQUE constraint failed: t.a, t.b": find the index with these columns.
        std::string list = afterColon(msg);
        std::vector<std::string> cols;
        std::string table;
        std::istringstream in(list);
        std::string item;
        while (std::getline(in, item, ',')) {
            while (!item.empty() && item[0] == ' ')
                item.erase(0, 1);
            auto dot = item.rfind('.');
            table = item.substr(0, dot);
            cols.push_back(item.substr(dot + 1));
        }
        std::optional<TableInfo> t = targetTabid ? m_catalog.tableById(targetTabid) : m_catalog.findTable(table);
        if (t && t->name != table)
            t = m_catalog.findTable(table);
        if (t) {
            std::vector<int> colnos;
            for (const auto &c : cols)
                if (const ColumnInfo *ci = t->column(c))
                    colnos.push_back(ci->colno);
            for (const IndexInfo &ix : m_catalog.indexes(t->tabid)) {
                if (ix.idxtype != 'U' || ix.parts.size() != colnos.size())
                    continue;
                bool same = true;
                for (size_t i = 0; i < colnos.size(); ++i)
                    same = same && std::abs(ix.parts[i]) == colnos[i];
                if (!same)
                    continue;
                for (const ConstraintInfo &c : m_catalog.constraints(t->tabid))
                    if (c.idxname == ix.name)
                        raise(-268, c.owner + "." + c.name, offset, -100);
                raise(update ? -346 : -239, ix.owner + "." + ix.name, offset, -100);
            }
        }
        raise(update ? -346 : -239, table, offset, -100);
    }
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        raise(-244, {}, offset, m_lockIsam);
    if ((rc & 0xFF) == SQLITE_READONLY)
        raise(-9621, databaseName(), offset);
    switch (stmt.kind) {
    case ast::StmtKind::Insert: raise(-271, {}, offset);
    case ast::StmtKind::Update: raise(-346, {}, offset);
    case ast::StmtKind::Delete: raise(-240, {}, offset);
    default: raise(-244, {}, offset);
    }
}

// ---------------------------------------------------------------- other statements

void SessionImpl::releaseReaders()
{
    // readRest unregisters its reader.
    while (!m_readers.empty())
        m_readers.back()->readRest();
}

void SessionImpl::executeOther(const ast::Statement &stmt, const std::string &text)
{
    // DDL reads and rewrites the counters; COMMIT keeps them. After ROLLBACK
    // their rows are as they were before the transaction, as before.
    flushSerialCounters();
    m_catalog.forgetSchemaVersion();
    using K = ast::StmtKind;
    auto asDdl = [&](auto &&run) {
        savepoint();
        m_catalog.setCaching(false);
        try {
            run();
        } catch (...) {
            m_catalog.setCaching(true);
            rollbackSavepoint();
            throw;
        }
        m_catalog.setCaching(true);
        releaseSavepoint();
        m_catalog.bumpVersion();
    };
    switch (stmt.kind) {
    case K::DropTable: case K::AlterTable: case K::Rename: case K::Truncate: case K::DropIndex: case K::AlterIndex:
        releaseReaders();
        break;
    default:
        break;
    }
    switch (stmt.kind) {
    case K::CreateTable:
        asDdl([&] { ddl::createTable(*this, static_cast<const ast::CreateTableStatement &>(stmt), text); });
        return;
    case K::DropTable:
        asDdl([&] { ddl::dropTable(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::AlterTable:
        asDdl([&] { ddl::alterTable(*this, static_cast<const ast::AlterTableStatement &>(stmt), text); });
        return;
    case K::Rename:
        asDdl([&] { ddl::rename(*this, static_cast<const ast::RenameStatement &>(stmt)); });
        return;
    case K::Truncate:
        asDdl([&] { ddl::truncate(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateIndex:
        asDdl([&] { ddl::createIndex(*this, static_cast<const ast::CreateIndexStatement &>(stmt)); });
        return;
    case K::DropIndex:
        asDdl([&] { ddl::dropIndex(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::AlterIndex:
        asDdl([&] { ddl::alterIndex(*this, static_cast<const ast::AlterIndexStatement &>(stmt)); });
        return;
    case K::CreateSequence:
        asDdl([&] { ddl::createSequence(*this, static_cast<const ast::SequenceStatement &>(stmt)); });
        return;
    case K::AlterSequence:
        asDdl([&] { ddl::alterSequence(*this, static_cast<const ast::SequenceStatement &>(stmt)); });
        return;
    case K::DropSequence:
        asDdl([&] { ddl::dropSequence(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateRowType:
        asDdl([&] { ddl::createRowType(*this, static_cast<const ast::CreateRowTypeStatement &>(stmt)); });
        return;
    case K::DropRowType:
        asDdl([&] { ddl::dropRowType(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateView:
        asDdl([&] { ddl::createView(*this, static_cast<const ast::CreateViewStatement &>(stmt), text); });
        return;
    case K::DropView:
        asDdl([&] { ddl::dropView(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateSynonym:
        asDdl([&] { ddl::createSynonym(*this, static_cast<const ast::CreateSynonymStatement &>(stmt)); });
        return;
    case K::DropSynonym:
        asDdl([&] { ddl::dropSynonym(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateRoutine:
        asDdl([&] { ddl::createRoutine(*this, static_cast<const ast::RoutineStatement &>(stmt), text); });
        return;
    case K::DropRoutine:
        asDdl([&] { ddl::dropRoutine(*this, static_cast<const ast::RoutineStatement &>(stmt)); });
        return;
    case K::CreateTrigger:
        asDdl([&] { ddl::createTrigger(*this, static_cast<const ast::RoutineStatement &>(stmt), text); });
        return;
    case K::DropTrigger:
        asDdl([&] { ddl::dropTrigger(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::CreateRole:
        asDdl([&] { ddl::createRole(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::DropRole:
        asDdl([&] { ddl::dropRole(*this, static_cast<const ast::ObjectStatement &>(stmt)); });
        return;
    case K::Grant:
    case K::Revoke:
        asDdl([&] { ddl::grantRevoke(*this, static_cast<const ast::PrivilegeStatement &>(stmt)); });
        return;
    case K::SetRole:
        ddl::setRole(*this, static_cast<const ast::SetOtherStatement &>(stmt));
        return;
    case K::Begin:
        begin(stmt.start);
        return;
    case K::Commit:
        commit(stmt.start);
        return;
    case K::Rollback:
        rollback(stmt.start);
        return;
    case K::SetLockMode: {
        const int wait = static_cast<const ast::SetLockModeStatement &>(stmt).waitSeconds;
        m_lockWaitMs = wait < 0 ? -1 : std::min(wait, 1000000) * 1000;
        return;
    }
    case K::LockTable:
    case K::UnlockTable: {
        const ast::ObjectName &name = stmt.kind == K::LockTable
            ? static_cast<const ast::LockTableStatement &>(stmt).table
            : static_cast<const ast::ObjectStatement &>(stmt).name;
        if (!m_catalog.findTable(name.name, name.owner))
            raise(-206, name.name, name.offset, -111);
        return;
    }
    case K::SetExplain:
        explain::set(*this, static_cast<const ast::SetExplainStatement &>(stmt));
        return;
    case K::SetOther: {
        const auto &set = static_cast<const ast::SetOtherStatement &>(stmt);
        if (set.what == "debug" && !set.value.empty())
            splRuntime().setDebugFile(set.value, set.append);
        return;
    }
    case K::SetIsolation:
    case K::Database:
    case K::CloseDatabase:
        return;
    case K::UpdateStatistics:
        asDdl([&] { ddl::updateStatistics(*this, static_cast<const ast::UpdateStatisticsStatement &>(stmt)); });
        return;
    case K::Merge:
        raise(-9625, "MERGE in SPL routines and triggers", stmt.start);
    default:
        raise(-999, {}, stmt.start);
    }
}

} // namespace quodlin::engine
