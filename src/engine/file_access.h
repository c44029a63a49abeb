#pragma once
// What SQL text may reach outside the database: the files that SET EXPLAIN
// FILE TO and SET DEBUG FILE TO name, and the programs SPL's SYSTEM starts.
// A database may come from someone else and its routines run inside the
// statements a user types (a view's function, a trigger on a plain INSERT),
// so nothing it holds may write a file of its choosing or start a program:
// both are refused unless the process's environment has QUODLIN_SPL_SYSTEM=1.
// One switch serves both because a file written with chosen text is as
// strong as a command (a line added to a shell's start-up file runs as one).
// Without it SQL still writes the session's explain file and other files in
// its folder, the one the user's settings chose (a name without a folder
// goes there).
#include "engine/engine.h"

#include <string>

namespace quodlin::engine {

inline constexpr const char *kOutsideAccessVariable = "QUODLIN_SPL_SYSTEM";

// Whether the environment switches writing anywhere and SYSTEM on.
bool outsideAccessAllowed();

// Where a file named in SQL goes: a relative name in the folder of the
// session's explain file (when the environment names one), else as named.
std::string sessionFilePath(const Environment &env, const std::string &named);

// The session's explain file: the environment's, else sqexplain.out in the
// working folder.
std::string defaultExplainFile(const Environment &env);

// The path of `named` (sessionFilePath) when SQL may write it: always with
// the switch, else only the default explain file and, when the environment
// names one, other files in its folder. Otherwise raises `sqlCode` naming
// the file, with a message that says how to allow it.
std::string writableFile(const Environment &env, const std::string &named, int sqlCode, int offset);

} // namespace quodlin::engine
