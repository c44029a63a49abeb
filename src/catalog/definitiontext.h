#pragma once
// The source texts of views, procedures and triggers glued back together from
// the catalog's fixed-width rows, with a view's text laid out on several
// lines (never inside a quoted literal or a comment) and tabs turned into two
// blanks. The layer returns a row without its trailing blanks, but the
// catalog cuts a statement at chunk boundaries, so each row is padded back
// to the chunk width first (see AppendChunk). Line breaks are CR LF. The browser puts the result into the object's Edit page
// editor and keeps it as its definition text; quodlin-cli show prints it.
#include "catalog/objectkinds.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quodlin {

class DbQuery;

inline constexpr int kViewChunkWidth = 64;
inline constexpr int kBodyChunkWidth = 256;

// Appends `row` padded with blanks to `width` and cut to it, counted in
// UTF-8 bytes as the catalog's CHAR columns count. The catalog ends a row at
// a character boundary, and short of the width before the blanks and letter
// beyond ASCII that would not fit (the engine's ddl_common.h): the blanks
// that padded the row before are taken back when this row begins so.
void AppendChunk(QString &text, const QString &row, int width);

// Rows of sysviews.viewtext in seqno order.
QString RebuildViewText(const QStringList &rows);
// Rows of sysprocbody.data (data key 'T') in seqno order.
QString RebuildProcedureText(const QStringList &rows);

struct TriggerBodyRow {
    QString datakey;  // "D" header, "A" action
    QString data;
};
// Rows of systrigbody in the order of qryTrigBody (header rows, then actions):
// the header joined and trimmed at its end, CR LF, then the actions.
QString RebuildTriggerText(const QList<TriggerBodyRow> &rows);

// The same from the module's open queries (qryViewBody, qryProcBody,
// qryTrigBody), read from the first row to the end; a closed query reads as
// no rows. Raise the layer's failures.
QString RebuildViewText(DbQuery &viewBody);
QString RebuildProcedureText(DbQuery &procBody);
QString RebuildTriggerText(DbQuery &trigBody);
// The one of the three a kind's layout names; empty for DefinitionLayout::None.
QString RebuildDefinitionText(DefinitionLayout layout, DbQuery &body);

} // namespace quodlin
