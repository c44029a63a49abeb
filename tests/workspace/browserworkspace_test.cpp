// The object browser with the workspace's hooks over the demo database,
// driven through its controls: the SQL panel's run (text, errors, Stop, the
// connection held meanwhile, auto refresh), Compile and Drop from the tree
// menu, the leave and close questions, and the refresh offered on activation.
#include "app/connector.h"
#include "app/settingdefs.h"
#include "app/ui/appconnector.h"
#include "browser/ui/dbobjectswindow.h"
#include "db/aliasconfig.h"
#include "engine/demo.h"
#include "workspace/ui/browserworkspace.h"
#include "workspace/ui/queryform.h"
#include "workspace_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

class NoLoginConnector : public AppConnector {
public:
    bool runLoginDialog(LoginResult &) override { return false; }
};

class BrowserWorkspaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The demo is built once; each test works on a fresh copy.
        CreateEmbeddedDatabase(QStringLiteral("panel_demo"));
        const QString path = EmbeddedDriver().databasePath(QStringLiteral("panel_demo"));
        engine::Session::open(path.toStdString(), "tester")->execute(engine::demoScript());
        AliasConfig config = AliasConfig::load(AliasConfig::defaultPath());
        config.aliases << DbAlias{QStringLiteral("panel"), QStringLiteral("EMBEDDED"),
                                  {QStringLiteral("DATABASE NAME=panel")}};
        config.save(AliasConfig::defaultPath());
    }

    void SetUp() override
    {
        const QString path = EmbeddedDriver().databasePath(QStringLiteral("panel"));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(EmbeddedDriver().databasePath(QStringLiteral("panel_demo")), path));
        Settings::write(Settings::QueryResultsToGrid, false);
        dialogs = std::make_shared<ScriptedDialogs>();
        previous = SetDialogs(dialogs);
        SetConnector(std::make_shared<NoLoginConnector>());
        InstallBrowserWorkspaceHooks();
        InstallQueryWindowFactory();
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(form->ConnectDatabase(QStringLiteral("panel"), {}, QStringLiteral("tester"), {}))
            << dialogs->messages.join(QLatin1Char('\n')).toStdString();
        w = dynamic_cast<TfrmDbObjects *>(form->mdiArea()->subWindowList().last());
        ASSERT_TRUE(w);
        form->mdiArea()->setActiveSubWindow(w);
    }
    void TearDown() override
    {
        dialogs->answers.assign(8, DialogAnswer::No);
        form.reset();
        SetConnector(nullptr);
        SetDialogs(previous);
    }
    template <class W> W *child(const char *name) { return w->findChild<W *>(QLatin1String(name)); }
    QString status() { return form->statusBar()->currentMessage(); }
    QString selected() { return child<QTreeWidget>("tvwTree")->currentItem()->text(0); }
    void runSql(const QString &sql)
    {
        w->gotoNode(QStringLiteral("tester.customer"));
        w->queryTab();
        w->rtfSQL()->setPlainText(sql);
        w->execute();
        w->sqlRunner().wait();
    }
    void popupTree(const char *item)
    {
        emit child<QMenu>("popupTree")->aboutToShow();
        child<QAction>(item)->trigger();
    }
    bool listed(const QString &name)
    {
        for (const ObjectTreeNode &node : w->tree().nodes)
            if (node.info.Name == name)
                return true;
        return false;
    }
    int count(const QString &sql) { return SelectText(dynamic_cast<TdmDbObjects &>(*w->connection()), sql).toInt(); }

    std::shared_ptr<ScriptedDialogs> dialogs;
    std::shared_ptr<IDialogs> previous;
    std::unique_ptr<TMainForm> form;
    TfrmDbObjects *w = nullptr;
};

TEST_F(BrowserWorkspaceTest, SqlPanelRunsReportsAndRefreshesTheTree)
{
    runSql(QStringLiteral("select count(*) from region"));
    EXPECT_EQ(status(), QStringLiteral("Query executed successfully."));
    EXPECT_TRUE(w->rtfResults()->toPlainText().contains(QStringLiteral("-----------")));
    EXPECT_EQ(child<QTabWidget>("tabTable")->currentWidget()->objectName(), QStringLiteral("pageTableSQL"));

    runSql(QStringLiteral("select region_code,\n  nosuch from region"));
    EXPECT_EQ(status(), QStringLiteral("Query compiled with errors."));
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].startsWith(
        QStringLiteral("Error: Database Error in [TfrmDbObjects.ExecSQL.ExecSQLStandard]:")))
        << dialogs->messages[0].toStdString();
    EXPECT_EQ(w->rtfSQL()->textCursor().position(), 22);  // on "nosuch"

    // The active browser's tree follows a catalog change at once.
    runSql(QStringLiteral("create table panel_new (a integer)"));
    EXPECT_EQ(status(), QStringLiteral("Query compiled successfully."));
    EXPECT_TRUE(listed(QStringLiteral("panel_new")));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));
}

TEST_F(BrowserWorkspaceTest, StopEndsARunThatHeldTheTreeAndPages)
{
    w->gotoNode(QStringLiteral("tester.customer"));
    w->queryTab();
    w->rtfSQL()->setPlainText(QStringLiteral(
        "select a.colname from syscolumns a, syscolumns b, syscolumns c where a.colno + b.colno + c.colno < 0"));
    w->execute();
    ASSERT_TRUE(w->running());
    EXPECT_FALSE(child<QTreeWidget>("tvwTree")->isEnabled());
    EXPECT_FALSE(child<QWidget>("pageTableColumns")->isEnabled());
    EXPECT_TRUE(w->rtfSQL()->isReadOnly());
    // A selection asked for meanwhile is refused.
    w->gotoNode(QStringLiteral("tester.part"));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));

    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 700)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(w->running()) << "the statement ended by itself; the test needs a longer one";
    EXPECT_FALSE(child<QWidget>("pnlProgress")->isHidden());
    w->stop();
    clock.restart();
    while (w->running() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(clock.elapsed(), 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(status(), QStringLiteral("Query compiled with errors."));
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].contains(QStringLiteral("-213")));
    EXPECT_TRUE(child<QTreeWidget>("tvwTree")->isEnabled());
    EXPECT_FALSE(w->rtfSQL()->isReadOnly());
    w->gotoNode(QStringLiteral("tester.part"));
    EXPECT_EQ(selected(), QStringLiteral("tester.part"));
}

TEST_F(BrowserWorkspaceTest, CompileRestoresABrokenProcedureAndDropLandsOnTheSibling)
{
    const QString procedures = QStringLiteral("select count(*) from sysprocedures where procname = 'customers_in_region'");
    w->gotoNode(QStringLiteral("tester.customers_in_region"));
    auto *text = child<QPlainTextEdit>("rtfProcText");
    ASSERT_TRUE(text->toPlainText().contains(QStringLiteral("CREATE PROCEDURE")));
    text->setPlainText(text->toPlainText().replace(QStringLiteral("END PROCEDURE"), QStringLiteral("END PROCEDUR")));
    popupTree("mnuTreeCompile");
    EXPECT_EQ(status(), QStringLiteral("Object compiled with errors."));
    EXPECT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(count(procedures), 1);
    EXPECT_EQ(child<QTabWidget>("tabProc")->currentWidget()->objectName(), QStringLiteral("pageProcEdit"));

    // Views in tree order: ..., tester.portsmouth_customers, tester.region_sales.
    w->gotoNode(QStringLiteral("tester.region_sales"));
    dialogs->answers = {DialogAnswer::Yes};
    popupTree("mnuTreeDrop");
    EXPECT_EQ(dialogs->questions.last(), QStringLiteral("Are you sure you want to drop [region_sales]?"));
    EXPECT_FALSE(listed(QStringLiteral("region_sales")));
    EXPECT_EQ(selected(), QStringLiteral("tester.portsmouth_customers"));
}

TEST_F(BrowserWorkspaceTest, TableDdlOnItsPageOnTheClipboardAndInAQueryWindow)
{
    w->gotoNode(QStringLiteral("tester.region"));
    auto *tab = child<QTabWidget>("tabTable");
    tab->setCurrentWidget(child<QWidget>("pageTableDDL"));
    const QString ddl = child<QPlainTextEdit>("rtfTableDDL")->toPlainText();
    EXPECT_TRUE(ddl.contains(QStringLiteral("create table")) && ddl.contains(QStringLiteral("region_code")))
        << ddl.toStdString();

    QApplication::clipboard()->clear();
    popupTree("mnuTreeCopyDDL");
    EXPECT_EQ(QApplication::clipboard()->text(), ddl);

    // Edit of a table: its DDL in a new query window on the connection.
    tab->setCurrentWidget(child<QWidget>("pageTableColumns"));
    w->edit();
    auto *query = dynamic_cast<TfrmQuery *>(TMainForm::childOf(form->mdiArea()->activeSubWindow()));
    ASSERT_TRUE(query);
    EXPECT_EQ(query->sqlEditor()->toPlainText(), ddl);
    EXPECT_EQ(query->connection(), w->connection());

    // A view has no DDL page.
    w->gotoNode(QStringLiteral("tester.region_sales"));
    EXPECT_FALSE(tab->isTabVisible(tab->indexOf(child<QWidget>("pageTableDDL"))));
}

TEST_F(BrowserWorkspaceTest, ModifiedEditorsAreOfferedOnLeavingAndClosing)
{
    w->gotoNode(QStringLiteral("tester.customers_in_region"));
    child<QPlainTextEdit>("rtfProcText")->appendPlainText(QStringLiteral("-- changed"));
    // Shown again (restored, or another maximized child in front before), it still knows.
    w->showMinimized();
    w->showNormal();
    dialogs->answers = {DialogAnswer::Cancel};
    w->gotoNode(QStringLiteral("tester.customer"));
    EXPECT_EQ(selected(), QStringLiteral("tester.customers_in_region"));
    ASSERT_EQ(dialogs->questions.size(), 1);
    EXPECT_TRUE(dialogs->questions[0].startsWith(QStringLiteral("Stored Procedure modified, save to file?")));
    dialogs->answers = {DialogAnswer::No};
    w->gotoNode(QStringLiteral("tester.customer"));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));

    w->rtfSQL()->appendPlainText(QStringLiteral("select 1"));
    dialogs->answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(w->canClose());
    EXPECT_TRUE(dialogs->questions.last().startsWith(QStringLiteral("Query modified, save to file?")));
}

TEST_F(BrowserWorkspaceTest, RefreshAskedForElsewhereIsOfferedOnActivation)
{
    auto *other = form->mdiArea()->addSubWindow(new QWidget);
    other->show();
    form->mdiArea()->setActiveSubWindow(other);
    RunSql(dynamic_cast<TdmDbObjects &>(*w->connection()), QStringLiteral("create table later_t (a integer)"));
    w->refresh();
    EXPECT_TRUE(w->refreshPending());
    EXPECT_FALSE(listed(QStringLiteral("later_t")));

    dialogs->answers = {DialogAnswer::Yes};
    form->mdiArea()->setActiveSubWindow(w);
    EXPECT_TRUE(dialogs->questions.contains(QStringLiteral("Refresh required, update objects now?")));
    EXPECT_FALSE(w->refreshPending());
    EXPECT_TRUE(listed(QStringLiteral("later_t")));
}

} // namespace
