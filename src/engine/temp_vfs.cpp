#include "engine/temp_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>

namespace quodlin::engine {

namespace {

struct FolderVfs {
    sqlite3_vfs vfs{};
    sqlite3_vfs *base = nullptr;
    std::string folder;
    std::string name;
};

std::atomic<unsigned> g_counter{0};

// Each file's name lives after the base VFS's own file structure, in the
// block SQLite allocates for the file (szOsFile), for as long as the file.
int openFile(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *self = static_cast<FolderVfs *>(vfs->pAppData);
    if (name || !(flags & SQLITE_OPEN_DELETEONCLOSE))
        return self->base->xOpen(self->base, name, file, flags, outFlags);
    char *buffer = reinterpret_cast<char *>(file) + self->base->szOsFile;
    const std::size_t room = std::size_t(vfs->szOsFile - self->base->szOsFile);
    std::memset(buffer, 0, room);
    // Unique within the process by the counter and across processes by the
    // random part; O_EXCL in the base VFS refuses a clash.
    unsigned random = 0;
    sqlite3_randomness(sizeof random, &random);
    std::snprintf(buffer, room - 2, "%s/.quodlin-tmp-%08x-%u", self->folder.c_str(), random, g_counter.fetch_add(1));
    return self->base->xOpen(self->base, buffer, file, flags | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_CREATE, outFlags);
}

std::mutex g_mutex;
std::deque<FolderVfs> g_vfs;  // registered for the process's lifetime, never moved

} // namespace

const char *tempFolderVfs(const std::string &databasePath)
{
    std::filesystem::path folder = std::filesystem::absolute(databasePath).parent_path();
    const std::string dir = folder.string();
    std::lock_guard lock(g_mutex);
    // Over the default VFS of the moment (a test may put one of its own there).
    sqlite3_vfs *base = sqlite3_vfs_find(nullptr);
    if (!base)
        return nullptr;
    for (const FolderVfs &v : g_vfs)
        if (v.folder == dir && v.base == base)
            return v.name.c_str();
    FolderVfs &v = g_vfs.emplace_back();
    v.base = base;
    v.folder = dir;
    v.name = "quodlin-folder-" + std::to_string(g_vfs.size());
    v.vfs = *base;
    v.vfs.pNext = nullptr;
    v.vfs.zName = v.name.c_str();
    v.vfs.pAppData = &v;
    // Room for the folder, the file name and the double terminator SQLite expects of names.
    v.vfs.szOsFile = base->szOsFile + int(dir.size()) + 64;
    v.vfs.xOpen = openFile;
    // The base's other methods take the VFS only to reach their own data:
    // give them the base (SQLite passes this VFS).
    v.vfs.xDelete = [](sqlite3_vfs *p, const char *n, int sync) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xDelete(b, n, sync);
    };
    v.vfs.xAccess = [](sqlite3_vfs *p, const char *n, int f, int *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xAccess(b, n, f, out);
    };
    v.vfs.xFullPathname = [](sqlite3_vfs *p, const char *n, int size, char *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xFullPathname(b, n, size, out);
    };
    v.vfs.xDlOpen = [](sqlite3_vfs *p, const char *n) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xDlOpen(b, n);
    };
    v.vfs.xDlError = [](sqlite3_vfs *p, int n, char *msg) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        b->xDlError(b, n, msg);
    };
    v.vfs.xDlSym = [](sqlite3_vfs *p, void *h, const char *sym) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xDlSym(b, h, sym);
    };
    v.vfs.xDlClose = [](sqlite3_vfs *p, void *h) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        b->xDlClose(b, h);
    };
    v.vfs.xRandomness = [](sqlite3_vfs *p, int n, char *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xRandomness(b, n, out);
    };
    v.vfs.xSleep = [](sqlite3_vfs *p, int us) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xSleep(b, us);
    };
    v.vfs.xCurrentTime = [](sqlite3_vfs *p, double *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xCurrentTime(b, out);
    };
    v.vfs.xGetLastError = [](sqlite3_vfs *p, int n, char *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xGetLastError ? b->xGetLastError(b, n, out) : 0;
    };
    v.vfs.xCurrentTimeInt64 = [](sqlite3_vfs *p, sqlite3_int64 *out) {
        sqlite3_vfs *b = static_cast<FolderVfs *>(p->pAppData)->base;
        return b->xCurrentTimeInt64(b, out);
    };
    v.vfs.xSetSystemCall = nullptr;
    v.vfs.xGetSystemCall = nullptr;
    v.vfs.xNextSystemCall = nullptr;
    if (v.vfs.iVersion > 2)
        v.vfs.iVersion = 2;
    if (sqlite3_vfs_register(&v.vfs, 0) != SQLITE_OK) {
        g_vfs.pop_back();
        return nullptr;
    }
    return v.name.c_str();
}

} // namespace quodlin::engine
