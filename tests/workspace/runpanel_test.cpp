// The run panel in a plain widget host over an embedded database: what each
// kind of run shows (status, rendered rows, row counts, error box and caret,
// tree refresh, the query history's entry), the busy connection, and Stop
// and Esc with the progress line.
#include "db/statementrunner.h"
#include "workspace/queryhistory.h"
#include "workspace/ui/runpanel.h"
#include "workspace_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

const char kLongSelect[] =
    "select a.colname from syscolumns a, syscolumns b, syscolumns c where a.colno + b.colno + c.colno < 0";

class RunPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateEmbeddedDatabase(QStringLiteral("runs"));
        static int counter = 0;
        module.SetDatabaseName(QStringLiteral("QuodlinRunPanel%1").arg(++counter));
        module.Open(QString(), QStringLiteral("local\\runs"), QStringLiteral("tester"),
                    QStringLiteral("SERVER NAME=local\nDATABASE NAME=runs\nUSER NAME=tester\nPASSWORD="));
        RunSql(module, QStringLiteral("create table parts (id integer, name char(12))"));
        RunSql(module, QStringLiteral("insert into parts select tabid, 'bolt' from systables where tabid <= 3"));
        query = std::make_unique<DbQuery>(module.session());
        explain = std::make_unique<DbQuery>(module.session());
        query->setDatabaseName(module.uniqueDatabaseName());
        explain->setDatabaseName(module.uniqueDatabaseName());

        editor = new QPlainTextEdit(&host);
        results = new QPlainTextEdit(&host);
        auto *layout = new QVBoxLayout(&host);
        layout->addWidget(editor);
        layout->addWidget(results);
        RunPanelHooks hooks;
        hooks.status = [this](const QString &text) { statuses << text; };
        hooks.showResult = [this](bool rows) { shownRows = rows; };
        hooks.runChanged = [this](const ExecPlan &, const ExecOutcome *outcome) { outcome ? ++ends : ++starts; };
        hooks.refreshTree = [this] { ++refreshes; };
        panel = std::make_unique<RunPanel>(&host, editor, results, *query, *explain, hooks);
        layout->addWidget(panel->progressLine());
        host.show();
        WaitForHistory();
        HistoryStore().clear();
    }
    void TearDown() override { panel.reset(); }
    bool start(const QString &sql)
    {
        editor->setPlainText(sql);
        ExecOptions options;
        options.context = QStringLiteral("TestRun");
        options.autoRefresh = true;
        return panel->execute(&module.dbDb(), options);
    }
    // Lets the event loop run until the run ends; the time it took.
    qint64 waitForEnd()
    {
        QElapsedTimer clock;
        clock.start();
        while (panel->running() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return clock.elapsed();
    }
    void spin(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // The recorded runs, newest first: "outcome|rows" (the outcome up to its message).
    static QStringList history()
    {
        WaitForHistory();
        QStringList runs;
        for (const HistoryEntry &entry : HistoryStore().find())
            runs << HistoryOutcomeText(entry).section(QLatin1Char(':'), 0, 0) + QLatin1Char('|') + HistoryRowsText(entry);
        return runs;
    }
    QWidget *progressLine() const { return host.findChild<QWidget *>(QStringLiteral("pnlProgress")); }

    ScopedDialogs dialogs;
    TdmDbObjects module;
    std::unique_ptr<DbQuery> query, explain;
    QWidget host;
    QPlainTextEdit *editor = nullptr;
    QPlainTextEdit *results = nullptr;
    std::unique_ptr<RunPanel> panel;
    QStringList statuses;
    bool shownRows = false;
    int starts = 0, ends = 0, refreshes = 0;
};

struct OutcomeCase {
    const char *name;
    const char *sql;          // %1: a temporary folder
    bool runs;                // a worker was started
    const char *status;       // the last status text; empty: none at all
    bool rows;                // the results were shown
    const char *text;         // in the result pane
    const char *errorPrefix;  // of the error box; empty: none
    int caret;                // on the fault; -1: not checked
    int refreshes;
    const char *history;      // the entry recorded: "outcome|rows"; empty: none
};

class RunPanelOutcome : public RunPanelTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(RunPanelOutcome, Shown)
{
    const OutcomeCase &c = GetParam();
    QTemporaryDir folder;
    EXPECT_EQ(start(QString::fromUtf8(c.sql).arg(folder.path())), c.runs);
    panel->wait();
    EXPECT_EQ(statuses.isEmpty() ? QString() : statuses.last(), QString::fromUtf8(c.status));
    EXPECT_EQ(shownRows, c.rows);
    EXPECT_EQ(results->toPlainText().simplified(), QString::fromUtf8(c.text));
    if (*c.errorPrefix) {
        ASSERT_EQ(dialogs->messages.size(), 1);
        EXPECT_TRUE(dialogs->messages[0].startsWith(QString::fromUtf8(c.errorPrefix))) << dialogs->messages[0].toStdString();
    } else {
        EXPECT_TRUE(dialogs->messages.isEmpty()) << dialogs->messages.join('\n').toStdString();
    }
    if (c.caret >= 0) {
        EXPECT_EQ(editor->textCursor().position(), c.caret);
    }
    EXPECT_EQ(refreshes, c.refreshes);
    EXPECT_EQ(history(), *c.history ? QStringList{QString::fromUtf8(c.history)} : QStringList());
    EXPECT_EQ(ends, *c.status ? 1 : 0);
    EXPECT_FALSE(editor->isReadOnly());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunPanelOutcome,
    ::testing::Values(
        OutcomeCase{"Select", "select id, name from parts where id = 2", true, "Query executed successfully.", true,
                    "id name ----------- ------------ 2 bolt", "", -1, 0, "ok|1 row"},
        OutcomeCase{"Update", "update parts set name = 'nut' where id > 1", true, "2 row(s) updated.", false, "", "",
                    -1, 0, "ok|2 rows"},
        OutcomeCase{"TextRunWholeCountsItsLastStatement",
                    "insert into parts values (9, 'pin');\ndelete from parts where id > 1", true, "3 row(s) deleted.",
                    false, "", "", -1, 0, "ok|3 rows"},
        OutcomeCase{"UnloadThenInsert",
                    "unload to '%1/p.unl' select * from parts;\ninsert into parts select * from parts", true,
                    "3 row(s) unloaded. 3 row(s) inserted.", false, "", "", -1, 0, "ok|3 rows"},
        OutcomeCase{"Fault", "select id,\n  nosuch from parts", true, "Query compiled with errors.", false, "",
                    "Error: Database Error in [TestRun]:", 13, 0, "error -217|"},
        OutcomeCase{"CatalogChange", "create table fresh (a integer)", true, "Query compiled successfully.", false, "",
                    "", -1, 1, "ok|"},
        OutcomeCase{"ObjectDdlIsNotSent", "CREATE PROCEDURE p1() END PROCEDURE", false,
                    "Compile option disabled in this version.", false, "", "", -1, 0, ""},
        OutcomeCase{"EmptyEditor", "", false, "", false, "", "", -1, 0, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RunPanelTest, StopAndEscEndALongRunAndTheProgressLineComesAndGoes)
{
    ASSERT_TRUE(start(QString::fromLatin1(kLongSelect)));
    EXPECT_TRUE(editor->isReadOnly());
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(progressLine()->isHidden());
    spin(700);
    ASSERT_TRUE(panel->running()) << "the statement ended by itself; the test needs a longer one";
    EXPECT_FALSE(progressLine()->isHidden());
    EXPECT_TRUE(host.findChild<QLabel *>(QStringLiteral("lblProgress"))->text().startsWith(QStringLiteral("Running... ")));

    QPushButton *stop = host.findChild<QPushButton *>(QStringLiteral("btnStop"));
    EXPECT_EQ(stop->toolTip(), QStringLiteral("Stop the running statement (Esc)"));
    stop->click();
    EXPECT_LT(waitForEnd(), 1000);
    EXPECT_EQ(statuses.last(), QStringLiteral("Query compiled with errors."));
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].contains(QStringLiteral("-213"))) << dialogs->messages[0].toStdString();
    EXPECT_TRUE(progressLine()->isHidden());
    EXPECT_FALSE(editor->isReadOnly());

    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    // Esc at once, before the worker's statement has begun; then a text run
    // whole, its insert undone.
    const QString longInsert = QStringLiteral(
        "begin work;\ninsert into parts values (7, 'pin');\ninsert into parts select a.colno, 'x'"
        " from syscolumns a, syscolumns b, syscolumns c where a.colno + b.colno + c.colno < 0");
    for (const QString &sql : {QString::fromLatin1(kLongSelect), longInsert}) {
        const qsizetype shown = dialogs->messages.size();
        ASSERT_TRUE(start(sql));
        QTest::keyClick(editor, Qt::Key_Escape);
        EXPECT_LT(waitForEnd(), 1000) << sql.toStdString();
        ASSERT_EQ(dialogs->messages.size(), shown + 1);
        EXPECT_TRUE(dialogs->messages.last().contains(QStringLiteral("-213"))) << dialogs->messages.last().toStdString();
    }
    try {
        RunSql(module, QStringLiteral("rollback work"));
    } catch (const std::exception &) {
        // Not in a transaction: the stop came before BEGIN WORK or undid it.
    }

    // A Stop left from outside a run does not reach the next run.
    module.dbDb().interrupt();
    start(QStringLiteral("select count(*) from parts"));
    panel->wait();
    EXPECT_EQ(statuses.last(), QStringLiteral("Query executed successfully."));
    EXPECT_TRUE(results->toPlainText().simplified().endsWith(QStringLiteral(" 3"))) << results->toPlainText().toStdString();
    EXPECT_EQ(history(), QStringList({"ok|1 row", "stopped|", "stopped|", "stopped|"}));
}

TEST_F(RunPanelTest, ABusyConnectionRunsNothingAndKeepsTheShownResult)
{
    start(QStringLiteral("select id from parts where id = 1"));
    panel->wait();
    const QString shown = results->toPlainText();
    StatementRunner other;
    ASSERT_TRUE(other.start(&module.dbDb(), [](const std::atomic<bool> &stop) {
        while (!stop)
            QThread::msleep(5);
    }));
    EXPECT_FALSE(start(QStringLiteral("select id from parts")));
    EXPECT_EQ(statuses.last(), QStringLiteral("The connection is busy with another statement."));
    EXPECT_EQ(results->toPlainText(), shown);
    EXPECT_TRUE(query->isOpen());
    other.stop();
    other.wait();
}

// A window closing while its statement runs: the run ends, no error box.
TEST_F(RunPanelTest, AbandonedRunShowsNothing)
{
    ASSERT_TRUE(start(QString::fromLatin1(kLongSelect)));
    spin(300);
    panel->abandon();
    EXPECT_FALSE(panel->running());
    EXPECT_TRUE(dialogs->messages.isEmpty());
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(module.dbDb().busy());
    EXPECT_EQ(history(), QStringList{"stopped|"});
}

} // namespace
