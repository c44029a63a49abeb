// The main window against small test children: start and exit geometry,
// routing, window cycling, the connect sequences and the tool bar.
#include "app/connector.h"
#include "app/dialogs.h"
#include "app/settingdefs.h"
#include "app/templates.h"
#include "browser/pagecommands.h"
#include "shell/mainform.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "recordingdialogs.h"

// Readable failure output for texts and text lists.
static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

class TestConnection : public IConnection {
public:
    TestConnection(QString name, QString unique) : m_name(std::move(name)), m_unique(std::move(unique)) {}
    QString ConnectionName() const override { return m_name; }
    QString uniqueDatabaseName() const override { return m_unique; }
    QString loginUser() const override { return QStringLiteral("informix"); }
    bool explain() const override { return m_explain; }
    void setExplain(bool on) override { m_explain = on; }
    bool isConnected() const override { return connected; }
    bool finishedConnecting() const override { return connected; }
    bool connected = true;

private:
    QString m_name, m_unique;
    bool m_explain = false;
};

// Records every routed command in a log shared by all children.
template <class Interface> class TestChild : public QMdiSubWindow, public Interface {
public:
    TestChild(QString name, QStringList &log) : m_name(std::move(name)), m_log(log)
    {
        setWindowTitle(m_name);
        setObjectName(m_name);
        setAttribute(Qt::WA_DeleteOnClose);
        setWidget(new QPlainTextEdit);
    }
    IConnection *connection() const override { return conn; }
    bool resultOpen() const override { return false; }
    void execute() override { note("execute"); }
    void edit() override { note("edit"); }
    void externalEdit() override { note("externalEdit"); }
    void openFile() override { note("openFile"); }
    void save() override { note("save"); }
    void saveAs() override { note("saveAs"); }
    void saveAsScript() override { note("saveAsScript"); }
    void saveAsSqd() override { note("saveAsSqd"); }
    void saveAsCsv() override { note("saveAsCsv"); }
    void saveAsUnload() override { note("saveAsUnload"); }
    void print() override { note("print"); }
    void explainQuery() override { note("explainQuery"); }
    void refreshData() override { note("refreshData"); }
    void pasteQuery() override { note("pasteQuery"); }
    void memorizeQuery() override { note("memorizeQuery"); }
    void activate() override { note("activate"); }
    bool canClose() override { note("canClose"); return mayClose; }

    IConnection *conn = nullptr;
    bool mayClose = true;

protected:
    void note(const char *what) { m_log << m_name + QLatin1Char('.') + QLatin1String(what); }
    QString m_name;
    QStringList &m_log;
};

class TestBrowser : public TestChild<IObjectBrowserWindow> {
public:
    using TestChild::TestChild;
    void connectDatabase(const QString &alias, const QString &direct, const QString &user,
                         const QString &params) override
    {
        note("connect");
        m_log << alias + QLatin1Char('|') + direct + QLatin1Char('|') + user + QLatin1Char('|') + params;
        own.connected = succeed;
        conn = &own;
        if (succeed) {
            MainForm()->SetCurrentConnection(&own);
            MainForm()->UpdateMenus();
        }
    }
    void refresh() override { note("refresh"); }
    void back() override { note("back"); }
    void previous() override { note("previous"); }
    void queryTab() override { note("queryTab"); }
    void reloadDataPage() override { note("reloadDataPage"); }
    QList<VisiblePage> visiblePages() const override { return pages; }
    bool nodeHasParent() const override { return false; }
    bool hasPreviousNode() const override { return false; }

    TestConnection own{QStringLiteral("demo"), objectName()};
    QList<VisiblePage> pages;
    bool succeed = true;
};

class TestQuery : public TestChild<IQueryWindow> {
public:
    using TestChild::TestChild;
    void pasteTemplate(const QString &kind) override { m_log << m_name + QStringLiteral(".template ") + kind; }
    bool boundTo(const IConnection *c) const override { return c && c == conn; }
};

class ScriptedConnector : public IConnector {
public:
    explicit ScriptedConnector(QStringList &log) : m_log(log) {}
    bool runLoginDialog(LoginResult &out) override
    {
        m_log << QStringLiteral("login");
        out = login;
        return loginOk;
    }
    IObjectBrowserWindow *createBrowser(IShell &shell) override
    {
        auto *b = new TestBrowser(QStringLiteral("Quodlin%1").arg(++m_created), m_log);
        b->succeed = nextSucceeds;
        coolBarEnabledDuringConnect = MainForm()->findChild<QToolBar *>("cbrCoolBar")->isEnabled();
        shell.addChild(b);
        b->show();
        return b;
    }
    void releaseBrowser(IObjectBrowserWindow *browser) override
    {
        m_log << QStringLiteral("release");
        delete dynamic_cast<QMdiSubWindow *>(browser);
    }
    QString recoverParams(const QString &stored) override { return QStringLiteral("plain:") + stored; }

    LoginResult login;
    bool loginOk = false;
    bool nextSucceeds = true;
    bool coolBarEnabledDuringConnect = true;

private:
    QStringList &m_log;
    int m_created = 0;
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(SettingsFilePath());
        m_oldDialogs = SetDialogs(nullptr);
    }
    void TearDown() override
    {
        SetConnector(nullptr);
        SetQueryWindowFactory({});
        SetDialogs(m_oldDialogs);
        QFile::remove(SettingsFilePath());
    }
    template <class Child> Child *addChild(TMainForm &form, const QString &name)
    {
        form.show();
        auto *child = new Child(name, log);
        form.mdiArea()->addSubWindow(child);
        child->show();
        form.mdiArea()->setActiveSubWindow(child);
        return child;
    }
    static void trigger(TMainForm &form, const char *name)
    {
        auto *a = form.findChild<QAction *>(QLatin1String(name));
        ASSERT_TRUE(a) << name;
        a->trigger();
    }

    QStringList log;
    std::shared_ptr<IDialogs> m_oldDialogs;
};

TEST_F(MainFormTest, FreshStartUsesDefaultsAndSeedsTemplates)
{
    TMainForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quodlin"));
    // X11 and Wayland append an application display name that was set to
    // every window title; unset, it reads as the application name.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(form.findChild<QAction *>("mnuSettingsToolbarCaptions")->isChecked());
    EXPECT_EQ(form.findChild<QToolBar *>("tbrToolbar")->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(TemplatesInitialized());
    EXPECT_EQ(ReadTemplate(kTemplateView), BuiltInTemplate(kTemplateView));
    EXPECT_EQ(form.statusText(), QStringLiteral("Templates reset."));
}

// Exit saves the bounds and the captions' state; minimized, only the
// captions; maximized, the next start is maximized again.
TEST_F(MainFormTest, ExitSavesTheGeometryTheNextStartUses)
{
    {
        TMainForm form;
        form.setWindowState(Qt::WindowMinimized);
        form.findChild<QAction *>("mnuSettingsToolbarCaptions")->trigger();
        form.close();
    }
    EXPECT_FALSE(Settings::read(Settings::ToolbarCaptions));
    EXPECT_EQ(ReadMainInteger(QStringLiteral("MainForm Width"), -1), -1);
    EXPECT_EQ(ReadMainInteger(QStringLiteral("MainForm WindowState"), -1), -1);
    {
        TMainForm form;
        EXPECT_EQ(form.findChild<QToolBar *>("tbrToolbar")->toolButtonStyle(), Qt::ToolButtonIconOnly);
        form.move(30, 40);
        form.resize(700, 500);
        form.close();
    }
    {
        TMainForm again;
        EXPECT_EQ(again.pos(), QPoint(30, 40));
        EXPECT_EQ(again.size(), QSize(700, 500));
        EXPECT_FALSE(again.findChild<QAction *>("mnuSettingsToolbarCaptions")->isChecked());
        again.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(again.isMaximized());
        EXPECT_TRUE(again.close());
    }
    EXPECT_EQ(Settings::read(Settings::MainFormWindowState), 2);
    TMainForm maximized;
    EXPECT_TRUE(maximized.windowState() & Qt::WindowMaximized);
}

TEST_F(MainFormTest, RefusingChildCancelsExitAndWritesNothing)
{
    TMainForm form;
    form.show();
    auto *first = addChild<TestQuery>(form, "q1");
    auto *second = addChild<TestQuery>(form, "q2");
    first->mayClose = false;
    EXPECT_FALSE(form.close());
    EXPECT_EQ(log, QStringList({"q2.canClose", "q1.canClose"}));
    EXPECT_EQ(ReadMainInteger(QStringLiteral("MainForm Width"), -1), -1);
    first->mayClose = true;
    (void)second;
}

TEST_F(MainFormTest, CommandsGoToQueryWindowOrBrowser)
{
    TMainForm form;
    auto *browser = addChild<TestBrowser>(form, "b");
    browser->pages = {DescribeVisiblePage("tabList", "pageListSQL")};
    form.UpdateMenus();
    trigger(form, "mnuFileExecute");
    trigger(form, "mnuEditRefresh");
    trigger(form, "mnuWindowQueryTab");
    addChild<TestQuery>(form, "q");
    trigger(form, "mnuFileExecute");
    trigger(form, "mnuFileSave");
    trigger(form, "mnuEditRefresh"); // browsers only
    EXPECT_EQ(log, QStringList({"b.execute", "b.refresh", "b.queryTab", "q.execute", "q.save"}));
}

TEST_F(MainFormTest, NextWindowCyclesThroughAllChildren)
{
    TMainForm form;
    form.show();
    auto *only = addChild<TestQuery>(form, "a");
    form.UpdateMenus();
    EXPECT_FALSE(form.findChild<QAction *>("mnuWindowNext")->isEnabled());
    trigger(form, "mnuWindowNext");
    EXPECT_EQ(form.mdiArea()->activeSubWindow(), only);

    addChild<TestQuery>(form, "b");
    addChild<TestQuery>(form, "c");
    EXPECT_TRUE(form.findChild<QAction *>("mnuWindowNext")->isEnabled());
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        trigger(form, "mnuWindowNext");
        seen << form.mdiArea()->activeSubWindow()->objectName();
    }
    EXPECT_EQ(seen, QStringList({"a", "b", "c", "a"}));
}

TEST_F(MainFormTest, ToolbarButtonsInOrderWithSeparators)
{
    TMainForm form;
    auto *bar = form.findChild<QToolBar *>("tbrToolbar");
    QStringList seen;
    for (QAction *a : bar->actions())
        seen << (a->isSeparator() ? QStringLiteral("|")
                                  : bar->widgetForAction(a)->objectName() + QLatin1Char('=') + a->iconText()
                                        + QLatin1Char('/') + a->toolTip());
    EXPECT_EQ(seen, QStringList({
                        "tbtnConnect=Connect/Connect (Ctrl-O)", "tbtnDisconnect=Disconn/Disconnect", "|",
                        "tbtnOpen=Open/Open (Ctrl-L)", "tbtnSave=Save/Save (F2)",
                        "tbtnExternalEdit=Edit/External Edit (Ctrl-W)", "tbtnPrint=Print/Print (Ctrl-P)", "|",
                        "tbtnCut=Cut/Cut (Ctrl-X)", "tbtnCopy=Copy/Copy (Ctrl-C)", "tbtnPaste=Paste/Paste (Ctrl-V)",
                        "|", "tbtnQuery=Query/Query (Ctrl-Q)", "tbtnExecute=Execute/Execute (Ctrl-E)", "tbtnStop=Stop/Stop (Esc)",
                        "tbtnCompile=Compile/Compile (F9)", "|", "tbtnPrevious=Previous/Previous",
                        "tbtnBack=Back/Back (Ctrl-B)", "tbtnNextWindow=Next/Next Window (Ctrl-N)", "|",
                        "tbtnOptions=Options/Options (Ctrl-H)"}));
    for (QAction *a : bar->actions()) {
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().pixmap(24, 24, QIcon::Disabled).isNull()) << a->objectName().toStdString();
        }
    }
}

TEST_F(MainFormTest, OptionsReReadsActiveChildSettingsWhateverTheButton)
{
    TMainForm form;
    form.show();
    auto *browser = addChild<TestBrowser>(form, "b");
    TestConnection connection(QStringLiteral("stores"), QStringLiteral("Quodlin1"));
    browser->conn = &connection;
    form.SetCurrentConnection(&connection);
    for (const bool ok : {true, false}) {
        log.clear();
        QString shownName;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            shownName = dialog->findChild<QLineEdit *>("editConnID")->text();
            ok ? dialog->accept() : dialog->reject();
        });
        trigger(form, "mnuSettingsOptions");
        EXPECT_EQ(shownName, QStringLiteral("stores"));
        EXPECT_EQ(log, QStringList({"b.activate"}));
    }
}

// Tools > Compare Schema opens one window, its source the current connection.
TEST_F(MainFormTest, CompareSchemaOpensOneWindowOnTheCurrentConnection)
{
    TMainForm form;
    form.show();
    TestConnection connection(QStringLiteral("stores"), QStringLiteral("Quodlin1"));
    form.SetCurrentConnection(&connection);
    trigger(form, "mnuToolsCompareSchema");
    trigger(form, "mnuToolsCompareSchema");
    const QList<QDialog *> windows = form.findChildren<QDialog *>(QStringLiteral("frmCompareSchema"));
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows.first()->isVisible());
    EXPECT_EQ(windows.first()->findChild<QComboBox *>(QStringLiteral("cboSourceAlias"))->currentText(), QStringLiteral("stores"));
    EXPECT_EQ(windows.first()->findChild<QLineEdit *>(QStringLiteral("editSourceUser"))->text(), QStringLiteral("informix"));
}

TEST_F(MainFormTest, ClipboardCommandsOnlyReachPlainTextEditors)
{
    TMainForm form;
    form.show();
    auto *query = addChild<TestQuery>(form, "q");
    auto *editor = qobject_cast<QPlainTextEdit *>(query->widget());
    editor->setPlainText(QStringLiteral("select 1"));
    editor->selectAll();
    editor->setFocus();
    trigger(form, "mnuEditCut");
    EXPECT_EQ(editor->toPlainText(), QString());
    trigger(form, "mnuEditPaste");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select 1"));

    auto *grid = new QTableView;
    auto *other = addChild<TestQuery>(form, "grid");
    other->setWidget(grid);
    grid->setFocus();
    trigger(form, "mnuEditPaste");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select 1"));
}

TEST_F(MainFormTest, ExplainToggleGoesToActiveConnection)
{
    TMainForm form;
    auto *browser = addChild<TestBrowser>(form, "b");
    TestConnection connection(QStringLiteral("stores"), QStringLiteral("Quodlin1"));
    browser->conn = &connection;
    form.UpdateMenus();
    trigger(form, "mnuSettingsExplainQuery");
    EXPECT_TRUE(connection.explain());
    EXPECT_TRUE(form.findChild<QAction *>("mnuSettingsExplainQuery")->isChecked());
    trigger(form, "mnuSettingsExplainQuery");
    EXPECT_FALSE(connection.explain());
}

TEST_F(MainFormTest, NewProcedureOpensQueryWindowWithTemplate)
{
    TMainForm form;
    SetQueryWindowFactory([this](IShell &shell) {
        auto *q = new TestQuery(QStringLiteral("q"), log);
        shell.addChild(q);
        return q;
    });
    trigger(form, "mnuFileNewProc");
    EXPECT_EQ(log, QStringList({"q.template Stored Procedure"}));
}

TEST_F(MainFormTest, ConnectFailureReleasesBrowserAndLeavesFrameEmpty)
{
    auto connector = std::make_shared<ScriptedConnector>(log);
    SetConnector(connector);
    TMainForm form;
    connector->nextSucceeds = false;
    EXPECT_FALSE(form.ConnectDatabase("demo", {}, "bob", "X=1"));
    EXPECT_FALSE(connector->coolBarEnabledDuringConnect);
    EXPECT_EQ(log, QStringList({"Quodlin1.connect", "demo||bob|X=1", "release"}));
    EXPECT_TRUE(form.mdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(form.findChild<QToolBar *>("cbrCoolBar")->isEnabled());
    EXPECT_EQ(form.statusText(), QString());
    EXPECT_FALSE(form.findChild<QAction *>("mnuFileDisconnect")->isEnabled());
}

TEST_F(MainFormTest, AutoConnectUsesSavedConnectionAndFallsBackToLogin)
{
    auto connector = std::make_shared<ScriptedConnector>(log);
    SetConnector(connector);
    Settings::write(Settings::AutoConnect, true);
    Settings::write(Settings::DbAlias, QStringLiteral(" demo "));
    Settings::writeConnection(QStringLiteral("demo"), Settings::ConnLoginUser, QStringLiteral("bob"));
    Settings::writeConnection(QStringLiteral("demo"), Settings::ConnParams, QStringLiteral("ABCD"));
    {
        TMainForm form;
        form.FormShow();
        EXPECT_TRUE(form.shown());
        EXPECT_EQ(log, QStringList({"Quodlin1.connect", "demo||bob|plain:ABCD"}));
        EXPECT_EQ(form.CurrentConnection()->ConnectionDisplayName(), QStringLiteral("demo (Quodlin1)"));
        EXPECT_EQ(form.findChild<QComboBox *>("cboDatabaseAlias")->currentText(), "demo (Quodlin1)");
    }
    log.clear();
    connector->nextSucceeds = false;
    TMainForm form;
    form.FormShow();
    EXPECT_EQ(log, QStringList({"Quodlin2.connect", "demo||bob|plain:ABCD", "release", "login"}));
}

TEST_F(MainFormTest, DisconnectClosesOnlyTheCurrentConnectionsBrowsers)
{
    auto connector = std::make_shared<ScriptedConnector>(log);
    SetConnector(connector);
    TMainForm form;
    form.show();
    ASSERT_TRUE(form.ConnectDatabase("demo", {}, "bob", {}));
    ASSERT_TRUE(form.ConnectDatabase("demo", {}, "bob", {}));
    auto *combo = form.findChild<QComboBox *>("cboDatabaseAlias");
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), QStringLiteral("demo (Quodlin2)"));
    // Without a current connection the combo keeps what it shows (picking an
    // entry is the browser window test's, with real browsers on one alias).
    auto *first = form.findChild<TestBrowser *>("Quodlin1"), *second = form.findChild<TestBrowser *>("Quodlin2");
    first->own.connected = second->own.connected = false;
    form.SetCurrentConnection(nullptr);
    ASSERT_EQ(form.CurrentConnection(), nullptr);
    form.UpdateMenus();
    EXPECT_EQ(combo->count(), 2);
    first->own.connected = second->own.connected = true;
    form.SetCurrentConnection(second->connection());
    trigger(form, "mnuFileDisconnect");
    const auto left = form.mdiArea()->subWindowList();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0]->objectName(), QStringLiteral("Quodlin1"));
    // The closed browser's connection is never handed out again.
    EXPECT_EQ(form.CurrentConnection(), nullptr);
}

TEST_F(MainFormTest, PrintOffWithoutChildCompileOffEverywhereAndPrintSetupAsksForTheSharedPrinter)
{
    auto dialogs = std::make_shared<RecordingDialogs>();
    SetDialogs(dialogs);
    dialogs->printAnswer = true;
    TMainForm form;
    form.show();
    for (const char *name : {"mnuFilePrint", "mnuFilePrintPreview"})
        EXPECT_FALSE(form.findChild<QAction *>(QLatin1String(name))->isEnabled()) << name;
    EXPECT_FALSE(form.findChild<QToolButton *>(QStringLiteral("tbtnPrint"))->isEnabled());
    trigger(form, "mnuFilePrint");
    EXPECT_EQ(dialogs->printAsked, 0);
    trigger(form, "mnuFilePrintSetup");
    trigger(form, "mnuFilePrintSetup");
    EXPECT_EQ(dialogs->setupAsked, 2);

    // Compile stays off where Execute is on.
    addChild<TestBrowser>(form, "b")->pages = {DescribeVisiblePage("tabProc", "pageProcSQL")};
    form.UpdateMenus();
    EXPECT_TRUE(form.findChild<QAction *>("mnuFileExecute")->isEnabled());
    EXPECT_FALSE(form.findChild<QAction *>("mnuFileCompile")->isEnabled());
    EXPECT_FALSE(form.findChild<QToolButton *>("tbtnCompile")->isEnabled());
}

TEST_F(MainFormTest, BrowsersAtOriginFollowTheFrameSize)
{
    TMainForm form;
    auto *atOrigin = addChild<TestBrowser>(form, "b1");
    auto *moved = addChild<TestBrowser>(form, "b2");
    auto *query = addChild<TestQuery>(form, "q");
    atOrigin->move(0, 0);
    query->move(0, 0);
    query->resize(200, 100);
    moved->setGeometry(10, 10, 200, 100);
    form.resize(800, 600);
    QApplication::processEvents();
    const QSize client = form.mdiArea()->viewport()->size();
    EXPECT_EQ(atOrigin->size(), QSize(client.width() - 4, client.height() - 4));
    EXPECT_EQ(moved->size(), QSize(200, 100));
    EXPECT_EQ(query->size(), QSize(200, 100));
}

TEST_F(MainFormTest, AutoConnectByDirectNameOrLoginWhenItIsEmpty)
{
    auto connector = std::make_shared<ScriptedConnector>(log);
    SetConnector(connector);
    Settings::write(Settings::AutoConnect, true);
    Settings::write(Settings::LastConnectDirect, true);
    Settings::write(Settings::DbAlias, QStringLiteral("demo"));
    {
        TMainForm form;
        form.FormShow();
        EXPECT_EQ(log, QStringList({"login"}));
    }
    log.clear();
    Settings::write(Settings::DirectConnect, QStringLiteral("local\\stores"));
    Settings::writeConnection(QStringLiteral("local\\stores"), Settings::ConnLoginUser, QStringLiteral("ann"));
    TMainForm form;
    form.FormShow();
    EXPECT_EQ(log, QStringList({"Quodlin1.connect", "|local\\stores|ann|plain:"}));
}

TEST_F(MainFormTest, CascadeKeepsAWorkingSizeAndTheActiveWindowInFront)
{
    TMainForm form;
    form.resize(900, 700);
    form.show();
    auto *first = addChild<TestBrowser>(form, "b1");
    auto *second = addChild<TestQuery>(form, "q1");
    auto *third = addChild<TestBrowser>(form, "b2");
    form.mdiArea()->setActiveSubWindow(second);
    trigger(form, "mnuWindowCascade");
    const QSize client = form.mdiArea()->viewport()->size();
    for (QMdiSubWindow *w : QList<QMdiSubWindow *>{first, second, third}) {
        EXPECT_GT(w->width(), client.width() / 2) << w->objectName().toStdString();
        EXPECT_GT(w->height(), client.height() / 2) << w->objectName().toStdString();
    }
    EXPECT_EQ(form.mdiArea()->activeSubWindow(), second);
    // The front window is the one offset furthest.
    EXPECT_GT(second->x(), first->x());
    EXPECT_GT(second->x(), third->x());
}

} // namespace
