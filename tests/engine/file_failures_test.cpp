// Failures of the database file itself: a full disk or an I/O error while a
// statement writes, and files that are not databases or are damaged. The
// full disk is SQLite's own: a VFS over the default one that, once armed,
// answers every write with the code a full disk gives (tests need no small
// filesystem and no root).
#include "scratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <atomic>
#include <cerrno>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

// ------------------------------------------------------------ the failing VFS

sqlite3_vfs *g_real = nullptr;
std::atomic<int> g_writeFailure{SQLITE_OK};  // what xWrite answers; SQLITE_OK: writes go through

struct ShimFile {
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *realOf(sqlite3_file *f) { return reinterpret_cast<ShimFile *>(f)->real; }

const sqlite3_io_methods kShimMethods = {
    3,
    [](sqlite3_file *f) { return realOf(f)->pMethods->xClose(realOf(f)); },
    [](sqlite3_file *f, void *p, int n, sqlite3_int64 o) { return realOf(f)->pMethods->xRead(realOf(f), p, n, o); },
    [](sqlite3_file *f, const void *p, int n, sqlite3_int64 o) {
        const int failure = g_writeFailure.load();
        if (failure == SQLITE_OK)
            return realOf(f)->pMethods->xWrite(realOf(f), p, n, o);
        errno = failure == SQLITE_FULL ? ENOSPC : EIO;  // as the failed write(2) leaves it
        return failure;
    },
    [](sqlite3_file *f, sqlite3_int64 size) { return realOf(f)->pMethods->xTruncate(realOf(f), size); },
    [](sqlite3_file *f, int flags) { return realOf(f)->pMethods->xSync(realOf(f), flags); },
    [](sqlite3_file *f, sqlite3_int64 *size) { return realOf(f)->pMethods->xFileSize(realOf(f), size); },
    [](sqlite3_file *f, int lock) { return realOf(f)->pMethods->xLock(realOf(f), lock); },
    [](sqlite3_file *f, int lock) { return realOf(f)->pMethods->xUnlock(realOf(f), lock); },
    [](sqlite3_file *f, int *out) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out); },
    [](sqlite3_file *f, int op, void *arg) { return realOf(f)->pMethods->xFileControl(realOf(f), op, arg); },
    [](sqlite3_file *f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); },
    [](sqlite3_file *f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); },
    [](sqlite3_file *f, int page, int size, int extend, void volatile **out) {
        return realOf(f)->pMethods->xShmMap(realOf(f), page, size, extend, out);
    },
    [](sqlite3_file *f, int offset, int n, int flags) { return realOf(f)->pMethods->xShmLock(realOf(f), offset, n, flags); },
    [](sqlite3_file *f) { realOf(f)->pMethods->xShmBarrier(realOf(f)); },
    [](sqlite3_file *f, int deleteFlag) { return realOf(f)->pMethods->xShmUnmap(realOf(f), deleteFlag); },
    [](sqlite3_file *f, sqlite3_int64 o, int n, void **out) { return realOf(f)->pMethods->xFetch(realOf(f), o, n, out); },
    [](sqlite3_file *f, sqlite3_int64 o, void *p) { return realOf(f)->pMethods->xUnfetch(realOf(f), o, p); },
};

sqlite3_vfs makeShim()
{
    sqlite3_vfs v = *g_real;
    v.zName = "quodlin_test_failing";
    v.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_real->szOsFile;
    v.pNext = nullptr;
    v.xOpen = [](sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags) {
        auto *shim = reinterpret_cast<ShimFile *>(f);
        shim->real = reinterpret_cast<sqlite3_file *>(shim + 1);
        const int rc = g_real->xOpen(g_real, name, shim->real, flags, outFlags);
        shim->base.pMethods = shim->real->pMethods ? &kShimMethods : nullptr;
        return rc;
    };
    // The default VFS's own functions find their state through the VFS they
    // are handed: give them theirs.
    v.xDelete = [](sqlite3_vfs *, const char *n, int sync) { return g_real->xDelete(g_real, n, sync); };
    v.xAccess = [](sqlite3_vfs *, const char *n, int flags, int *out) { return g_real->xAccess(g_real, n, flags, out); };
    v.xFullPathname = [](sqlite3_vfs *, const char *n, int size, char *out) {
        return g_real->xFullPathname(g_real, n, size, out);
    };
    v.xDlOpen = [](sqlite3_vfs *, const char *n) { return g_real->xDlOpen(g_real, n); };
    v.xDlError = [](sqlite3_vfs *, int n, char *out) { g_real->xDlError(g_real, n, out); };
    v.xDlSym = [](sqlite3_vfs *, void *h, const char *n) { return g_real->xDlSym(g_real, h, n); };
    v.xDlClose = [](sqlite3_vfs *, void *h) { g_real->xDlClose(g_real, h); };
    v.xRandomness = [](sqlite3_vfs *, int n, char *out) { return g_real->xRandomness(g_real, n, out); };
    v.xSleep = [](sqlite3_vfs *, int us) { return g_real->xSleep(g_real, us); };
    v.xCurrentTime = [](sqlite3_vfs *, double *out) { return g_real->xCurrentTime(g_real, out); };
    v.xGetLastError = [](sqlite3_vfs *, int n, char *out) { return g_real->xGetLastError(g_real, n, out); };
    v.xCurrentTimeInt64 = [](sqlite3_vfs *, sqlite3_int64 *out) { return g_real->xCurrentTimeInt64(g_real, out); };
    v.xSetSystemCall = nullptr;
    v.xGetSystemCall = nullptr;
    v.xNextSystemCall = nullptr;
    return v;
}

// Makes the failing VFS the default while it lives: sessions opened
// meanwhile write through it.
class FailingDisk {
public:
    FailingDisk()
    {
        g_real = sqlite3_vfs_find(nullptr);
        m_vfs = makeShim();
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FailingDisk()
    {
        g_writeFailure = SQLITE_OK;
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(g_real, 1);
    }
    void failWrites(int code) { g_writeFailure = code; }

private:
    sqlite3_vfs m_vfs{};
};

// ------------------------------------------------------------ tests

class FileFailures : public ScratchDatabaseTest {
protected:
    FileFailures() { open()->execute("create table t (n integer, s varchar(200)); insert into t values (1, 'a')"); }

    static std::int64_t rows(Session &s) { return firstInt(s, "select count(*) from t"); }
};

struct WriteCase {
    const char *name;
    const char *statement;  // run while every write fails
    int writeFailure;       // what the disk answers
    int sqlCode;
    int isamCode;
    const char *isamText;   // the ISAM message starts so; the file follows
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.name; }

class WriteFailure : public FileFailures, public testing::WithParamInterface<WriteCase> {};

TEST_P(WriteFailure, NamesTheFileAndKeepsTheDatabase)
{
    FailingDisk disk;
    auto s = Session::open(m_path, "ann");
    const std::string statement = GetParam().statement;
    // LOAD's rows go in one transaction: they reach the disk at COMMIT.
    if (statement == "commit work") {
        s->execute("begin work");
        s->execute("insert into t values (2, 'b')");
    }
    disk.failWrites(GetParam().writeFailure);
    const EngineError e = failureOf([&] { s->execute(statement); });
    EXPECT_EQ(e.sqlCode(), GetParam().sqlCode) << e.info().message;
    EXPECT_EQ(e.info().isamCode, GetParam().isamCode);
    EXPECT_EQ(e.info().isamMessage.rfind(GetParam().isamText, 0), 0u) << e.info().isamMessage;
    EXPECT_NE((e.info().message + e.info().isamMessage).find(m_path), std::string::npos)
        << e.info().message << " / " << e.info().isamMessage;
    EXPECT_EQ(s->sqlca().sqlcode, GetParam().sqlCode);

    disk.failWrites(SQLITE_OK);
    if (statement == "commit work") {
        EXPECT_EQ(failureOf([&] { s->execute("rollback work"); }).sqlCode(), -255) << "the transaction ended";
    }
    EXPECT_EQ(rows(*s), 1) << "nothing of the failed statement stays";
    s->execute("insert into t values (3, 'c')");
    EXPECT_EQ(rows(*s), 2) << "the session goes on once the disk has room";
}

INSTANTIATE_TEST_SUITE_P(Statements, WriteFailure, testing::Values(
    WriteCase{"insertFullDisk", "insert into t values (2, 'b')", SQLITE_FULL, -271, -131,
              "ISAM error: no free disk space ("},
    WriteCase{"updateFullDisk", "update t set s = 'z'", SQLITE_FULL, -346, -131, "ISAM error: no free disk space ("},
    WriteCase{"deleteIoError", "delete from t", SQLITE_IOERR_WRITE, -240, -5, "Input/output error ("},
    WriteCase{"createTableFullDisk", "create table u (n integer)", SQLITE_FULL, -9624, -131,
              "ISAM error: no free disk space ("},
    WriteCase{"commitWorkFullDisk", "commit work", SQLITE_FULL, -9624, -131, "ISAM error: no free disk space ("}),
    [](const auto &info) { return std::string(info.param.name); });

struct DamagedCase {
    const char *name;
    std::function<void(const std::string &path)> spoil;
};

void PrintTo(const DamagedCase &c, std::ostream *os) { *os << c.name; }

class DamagedFile : public FileFailures, public testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFile, IsNotADatabaseRatherThanMissing)
{
    GetParam().spoil(m_path);
    const EngineError e = failureOf([&] { Session::open(m_path, "ann"); });
    EXPECT_EQ(e.sqlCode(), -9623) << e.info().message;
    EXPECT_EQ(e.info().message, "The file (" + m_path + ") is not a database or is damaged.");
    EXPECT_EQ(e.info().isamCode, -105);
    EXPECT_TRUE(fs::exists(m_path)) << "the file is left as it was";
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFile, testing::Values(
    DamagedCase{"empty", [](const std::string &p) { writeFile(p, ""); }},
    DamagedCase{"text", [](const std::string &p) { writeFile(p, std::string(5000, 'q')); }},
    DamagedCase{"truncated", [](const std::string &p) { fs::resize_file(p, 6000); }},
    DamagedCase{"headerOverwritten", [](const std::string &p) {
        std::fstream f(p, std::ios::binary | std::ios::in | std::ios::out);
        f.write("not a database!!", 16);
    }},
    DamagedCase{"otherSqliteDatabase", [](const std::string &p) {
        fs::remove(p);
        sqlite3 *db = nullptr;
        sqlite3_open(p.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE notes (x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileFailures, ReadOnlyFileThatIsNoDatabaseIsReportedSo)
{
    writeFile(m_path, std::string(5000, 'q'));
    fs::permissions(m_path, fs::perms::owner_read);
    EXPECT_EQ(failureOf([&] { Session::open(m_path, "ann"); }).sqlCode(), -9623);
}

} // namespace
