#pragma once
// Text operations on the SQL held in an editor: whether a text is object DDL
// (which Execute does not run) and whether it returns rows (which decides a
// live result), the object a CREATE text defines, the DROP that precedes a
// compile with the template placeholders renamed, and colons taken out of
// whole-line comments before text goes to the database layer.
//
// Keywords match in capitals only where the operations say so; that is how
// the query window tells DDL apart, and tests hold the cases.
#include "workspace/sqleditor.h"

#include <QStringList>

namespace quodlin {

class DbQuery;

// "<new>.sql", "<tr_new>", "<sp_new>", "<vw_new>", "<sy_new>", "tr_new",
// "sp_new", "vw_new", "sy_new", in the order they are replaced.
const QStringList &PlaceholderNames();

// A trimmed line (codes 0..32 removed at both ends).
QString TrimSql(const QString &text);
// Upper-cases a-z only, keeping the length.
QString UpperAscii(const QString &text);

bool IsObjectDDL(const ISqlEditor &editor);
bool IsMultiStatement(const ISqlEditor &editor);
bool IsRowReturning(const ISqlEditor &editor);
QString GetCreateObjectName(const ISqlEditor &editor);
QString GetUnqualifiedObjectName(const ISqlEditor &editor);

// The DROP statement for the editor's first CREATE line of a trigger,
// procedure, view or synonym; empty for any other text.
QString DropStatementFor(const ISqlEditor &editor, const QString &name);
// Renames the template placeholders to the CREATE text's object name unless
// that name still holds "_new"; keeps the caret where it was.
void RenamePlaceholders(ISqlEditor &editor, const QString &name);
// Renames the placeholders, then drops the object the text creates when it
// exists. True when a DROP ran without failure; every failure is swallowed.
bool DropBeforeCreate(ISqlEditor &editor, DbQuery &query);

void FixCommentColons(ISqlEditor &editor);

} // namespace quodlin
