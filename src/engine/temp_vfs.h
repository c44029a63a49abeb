#pragma once
// Where SQLite puts a connection's temporary files (statement journals,
// sorts and temporary tables past their memory bound): in the database's
// own folder, never in a system-wide temporary folder that other users can
// see, that may be small, or that the user never chose.
// A statement journal stays in memory up to SQLite's own bound (64 KiB).
// A larger one (SQLITE_CONFIG_STMTJRNL_SPILL) made a journal that later
// spilled fail its statement with SQLITE_FULL under SQLite 3.40.
#include <string>

namespace quodlin::engine {

// The name of a VFS, registered once per folder, that opens temporary
// files inside the folder of `databasePath`; pass it to sqlite3_open_v2.
// The files are unlinked as soon as they are open, so a crash leaves none.
const char *tempFolderVfs(const std::string &databasePath);

} // namespace quodlin::engine
