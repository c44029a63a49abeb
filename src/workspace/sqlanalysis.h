#pragma once
// Text operations on the SQL held in an editor: whether a text is object DDL
// (which Execute does not run) and whether it returns rows (which decides a
// live result), the object a CREATE text defines, the DROP that precedes a
// compile with the template placeholders renamed, and colons taken out of
// whole-line comments before text goes to the database layer.
//
// Keywords match in capitals only where the operations say so; that is how
// the query window tells DDL apart, and tests hold the cases.
#include "app/sqleditor.h"
#include "db/sqlname.h"

#include <QStringList>

#include <optional>

namespace quodlin {

class DbQuery;

bool IsObjectDDL(const ISqlEditor &editor);
bool IsMultiStatement(const ISqlEditor &editor);
bool IsRowReturning(const ISqlEditor &editor);

// The object a text creates. The statement is the one on the first line that
// begins with "CREATE " in capitals (the line that decides whether a compile
// drops first), read as CREATE [DBA] [PUBLIC | PRIVATE] word [IF NOT EXISTS]
// [owner.]name with the name rules of sqlnamereader.h, where the word is one
// of the kinds' create words (objectkinds.h).
struct CreatedObject {
    int kind = 0;      // KindView, KindProcedure, KindTrigger or KindSynonym
    QString word;      // the create word, which the drop repeats: "FUNCTION"
    QString owner;     // empty when the text names none
    QString name;
    QString written;   // owner and name as the text writes them
    // A routine's parameter types as the text writes them, blanks made
    // single ("INTEGER", "CHAR(10)"). Absent for other kinds and where a
    // parameter is not a name and a plain type (LIKE, REFERENCES, a comment).
    std::optional<QStringList> signature;
};
// Nothing when that line creates none of the kinds or names no object
// that can be read (a template's "<vw_new>", a database-qualified name).
std::optional<CreatedObject> CreatedObjectOf(const ISqlEditor &editor);

// The DROP statement for the object the editor's text creates, its name
// written by SqlName and a routine's parameter types after it, so an
// overloaded routine loses only the form the text creates; empty for any
// other text. Raises DbError when the name cannot be written in that style.
QString DropStatementFor(const ISqlEditor &editor, SqlNameStyle style = SqlNameStyle::Delimident);
// Renames the template placeholders to the CREATE text's object name unless
// that name still holds "_new"; keeps the caret where it was.
void RenamePlaceholders(ISqlEditor &editor, const QString &name);
// Renames the placeholders to the created object's name as written, then
// drops that object when it exists, as the one statement of the query. A
// routine whose parameter list the text changed is dropped by its name when
// no other routine shares it. True when a DROP ran without failure; every
// failure is swallowed.
bool DropBeforeCreate(ISqlEditor &editor, DbQuery &query);

void FixCommentColons(ISqlEditor &editor);

} // namespace quodlin
