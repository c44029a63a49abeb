// FILETOBLOB, FILETOCLOB and LOTOFILE: smart large objects read from and
// written to files. The embedded engine runs in the client's process, so
// 'client' and 'server' name the same machine's files, and a relative name
// is taken from the current folder as the client takes it.
//
// A database may come from someone else, so the files these functions touch
// are the user's choice only: in a statement the user runs. Routines and
// trigger actions (FunctionContext::storedCodeDepth) and SQL that SQLite
// keeps (views, triggers, constraints: SQLITE_DIRECTONLY) are refused unless
// the environment switches outside access on (file_access.h), as SYSTEM is.
#include "engine/file_access.h"
#include "engine/sqlfunction_util.h"
#include "engine/sqlfunctions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quodlin::engine {

using namespace fn;
namespace fs = std::filesystem;

namespace {

// The errno of a failed file operation as Informix reports it: negated, as
// the ISAM code.
[[noreturn]] void fileFailure(const std::string &path, int err)
{
    ErrorInfo e = makeError(-9629, path, -1, -(err ? err : EIO));
    e.isamMessage = std::string(std::strerror(err ? err : EIO)) + ".";
    throw EngineError(e);
}

void checkDestination(const std::string &destination)
{
    std::string d = destination;
    d.erase(std::remove_if(d.begin(), d.end(), [](unsigned char c) { return std::isspace(c); }), d.end());
    std::transform(d.begin(), d.end(), d.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (d != "client" && d != "server") raise(-9629, "destination '" + destination + "' (client or server)");
}

// Refuses inside routines and trigger actions unless switched on.
bool allowedHere(sqlite3_context *c, const char *function, int offset)
{
    const auto *ctx = static_cast<const FunctionContext *>(sqlite3_user_data(c));
    if (ctx->storedCodeDepth == 0 || outsideAccessAllowed()) return true;
    fail(c, -9630, function, 0, offset);
    return false;
}

std::string readFile(const std::string &path)
{
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) fileFailure(path, errno);
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) fileFailure(path, errno);
    return out.str();
}

// Written beside its place and renamed over it: a failure leaves no half file.
void writeFile(const std::string &path, std::string_view data)
{
    const std::string temp = path + ".part";
    errno = 0;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) fileFailure(path, errno);
        out.write(data.data(), std::streamsize(data.size()));
        out.flush();
        if (!out) {
            const int err = errno;
            std::remove(temp.c_str());
            fileFailure(path, err);
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        fileFailure(path, ec.value());
    }
}

void fileTo(sqlite3_context *c, int n, sqlite3_value **v, bool blob)
{
    const int offset = offsetArg(n, v, 2);
    if (isNull(v[0]) || isNull(v[1])) return sqlite3_result_null(c);
    if (!allowedHere(c, blob ? "FILETOBLOB" : "FILETOCLOB", offset)) return;
    try {
        checkDestination(text(v[1]));
        const std::string path = text(v[0]);
        const std::string data = readFile(path);
        if (blob) sqlite3_result_blob64(c, data.data(), data.size(), SQLITE_TRANSIENT);
        else resultText(c, data);
    } catch (const EngineError &e) {
        fail(c, e.sqlCode(), messageArgument(e.info()).value_or(std::string()), e.info().isamCode, offset);
    }
}

void loToFile(sqlite3_context *c, int n, sqlite3_value **v)
{
    const int offset = offsetArg(n, v, 3);
    if (isNull(v[0]) || isNull(v[1]) || isNull(v[2])) return sqlite3_result_null(c);
    if (!allowedHere(c, "LOTOFILE", offset)) return;
    try {
        checkDestination(text(v[2]));
        const auto *bytes = static_cast<const char *>(sqlite3_value_blob(v[0]));
        const std::string_view data(bytes ? bytes : "", std::size_t(sqlite3_value_bytes(v[0])));
        const std::string path = loFileName(text(v[1]), data);
        writeFile(path, data);
        resultText(c, path);
    } catch (const EngineError &e) {
        fail(c, e.sqlCode(), messageArgument(e.info()).value_or(std::string()), e.info().isamCode, offset);
    }
}

} // namespace

std::string loFileName(const std::string &path, std::string_view value)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char ch : value) {
        h ^= ch;
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(h));
    return path + "." + hex;
}

void registerLobFileFunctions(sqlite3 *db, FunctionContext *ctx)
{
    const int flags = SQLITE_UTF8 | (outsideAccessAllowed() ? 0 : SQLITE_DIRECTONLY);
    using Body = void (*)(sqlite3_context *, int, sqlite3_value **);
    auto add = [&](const char *name, int nargs, Body body) {
        for (int k : {nargs, nargs + 1})
            sqlite3_create_function_v2(db, name, k, flags, ctx, body, nullptr, nullptr, nullptr);
    };
    add("ifx_filetoblob", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { fileTo(c, n, v, true); });
    add("ifx_filetoclob", 2, [](sqlite3_context *c, int n, sqlite3_value **v) { fileTo(c, n, v, false); });
    add("ifx_lotofile", 3, loToFile);
}

} // namespace quodlin::engine
