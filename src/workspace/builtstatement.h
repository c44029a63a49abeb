#pragma once
// Statements that Quodlin builds from names (drop, compile's drop, the
// transaction around a compile) run here: on the query's connection, one
// statement at a time. The text is checked to be one statement before it
// runs, so a name that slipped past SqlName fails instead of running a
// second statement.
#include "db/sqlname.h"

namespace quodlin {

class DbQuery;
class IDbConnection;

// The connection the query runs on, opened when it is not. Raises the layer's failures.
IDbConnection &QueryConnection(DbQuery &query);
// How names are written for that connection.
SqlNameStyle QueryNameStyle(DbQuery &query);

// Runs `sql` as the query's statement without keeping rows; the query is
// closed afterwards, also on failure. Raises DbError for a text of more than
// one statement (nothing runs then), else the layer's failures.
void RunBuiltStatement(DbQuery &query, const QString &sql);

// Who owns the transaction that work on a connection runs in.
enum class WorkTransaction {
    Own,    // BEGIN WORK ran here: COMMIT or ROLLBACK it
    Users,  // one was open already (-535): the user commits or rolls it back
    None,   // the database has no transactions (-256): each statement commits
};
// Runs BEGIN WORK on the connection, which takes the engine's write lock
// (waiting as SET LOCK MODE says). Raises the layer's failures other than
// those two (-244 when the lock is not granted).
WorkTransaction BeginWork(IDbConnection &connection);

} // namespace quodlin
