// The object browser window against a real embedded database, driven through
// its controls by name under a fake shell: connect and reselect, page sets per
// kind, navigation (Back, Previous, Go buttons, F11/F12), remembered pages,
// the data page read only when shown, the list page, the settings written
// when it goes; and in the main window, the connection combo with two
// browsers on one alias.
#include "app/connector.h"
#include "app/dialogs.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "browser/ui/dbobjectswindow.h"
#include "browser/ui/objectlistview.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "engine/engine.h"
#include "shell/appconnector.h"
#include "shell/mainform.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

#include "catalogfixture.h"
#include "combopick.h"
#include "fakeshell.h"
#include "pdftext.h"
#include "recordingdialogs.h"

using namespace quodlin;

namespace {


// The program's connector with the login dialog answered by Cancel.
class NoLoginConnector : public AppConnector {
public:
    bool runLoginDialog(LoginResult &) override { return false; }
};

class BrowserWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The browser fixture with a row to show on the data page.
        const QString path = test::AliasedDatabase(QStringLiteral("browse"), QStringLiteral("browser/fixture.sql"));
        auto session = engine::Session::open(path.toStdString(), "tester");
        session->execute("insert into items values (1, 'x')");
        session->execute("create table acct.wholesale_price_list_for_the_whole_catalogue_of_spokes "
                         "(supplier_reference_for_catalogue_items varchar(120) default 'unassigned' not null, "
                         "unit_price money(12,2))");
    }

    void SetUp() override
    {
        QFile::remove(SettingsFilePath());
        m_shell = std::make_unique<test::FakeShell>();
    }
    void TearDown() override
    {
        m_shell.reset();
        QFile::remove(SettingsFilePath());
    }

    TfrmDbObjects *connect()
    {
        auto *w = new TfrmDbObjects(*m_shell);
        m_shell->addChild(w);
        w->show();
        w->connectDatabase(QStringLiteral("browse"), {}, QStringLiteral("tester"), {});
        if (w->connected())
            return w;
        delete w;
        return nullptr;
    }
    template <class W> static W *child(TfrmDbObjects *w, const char *name)
    {
        W *found = w->findChild<W *>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    static QString currentLabel(TfrmDbObjects *w)
    {
        QTreeWidgetItem *item = child<QTreeWidget>(w, "tvwTree")->currentItem();
        return item ? item->text(0) : QString();
    }
    static QStringList visibleTabs(TfrmDbObjects *w, const char *control)
    {
        auto *tab = child<QTabWidget>(w, control);
        QStringList captions;
        for (int i = 0; i < tab->count(); ++i)
            if (tab->isTabVisible(i))
                captions << tab->tabText(i);
        return captions;
    }
    static QString activePage(TfrmDbObjects *w, const char *control)
    {
        return child<QTabWidget>(w, control)->currentWidget()->objectName();
    }
    static void setPage(TfrmDbObjects *w, const char *control, const char *page)
    {
        auto *tab = child<QTabWidget>(w, control);
        tab->setCurrentWidget(tab->findChild<QWidget *>(QLatin1String(page)));
    }

    ScopedDialogs m_dialogs;
    std::unique_ptr<test::FakeShell> m_shell;
};

struct ReselectCase {
    const char *name;
    const char *saved;
    const char *label;  // selected node's label
    const char *captionBar;
};

class WindowReselectTest : public BrowserWindowTest, public ::testing::WithParamInterface<ReselectCase> {};

TEST_P(WindowReselectTest, SavedCaptionSelectsItsNodeOrTheRoot)
{
    const ReselectCase &c = GetParam();
    Settings::writeConnection(QStringLiteral("browse"), Settings::ConnLastNodeCaption, QLatin1String(c.saved));
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w) << m_dialogs->messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Objects [browse]"));
    EXPECT_EQ(currentLabel(w), QLatin1String(c.label));
    EXPECT_EQ(child<QStatusBar>(w, "sbrListCaption")->currentMessage(), QLatin1String(c.captionBar));
    EXPECT_TRUE(w->ready());
    EXPECT_FALSE(w->hasPreviousNode());  // Back right after connecting does nothing
}

INSTANTIATE_TEST_SUITE_P(
    Browser, WindowReselectTest,
    // Which caption the tree picks is the object tree test's; these rows cover the window's use of it.
    ::testing::Values(ReselectCase{"ObjectCaption", "acct.t", "acct.t", "Table: acct.t"},
                      ReselectCase{"UnknownCaption", "gone.table", "browse", "browse"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BrowserWindowTest, TablesAndViewsShowTheirOwnTabsAndDecodedColumns)
{
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    w->gotoNode(QStringLiteral("acct.t"));
    EXPECT_EQ(visibleTabs(w, "tabTable"), QStringList({"T&able", "&Columns", "I&ndexes", "T&riggers", "De&pends",
                                                       "&Data", "S&QL", "DD&L", "Diagra&m"}));
    EXPECT_EQ(child<QLineEdit>(w, "editTabname")->text(), QStringLiteral("t"));
    EXPECT_EQ(child<QLineEdit>(w, "editOwner")->text(), QStringLiteral("acct"));
    auto *columns = child<QTableView>(w, "gridTableColumns");
    ASSERT_EQ(columns->model()->rowCount(), 12);
    QStringList types;
    for (int row = 0; row < 4; ++row)
        types << columns->model()->index(row, 2).data().toString();
    EXPECT_EQ(types, QStringList({"SERIAL", "DECIMAL(10,2)", "MONEY(16,2)", "DATETIME YEAR TO SECOND"}));
    EXPECT_EQ(child<QTableView>(w, "gridTableIndexes")->model()->rowCount(), 2);
    EXPECT_TRUE(w->definitionText().isEmpty());
    // The SQL panel moved into the shown page set.
    EXPECT_EQ(child<QWidget>(w, "pnlSQL")->parentWidget()->objectName(), QStringLiteral("pageTableSQL"));

    w->gotoNode(QStringLiteral("tester.v1"));
    EXPECT_EQ(visibleTabs(w, "tabTable"), QStringList({"&View", "&Columns", "Ed&it", "De&pends", "&Data", "S&QL"}));
    EXPECT_EQ(child<QStatusBar>(w, "sbrListCaption")->currentMessage(), QStringLiteral("View: tester.v1"));
    EXPECT_TRUE(w->definitionText().startsWith(QStringLiteral("CREATE VIEW v1 (a) AS\r\n")));
    EXPECT_EQ(child<QPlainTextEdit>(w, "rtfViewText")->toPlainText(),
              QString(w->definitionText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_FALSE(child<QPlainTextEdit>(w, "rtfViewText")->document()->isModified());
}

TEST_F(BrowserWindowTest, BackTwicePreviousAndTheGoButtons)
{
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    // Which nodes Back and the Go buttons pick is the navigation and tree tests'.
    w->gotoNode(QStringLiteral("tester.items"));
    w->gotoNode(QStringLiteral("acct.t"));
    EXPECT_FALSE(child<QPushButton>(w, "btnTableDependsGoto")->isEnabled());
    w->back();
    EXPECT_EQ(currentLabel(w), QStringLiteral("tester.items"));
    w->back();
    EXPECT_EQ(currentLabel(w), QStringLiteral("acct.t"));
    EXPECT_TRUE(w->nodeHasParent());
    w->previous();
    EXPECT_EQ(currentLabel(w), QStringLiteral("User"));

    w->gotoNode(QStringLiteral("tester.tr_ins"));
    EXPECT_EQ(child<QLineEdit>(w, "editTrigname")->text(), QStringLiteral("tr_ins"));
    child<QPushButton>(w, "btnTriggerGoto")->click();
    EXPECT_EQ(currentLabel(w), QStringLiteral("tester.items"));
    child<QPushButton>(w, "btnTableDependsGoto")->click();
    EXPECT_EQ(currentLabel(w), QStringLiteral("tester.v1"));

    w->gotoNode(QStringLiteral("tester.s_local"));
    ASSERT_TRUE(child<QPushButton>(w, "btnSynGoto")->isEnabled());
    child<QPushButton>(w, "btnSynGoto")->click();
    EXPECT_EQ(currentLabel(w), QStringLiteral("acct.t"));
    // A caption that matches nothing leaves the selection alone.
    w->gotoNode(QStringLiteral("nobody.nothing"));
    EXPECT_EQ(currentLabel(w), QStringLiteral("acct.t"));
}

TEST_F(BrowserWindowTest, FunctionKeysStepVisibleTabsAndWrap)
{
    m_shell->area.show();
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    w->gotoNode(QStringLiteral("tester.v1"));
    m_shell->area.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_shell->area));
    auto *tree = child<QTreeWidget>(w, "tvwTree");
    setPage(w, "tabTable", "pageTableSQL");
    QTest::keyClick(tree, Qt::Key_F12);
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableTable"));
    QTest::keyClick(tree, Qt::Key_F11);
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableSQL"));
    setPage(w, "tabTable", "pageTableEdit");
    QTest::keyClick(tree, Qt::Key_F12);  // Indexes and Triggers are hidden for a view
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableDepends"));

    w->gotoNode(QStringLiteral("tester.pd_y"));
    w->queryTab();
    EXPECT_EQ(activePage(w, "tabProc"), QStringLiteral("pageProcSQL"));
}

TEST_F(BrowserWindowTest, RememberedPagesAndTheDataPageReadOnlyWhenShown)
{
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    w->gotoNode(QStringLiteral("acct.t"));
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableColumns"));
    EXPECT_FALSE(w->qryTableData().isOpen());
    setPage(w, "tabTable", "pageTableIndexes");
    w->gotoNode(QStringLiteral("tester.v1"));
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableEdit"));
    w->gotoNode(QStringLiteral("tester.items"));
    EXPECT_EQ(activePage(w, "tabTable"), QStringLiteral("pageTableIndexes"));
    EXPECT_FALSE(w->qryTableData().isOpen());

    setPage(w, "tabTable", "pageTableData");
    ASSERT_TRUE(w->qryTableData().isOpen());
    EXPECT_EQ(w->qryTableData().sql(), QStringLiteral("SELECT * FROM items"));
    EXPECT_EQ(child<QTableView>(w, "gridTableData")->model()->rowCount(), 1);
    w->gotoNode(QStringLiteral("acct.t"));
    EXPECT_TRUE(w->qryTableData().isOpen());
    EXPECT_EQ(w->qryTableData().sql(), QStringLiteral("SELECT * FROM t"));  // by name alone
    EXPECT_EQ(child<QTableView>(w, "gridTableData")->model()->rowCount(), 0);
}

TEST_F(BrowserWindowTest, ListPageColumnsAndRoleMembers)
{
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    auto *list = child<TObjectListView>(w, "lvwList");
    w->gotoNode(QStringLiteral("Tables"));
    EXPECT_EQ(list->columnTitles(), QStringList({"Name"}));
    EXPECT_EQ(list->itemText(0), QStringLiteral("System Tables"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("User Tables"));
    // Enter on an item selects and expands that child.
    list->selectRow(1);
    QTest::keyClick(list->currentView(), Qt::Key_Return);
    EXPECT_EQ(currentLabel(w), QStringLiteral("User"));
    EXPECT_EQ(list->columnTitles(), QStringList({"Name", "Owner"}));
    EXPECT_EQ(list->itemText(0), QStringLiteral("t"));
    EXPECT_EQ(list->itemText(0, 1), QStringLiteral("acct"));
    w->setListViewStyle(TObjectListView::List);
    EXPECT_EQ(list->itemText(0), QStringLiteral("acct.t"));

    w->gotoNode(QStringLiteral("staff"));
    EXPECT_EQ(child<QStatusBar>(w, "sbrListCaption")->currentMessage(), QStringLiteral("Role: staff"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("alice"));  // the list style shows the node's label
    w->setListViewStyle(TObjectListView::Details);
    EXPECT_EQ(list->itemText(0), QStringLiteral("staff"));  // details read the record: role, member
    EXPECT_EQ(list->itemText(0, 1), QStringLiteral("alice"));
}

TEST_F(BrowserWindowTest, TreeLabelsAndListCaptionsShowWhole)
{
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    const QString longName = QStringLiteral("acct.wholesale_price_list_for_the_whole_catalogue_of_spokes");
    w->gotoNode(longName);
    auto *tree = child<QTreeWidget>(w, "tvwTree");
    QCoreApplication::processEvents();
    const QRect label = tree->visualItemRect(tree->currentItem());
    EXPECT_GE(label.width(), tree->fontMetrics().horizontalAdvance(longName)) << "the label is cut";
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0) << "a label wider than the tree scrolls";

    // The connection's list: Tables, Views, Procedures, ...
    const QString root = tree->topLevelItem(0)->text(0);
    auto *list = child<TObjectListView>(w, "lvwList");
    for (int style : {TObjectListView::LargeIcons, TObjectListView::SmallIcons, TObjectListView::List}) {
        w->setListViewStyle(style);
        w->gotoNode(root);
        QAbstractItemView *view = list->currentView();
        QCoreApplication::processEvents();
        for (int row = 0; row < list->count(); ++row) {
            const QModelIndex index = view->model()->index(row, 0);
            const QString caption = index.data().toString();
            // Large icons put the caption under the icon, the others beside it.
            const int beside = style == TObjectListView::LargeIcons ? 0 : view->iconSize().width();
            EXPECT_GE(view->visualRect(index).width(), view->fontMetrics().horizontalAdvance(caption) + beside)
                << "style " << style << ": " << caption.toStdString();
        }
    }
}

TEST_F(BrowserWindowTest, SettingsWrittenWhenTheWindowGoes)
{
    Settings::write(Settings::TabTriggerPageIndex, 99);  // hand-edited: ignored
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    EXPECT_EQ(activePage(w, "tabTrigger"), QStringLiteral("pageTrigger"));
    w->gotoNode(QStringLiteral("tester.items"));
    setPage(w, "tabTable", "pageTableTriggers");
    w->gotoNode(QStringLiteral("tester.pd_y"));
    setPage(w, "tabProc", "pageProcEdit");
    w->setListViewStyle(TObjectListView::SmallIcons);
    w->rtfSQL()->setPlainText(QStringLiteral("select * from t"));
    child<QSplitter>(w, "splitterExplorer")->setSizes({310, 600});
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(m_shell->area.subWindowList().isEmpty());

    EXPECT_EQ(Settings::readConnection(QStringLiteral("browse"), Settings::ConnLastNodeCaption),
              QStringLiteral("tester.pd_y"));
    EXPECT_EQ(Settings::readConnection(QStringLiteral("browse"), Settings::ConnLastSqlStatement),
              QStringLiteral("select * from t"));
    EXPECT_EQ(Settings::read(Settings::TabTablePageIndex), 4);
    EXPECT_EQ(Settings::read(Settings::TabViewPageIndex), 2);
    EXPECT_EQ(Settings::read(Settings::TabProcPageIndex), 1);
    EXPECT_EQ(Settings::read(Settings::TabTriggerPageIndex), 0);
    EXPECT_EQ(Settings::read(Settings::ListViewStyle), 1);
    EXPECT_EQ(Settings::read(Settings::TreeViewWidth), 310);

    // The next browser starts where this one ended.
    TfrmDbObjects *next = connect();
    ASSERT_TRUE(next);
    EXPECT_EQ(child<QTreeWidget>(next, "tvwTree")->width(), 310);
    EXPECT_EQ(currentLabel(next), QStringLiteral("tester.pd_y"));
    EXPECT_EQ(activePage(next, "tabProc"), QStringLiteral("pageProcEdit"));
    EXPECT_EQ(next->rtfSQL()->toPlainText(), QStringLiteral("select * from t"));
    next->gotoNode(QStringLiteral("tester.items"));
    EXPECT_EQ(activePage(next, "tabTable"), QStringLiteral("pageTableTriggers"));
}

TEST_F(BrowserWindowTest, ComboEntryBringsTheSecondBrowserOnTheSameAliasForward)
{
    SetConnector(std::make_shared<NoLoginConnector>());
    const auto form = std::make_unique<TMainForm>();
    form->resize(1000, 700);
    form->show();
    form->FormShow();  // the login it asks for is cancelled
    auto connectInFrame = [&form]() -> TfrmDbObjects * {
        if (!form->ConnectDatabase(QStringLiteral("browse"), {}, QStringLiteral("tester"), {}))
            return nullptr;
        return dynamic_cast<TfrmDbObjects *>(form->mdiArea()->subWindowList().last());
    };
    TfrmDbObjects *first = connectInFrame();
    TfrmDbObjects *second = connectInFrame();
    SetConnector(nullptr);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(form->mdiArea()->activeSubWindow(), second);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    auto *combo = form->findChild<QComboBox *>(QStringLiteral("cboDatabaseAlias"));
    ASSERT_EQ(combo->count(), 2);
    test::PickFromList(combo, first->module().ConnectionDisplayName(), test::PickBy::Mouse);
    EXPECT_EQ(form->mdiArea()->activeSubWindow(), first);
    EXPECT_EQ(form->CurrentConnection(), first->connection());
    EXPECT_EQ(combo->currentText(), first->module().ConnectionDisplayName());
}

} // namespace

TEST_F(BrowserWindowTest, PrintsTheShownPageWithItsTitle)
{
    if (!test::HavePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    TfrmDbObjects *w = connect();
    ASSERT_TRUE(w);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("b.pdf"));
    m_shell->printer().setOutputFormat(QPrinter::PdfFormat);
    m_shell->printer().setOutputFileName(pdf);
    m_dialogs->printAnswer = true;
    auto printed = [&] {
        w->print();
        return test::PdfLines(pdf);
    };

    // Every heading and every value of the grid reach the paper whole, inside margins printers can print.
    w->gotoNode(QStringLiteral("acct.wholesale_price_list_for_the_whole_catalogue_of_spokes"));
    setPage(w, "tabTable", "pageTableColumns");
    const QStringList columns = printed();
    ASSERT_GE(columns.size(), 6) << columns.join('\n').toStdString();
    EXPECT_EQ(columns.mid(0, 2),
              QStringList({"Columns for [wholesale_price_list_for_the_whole_catalogue_of_spokes]", ""}));
    const QAbstractItemModel *grid = child<QTableView>(w, "gridTableColumns")->model();
    ASSERT_EQ(grid->rowCount(), 2);
    const QString paper = columns.join('\n');
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QString heading = grid->headerData(c, Qt::Horizontal).toString();
        EXPECT_TRUE(paper.contains(heading)) << heading.toStdString() << " missing from\n" << paper.toStdString();
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QString value = grid->index(r, c).data().toString().trimmed();
            EXPECT_TRUE(paper.contains(value)) << value.toStdString() << " missing from\n" << paper.toStdString();
        }
    }
    EXPECT_TRUE(paper.contains(QStringLiteral("supplier_reference_for_catalogue_items")));
    EXPECT_TRUE(paper.contains(QStringLiteral("unassigned")));
    const test::PdfTextArea area = test::PdfFirstPageTextArea(pdf);
    const double tenMm = 10 * 72 / 25.4;
    EXPECT_GE(area.text.left(), tenMm);
    EXPECT_GE(area.text.top(), tenMm);
    EXPECT_LE(area.text.right(), area.page.width() - tenMm);
    EXPECT_TRUE(child<QPlainTextEdit>(w, "rtfWork")->toPlainText().isEmpty());
    EXPECT_EQ(m_shell->status, QStringLiteral("Printing complete."));

    w->gotoNode(QStringLiteral("tester.pd_y"));
    setPage(w, "tabProc", "pageProcEdit");
    const QStringList proc = printed();
    ASSERT_GE(proc.size(), 3);
    EXPECT_EQ(proc.mid(0, 2), QStringList({"Stored Procedure [pd_y]", ""}));
    QStringList text = child<QPlainTextEdit>(w, "rtfProcText")->toPlainText().split('\n');
    for (QString &l : text)
        l = l.trimmed();
    EXPECT_EQ(proc.mid(2), text);
}
