#pragma once
// An object's detail pages as text, filled as the browser fills them: the
// caption bar, the property page as "Label: value" lines with the page's
// captions, each grid page under its caption as a text table of its visible
// columns, then the rebuilt definition text of a view, procedure or trigger.
// Names and values are shown through EscapeControls (a name holding a line
// break stays on its line); the definition text is printed as stored.
// quodlin-cli show prints it; a print of the pages can reuse it.
#include "browser/objecttree.h"
#include "db/sqlname.h"

#include <QStringList>

namespace quodlin {

class DbQuery;
class TdmDbObjects;

// A query's rows as a text table: labels of the visible fields, dashes, one
// line per row of display texts (through EscapeControls). Unlike the result text of a query window
// nothing is cut: each column is as wide as its longest text. Trailing
// blanks are dropped. The cursor ends on the row it started on.
QStringList GridTextLines(DbQuery &query);

struct GotoButton;
// A Go button's target: the label of the table node (kind 1) named by the
// current row of its query, formatted as the tree formats it. Empty when the
// query is closed or has no row.
QString GotoTargetLabel(TdmDbObjects &module, const GotoButton &button, const OwnerDisplay &display);
// The button is enabled: always, or while its enabling query has a row.
bool GotoEnabled(TdmDbObjects &module, const GotoButton &button);

// Loads the node's object through the module (its Load* operation) and
// returns the lines of its pages. `node` comes from an object tree. Raises
// the layer's failures.
QStringList ObjectDetailLines(TdmDbObjects &module, const TNodeInfo &node);

// The data page's statement: every column of the table or view, its name
// written by SqlName (without owner, as the exports read the table's name
// from it). Raises DbError when the name cannot be written in that style.
QString TableDataStatement(const QString &name, SqlNameStyle style);

} // namespace quodlin
