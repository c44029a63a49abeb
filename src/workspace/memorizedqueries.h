#pragma once
// Memorized queries: SQL texts stored under a description of the user's
// choice (key "Memorized Queries", one subkey per description, value "SQL"),
// and the list the paste dialog shows: the four templates first, then the
// descriptions. A description may hold any character; a backslash is stored
// quoted so it does not nest keys, and comes back as written.
#include <QDate>
#include <QString>
#include <QStringList>

namespace quodlin {

inline const QString kTemplateEntryPrefix = QStringLiteral("Template: ");

void MemorizeQuery(const QString &description, const QString &sql);
// The descriptions in the store's order.
QStringList MemorizedQueryDescriptions();
bool RemoveMemorizedQuery(const QString &description);

// "Template: Stored Procedure" ... "Template: Synonym", then the descriptions.
QStringList MemorizedQueryEntries();
// Entries naming a template cannot be removed; neither can anything holding
// "Template: " (so a description may not be told apart from a template).
bool CanRemoveEntry(const QString &entry);
// The text an entry pastes: a template's stored text with "<curdate>" and
// "<initials>" filled in, or a memorized query's SQL; empty when missing.
QString EntryText(const QString &entry, const QDate &date);

// The text the query window pastes for a template kind: the stored template,
// else `currentText`, with the date and the "Initials" setting filled in.
QString TemplateTextForPaste(const QString &kind, const QString &currentText, const QDate &date);

} // namespace quodlin
