#pragma once
// Thin RAII helpers over the SQLite C API for the engine's own catalog work.
// Failures of the engine's own statements are engine faults, reported as
// -999 with the SQLite text kept out of the message (it goes to the ISAM
// text only for diagnosis), except those of the file itself (full disk, I/O
// error, damage: raiseFileFailure), interrupts, locks, read-only files and
// the statements SQLite refuses to prepare (refusal).
#include "engine/engine.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quodlin::engine::sql {

[[noreturn]] void fail(sqlite3 *db, const std::string &what);
// -9621 naming the database file of `db`.
[[noreturn]] void raiseReadOnly(sqlite3 *db);
// Whether a failure code (primary or extended) is the database file's own:
// a full disk, an I/O error, a file that is not a database or is damaged.
bool isFileFailure(int rc);
// Raises a file failure of `db` naming its file. A full disk or an I/O error
// is `writeCode` (the statement's own, e.g. -271 for INSERT; 0: -9624) with
// ISAM -131 or the OS error; a damaged file or one that is no database is
// -9623 with ISAM -105.
[[noreturn]] void raiseFileFailure(sqlite3 *db, int rc, int writeCode, int offset);
// The same for a file that is not open (or not a database) at `path`.
[[noreturn]] void raiseFileFailure(const std::string &path, int rc, int systemErrno, int writeCode, int offset);

// The limit of SQLite's a failure message reports, in words for -9622
// ("at most 64 tables in one query"); empty when it reports none.
std::string limitReached(const std::string &sqliteMessage);

// The Informix error for a statement SQLite refuses to prepare although the
// engine's parser took it (an aggregate or window function where SQLite has
// none, a RANGE frame it cannot order, a name it cannot resolve); nullopt
// when `sqliteMessage` is none of these. `text` is the user's statement,
// which starts at `start` in the whole text: the offset points at the name
// the message gives where the statement holds it, else at `start`.
std::optional<ErrorInfo> refusal(const std::string &sqliteMessage, std::string_view text = {}, int start = -1);
// refusal(), or -201 at `start` for any other message (the translator passed
// on what SQLite cannot parse); SQLite's text is the ISAM message.
[[noreturn]] void raiseRefused(const std::string &sqliteMessage, std::string_view text, int start);

void exec(sqlite3 *db, const std::string &text);

class Stmt {
public:
    Stmt(sqlite3 *db, const std::string &text);
    // Borrows a prepared statement kept by a cache; reset when done.
    Stmt(sqlite3 *db, sqlite3_stmt *borrowed) : m_db(db), m_stmt(borrowed), m_owned(false) {}
    ~Stmt();
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;

    Stmt &bind(int i, std::int64_t v);
    Stmt &bind(int i, int v) { return bind(i, static_cast<std::int64_t>(v)); }
    Stmt &bind(int i, double v);
    Stmt &bind(int i, const std::string &v);
    Stmt &bind(int i, const char *v) { return bind(i, std::string(v)); }
    Stmt &bindNull(int i);
    Stmt &bind(int i, const Value &v);

    bool step();          // true while a row is available
    void run();           // step to completion
    void reset();

    std::int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    double real(int col) const { return sqlite3_column_double(m_stmt, col); }
    std::string text(int col) const;
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_owned = true;
};

// Quotes an identifier for SQLite ("a""b").
std::string quote(const std::string &name);
// Quotes a string literal for SQLite ('it''s').
std::string literal(const std::string &text);

} // namespace quodlin::engine::sql
