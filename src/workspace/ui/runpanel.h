#pragma once
// The run panel of a window with an SQL editor (the query window, the object
// browser's SQL panel): runs the editor's text on a worker that owns the
// connection for the run, shows the progress line (pnlProgress: lblProgress,
// btnStop) half a second into a run, stops on Stop or Esc, and shows the
// outcome: status line, rendered text, error box with the caret on the fault,
// the explain file, the tree's refresh; and records the run in the query
// history. What differs between the windows
// (their pages, grid, status line, caption, tree) comes in as hooks; what to
// show is decided by the core's ViewOfOutcome. A run that lost the
// connection offers to connect again.
#include "db/statementrunner.h"
#include "workspace/queryexec.h"

#include <QObject>
#include <QTimer>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace quodlin {

class DbDatabase;
class DbQuery;

struct RunPanelHooks {
    // The window's status line.
    std::function<void(const QString &text)> status;
    // Before a run: the last result leaves the grid.
    std::function<void()> clearResult;
    // The text is prepared and about to run (the query window's caption).
    std::function<void(const ExecPlan &plan)> prepared;
    // After a run: the results (a result set is open) or the SQL page in
    // front, the grid attached, the focus placed.
    std::function<void(bool rows)> showResult;
    // A run started or ended (menus; the caption after a run); called before
    // any error box of the outcome, so the frame's Stop shows the run is over.
    std::function<void(const ExecPlan &plan, const ExecOutcome *outcome)> runChanged;
    // The object tree follows a catalog change.
    std::function<void()> refreshTree;
    // The explain file after an explained run.
    std::function<void()> showExplain;
    // What Stop and Esc do; unset: stop this panel's run.
    std::function<void()> stop;
};

class RunPanel : public QObject {
    Q_OBJECT
public:
    // `window` parents the progress line and scopes Esc; the editors and the
    // queries belong to the window and outlive the panel, which the window
    // owns.
    RunPanel(QWidget *window, QPlainTextEdit *editor, QPlainTextEdit *resultText, DbQuery &query,
             DbQuery &explainQuery, RunPanelHooks hooks);
    // A run still going is stopped and waited for; its outcome is not shown.
    ~RunPanel() override;

    // The hidden progress line, for the window's layout.
    QWidget *progressLine() const { return m_progressLine; }

    // Runs the editor's text on `database` (null: the window is unbound and
    // nothing runs). False when nothing was started: the editor is empty,
    // the connection busy, or the text is object DDL (shown at once).
    bool execute(DbDatabase *database, const ExecOptions &options);
    bool running() const { return m_runner.running(); }
    // Interrupts the run; its outcome (the server's interrupted error) is shown.
    void stop();
    // Blocks until the run ends and shows its outcome (tests, closing).
    void wait();
    // Stops and waits without showing the outcome (a window on its way out).
    void abandon();

private:
    void showProgress();
    void finished();
    void showOutcome(const ExecPlan &plan, const ExecOutcome &outcome);
    void setStatus(const QString &text);
    void offerReconnect();
    // Every run that reached the server goes to the query history.
    void recordHistory();

    QPlainTextEdit *m_editor;
    QPlainTextEdit *m_resultText;
    DbQuery &m_query;
    DbQuery &m_explainQuery;
    RunPanelHooks m_hooks;
    QWidget *m_progressLine = nullptr;
    QLabel *m_progressLabel = nullptr;
    QTimer m_progressTimer;
    DbDatabase *m_database = nullptr;
    ExecPlan m_plan;
    ExecOutcome m_outcome;
    // Declared last: gone (its worker waited for) before the plan and outcome it writes.
    StatementRunner m_runner;
};

} // namespace quodlin
