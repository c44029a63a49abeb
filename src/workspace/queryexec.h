#pragma once
// The execute path of the SQL windows, in three steps so that the statement
// itself can run off the user-interface thread:
//   PrepareExec  (window thread) cleans the editor text and decides what runs;
//   RunExec      (a worker that owns the connection for the run) runs the
//                explain bracket and the statement, and renders text results;
//   the window   shows the outcome with ExecStatusText, QueryCaption and the
//                error position from the outcome.
// Every statement is opened; a statement without rows has run when the open
// fails with "Error creating cursor handle". Object DDL is not run here.
#include "app/sqleditor.h"
#include "output/textrender.h"
#include "workspace/statementsplitter.h"

#include <QDateTime>
#include <QStringList>

#include <atomic>
#include <exception>

namespace quodlin {

class DbDatabase;
class DbQuery;

// What the window knows before a run.
struct ExecOptions {
    bool liveChecked = false;      // the window's live switch
    bool gridVisible = false;      // results go to the grid
    bool explain = false;          // explain enabled on the connection
    QString explainFile;           // "SQEXPLN File" (deleted before an explained run)
    QString context;               // error report context, e.g. "TfrmQuery.ExecSQL"
    bool autoRefresh = false;      // "Query Auto Refresh": the tree follows a catalog change
    bool explainImmediate = false; // "Edit Explain Immediate": the explain file after the run
};

// The text is split into statements once, here; the run, the catalog
// change check and the row counts read the statements from the plan.
struct ExecPlan {
    bool empty = false;            // the editor has no lines: nothing runs
    bool objectDdl = false;        // not sent to the server
    QString sql;
    QList<SqlStatementSpan> statements;
    bool clientStatements = false; // UNLOAD or LOAD among them: run one by one
    bool changesCatalog = false;   // see ChangesCatalogObjects
    bool live = false;             // an editable result is requested
    bool explain = false;
    QString explainFile;
    bool renderText = false;       // rows go to the text pane
    QString context;
    QString firstLine;             // the editor's first line, for the caption
    bool autoRefresh = false;
    bool explainImmediate = false;
};

enum class ExecResult { NotRun, Rows, NoRows, Failed };

struct ExecOutcome {
    ExecResult result = ExecResult::NotRun;
    QString report;                // the error report of a failure
    int errorOffset = -1;          // 1-based offset in the statement text; <= 0 unknown
    QStringList textLines;         // rendered rows (text pane)
    bool textStopped = false;      // the rendering was stopped before the last row
    bool changesCatalog = false;   // a successful run that created, dropped or altered objects
    // What UNLOAD, LOAD, INSERT, UPDATE, DELETE and MERGE did ("12 row(s)
    // loaded.", "3 row(s) updated."), for the status line.
    QString message;
    // For the query history.
    QDateTime started;             // UTC
    qint64 elapsedMs = 0;
    qint64 rows = -1;              // rows read, or changed by the last DML statement; -1 unknown
    bool moreRows = false;         // rows remain unread (the grid reads on demand)
    int errorCode = 0;             // the server's error number of a failure
    QString errorMessage;          // its first message
};

// Runs FixCommentColons on the editor and reads its text, its statements and the rules.
ExecPlan PrepareExec(ISqlEditor &editor, const ExecOptions &options);
// The same for a text (tests, tools).
ExecPlan PrepareExec(const QString &sql, const ExecOptions &options = {});

// Runs the plan: SET EXPLAIN OFF, delete the explain file, SET EXPLAIN ON,
// open, SET EXPLAIN OFF (when explaining), then the text rendering. A text
// holding UNLOAD or LOAD (loadunload.h) runs statement by statement instead,
// without explain, the client statements by the client; the rows of the
// last statement are the result. A DML statement run alone, or last in a
// text run whole, says how many rows it changed in the message. `stop`
// (may be null) ends a long rendering; the statement itself is stopped by
// interrupting the connection. Raises nothing.
ExecOutcome RunExec(const ExecPlan &plan, DbQuery &query, DbQuery &explainQuery,
                    const std::atomic<bool> *stop = nullptr, const RenderProgress &progress = {});

// "Query executed successfully." for rows, "Query compiled successfully."
// without rows, "Query compiled with errors." on failure, and "Compile option
// disabled in this version." for object DDL, which is not run.
QString ExecStatusText(ExecResult result);

// "Query [name]", then " [Live]" when the live switch is on and the run did
// not fail, then " - " and the editor's first line.
QString QueryCaption(const QString &displayName, bool live, const QString &firstLine);
QString QueryCaption(const QString &displayName);

// "N row(s) inserted." (updated, deleted, merged) for a DML statement as the
// Informix tools word it; empty for any other statement.
QString RowCountText(const QString &statement, qint64 rows);

// What a window shows at the end of a run; the run panel acts on it.
struct OutcomeView {
    bool rowsShown = false;        // a result set is open: the results in front
    bool renderText = false;       // the rendered lines go to the text pane
    QString status;                // the status line's last text
    bool errorReport = false;      // the report in an error box, the caret on the fault
    bool refreshTree = false;      // the object tree follows a catalog change
    bool showExplain = false;      // the explain file is opened
};
OutcomeView ViewOfOutcome(const ExecPlan &plan, const ExecOutcome &outcome);

// The server's error offset of the last statement on the database as the SQL
// communication area gives it (1-based); -1 when unknown.
int GetErrorOffset(const DbDatabase *db);
// The same offset as the failure itself carries it (1-based); -1 when unknown.
int FailureErrorOffset(const std::exception &failure);
// The caret target of a 1-based offset in the CR LF joined editor text; -1
// when the offset is unknown (the caret then stays where it is).
int ErrorCaretPosition(const QString &editorText, int offset);
// Puts the caret on the fault (ShowErrorPosition without repaint and focus).
void ShowErrorPosition(ISqlEditor &editor, int offset);

// Whether statements change what the object tree shows: create, drop, rename
// or alter a table, view, synonym, index, sequence, procedure, function,
// trigger or role (temporary tables excepted), or grant or revoke a
// privilege or a role (users and role members).
bool ChangesCatalogObjects(const QList<SqlStatementSpan> &statements);

} // namespace quodlin
