#include "workspace/ui/runpanel.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/queryhistory.h"
#include "workspace/ui/sqleditwidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>

namespace quodlin {

namespace {

const QString kBusy = QStringLiteral("The connection is busy with another statement.");

} // namespace

RunPanel::RunPanel(QWidget *window, QPlainTextEdit *editor, QPlainTextEdit *resultText, DbQuery &query,
                   DbQuery &explainQuery, RunPanelHooks hooks)
    : QObject(nullptr)
    , m_editor(editor)
    , m_resultText(resultText)
    , m_query(query)
    , m_explainQuery(explainQuery)
    , m_hooks(std::move(hooks))
{
    if (!m_hooks.stop)
        m_hooks.stop = [this] { stop(); };
    m_progressLine = new QWidget(window);
    m_progressLine->setObjectName(QStringLiteral("pnlProgress"));
    auto *layout = new QHBoxLayout(m_progressLine);
    layout->setContentsMargins(6, 2, 6, 2);
    m_progressLabel = new QLabel(m_progressLine);
    m_progressLabel->setObjectName(QStringLiteral("lblProgress"));
    auto *stopButton = new QPushButton(QStringLiteral("Stop"), m_progressLine);
    stopButton->setObjectName(QStringLiteral("btnStop"));
    stopButton->setToolTip(QStringLiteral("Stop the running statement (Esc)"));
    connect(stopButton, &QPushButton::clicked, this, [this] { m_hooks.stop(); });
    layout->addWidget(m_progressLabel, 1);
    layout->addWidget(stopButton);
    m_progressLine->setVisible(false);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] { m_hooks.stop(); });

    m_progressTimer.setSingleShot(true);
    connect(&m_progressTimer, &QTimer::timeout, this, &RunPanel::showProgress);
    connect(&m_runner, &StatementRunner::finished, this, &RunPanel::finished);
}

RunPanel::~RunPanel() { abandon(); }

void RunPanel::setStatus(const QString &text)
{
    if (m_hooks.status)
        m_hooks.status(text);
}

bool RunPanel::execute(DbDatabase *database, const ExecOptions &options)
{
    if (running())
        return false;
    // Nothing is touched while another run holds the connection.
    if (database && IsDatabaseBusy(database->databaseName())) {
        setStatus(kBusy);
        return false;
    }
    m_resultText->clear();
    if (m_hooks.clearResult)
        m_hooks.clearResult();
    m_query.close();
    PlainTextSqlEditor editor(m_editor);
    if (editor.lineCount() == 0 || !database)
        return false;
    setStatus(QStringLiteral("Executing query..."));
    m_plan = PrepareExec(editor, options);
    if (m_hooks.prepared)
        m_hooks.prepared(m_plan);
    if (m_plan.objectDdl) {
        showOutcome(m_plan, ExecOutcome{});
        return false;
    }
    m_outcome = ExecOutcome{};
    m_database = database;
    const bool started = m_runner.start(database, [this, plan = m_plan](const std::atomic<bool> &stopFlag) {
        m_outcome = RunExec(plan, m_query, m_explainQuery, &stopFlag);
    });
    if (!started) {
        setStatus(kBusy);
        return false;
    }
    m_editor->setReadOnly(true);
    m_progressTimer.start(500);
    if (m_hooks.runChanged)
        m_hooks.runChanged(m_plan, nullptr);
    return true;
}

void RunPanel::showProgress()
{
    if (!running())
        return;
    m_progressLabel->setText(QStringLiteral("Running... %1 s").arg(double(m_runner.elapsedMs()) / 1000.0, 0, 'f', 1));
    m_progressLine->setVisible(true);
    m_progressTimer.start(100);
}

void RunPanel::stop()
{
    if (!running())
        return;
    m_progressLabel->setText(QStringLiteral("Stopping..."));
    m_runner.stop();
}

void RunPanel::wait() { m_runner.wait(); }

void RunPanel::abandon()
{
    const QSignalBlocker quiet(&m_runner);
    const bool wasRunning = running();
    m_runner.stop();
    m_runner.wait();
    if (wasRunning)
        recordHistory();
    m_progressTimer.stop();
    m_progressLine->setVisible(false);
    m_editor->setReadOnly(false);
}

void RunPanel::finished()
{
    m_progressTimer.stop();
    m_progressLine->setVisible(false);
    m_editor->setReadOnly(false);
    recordHistory();
    showOutcome(m_plan, m_outcome);
}

void RunPanel::recordHistory()
{
    if (m_database && m_outcome.result != ExecResult::NotRun)
        RecordHistory(HistoryEntryOfRun(HistoryConnectionName(*m_database), m_plan, m_outcome));
}

void RunPanel::showOutcome(const ExecPlan &plan, const ExecOutcome &outcome)
{
    const OutcomeView view = ViewOfOutcome(plan, outcome);
    if (m_hooks.showResult)
        m_hooks.showResult(view.rowsShown);
    if (view.renderText)
        m_resultText->setPlainText(outcome.textLines.join(QLatin1Char('\n')));
    // Before the status: a tree reload writes its own texts to the frame's status line.
    if (view.refreshTree && m_hooks.refreshTree)
        m_hooks.refreshTree();
    setStatus(view.status);
    if (m_hooks.runChanged)
        m_hooks.runChanged(plan, &outcome);
    if (view.errorReport) {
        ShowErrorBox(outcome.report);
        PlainTextSqlEditor editor(m_editor);
        ShowErrorPosition(editor, outcome.errorOffset);
        m_editor->setFocus();
        offerReconnect();
    }
    if (view.showExplain && m_hooks.showExplain)
        m_hooks.showExplain();
}

// The server went away (stopped, restarted, the session killed): once it is
// back the window goes on over a new connection, without a restart.
void RunPanel::offerReconnect()
{
    if (!m_database || !m_database->connectionLost())
        return;
    if (Dialogs().question(QStringLiteral("Connection Lost"),
                           QStringLiteral("The connection to the database server was lost. Reconnect now?"),
                           QuestionButtons::YesNo) != DialogAnswer::Yes)
        return;
    try {
        m_database->reconnect();
        setStatus(QStringLiteral("Reconnected."));
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("Reconnect")));
    }
}

} // namespace quodlin
