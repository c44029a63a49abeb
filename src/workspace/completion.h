#pragma once
// Completion in the SQL editors: what to offer at the caret of a statement
// text, from the dialect's keywords, the catalog snapshot of the editor's
// connection (catalog/catalogsnapshot.h) and the text itself.
//
// The caret's context decides: after FROM, JOIN, UPDATE, INTO, TABLE and
// between a FROM clause's commas, the tables, views and synonyms; after
// `alias.` or `table.`, that table's columns (aliases are read from the whole
// statement around the caret, so one declared later in the FROM clause
// counts); after `owner.`, that owner's objects; after EXECUTE PROCEDURE,
// EXECUTE FUNCTION and CALL, the routines with their parameters; elsewhere
// the columns of the statement's tables, the SPL variables and parameters of
// the routine being edited, the routines and the keywords. Inside a string
// or a comment nothing is offered. Entries match the word before the caret
// by its start, ignoring case; names are written through SqlName in the
// connection's style and owner-qualified when the owner is not the user.
#include <QList>
#include <QString>

namespace quodlin {

class CatalogSnapshot;

enum class CompletionKind { Column, Variable, Table, View, Synonym, Procedure, Function, Keyword };

struct CompletionEntry {
    QString text;       // what replaces the word before the caret
    CompletionKind kind = CompletionKind::Keyword;
    QString detail;     // the type of a column or variable, a routine's parameters, an object's owner
    bool operator==(const CompletionEntry &) const = default;
};

struct Completion {
    int start = 0;      // where the word before the caret begins; it runs to the caret
    QString prefix;     // that word
    QList<CompletionEntry> entries;
};

// `caret` is an index into `text`; a null catalog offers keywords and the text's own names.
Completion CompleteSql(const QString &text, int caret, const CatalogSnapshot *catalog);

// "column", "table", ... as the popup shows the kind.
QString CompletionKindName(CompletionKind kind);

} // namespace quodlin
