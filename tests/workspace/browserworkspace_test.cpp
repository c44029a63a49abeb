// The object browser with the workspace's hooks over the demo database,
// driven through its controls: the SQL panel's run wired to the pages and
// the tree (the connection held meanwhile, Stop, auto refresh), Compile and Drop from the tree
// menu, the leave and close questions, and the refresh offered on activation.
#include "app/settingdefs.h"
#include "browser/ui/dbobjectswindow.h"
#include "workspace/ui/browserworkspace.h"
#include "workspace/ui/queryform.h"
#include "workspace_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

class BrowserWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AliasedDatabase(QStringLiteral("panel"));  // a fresh copy of the demo
        Settings::write(Settings::QueryResultsToGrid, false);
        InstallBrowserWorkspaceHooks();
        InstallQueryWindowFactory();
        shell = std::make_unique<FakeShell>();
        shell->area.show();
        w = new TfrmDbObjects(*shell);
        shell->addChild(w);
        w->show();
        w->connectDatabase(QStringLiteral("panel"), {}, QStringLiteral("tester"), {});
        ASSERT_TRUE(w->connected()) << dialogs->messages.join(QLatin1Char('\n')).toStdString();
        shell->area.setActiveSubWindow(w);
    }
    void TearDown() override
    {
        shell.reset();
        SetQueryWindowFactory({});
    }
    template <class W> W *child(const char *name) { return w->findChild<W *>(QLatin1String(name)); }
    QString status() { return shell->status; }
    QString selected() { return child<QTreeWidget>("tvwTree")->currentItem()->text(0); }
    void runSql(const QString &sql)
    {
        w->gotoNode(QStringLiteral("tester.customer"));
        w->queryTab();
        w->rtfSQL()->setPlainText(sql);
        w->execute();
        w->runPanel().wait();
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
    static QByteArray bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    ScopedDialogs dialogs;
    std::unique_ptr<FakeShell> shell;
    TfrmDbObjects *w = nullptr;
};

// The run itself is the run panel's (runpanel_test.cpp); this checks the
// browser's side of it: its pages, the frame's status line, the tree.
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

    // The active browser's tree follows a catalog change at once.
    runSql(QStringLiteral("create table panel_new (a integer)"));
    EXPECT_EQ(status(), QStringLiteral("Query compiled successfully."));
    EXPECT_TRUE(listed(QStringLiteral("panel_new")));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));
}

TEST_F(BrowserWorkspaceTest, ARunHoldsTheTreeAndPagesUntilStopEndsIt)
{
    w->gotoNode(QStringLiteral("tester.customer"));
    w->queryTab();
    w->rtfSQL()->setPlainText(QStringLiteral(
        "select a.colname from syscolumns a, syscolumns b, syscolumns c where a.colno + b.colno + c.colno < 0"));
    w->execute();
    ASSERT_TRUE(w->running());
    DbDatabase &database = dynamic_cast<TdmDbObjects &>(*w->connection()).dbDb();
    EXPECT_TRUE(database.busy());
    EXPECT_FALSE(child<QTreeWidget>("tvwTree")->isEnabled());
    EXPECT_FALSE(child<QWidget>("pageTableColumns")->isEnabled());
    EXPECT_TRUE(w->rtfSQL()->isReadOnly());
    // A selection asked for meanwhile is refused.
    w->gotoNode(QStringLiteral("tester.part"));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));

    QElapsedTimer clock;
    clock.start();
    w->stop();
    w->runPanel().wait();
    EXPECT_LT(clock.elapsed(), 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(status(), QStringLiteral("Query compiled with errors."));
    EXPECT_TRUE(child<QTreeWidget>("tvwTree")->isEnabled());
    EXPECT_FALSE(database.busy());
    w->gotoNode(QStringLiteral("tester.part"));
    EXPECT_EQ(selected(), QStringLiteral("tester.part"));
}

TEST_F(BrowserWorkspaceTest, DropLandsOnTheSibling)
{
    // Views in tree order: ..., tester.portsmouth_customers, tester.region_sales.
    w->gotoNode(QStringLiteral("tester.region_sales"));
    dialogs->answers = {DialogAnswer::Yes};
    popupTree("mnuTreeDrop");
    EXPECT_EQ(dialogs->questions.last(), QStringLiteral("Are you sure you want to drop [region_sales]?"));
    EXPECT_FALSE(listed(QStringLiteral("region_sales")));
    EXPECT_EQ(selected(), QStringLiteral("tester.portsmouth_customers"));
}

// A function compiles, restores and drops as a procedure does; routines
// sharing a name are shown, compiled and dropped each alone, by their
// parameter types.
TEST_F(BrowserWorkspaceTest, FunctionsAndOverloadsCompileRestoreAndDropAlone)
{
    const auto routines = [&](const char *name) {
        return count(QStringLiteral("select count(*) from sysprocedures where procname = '%1'").arg(QLatin1String(name)));
    };
    const auto bodies = [&](const char *text) {
        return count(QStringLiteral("select count(*) from sysprocbody where data like '%%1%'").arg(QLatin1String(text)));
    };
    auto *text = child<QPlainTextEdit>("rtfProcText");
    auto compile = [&](const char *from, const char *to) {
        text->setPlainText(text->toPlainText().replace(QLatin1String(from), QLatin1String(to)));
        popupTree("mnuTreeCompile");
        return status();
    };
    w->gotoNode(QStringLiteral("tester.order_total"));
    ASSERT_TRUE(text->toPlainText().contains(QStringLiteral("CREATE FUNCTION")));
    EXPECT_EQ(compile("NVL(v_total, 0)", "NVL(v_total, 1)"), QStringLiteral("Object compiled successfully."));
    EXPECT_TRUE(dialogs->messages.isEmpty()) << dialogs->messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(routines("order_total"), 1);
    EXPECT_EQ(bodies("NVL(v_total, 1)"), 1);
    EXPECT_EQ(compile("END FUNCTION", "END FUNCTIO"), QStringLiteral("Object compiled with errors."));
    EXPECT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(child<QTabWidget>("tabProc")->currentWidget()->objectName(), QStringLiteral("pageProcEdit"));
    EXPECT_EQ(routines("order_total"), 1);
    EXPECT_EQ(bodies("NVL(v_total, 1)"), 1);

    TdmDbObjects &module = dynamic_cast<TdmDbObjects &>(*w->connection());
    RunSql(module, QStringLiteral("CREATE FUNCTION twin(a INTEGER) RETURNING INTEGER; RETURN 1; END FUNCTION"));
    RunSql(module, QStringLiteral("CREATE FUNCTION twin(a CHAR(10)) RETURNING INTEGER; RETURN 2; END FUNCTION"));
    w->refresh();
    QList<int> twins;
    for (size_t i = 0; i < w->tree().nodes.size(); ++i)
        if (w->tree().nodes[i].info.Name == QLatin1String("twin"))
            twins << int(i);
    ASSERT_EQ(twins.size(), 2);
    w->gotoNode(twins[1]);
    ASSERT_TRUE(text->toPlainText().contains(QStringLiteral("RETURN 2"))) << text->toPlainText().toStdString();
    EXPECT_EQ(compile("RETURN 2", "RETURN 3"), QStringLiteral("Object compiled successfully."));
    EXPECT_EQ(routines("twin"), 2);
    EXPECT_EQ(bodies("RETURN 1;"), 1);
    EXPECT_EQ(bodies("RETURN 3;"), 1);

    dialogs->answers = {DialogAnswer::Yes};
    w->gotoNode(twins[0]);
    popupTree("mnuTreeDrop");
    EXPECT_EQ(routines("twin"), 1);
    EXPECT_EQ(bodies("RETURN 3;"), 1);
    dialogs->answers = {DialogAnswer::Yes};
    w->gotoNode(QStringLiteral("tester.order_total"));
    popupTree("mnuTreeDrop");
    EXPECT_EQ(routines("order_total"), 0);
    EXPECT_EQ(dialogs->messages.size(), 1);
}

// Compiled under a new name, the view becomes the selected node: the tree
// and the caption bar name it, and the old view stays.
TEST_F(BrowserWorkspaceTest, ViewCompiledUnderANewNameIsSelected)
{
    w->gotoNode(QStringLiteral("tester.region_sales"));
    auto *text = child<QPlainTextEdit>("rtfViewText");
    QString definition = text->toPlainText();
    const qsizetype at = definition.indexOf(QStringLiteral("region_sales"));
    ASSERT_GE(at, 0) << definition.toStdString();
    text->setPlainText(definition.insert(at + 12, QStringLiteral("_2")));
    popupTree("mnuTreeCompile");
    EXPECT_EQ(status(), QStringLiteral("Object compiled successfully."));
    EXPECT_TRUE(selected().endsWith(QStringLiteral(".region_sales_2"))) << selected().toStdString();
    EXPECT_EQ(child<QStatusBar>("sbrListCaption")->currentMessage(), QStringLiteral("View: ") + selected());
    EXPECT_TRUE(listed(QStringLiteral("region_sales")));
    EXPECT_TRUE(dialogs->questions.isEmpty()) << dialogs->questions.join(QLatin1Char('\n')).toStdString();
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
    auto *query = dynamic_cast<TfrmQuery *>(shell->area.activeSubWindow());
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

// Query windows close with the browser they are bound to, once their unsaved
// text was offered (keeping it keeps the browser); the others stay.
TEST_F(BrowserWorkspaceTest, ClosingABrowserClosesTheQueryWindowsBoundToIt)
{
    QPointer<TfrmDbObjects> first = w;
    QPointer<TfrmDbObjects> second = new TfrmDbObjects(*shell);
    shell->addChild(second);
    second->show();
    second->connectDatabase(QStringLiteral("panel"), {}, QStringLiteral("tester"), {});
    ASSERT_TRUE(second->connected());
    shell->SetCurrentConnection(first->connection());
    QPointer<TfrmQuery> mine = dynamic_cast<TfrmQuery *>(shell->openQueryWindow());
    QPointer<TfrmQuery> rebound = dynamic_cast<TfrmQuery *>(shell->openQueryWindow());
    ASSERT_TRUE(mine && rebound);
    // Cascaded over the browser, inside the visible area, at a working size.
    const QRect area(QPoint(0, 0), shell->area.viewport()->size());
    for (TfrmQuery *q : {mine.data(), rebound.data()}) {
        EXPECT_TRUE(area.contains(q->geometry())) << q->x() << ',' << q->y();
        EXPECT_GE(q->width(), area.width() * 2 / 3);
    }
    EXPECT_GT(mine->y(), 0);
    EXPECT_GT(rebound->pos().y(), mine->pos().y());
    auto *combo = rebound->findChild<QComboBox *>(QStringLiteral("cboDatabaseAlias"));
    rebound->fillConnectionList();
    combo->setCurrentText(second->connection()->ConnectionDisplayName());
    rebound->cboDatabaseAliasChange();
    ASSERT_EQ(rebound->connection(), second->connection());
    mine->sqlEditor()->setPlainText(QStringLiteral("select 1 from customer"));
    mine->sqlEditor()->document()->setModified(true);

    dialogs->answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(first->close());
    EXPECT_EQ(dialogs->questions, QStringList({"Query modified, save to file?"}));
    dialogs->answers = {DialogAnswer::No};
    EXPECT_TRUE(first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() && mine.isNull());
    ASSERT_FALSE(rebound.isNull());
    EXPECT_EQ(rebound->connection(), second->connection());

    EXPECT_TRUE(second->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(rebound.isNull());
    EXPECT_TRUE(shell->children().isEmpty());
}

TEST_F(BrowserWorkspaceTest, RefreshAskedForElsewhereIsOfferedOnActivation)
{
    auto *other = shell->area.addSubWindow(new QWidget);
    other->show();
    shell->area.setActiveSubWindow(other);
    RunSql(dynamic_cast<TdmDbObjects &>(*w->connection()), QStringLiteral("create table later_t (a integer)"));
    w->refresh();
    EXPECT_TRUE(w->refreshPending());
    EXPECT_FALSE(listed(QStringLiteral("later_t")));

    dialogs->answers = {DialogAnswer::Yes};
    shell->area.setActiveSubWindow(w);
    EXPECT_TRUE(dialogs->questions.contains(QStringLiteral("Refresh required, update objects now?")));
    EXPECT_FALSE(w->refreshPending());
    EXPECT_TRUE(listed(QStringLiteral("later_t")));
}

// What Save, Save As and Open write and read is editorfiles_test.cpp's; here
// the SQL panel reaches them with its titles and remembered name, External
// Edit takes back the procedure's text, and leaving saves under its name.
TEST_F(BrowserWorkspaceTest, EditorFilesOpenSaveExternalEditAndTheLeaveCheckSave)
{
    QTemporaryDir dir;
    w->gotoNode(QStringLiteral("tester.customer"));
    w->queryTab();
    w->rtfSQL()->setPlainText(QStringLiteral("select * from region"));
    const QString first = dir.filePath(QStringLiteral("a.sql"));
    dialogs->savePath = first;
    w->save();
    EXPECT_EQ(dialogs->fileRequests.last().title, QStringLiteral("Save SQL Script As"));
    EXPECT_EQ(status(), QStringLiteral("File saved successfully."));
    dialogs->savePath = dir.filePath(QStringLiteral("b.sql"));
    w->saveAs();
    EXPECT_EQ(dialogs->fileRequests.last().fileName, QStringLiteral("a.sql"));
    EXPECT_EQ(w->fileName(QStringLiteral("rtfSQL")), dialogs->savePath);
    dialogs->openPath = first;
    w->openFile();
    EXPECT_EQ(dialogs->fileRequests.last().title, QStringLiteral("Open SQL Script"));
    EXPECT_EQ(w->rtfSQL()->toPlainText(), QStringLiteral("select * from region"));

    const QString editor = dir.filePath(QStringLiteral("editor.sh"));
    QFile script(editor);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("echo '-- edited' >> \"$1\"\n");
    script.close();
    Settings::write(Settings::Editor, QStringLiteral("/bin/sh ") + editor);
    w->activate();
    w->gotoNode(QStringLiteral("tester.customers_in_region"));
    child<QTabWidget>("tabProc")->setCurrentWidget(child<QWidget>("pageProc"));
    auto *text = child<QPlainTextEdit>("rtfProcText");
    const QString edited = text->toPlainText() + QStringLiteral("\n-- edited");
    w->externalEdit();
    EXPECT_EQ(child<QTabWidget>("tabProc")->currentWidget()->objectName(), QStringLiteral("pageProcEdit"));
    EXPECT_EQ(text->toPlainText(), edited);

    dialogs->answers = {DialogAnswer::Yes};
    dialogs->savePath = dir.filePath(QStringLiteral("proc.sql"));
    w->gotoNode(QStringLiteral("tester.customer"));
    EXPECT_EQ(selected(), QStringLiteral("tester.customer"));
    EXPECT_EQ(dialogs->fileRequests.last().fileName, QStringLiteral("customers_in_region.sql"));
    EXPECT_TRUE(bytes(dialogs->savePath).endsWith("\r\n-- edited\r\n"));
}

// The bytes are the writer's test: the SQL panel's result and the data page
// reach it with the format, the file name and the key from the index list.
TEST_F(BrowserWorkspaceTest, ResultsAndTheDataPageExportToFiles)
{
    QTemporaryDir dir;
    runSql(QStringLiteral("select region_code, region_name from region where region_code in ('LN', 'SC') order by 1"));
    struct Export {
        const char *node;  // empty: the SQL panel's result
        const char *action, *file;
        QByteArray start;
    };
    for (const Export &e : {Export{"", "mnuRSaveAsCSV", "region.csv", "region_code,region_name\r\nLN,London\r\n"},
                            Export{"", "mnuRSaveAsUnload", "region.unl", "LN|London|\nSC|Scotland|\n"},
                            Export{"tester.region", "mnuRSaveAsScript", "region.sql", "INSERT INTO region (region_code"},
                            Export{"tester.region", "mnuRSaveAsSQD", "region.sqd", "ZRTSQD1\r\n"}}) {
        if (*e.node) {
            w->gotoNode(QLatin1String(e.node));
            child<QTabWidget>("tabTable")->setCurrentWidget(child<QWidget>("pageTableData"));
        }
        const QString path = dir.filePath(QLatin1String(e.file));
        dialogs->savePath = path;
        child<QAction>(e.action)->trigger();
        EXPECT_EQ(dialogs->fileRequests.last().fileName, QLatin1String(e.file));
        EXPECT_EQ(status(), QStringLiteral("Query saved to file [") + path + QStringLiteral("]."));
        EXPECT_TRUE(bytes(path).startsWith(e.start)) << e.file;
    }
    EXPECT_TRUE(bytes(dir.filePath(QStringLiteral("region.sqd"))).contains("\r\nTable: region\r\nPrimaryKey: region_code\r\n"));
}

} // namespace
