#pragma once
// Compile and drop of views, procedures, functions and triggers: the object the text
// creates is dropped, the text is run, and when that fails the old
// definition comes back, so a failed edit does not leave the database
// without the object. Every statement runs through the connection's compile
// query with live results off and no result set. The windows show the
// status texts and reports through the hooks; the command-line tool prints them.
//
// Where the server has transactions, drop and create are one transaction
// (BEGIN WORK ... COMMIT WORK): a failed create is undone by ROLLBACK WORK,
// and a crash between the two loses nothing. BEGIN WORK takes the engine's
// write lock, waiting as SET LOCK MODE says; when it cannot be had the
// compile fails before anything is dropped. Inside a transaction the user
// opened on that connection the compile runs within it (no BEGIN, no
// COMMIT: committing it would commit the user's work too), restoring the old
// definition by running it again on failure; the user's COMMIT or ROLLBACK
// decides. A database without transactions (BEGIN WORK refused other than
// for the lock or Stop: -256 on Informix) is dropped, created and restored
// statement by statement.
#include "app/sqleditor.h"
#include "browser/objecttree.h"
#include "db/sqlname.h"

#include <functional>
#include <optional>

namespace quodlin {

class DbQuery;
class TdmDbObjects;

struct CompileHooks {
    std::function<void(const QString &text)> status;        // "Dropping object..." and the rest
    std::function<void(const QString &report)> showError;   // a failure's report
    std::function<void(int offset)> showErrorPosition;      // 1-based offset in the editor text
};

struct CompileResult {
    bool compiled = false;
    bool dropped = false;      // the old object was dropped first
    bool restoreFailed = false;
};

// The compile of the object editor's text. On success `loadedDefinition`
// becomes the compiled text; on failure it is run again when the object had
// been dropped, and stays as it was.
CompileResult ExecDropCreate(ISqlEditor &editor, DbQuery &compileQuery, QString &loadedDefinition,
                             const CompileHooks &hooks);

// "DROP TABLE t" and the like with the kind's drop word (objectkinds.h),
// owner and name written by SqlName (an empty owner writes the name alone);
// empty for kinds that are not dropped. Raises DbError naming the object
// when it cannot be written in that style.
QString DropObjectStatement(int kind, const QString &owner, const QString &name, SqlNameStyle style);
// The same for a tree node, but a routine is dropped as the catalog has it:
// DROP PROCEDURE or DROP FUNCTION (sysprocedures.isproc) with its parameter
// types (sysproccolumns), the node's id choosing among routines that share
// the name, so the others stay. Without an id the name must be unique.
// Raises DbError when no routine or several match, and the layer's failures.
QString DropNodeStatement(TdmDbObjects &module, const TNodeInfo &node, SqlNameStyle style);
// Runs the drop as one statement; raises the layer's failure.
void DropObject(DbQuery &compileQuery, const QString &statement);

// The kind a CREATE text defines (a kind with create words), by its first
// CREATE line in capitals; KindCategory when none.
int CreateTextKind(const ISqlEditor &editor);

// The tree node of the object of that kind and name (and owner, when given);
// none when there is no such object or several owners have one. Raises the
// layer's failures.
std::optional<TNodeInfo> FindObjectNode(TdmDbObjects &module, int kind, const QString &name,
                                        const QString &owner = QString());
// The definition text of a node whose kind keeps one, as the browser's Edit
// page shows it: what a failed compile restores. Raises the layer's failures.
QString LoadObjectDefinition(TdmDbObjects &module, const TNodeInfo &node);

} // namespace quodlin
