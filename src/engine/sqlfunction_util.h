#pragma once
// Helpers shared by the files that define the dialect's SQLite functions:
// NULL in -> NULL out, and an EngineError turned into the SQLite error text
// that functionError() reads back ("quodlin[@offset]:<code>:<isam>:<arg>").
#include "engine/error.h"
#include "engine/values.h"

#include <sqlite3.h>

#include <exception>
#include <string>

namespace quodlin::engine::fn {

inline bool isNull(sqlite3_value *v) { return sqlite3_value_type(v) == SQLITE_NULL; }

inline std::string text(sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_FLOAT) return formatNumber(sqlite3_value_double(v));
    const unsigned char *t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char *>(t), std::size_t(sqlite3_value_bytes(v))) : std::string();
}

inline void resultText(sqlite3_context *c, const std::string &s)
{
    sqlite3_result_text(c, s.data(), int(s.size()), SQLITE_TRANSIENT);
}

inline void fail(sqlite3_context *c, int code, const std::string &arg = {}, int isam = 0, int offset = -1)
{
    const std::string head = offset < 0 ? std::string("quodlin:") : "quodlin@" + std::to_string(offset) + ":";
    const std::string msg = head + std::to_string(code) + ":" + std::to_string(isam) + ":" + arg;
    sqlite3_result_error(c, msg.c_str(), int(msg.size()));
}

inline bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return true;
    return false;
}

// The offset passed after a function's `plain` arguments, -1 when none was.
inline int offsetArg(int argc, sqlite3_value **argv, int plain)
{
    return argc > plain ? sqlite3_value_int(argv[plain]) : -1;
}

// Wraps a function body: NULL in -> NULL out, EngineError -> SQLite error.
// `plain`: the function's own argument count when an offset may follow them.
template <typename F>
void guarded(sqlite3_context *c, int argc, sqlite3_value **argv, F &&body, bool nullIn = true, int plain = -1)
{
    const auto offset = [&] { return plain < 0 ? -1 : offsetArg(argc, argv, plain); };
    if (nullIn && anyNull(argc, argv)) {
        sqlite3_result_null(c);
        return;
    }
    try {
        body();
    } catch (const EngineError &e) {
        fail(c, e.sqlCode(), {}, e.info().isamCode, offset());
    } catch (const std::exception &) {
        fail(c, -1213, {}, 0, offset());
    }
}

} // namespace quodlin::engine::fn
