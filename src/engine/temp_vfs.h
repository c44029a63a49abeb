#pragma once
// Where SQLite puts a connection's temporary files (statement journals,
// sorts and temporary tables past their memory bound): in the database's
// own folder, never in a system-wide temporary folder that other users can
// see, that may be small, or that the user never chose.
#include <string>

namespace quodlin::engine {

// The name of a VFS, registered once per folder, that opens temporary
// files inside the folder of `databasePath`; pass it to sqlite3_open_v2.
// The files are unlinked as soon as they are open, so a crash leaves none.
const char *tempFolderVfs(const std::string &databasePath);

// Raises SQLite's in-memory bound for statement journals before the first
// connection opens (later calls and a library already in use leave it).
void configureTempSpill();

} // namespace quodlin::engine
