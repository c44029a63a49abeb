#pragma once
// Catalog codes turned into the words the object browser shows: column data
// types with their lengths and qualifiers, the NOT NULL marker, default
// kinds, table types, procedure and trigger modes, trigger events, index and
// dependency types. Pure functions of the raw catalog values; TdmDbObjects
// hooks them to its calculated and displayed fields, so a window or a text
// output reading a field's display text gets these words.
#include <QString>

namespace quodlin {

// syscolumns.coltype / collength (16-bit values, sign-extended). The NOT NULL
// bit (256) is ignored. `extendedId` (syscolumns.extended_id) tells the
// opaque types 40 and 41 apart; 0 when unknown.
QString ColumnTypeText(int coltype, int collength, int extendedId = 0);
// The qualifier of a DATETIME or INTERVAL collength, e.g. " YEAR TO SECOND".
QString DateTimeQualifierText(int collength);
// "Reqd" when the NOT NULL bit of coltype is set.
QString RequiredText(int coltype);
// sysdefaults.type: L U C N T S.
QString DefaultKindText(const QString &letter);
// systables.tabtype: T V S L P.
QString TableTypeText(const QString &letter);
// sysprocedures.mode: D O P.
QString ProcedureModeText(const QString &letter);
// systriggers.mode is shown as stored.
QString TriggerModeText(const QString &letter);
// systriggers.event: I U D.
QString TriggerEventText(const QString &letter);
// sysindexes.idxtype: U D.
QString IndexTypeText(const QString &letter);
// sysdepend.dtype: V T.
QString DependTypeText(const QString &letter);
// The placeholder a grid shows in a memo cell.
QString MemoPlaceholder(bool isNull);

} // namespace quodlin
