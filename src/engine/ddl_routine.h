#pragma once
// CREATE / DROP PROCEDURE, FUNCTION and TRIGGER: catalog rows only; routines
// are not run and triggers do not fire yet.
#include "engine/session.h"

namespace quodlin::engine::ddl {

void createRoutine(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text);
void dropRoutine(SessionImpl &s, const ast::RoutineStatement &st);
void createTrigger(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text);
void dropTrigger(SessionImpl &s, const ast::ObjectStatement &st);
// Deletes the triggers of table or view `tabid` (DROP VIEW drops its INSTEAD OF triggers).
void dropTriggersOn(SessionImpl &s, int tabid);
// GRANT / REVOKE EXECUTE ON PROCEDURE | FUNCTION | ROUTINE | SPECIFIC ...: sysprocauth rows.
void grantRevokeExecute(SessionImpl &s, const ast::PrivilegeStatement &st);
// Writes `text` as 256-character rows (id, key, seqno from firstSeqno, data).
void writeChunks(SessionImpl &s, const char *table, const char *idColumn, int id, char key,
                 const std::string &text, int firstSeqno);

} // namespace quodlin::engine::ddl
