#pragma once
// The client statements every Informix user types, run by the client over
// the connection as the server's command-line tool runs them:
//   UNLOAD TO 'file' [DELIMITER 'c'] SELECT ...
//   LOAD FROM 'file' [DELIMITER 'c'] INSERT INTO table [(column, ...)]
// The query window, the browser's SQL panel (both through RunExec) and
// quodlin-cli recognise them in the text they run.
//
// UNLOAD writes the SELECT's rows in the UNLOAD format (exportwriter.h)
// reading forward only, so memory stays flat; the file is replaced only when
// complete. LOAD reads the file (unloadreader.h) and inserts each record with
// one prepared INSERT, all inside one transaction when the database has
// logging, so a bad record leaves the table as it was; the failure names the
// line and field of that record. Without logging (-256 on BEGIN WORK) the
// records before the bad one stay, as with the server's tool; inside the
// user's own transaction they stay in it for the user to commit or roll back.
// Relative file names are taken from the program's working folder. The
// delimiter is DELIMITER's, else DBDELIMITER's, else '|'. LOAD's table and
// column names are read as names and written into its statements by SqlName
// (a table of another database is not taken).
#include "output/exportwriter.h"
#include "workspace/statementsplitter.h"

#include <QStringList>

#include <optional>

namespace quodlin {

class DbSession;

struct ClientStatement {
    enum class Kind { Unload, Load };
    Kind kind = Kind::Unload;
    QString fileName;
    QChar delimiter;
    QString select;        // UNLOAD: the SELECT statement
    int selectOffset = 0;  // where it starts in the statement text
    QString owner;         // LOAD: the target table's owner, empty when not named
    QString table;         // LOAD: the target table's name (quotes undone, bare names folded)
    QStringList columns;   // LOAD: the columns named, as names; empty for all of them
};

// The UNLOAD or LOAD statement of `statement` (one statement, no semicolon);
// nothing for any other statement. A statement that starts with UNLOAD or LOAD
// but is malformed raises DbEngineError -201 at the fault's offset, as the
// server reports a syntax error.
std::optional<ClientStatement> ParseClientStatement(const QString &statement);
// Whether any of the statements is UNLOAD or LOAD.
bool HasClientStatement(const QList<SqlStatementSpan> &statements);

struct ClientRunResult {
    qint64 rows = 0;
    QString message;  // "12 row(s) unloaded." / "12 row(s) loaded."
};

// Runs the statement on the database component `databaseName` of `session`.
// `progress` is asked every few hundred rows; false stops: an UNLOAD then
// leaves no file, a LOAD rolls back (where it began the transaction). Raises
// DbError / DbEngineError; offsets of a failing SELECT count in the whole
// statement.
ClientRunResult RunClientStatement(DbSession &session, const QString &databaseName, const ClientStatement &statement,
                                   const ExportProgress &progress = {});

} // namespace quodlin
