#pragma once
// DDL of views, synonyms, roles and privileges (ddl_view.cpp, ddl_synonym.cpp,
// ddl_auth.cpp). Privileges are recorded in the catalog, not enforced.
#include "engine/session.h"

namespace quodlin::engine::ddl {

void createView(SessionImpl &s, const ast::CreateViewStatement &st, const std::string &text);
void dropView(SessionImpl &s, const ast::ObjectStatement &st);
// Drops the views built on object `tabid` (and the views built on those).
void dropDependentViews(SessionImpl &s, int tabid);
// After ALTER TABLE: drops the views of `tabid` that no longer resolve (a
// column they read was dropped) and re-describes the others.
void dropBrokenViews(SessionImpl &s, int tabid);

void createSynonym(SessionImpl &s, const ast::CreateSynonymStatement &st);
void dropSynonym(SessionImpl &s, const ast::ObjectStatement &st);
// Drops the local synonyms of object `btabid`, which is being dropped.
void dropSynonymsOf(SessionImpl &s, int btabid);

void createRole(SessionImpl &s, const ast::ObjectStatement &st);
void dropRole(SessionImpl &s, const ast::ObjectStatement &st);
void grantRevoke(SessionImpl &s, const ast::PrivilegeStatement &st);
// SET ROLE: the role must exist; with privileges not enforced it changes nothing.
void setRole(SessionImpl &s, const ast::SetOtherStatement &st);

// UPDATE STATISTICS (ddl_statistics.cpp): row and index counts SQLite can tell.
void updateStatistics(SessionImpl &s, const ast::UpdateStatisticsStatement &st);

} // namespace quodlin::engine::ddl
