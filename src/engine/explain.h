#pragma once
// SET EXPLAIN: the session's explain settings and the query plan entries
// appended to the explain file. A plan is SQLite's own (EXPLAIN QUERY PLAN
// of the statement's translation) told in Informix terms: numbered tables as
// owner.alias with their access path, Informix index names and keys, the
// statement's predicates as index and row filters, estimated cost and rows.
#include "engine/ast.h"
#include "engine/translator.h"

#include <string>

namespace quodlin::engine {

class SessionImpl;

struct ExplainSettings {
    bool on = false;
    bool avoidExecute = false;  // ON AVOID_EXECUTE: plans are written, statements not run
    std::string fileTo;         // SET EXPLAIN FILE TO; empty: the session's default file
};

namespace explain {

// The file entries go to: FILE TO (a relative name in the default file's
// folder), else the environment's default, else sqexplain.out in the
// working folder.
std::string targetPath(const ExplainSettings &settings, const Environment &env);

// Carries out SET EXPLAIN. Turning explain on opens the target for append
// (creating it) and fails, leaving the settings as they were, when it cannot.
// FILE TO outside the session's folder needs the switch (file_access.h).
void set(SessionImpl &s, const ast::SetExplainStatement &st);

// The entry of one SELECT, INSERT ... SELECT, UPDATE or DELETE; `sql` is the
// SQLite statement it runs as. Empty for statements that get no entry
// (INSERT ... VALUES, reads of the system catalog only).
std::string entry(SessionImpl &s, const ast::Statement &stmt, const std::string &text, const std::string &sql);

// Called before a query or DML statement runs while explain is on: appends
// its entry (raising when the file cannot be written, so the statement does
// not run unexplained) and tells whether the statement must not run.
bool beforeRun(SessionImpl &s, const ast::Statement &stmt, const std::string &text, const Translation &tr);

} // namespace explain

} // namespace quodlin::engine
