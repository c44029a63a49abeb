// The query window under a fake shell with stand-in browsers over embedded
// databases: execution and its outcomes, Stop, binding, closing, templates;
// the query history dialog over its runs; completion in the editor; and the
// main window's find and replace over its editors.
#include "app/settingdefs.h"
#include "app/templates.h"
#include "shell/mainform.h"
#include "output/ui/finddialogs.h"
#include "workspace/queryhistory.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/queryhistoryform.h"
#include "workspace/ui/sqlcompleter.h"
#include "pdftext.h"
#include "workspace_fixture.h"
#include "combopick.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QAbstractItemModelTester>
#include <QTest>
#include <QTreeView>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

class QueryFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateEmbeddedDatabase(QStringLiteral("shop"));
        shell = std::make_unique<FakeShell>();
        browser = addBrowser(QStringLiteral("shop"));
        RunSql(browser->module, QStringLiteral("create table parts (id integer, name char(12))"));
        RunSql(browser->module, QStringLiteral("insert into parts values (1, 'bolt')"));
        Settings::write(Settings::QueryResultsToGrid, false);
        Settings::write(Settings::EditExplainImmediate, false);
        Settings::writeConnection(browser->module.ConnectionName(), Settings::ConnLastSqlStatementQuery, QString());
    }
    StubBrowser *addBrowser(const QString &database)
    {
        auto *b = new StubBrowser(database);
        shell->addChild(b);
        b->show();
        shell->SetCurrentConnection(&b->module);
        return b;
    }
    TfrmQuery *openQuery()
    {
        auto *q = new TfrmQuery(*shell);
        shell->addChild(q);
        q->show();
        q->bindConnection(shell->CurrentConnection());
        return q;
    }
    static void run(TfrmQuery *q, const QString &sql)
    {
        q->sqlEditor()->setPlainText(sql);
        q->ExecSQL();
        q->waitForRun();
    }
    template <class T> static T *child(TfrmQuery *q, const char *name) { return q->findChild<T *>(QLatin1String(name)); }
    static QString status(TfrmQuery *q) { return child<QStatusBar>(q, "StatusBar")->currentMessage(); }
    static QString page(TfrmQuery *q) { return child<QTabWidget>(q, "tabQuery")->currentWidget()->objectName(); }

    ScopedDialogs dialogs;
    std::unique_ptr<FakeShell> shell;
    StubBrowser *browser = nullptr;
};

// The run itself is the run panel's (runpanel_test.cpp); this checks the
// window's side of it: pages, caption, its status line, Stop, explain.
TEST_F(QueryFormTest, RunsSelectInsertAndFaultyStatements)
{
    TfrmQuery *q = openQuery();
    const QString name = browser->module.ConnectionDisplayName();

    run(q, QStringLiteral("select id, name from parts"));
    EXPECT_EQ(status(q), QStringLiteral("Query executed successfully."));
    EXPECT_EQ(page(q), QStringLiteral("pageResults"));
    EXPECT_EQ(child<QPlainTextEdit>(q, "rtfResults")->toPlainText(),
              QStringLiteral("id          name\n----------- ------------\n1           bolt"));
    EXPECT_EQ(q->windowTitle(), QStringLiteral("Query [") + name + QStringLiteral("] - select id, name from parts"));

    run(q, QStringLiteral("insert into parts values (2, 'nut')"));
    EXPECT_EQ(status(q), QStringLiteral("1 row(s) inserted."));
    EXPECT_EQ(page(q), QStringLiteral("pageSQL"));
    EXPECT_EQ(SelectText(browser->module, QStringLiteral("select count(*) from parts")), QStringLiteral("2"));

    run(q, QStringLiteral("select id,\n  nosuch from parts"));
    EXPECT_EQ(status(q), QStringLiteral("Query compiled with errors."));
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].startsWith(QStringLiteral("Error: Database Error in [TfrmQuery.ExecSQL]:")))
        << dialogs->messages[0].toStdString();
    EXPECT_EQ(page(q), QStringLiteral("pageSQL"));
    EXPECT_FALSE(q->query().isOpen());

    // The frame's Stop reaches the run (what Stop does is the run panel's test).
    q->sqlEditor()->setPlainText(QStringLiteral(
        "select a.colname from syscolumns a, syscolumns b, syscolumns c where a.colno + b.colno + c.colno < 0"));
    q->ExecSQL();
    ASSERT_TRUE(q->running());
    QElapsedTimer clock;
    clock.start();
    q->stop();
    q->waitForRun();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(status(q), QStringLiteral("Query compiled with errors."));

    // Explain without a file: the notice after the run.
    Settings::write(Settings::EditExplainImmediate, true);
    q->activate();
    q->setExplainEnabled(true);
    run(q, QStringLiteral("select name from parts where id = 1"));
    EXPECT_EQ(status(q), QStringLiteral("Query executed successfully."));
    EXPECT_EQ(dialogs->messages.last(),
              QStringLiteral("Message: Explain file not specified. See Connection tab in File|Options menu."));
    // Set in Options meanwhile: the run and F10 take it as it is now.
    const QString connection = browser->module.ConnectionName();
    Settings::writeConnection(connection, Settings::ConnSqexplnFile, QDir::temp().filePath(QStringLiteral("wx.out")));
    Settings::writeConnection(connection, Settings::ConnSqexplnViewer, QStringLiteral("true"));
    const qsizetype shown = dialogs->messages.size();
    run(q, QStringLiteral("select name from parts where id = 1"));
    q->explainQuery();
    EXPECT_EQ(dialogs->messages.size(), shown) << dialogs->messages.last().toStdString();
    Settings::writeConnection(connection, Settings::ConnSqexplnFile, QString());
}

TEST_F(QueryFormTest, CtrlSpaceAndADotOpenTheCompletionListThatEnterEscAndAFullNameClose)
{
    browser->module.refreshCompletionCatalog();
    browser->module.completionLoader().wait();
    TfrmQuery *q = openQuery();
    QPlainTextEdit *editor = q->sqlEditor();
    editor->setPlainText(QStringLiteral("select * from pa"));
    editor->moveCursor(QTextCursor::End);
    editor->setFocus();
    QTreeView *popup = SqlCompleter::of(editor)->popup();
    QAbstractItemModelTester tester(popup->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    QTest::keyClick(editor, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->model()->rowCount(), 1);
    EXPECT_EQ(popup->model()->index(0, 0).data().toString(), QStringLiteral("parts"));
    EXPECT_EQ(popup->model()->index(0, 1).data().toString(), QStringLiteral("table"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select * from parts"));

    // A dot after an alias lists its columns; typing narrows them; Esc closes.
    QTest::keyClicks(editor, QStringLiteral(" p where p"));
    QTest::keyClick(editor, Qt::Key_Period);
    QCoreApplication::processEvents();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->model()->rowCount(), 2);
    EXPECT_EQ(popup->model()->index(1, 2).data().toString(), QStringLiteral("CHAR(12)"));
    // A column has a (blank) picture too, so its name lines up with the tables'.
    EXPECT_FALSE(qvariant_cast<QIcon>(popup->model()->index(1, 0).data(Qt::DecorationRole)).isNull());
    QTest::keyClick(editor, Qt::Key_N);
    EXPECT_EQ(popup->model()->rowCount(), 1);
    // The name typed out in full closes the list, so Enter ends the line.
    QTest::keyClicks(editor, QStringLiteral("ame"));
    EXPECT_FALSE(popup->isVisible());
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select * from parts p where p.name\n"));
    QTest::keyClicks(editor, QStringLiteral("and p"));
    QTest::keyClick(editor, Qt::Key_Period);
    QCoreApplication::processEvents();
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select * from parts p where p.name\nand p."));
}

TEST_F(QueryFormTest, LiveCaptionAndGridFollowTheSwitchAndTheMode)
{
    Settings::write(Settings::QueryResultsToGrid, true);
    TfrmQuery *q = openQuery();
    child<QCheckBox>(q, "chkLiveQuery")->setChecked(true);
    run(q, QStringLiteral("-- parts: all of them\nselect id from parts"));
    EXPECT_TRUE(q->query().canModify());
    EXPECT_EQ(child<QTableView>(q, "gridResults")->model()->rowCount(), 1);
    EXPECT_TRUE(q->windowTitle().endsWith(QStringLiteral("] [Live] - -- parts- all of them")))
        << q->windowTitle().toStdString();

    // Text mode: no live request, the caption still says so.
    Settings::write(Settings::QueryResultsToGrid, false);
    q->activate();
    run(q, QStringLiteral("select id from parts"));
    EXPECT_FALSE(q->query().canModify());
    EXPECT_TRUE(q->windowTitle().contains(QStringLiteral("[Live]")));
}

TEST_F(QueryFormTest, GridColumnsFitTheirValuesAndKeepTheUsersWidths)
{
    const QString kit = QStringLiteral("Spokes & nipples, stainless, 2.0 mm");
    RunSql(browser->module, QStringLiteral("create table kits (id integer, name varchar(60), note lvarchar(900))"));
    RunSql(browser->module, QStringLiteral("insert into kits values (1, '%1', '%2')").arg(kit, QString(800, 'n')));
    Settings::write(Settings::QueryResultsToGrid, true);
    shell->area.show();  // a hidden grid has no width to size against
    TfrmQuery *q = openQuery();
    q->resize(900, 500);
    auto *grid = child<QTableView>(q, "gridResults");
    auto settle = [] {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    const QString all = QStringLiteral("select id, name, note from kits");
    run(q, all);
    settle();
    EXPECT_GE(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(kit)) << "the value is cut";
    EXPECT_LT(grid->columnWidth(0), grid->columnWidth(1));
    EXPECT_GT(grid->columnWidth(2), grid->columnWidth(1)) << "a long value gets room";
    EXPECT_LE(grid->columnWidth(2), grid->viewport()->width() / 3) << "but not the whole grid";

    // The user's widths come back with the same query; another query fits afresh.
    grid->setColumnWidth(1, 45);
    run(q, QStringLiteral("select name from kits"));
    settle();
    EXPECT_GE(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(kit));
    run(q, all);
    settle();
    EXPECT_EQ(grid->columnWidth(1), 45);
    // Double-clicking the header edge fits the column.
    emit grid->horizontalHeader()->sectionHandleDoubleClicked(1);
    EXPECT_GE(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(kit));
}

TEST_F(QueryFormTest, BindingRestoresTheLastStatementForTheFirstWindowOnly)
{
    Settings::writeConnection(browser->module.ConnectionName(), Settings::ConnLastSqlStatementQuery,
                              QStringLiteral("select 1 from parts"));
    TfrmQuery *first = openQuery();
    EXPECT_EQ(first->sqlEditor()->toPlainText(), QStringLiteral("select 1 from parts"));
    EXPECT_FALSE(first->sqlEditor()->document()->isModified());
    // Selected: typing replaces it, Undo brings it back.
    QTest::keyClicks(first->sqlEditor(), QStringLiteral("x"));
    EXPECT_EQ(first->sqlEditor()->toPlainText(), QStringLiteral("x"));
    first->sqlEditor()->undo();
    EXPECT_EQ(first->sqlEditor()->toPlainText(), QStringLiteral("select 1 from parts"));
    TfrmQuery *second = openQuery();
    EXPECT_EQ(second->sqlEditor()->toPlainText(), QString());
}

// The connection list rebinds to the entry chosen from its drop-down, by
// mouse or by keyboard: box, caption and the database a statement runs on.
TEST_F(QueryFormTest, ChoosingFromTheConnectionListRebindsTheWindow)
{
    TfrmQuery *q = openQuery();
    CreateEmbeddedDatabase(QStringLiteral("depot"));
    StubBrowser *depot = addBrowser(QStringLiteral("depot"));
    shell->area.show();
    shell->area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shell->area));
    shell->area.setActiveSubWindow(q);
    auto *combo = child<QComboBox>(q, "cboDatabaseAlias");
    for (const auto &[by, target, ran] :
         {std::tuple{PickBy::Mouse, depot, "Query compiled with errors."},  // depot has no parts
          std::tuple{PickBy::Keyboard, browser, "Query executed successfully."}}) {
        const QString name = target->module.ConnectionDisplayName();
        PickFromList(combo, name, by);
        EXPECT_EQ(combo->currentText(), name);
        EXPECT_EQ(q->connection(), &target->module);
        EXPECT_EQ(q->windowTitle(), QStringLiteral("Query [") + name + QLatin1Char(']'));
        run(q, QStringLiteral("select id from parts"));
        EXPECT_EQ(status(q), QLatin1String(ran)) << name.toStdString();
    }
}

TEST_F(QueryFormTest, TemplatePasteReplacesTheTextUncheckedAndUnmodified)
{
    ResetTemplates();
    TfrmQuery *q = openQuery();
    child<QCheckBox>(q, "chkLiveQuery")->setChecked(true);
    q->sqlEditor()->setPlainText(QStringLiteral("select 1 from parts"));
    q->pasteTemplate(kTemplateView);
    const QString text = q->sqlEditor()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("CREATE VIEW <vw_new> AS"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("<curdate>")));
    EXPECT_FALSE(child<QCheckBox>(q, "chkLiveQuery")->isChecked());
    EXPECT_FALSE(q->sqlEditor()->document()->isModified());
    EXPECT_EQ(q->sqlEditor()->textCursor().position(), 0);

    Settings::write(Settings::Initials, QStringLiteral("jd"));
    q->sqlEditor()->setPlainText(QStringLiteral("-- mine <initials>"));
    q->saveAsDefaultTemplate(kTemplateView);
    q->pasteTemplate(kTemplateView);
    EXPECT_EQ(q->sqlEditor()->toPlainText(), QStringLiteral("-- mine jd"));
}

} // namespace

// What Save and Open write and read, and a failed save, are editorfiles_test.cpp's.
TEST_F(QueryFormTest, TheCloseQuestionSaveAndOpenUseTheRealFiles)
{
    QTemporaryDir dir;
    TfrmQuery *q = openQuery();
    q->sqlEditor()->insertPlainText(QStringLiteral("create view v1 as\nselect * from parts"));
    dialogs->answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(q->close());
    EXPECT_EQ(dialogs->questions, QStringList({"Query modified, save to file?"}));
    // Yes saves through Save As, with the name the text proposes.
    dialogs->savePath = dir.filePath(QStringLiteral("v1.sql"));
    dialogs->answers = {DialogAnswer::Yes};
    EXPECT_TRUE(q->canClose());
    ASSERT_EQ(dialogs->fileRequests.size(), 1);
    EXPECT_EQ(dialogs->fileRequests.last().fileName, QStringLiteral("v1.sql"));
    EXPECT_TRUE(QFileInfo::exists(dialogs->savePath));  // the bytes are editorfiles_test.cpp's
    EXPECT_EQ(q->sqlFileName(), dialogs->savePath);

    // Open loads into the SQL editor; the results page saves the rendered grid.
    dialogs->openPath = q->sqlFileName();
    q->openFile();
    EXPECT_EQ(q->sqlEditor()->toPlainText(), QStringLiteral("create view v1 as\nselect * from parts"));
    Settings::write(Settings::QueryResultsToGrid, true);
    q->activate();
    run(q, QStringLiteral("select id, name from parts"));
    dialogs->savePath = dir.filePath(QStringLiteral("rows.txt"));
    q->save();
    QFile rows(dialogs->savePath);
    ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
    EXPECT_EQ(rows.readAll(), QByteArray("id          name\r\n----------- ------------\r\n1           bolt\r\n"));
    EXPECT_EQ(dialogs->fileRequests.last().title, QStringLiteral("Save Results As"));
    EXPECT_TRUE(child<QPlainTextEdit>(q, "rtfResults")->toPlainText().isEmpty());

    // No closes without saving; the statement is kept for the next window.
    q->sqlEditor()->setPlainText(QStringLiteral("select name from parts"));
    q->sqlEditor()->document()->setModified(true);
    dialogs->answers = {DialogAnswer::No};
    EXPECT_TRUE(q->close());
    EXPECT_EQ(Settings::readConnection(browser->module.ConnectionName(), Settings::ConnLastSqlStatementQuery),
              QStringLiteral("select name from parts"));
}

TEST_F(QueryFormTest, PrintsQueryAndRenderedResultsToPdf)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    Settings::write(Settings::QueryResultsToGrid, true);
    TfrmQuery *q = openQuery();
    run(q, QStringLiteral("select id, name from parts"));
    shell->printer().setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath(QStringLiteral("q.pdf"));
    shell->printer().setOutputFileName(pdf);
    dialogs->printAnswer = true;
    q->print();
    EXPECT_EQ(shell->status, QStringLiteral("Printing complete."));
    // Columns as wide as their values, not the fields' display widths.
    EXPECT_EQ(PdfLines(pdf), QStringList({"Query and Results", "", "select id, name from parts", "", "id name",
                                          "-- ----", "1 bolt"}));
    EXPECT_TRUE(child<QPlainTextEdit>(q, "rtfResults")->toPlainText().isEmpty());

    q->showSqlPage();
    q->print();
    EXPECT_EQ(PdfLines(pdf), QStringList({"Query", "", "select id, name from parts"}));

    // Cancelled: nothing printed and no claim that it was.
    QFile::remove(pdf);
    dialogs->printAnswer = false;
    q->print();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(shell->status, QString());
}

TEST_F(QueryFormTest, FindReplaceAndSearchAgainThroughTheDialogs)
{
    const auto form = std::make_unique<TMainForm>();
    auto *q = new TfrmQuery(*form);
    form->addChild(q);
    q->show();
    q->bindConnection(&browser->module);
    QPlainTextEdit *sql = q->sqlEditor();
    sql->setPlainText(QStringLiteral("abc abc\nABC"));
    sql->moveCursor(QTextCursor::Start);
    q->showSqlPage();
    form->mdiArea()->setActiveSubWindow(q);
    ASSERT_EQ(form->activeChild(), q);
    auto selection = [sql] { return std::make_pair(sql->textCursor().selectionStart(), sql->textCursor().selectionEnd()); };

    // Search Again before any search opens the find dialog.
    form->mnuSearchAgainClick();
    TFindDialog *find = form->findDialog();
    EXPECT_TRUE(find->isVisible());
    find->findChild<QLineEdit *>(QStringLiteral("editFind"))->setText(QStringLiteral("abc"));
    find->findChild<QPushButton *>(QStringLiteral("btnFindNext"))->click();
    EXPECT_EQ(selection(), std::make_pair(0, 3));
    EXPECT_FALSE(find->isVisible());
    form->mnuSearchAgainClick();
    EXPECT_EQ(selection(), std::make_pair(4, 7));

    // Where find and replace land is findreplace_test.cpp's; the dialog's buttons reach them.
    sql->moveCursor(QTextCursor::Start);
    form->mnuSearchReplaceClick();
    TFindDialog *replace = form->replaceDialog();
    replace->findChild<QLineEdit *>(QStringLiteral("editFind"))->setText(QStringLiteral("abc"));
    replace->findChild<QLineEdit *>(QStringLiteral("editReplace"))->setText(QStringLiteral("x"));
    replace->findChild<QPushButton *>(QStringLiteral("btnFindNext"))->click();
    EXPECT_EQ(sql->toPlainText(), QStringLiteral("x abc\nABC"));
    replace->findChild<QPushButton *>(QStringLiteral("btnReplaceAll"))->click();
    EXPECT_EQ(sql->toPlainText(), QStringLiteral("x x\nx"));
    EXPECT_TRUE(sql->document()->isUndoAvailable());
}

// The bytes of each format are the writer's test; here each action reaches
// it with its format, title and file name, and the SQD key comes from the
// browser's index list.
TEST_F(QueryFormTest, ResultExportsFromThePopupMenuWriteTheFileOrReportAFailure)
{
    RunSql(browser->module, QStringLiteral("create unique index ix_parts on parts (id, name)"));
    browser->module.LoadTable(QStringLiteral("parts"), QStringLiteral("tester"));
    QTemporaryDir dir;
    Settings::write(Settings::QueryResultsToGrid, true);
    TfrmQuery *q = openQuery();
    run(q, QStringLiteral("select id, name from parts"));
    // The grid's context menu offers every export; the text pane's own entries stay away.
    auto *grid = child<QTableView>(q, "gridResults");
    auto *menu = child<QMenu>(q, "popupResults");
    emit grid->customContextMenuRequested(QPoint(4, 4));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(child<QAction>(q, "mnuResultsCopy")->isVisible());
    menu->hide();
    struct Export {
        const char *action, *file, *title;
        QByteArray start;
    };
    for (const Export &e : {Export{"mnuResultsSaveAsScript", "parts.sql", "Save SQL INSERT Script As", "INSERT INTO parts (id,name)"},
                            Export{"mnuResultsSaveAsSQD", "parts.sqd", "Save SQD As", "ZRTSQD1\r\n"},
                            Export{"mnuResultsSaveAsCSV", "parts.csv", "Save as CSV", "id,name\r\n1,bolt\r\n"},
                            Export{"mnuResultsSaveAsUnload", "parts.unl", "Save as UNLOAD", "1|bolt|\n"}}) {
        const QString path = dir.filePath(QLatin1String(e.file));
        dialogs->savePath = path;
        QAction *item = child<QAction>(q, e.action);
        EXPECT_TRUE(menu->actions().contains(item) && item->isVisible()) << e.action;
        item->trigger();
        EXPECT_EQ(dialogs->fileRequests.last().title, QLatin1String(e.title));
        EXPECT_EQ(dialogs->fileRequests.last().fileName, QLatin1String(e.file));
        EXPECT_EQ(shell->status, QStringLiteral("Query saved to file [") + path + QStringLiteral("]."));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << e.file;
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith(e.start)) << e.file;
        if (bytes.startsWith("ZRTSQD1")) {
            EXPECT_TRUE(bytes.contains("\r\nTable: parts\r\nPrimaryKey: id,name\r\n")) << bytes.toStdString();
        }
    }

    // A folder in place of the file: reported, and the status claims nothing.
    dialogs->savePath = dir.path();
    q->saveAsSqd();
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].startsWith(QStringLiteral("Error: "))) << dialogs->messages[0].toStdString();
    EXPECT_EQ(shell->status, QStringLiteral("Error saving query to file."));
}

// A statement run in the window is recorded; the history dialog finds it by
// outcome and text, Delete drops an entry, and Enter opens the statement in
// a new query window on the connection it ran on, not the current one.
TEST_F(QueryFormTest, TheHistoryDialogReopensAStatementOnItsConnection)
{
    InstallQueryWindowFactory();
    WaitForHistory();
    HistoryStore().clear();
    TfrmQuery *q = openQuery();
    run(q, QStringLiteral("select id from parts where id = 1"));
    run(q, QStringLiteral("select nosuch from parts"));
    run(q, QStringLiteral("select name from parts"));
    CreateEmbeddedDatabase(QStringLiteral("depot"));
    addBrowser(QStringLiteral("depot"));
    WaitForHistory();

    TfrmQueryHistory dialog(*shell);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto *list = dialog.findChild<QTableView *>(QStringLiteral("lvHistory"));
    const auto firstLines = [&] {
        QStringList lines;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            lines << list->model()->index(row, 5).data().toString();
        return lines;
    };
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), QStringLiteral("local\\shop"));
    dialog.findChild<QComboBox *>(QStringLiteral("cboOutcome"))->setCurrentIndex(2);
    EXPECT_EQ(firstLines(), QStringList{QStringLiteral("select nosuch from parts")});
    dialog.findChild<QComboBox *>(QStringLiteral("cboOutcome"))->setCurrentIndex(0);
    list->setFocus();
    list->selectRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(firstLines(), QStringList({QStringLiteral("select nosuch from parts"),
                                         QStringLiteral("select id from parts where id = 1")}));
    EXPECT_EQ(dialog.findChild<QPlainTextEdit *>(QStringLiteral("rtfStatement"))->toPlainText(),
              QStringLiteral("select nosuch from parts"));

    // Enter at once after the text: what the text finds is opened.
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("edtFilter"));
    QTest::keyClicks(filter, QStringLiteral("ID = 1"));
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TfrmQuery *reopened = nullptr;
    for (IChildWindow *window : shell->children())
        if (auto *other = dynamic_cast<TfrmQuery *>(window); other && other != q)
            reopened = other;
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->connection(), &browser->module);
    EXPECT_EQ(reopened->sqlEditor()->toPlainText(), QStringLiteral("select id from parts where id = 1"));
}
