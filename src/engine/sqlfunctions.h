#pragma once
// SQLite user functions that carry the dialect's semantics where SQLite's own
// differ: MATCHES and LIKE with ESCAPE and blank-insensitive CHAR, date and
// DATETIME/INTERVAL arithmetic, DBDATE conversion of strings, Informix
// TRIM/SUBSTR/LENGTH, DECODE-free helpers, DBINFO, USER/TODAY/CURRENT, and the
// conversions applied to values stored into typed columns. A function fails
// with an Informix error encoded in the SQLite message (see functionError)
// so the session can report it with its number.
#include "engine/engine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

struct sqlite3;

namespace quodlin::engine {

// Session facts the functions read. The session owns it, keeps it alive as
// long as the connection, and refreshes the per-statement fields before each
// statement (TODAY and CURRENT are fixed for the duration of one statement).
struct FunctionContext {
    const Environment *env = nullptr;
    std::string user;
    std::string databaseName;
    std::int64_t sessionId = 1;
    std::int64_t sqlerrd1 = 0;      // last SERIAL inserted
    std::int64_t sqlerrd2 = 0;      // rows processed by the last statement
    std::int64_t lastSerial8 = 0;   // DBINFO('serial8') / DBINFO('bigserial')
    // Statement clock, read by the first TODAY or CURRENT of a statement
    // (most statements use neither); the session clears clockValid before
    // each statement.
    bool clockValid = false;
    std::int64_t statementDay = 0;
    std::string statementNow;       // YEAR TO FRACTION(5) canonical text
    // The running MERGE: target rows matched so far (ifx_merge_once), the
    // rows it inserted (never matched) and the target's name for the error.
    std::unordered_set<std::int64_t> mergeMatched;
    std::unordered_set<std::int64_t> mergeInserted;
    std::string mergeTarget;
    // Routines and trigger actions running (spl_exec.cpp, trigger_fire.cpp):
    // the files of FILETOBLOB and LOTOFILE are not theirs to choose.
    int storedCodeDepth = 0;
};

void registerDialectFunctions(sqlite3 *db, FunctionContext *ctx);
// Exact decimals: the ifx_decimal collation and the decimal functions (decimal.h).
void registerDecimalFunctions(sqlite3 *db);
// FILETOBLOB, FILETOCLOB and LOTOFILE (lob_files.cpp).
void registerLobFileFunctions(sqlite3 *db, FunctionContext *ctx);
// The file LOTOFILE writes for `value` given `path`: path.<hex id>. The
// engine keeps no smart-large-object ids; the id is a 64-bit FNV-1a hash of
// the value, so the same value gets the same name.
std::string loFileName(const std::string &path, std::string_view value);
// Bitwise, ASCII/CHR, CHARINDEX/INSTR with positions, numeric TO_CHAR/TO_NUMBER.
void registerModernFunctions(sqlite3 *db);

// The Informix error carried by a SQLite error message raised from one of
// these functions; nullopt for other messages.
std::optional<ErrorInfo> functionError(const std::string &sqliteMessage);

// Pattern matchers (exposed for tests). NUL escape = none.
bool matchesPattern(const std::string &text, const std::string &pattern, char escape);
bool likePattern(const std::string &text, const std::string &pattern, char escape);
// The literal characters a pattern starts with: every value it matches
// begins with them (empty when it starts with a wildcard or class).
std::string patternPrefix(const std::string &pattern, bool matches, char escape);

} // namespace quodlin::engine
