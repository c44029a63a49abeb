// libFuzzer target: one input is a statement text (several statements
// separated by ';' allowed) that the engine parses, translates and runs on a
// scratch database with a few tables of every column type. Rows are read and
// shown as the tools show them. Informix errors are the expected answer to bad
// text; any other exception escaping the engine is a fault and aborts. A
// text may loop for ever (an SPL LOOP that never exits), as it may on a
// server: a watchdog presses Stop after two seconds, as a user would.
#include "engine/engine.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <unistd.h>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

const char *const kSchema = R"sql(
create table kinds (
    k serial primary key, c char(8), vc varchar(20,2), lv lvarchar(300),
    nc nchar(4), nvc nvarchar(10), si smallint, i integer, i8 int8, bi bigint,
    d decimal(10,2), df decimal, m money(8,2), f float, sf smallfloat,
    dt date, ts datetime year to second, tf datetime hour to fraction(3),
    iv interval day to second, ym interval year to month, b boolean,
    tx text, by byte);
create table owners (o serial8 primary key, name varchar(30) not null unique,
    k integer references kinds (k), check (length(name) > 0));
create table events (e bigserial, o int8, at datetime year to fraction(5));
create index kinds_ci on kinds (c, i desc);
create view kinds_v (k, c, total) as select k, c, d * 2 from kinds where i > 0
    with check option;
create synonym kinds_s for kinds;
create sequence seq1 start with 5 increment by 3;
create procedure bump(n integer) returning integer;
    define r integer;
    let r = n + 1;
    return r;
end procedure;
create trigger kinds_t insert on kinds referencing new as n for each row
    (insert into owners (name, k) values ('t' || n.k, n.k));
insert into kinds values (0, 'abc', 'x', 'long text', 'n', 'nv', 1, 2, 3, 4,
    12.34, 1.5e10, 9.99, 1.25, 2.5, '12/31/1999',
    datetime (2024-02-29 23:59:58) year to second,
    datetime (10:11:12.123) hour to fraction(3),
    interval (3 04:05:06) day to second, interval (2-06) year to month,
    't', null, null);
insert into kinds (c, i, d, dt) values (null, -7, -0.01, '01/01/0001');
insert into kinds (k) values (2147483647);
insert into owners (name, k) values ('first', 1);
insert into owners (name) values ('second');
insert into events (o, at) values (1, current year to fraction(5));
update statistics;
)sql";

std::string g_template;  // the scratch database as created, never opened again
std::string g_work;      // the copy each input runs on
std::unique_ptr<Session> g_session;
std::mutex g_sessionMutex;              // the watchdog's Stop against the session's replacement
std::atomic<long long> g_runningSince{0};  // steady-clock milliseconds; 0 between inputs

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void watchdog()
{
    constexpr long long kStopAfterMs = 2000;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Again at every look: a statement clears a Stop that came before it
        // began. Under the lock, so no Stop lands once the input is done.
        const std::lock_guard<std::mutex> lock(g_sessionMutex);
        const long long since = g_runningSince.load();
        if (since != 0 && nowMs() - since >= kStopAfterMs && g_session)
            g_session->interrupt();
    }
}

bool lowerContains(std::string_view text, std::string_view word)
{
    auto it = std::search(text.begin(), text.end(), word.begin(), word.end(),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return it != text.end();
}

void restoreWork()
{
    std::error_code ec;
    fs::remove(g_work + "-wal", ec);
    fs::remove(g_work + "-shm", ec);
    fs::copy_file(g_template, g_work, fs::copy_options::overwrite_existing);
}

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "engine fuzz: %s\n", what);
    std::abort();
}

void run(Session &session, const std::string &text)
{
    auto statement = session.prepare(text);
    for (int i = 0; i < statement->parameterCount(); ++i)
        statement->bind(i, i % 2 ? Value::fromText("1") : Value::fromInt(i));
    statement->execute();
    if (!statement->hasResultSet())
        return;
    const auto &columns = statement->columns();
    // A bounded read: a cross join of the scratch tables is small, but a
    // text may ask for one many times over.
    for (int row = 0; row < 200 && statement->next(); ++row)
        for (std::size_t c = 0; c < columns.size(); ++c)
            displayText(statement->value(static_cast<int>(c)), columns[c], session.environment(), true);
    statement->close();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Memory-backed when the machine has it: every input commits or rolls back.
    const char *base = std::getenv("QUODLIN_FUZZ_DIR");
    fs::path dir = base && *base ? fs::path(base) : fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    dir /= "quodlin-fuzz-engine-" + std::to_string(::getpid());
    fs::create_directories(dir);
    g_template = (dir / "template.db").string();
    g_work = (dir / "work.db").string();
    fs::remove(g_template);
    try {
        Session::createDatabase(g_template, "fuzzer");
        auto session = Session::open(g_template, "fuzzer");
        session->execute(kSchema);
    } catch (const EngineError &e) {
        fault(e.what());
    }
    restoreWork();
    std::thread(watchdog).detach();
    std::atexit([] {
        g_session.reset();
        std::error_code ec;
        fs::remove_all(fs::path(g_work).parent_path(), ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    // SET EXPLAIN FILE TO and SET DEBUG FILE TO write beside the explain
    // file, /dev/null here: keep the fuzzer out of /dev.
    if ((lowerContains(text, "explain") || lowerContains(text, "debug")) && lowerContains(text, "file"))
        return 0;

    if (!g_session) {
        Environment env;
        env.explainFile = "/dev/null";
        auto session = Session::open(g_work, "fuzzer", env);
        const std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_session = std::move(session);
    }
    // A transaction undone afterwards keeps the database as created, so one
    // session serves many inputs. A text that ends the transaction itself
    // gets a fresh copy; one that may change the session's settings a fresh
    // session.
    g_session->execute("begin work");
    g_runningSince = nowMs();
    try {
        run(*g_session, text);
    } catch (const EngineError &) {
    } catch (const std::exception &e) {
        fault(e.what());
    }
    {
        const std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_runningSince = 0;
    }
    const auto drop = [] {
        const std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_session.reset();
    };
    if (!g_session->inTransaction()) {
        drop();
        restoreWork();
        return 0;
    }
    g_session->execute("rollback work");
    if (lowerContains(text, "set ") || lowerContains(text, "nextval"))
        drop();
    return 0;
}
