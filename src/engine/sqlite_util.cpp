#include "engine/sqlite_util.h"

#include "engine/sqlfunctions.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace quodlin::engine::sql {

std::string limitReached(const std::string &msg)
{
    static const std::pair<const char *, const char *> limits[] = {
        {"tables in a join", "at most 64 tables in one query"},
        {"too many columns", "at most 2000 columns in a table, a result or an index"},
        {"too many terms in ORDER BY", "at most 2000 ORDER BY terms"},
        {"too many terms in GROUP BY", "at most 2000 GROUP BY terms"},
        {"too many terms in compound SELECT", "at most 500 SELECTs joined by UNION"},
        {"too many arguments on function", "at most 127 arguments to a function"},
        {"Expression tree is too large", "expressions nested at most 1000 deep"},
        {"parser stack overflow", "nesting of SQLite's parser (about 12 subqueries, 30 functions or 90 parentheses)"},
        {"too many SQL variables", "at most 250000 parameters"},
        {"string or blob too big", "values and statements of at most 1000000000 bytes"},
        {"too many references to", "at most 65535 references to one table"},
    };
    for (const auto &[text, limit] : limits)
        if (msg.find(text) != std::string::npos)
            return limit;
    return {};
}

namespace {

bool startsWith(const std::string &s, std::string_view prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The name a message gives after `lead` up to "()" or its end, without the
// engine's "ifx_" prefix and a schema qualifier.
std::string nameAfter(const std::string &msg, std::string_view lead)
{
    std::string name = msg.substr(lead.size());
    if (const auto paren = name.find('('); paren != std::string::npos)
        name.resize(paren);
    if (startsWith(name, "ifx_"))
        name.erase(0, 4);
    if (const auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(0, dot + 1);
    return name;
}

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Where `text` holds `word` as a whole word (a call when `call`: followed by
// "("), ignoring case, the last one when `last`; npos when nowhere.
std::size_t findWord(std::string_view text, const std::string &word, bool call, bool last = false)
{
    if (word.empty() || word.size() > text.size())
        return std::string_view::npos;
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        bool same = (i == 0 || !isWordChar(text[i - 1]));
        for (std::size_t k = 0; same && k < word.size(); ++k)
            same = std::tolower(static_cast<unsigned char>(text[i + k])) == std::tolower(static_cast<unsigned char>(word[k]));
        if (!same)
            continue;
        std::size_t j = i + word.size();
        if (j < text.size() && isWordChar(text[j]))
            continue;
        if (call) {
            while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j])))
                ++j;
            if (j >= text.size() || text[j] != '(')
                continue;
        }
        found = i;
        if (!last)
            break;
    }
    return found;
}

} // namespace

std::optional<ErrorInfo> refusal(const std::string &msg, std::string_view text, int start)
{
    struct Case {
        std::string_view lead;  // the message starts so
        int code;
        bool named;             // the message names the culprit after `lead`
        bool call;              // ... a function
        bool last;              // the last one the statement holds is the culprit
        const char *word;       // else: the word to point at
        const char *arg;        // the %s of -9625
    };
    // Aggregates where SQLite has no group (ORDER BY of an ungrouped query,
    // DELETE's WHERE, UPDATE's SET) mix columns with aggregates as WHERE
    // does (-303); a window function outside the select list and ORDER BY
    // is no syntax Informix has (-201). Both misuses come in a later clause
    // than the allowed uses: the last call of the name is the culprit.
    static const Case cases[] = {
        {"misuse of aggregate function ", -303, true, true, true, nullptr, nullptr},
        {"misuse of aggregate: ", -303, true, true, true, nullptr, nullptr},
        {"misuse of window function ", -201, true, true, true, nullptr, nullptr},
        {"RANGE with offset PRECEDING/FOLLOWING requires one ORDER BY expression", -201, false, false, false, "range", nullptr},
        {"recursive aggregate queries not supported", -9625, false, false, false, nullptr, "aggregates in a recursive or hierarchical query"},
        {"no such column: ", -217, true, false, false, nullptr, nullptr},
        {"no such table: ", -206, true, false, false, nullptr, nullptr},
        {"ambiguous column name: ", -324, true, false, false, nullptr, nullptr},
        {"no such function: ", -674, true, true, false, nullptr, nullptr},
        {"wrong number of arguments to function ", -674, true, true, false, nullptr, nullptr},
        {"too many levels of trigger recursion", -748, false, false, false, nullptr, nullptr},
        // A file function kept in a view, trigger or constraint (lob_files.cpp).
        {"unsafe use of ", -9630, true, true, false, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        if (!startsWith(msg, c.lead))
            continue;
        const std::string name = c.named ? nameAfter(msg, c.lead) : std::string(c.word ? c.word : "");
        const std::size_t at = findWord(text, name, c.call, c.last);
        const int offset = at == std::string_view::npos ? start : start + static_cast<int>(at);
        const bool showsName = c.code == -217 || c.code == -206 || c.code == -324 || c.code == -674 || c.code == -9630;
        std::string shown = name;
        if (c.code == -9630)
            for (char &ch : shown) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        ErrorInfo e = makeError(c.code, c.arg ? std::string(c.arg) : showsName ? shown : std::string(), offset);
        e.isamMessage = msg;
        return e;
    }
    return std::nullopt;
}

void raiseRefused(const std::string &msg, std::string_view text, int start)
{
    if (auto e = refusal(msg, text, start))
        throw EngineError(*e);
    int offset = start;
    // "near "x": syntax error": point at the token when the statement has it.
    if (startsWith(msg, "near \"")) {
        const auto close = msg.find('"', 6);
        const std::string token = close == std::string::npos ? std::string() : msg.substr(6, close - 6);
        const bool word = !token.empty() && isWordChar(token[0]);
        const std::size_t at = word ? findWord(text, token, false) : text.find(token);
        if (!token.empty() && at != std::string_view::npos)
            offset = start + static_cast<int>(at);
    }
    ErrorInfo e = makeError(-201, {}, offset);
    e.isamMessage = msg;
    throw EngineError(e);
}

bool isFileFailure(int rc)
{
    const int primary = rc & 0xFF;
    return primary == SQLITE_FULL || primary == SQLITE_IOERR || primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

void raiseFileFailure(const std::string &path, int rc, int systemErrno, int writeCode, int offset)
{
    const int primary = rc & 0xFF;
    // The ISAM text names the file: the SQL error of a statement (-271) cannot.
    const std::string where = " (" + path + ").";
    auto withFile = [&](const std::string &text) { return text.substr(0, text.size() - 1) + where; };
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        ErrorInfo e = makeError(-9623, path, offset, -105);
        e.isamMessage = withFile(e.isamMessage);
        throw EngineError(e);
    }
    const int sqlCode = writeCode ? writeCode : -9624;
    if (primary == SQLITE_FULL || systemErrno == ENOSPC) {
        ErrorInfo e = makeError(sqlCode, path, offset, -131);
        e.isamMessage = withFile(e.isamMessage);
        throw EngineError(e);
    }
    // Informix reports an operating system failure as its errno, negated.
    const int err = systemErrno > 0 ? systemErrno : EIO;
    ErrorInfo e = makeError(sqlCode, path, offset, -err);
    e.isamMessage = withFile(std::string(std::strerror(err)) + ".");
    throw EngineError(e);
}

void raiseFileFailure(sqlite3 *db, int rc, int writeCode, int offset)
{
    const char *file = sqlite3_db_filename(db, "main");
    raiseFileFailure(file ? file : "", rc, sqlite3_system_errno(db), writeCode, offset);
}

void raiseReadOnly(sqlite3 *db)
{
    const char *file = sqlite3_db_filename(db, "main");
    raise(-9621, file ? std::filesystem::path(file).stem().string() : std::string());
}

void fail(sqlite3 *db, const std::string &what)
{
    // Interrupts and lock conflicts are not faults of the engine.
    const int rc = db ? (sqlite3_errcode(db) & 0xFF) : SQLITE_ERROR;
    if (rc == SQLITE_INTERRUPT)
        raise(-213);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        raise(-244, {}, -1, -154);
    if (rc == SQLITE_READONLY)
        raiseReadOnly(db);
    if (isFileFailure(rc))
        raiseFileFailure(db, rc, 0, -1);
    // Our own functions and triggers name the Informix error themselves.
    if (db)
        if (auto e = functionError(sqlite3_errmsg(db)))
            throw EngineError(*e);
    if (const std::string limit = limitReached(db ? sqlite3_errmsg(db) : ""); !limit.empty())
        raise(-9622, limit);
    if (db)
        if (auto e = refusal(sqlite3_errmsg(db)))
            throw EngineError(*e);
    ErrorInfo info = makeError(-999);
    info.isamMessage = what + ": " + (db ? sqlite3_errmsg(db) : "no database");
    throw EngineError(info);
}

void exec(sqlite3 *db, const std::string &text)
{
    char *err = nullptr;
    if (int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err); rc != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        if ((rc & 0xFF) == SQLITE_INTERRUPT)
            raise(-213);
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
            raise(-244, {}, -1, -154);
        if ((rc & 0xFF) == SQLITE_READONLY)
            raiseReadOnly(db);
        if (isFileFailure(rc))
            raiseFileFailure(db, rc, 0, -1);
        if (auto e = functionError(msg))
            throw EngineError(*e);
        if (const std::string limit = limitReached(msg); !limit.empty())
            raise(-9622, limit);
        if (auto e = refusal(msg))
            throw EngineError(*e);
        ErrorInfo info = makeError(-999);
        info.isamMessage = msg + " in " + text.substr(0, 200);
        throw EngineError(info);
    }
}

Stmt::Stmt(sqlite3 *db, const std::string &text) : m_db(db)
{
    if (sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &m_stmt, nullptr) != SQLITE_OK)
        fail(db, "prepare " + text.substr(0, 200));
}

Stmt::~Stmt()
{
    if (m_owned) {
        sqlite3_finalize(m_stmt);
    } else {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

Stmt &Stmt::bind(int i, std::int64_t v)
{
    sqlite3_bind_int64(m_stmt, i, v);
    return *this;
}

Stmt &Stmt::bind(int i, double v)
{
    sqlite3_bind_double(m_stmt, i, v);
    return *this;
}

Stmt &Stmt::bind(int i, const std::string &v)
{
    sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt &Stmt::bindNull(int i)
{
    sqlite3_bind_null(m_stmt, i);
    return *this;
}

Stmt &Stmt::bind(int i, const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Null: return bindNull(i);
    case Value::Kind::Integer: return bind(i, v.integer);
    case Value::Kind::Float: return bind(i, v.real);
    case Value::Kind::Text: return bind(i, v.text);
    case Value::Kind::Blob:
        sqlite3_bind_blob(m_stmt, i, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    return *this;
}

bool Stmt::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(m_db, "step");
}

void Stmt::run()
{
    while (step()) {
    }
}

void Stmt::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Stmt::text(int col) const
{
    const unsigned char *p = sqlite3_column_text(m_stmt, col);
    return p ? std::string(reinterpret_cast<const char *>(p), sqlite3_column_bytes(m_stmt, col)) : std::string();
}

std::string quote(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string literal(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

} // namespace quodlin::engine::sql
