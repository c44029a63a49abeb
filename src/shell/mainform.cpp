#include "shell/mainform.h"

#include "app/connector.h"
#include "app/externalprograms.h"
#include "app/programinfo.h"
#include "app/settingdefs.h"
#include "app/templates.h"
#include "app/ui/comboboxes.h"
#include "app/ui/theme.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace quodlin {
namespace {

TMainForm *g_mainForm = nullptr;

} // namespace

namespace {

enum StoredWindowState { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };

// The connect sequence's busy state: cool bar disabled and wait cursor, both
// restored and the status text cleared however the work ends.
class ConnectBusy {
public:
    ConnectBusy(TMainForm &form, QWidget *coolBar) : m_form(form), m_coolBar(coolBar)
    {
        m_coolBar->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~ConnectBusy()
    {
        QApplication::restoreOverrideCursor();
        m_coolBar->setEnabled(true);
        m_form.setStatusText({});
    }

private:
    TMainForm &m_form;
    QWidget *m_coolBar;
};

const QString kConnectingText = QStringLiteral("Connecting to database...");

} // namespace

TMainForm *MainForm() { return g_mainForm; }

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    g_mainForm = this;
    ApplyTheme(Settings::read(Settings::Theme));

    QFont formFont(QStringLiteral("Arial"), 8);
    formFont.setStyleHint(QFont::SansSerif);
    setFont(formFont);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("ClientArea"));
    FollowThemeBackground(m_mdiArea);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    QStatusBar *status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    QFont statusFont(QStringLiteral("MS Sans Serif"), 8);
    statusFont.setStyleHint(QFont::SansSerif);
    status->setFont(statusFont);

    createActions();
    createToolBars();
    createPrintPreviewAction();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quodlin-48.png")));
    RefillOnFocus(m_cboDatabaseAlias, [this] { rebuildConnectionCombo(); });
    FormCreate();
}

TMainForm::~TMainForm()
{
    // The active-window handler goes first; then the children go while the
    // frame they call back into is still whole.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    deleteChildren();
    if (g_mainForm == this)
        g_mainForm = nullptr;
}

void TMainForm::deleteChildren()
{
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow *window : childWindows())
        windows.append(window);
    // A browser takes its query windows with it, hence the guarded pointers.
    for (const QPointer<QMdiSubWindow> &window : windows)
        delete window.data();
}

void TMainForm::FormCreate()
{
    // The title (kProgramTitle) captions the login dialog and general error
    // boxes. No application display name is set: X11 and Wayland would
    // append it to every other window's title.
    setWindowTitle(kMainCaption);
    // Hints reach the status bar through QStatusTipEvent (QMainWindow shows them).
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateMenus(); });

    auto on = [this](Command c, auto handler) {
        connect(action(c), &QAction::triggered, this, handler);
    };
    on(Command::Connect, [this] { mnuFileConnectClick(); });
    on(Command::Disconnect, [this] { mnuFileDisconnectClick(); });
    on(Command::Query, [this] { mnuFileQueryClick(); });
    on(Command::NewProc, [this] { newFromTemplate(QStringLiteral("Stored Procedure")); });
    on(Command::NewView, [this] { newFromTemplate(QStringLiteral("View")); });
    on(Command::NewTrigger, [this] { newFromTemplate(QStringLiteral("Trigger")); });
    on(Command::NewSynonym, [this] { newFromTemplate(QStringLiteral("Synonym")); });
    on(Command::Execute, [this] { routeToChild(&IChildWindow::execute); });
    on(Command::Stop, [this] { routeToChild(&IChildWindow::stop); });
    on(Command::ExplainQuery, [this] { routeToChild(&IChildWindow::explainQuery); });
    on(Command::Edit, [this] { routeToChild(&IChildWindow::edit); });
    on(Command::ExternalEdit, [this] { routeToChild(&IChildWindow::externalEdit); });
    on(Command::Open, [this] { routeToChild(&IChildWindow::openFile); });
    on(Command::Save, [this] { routeToChild(&IChildWindow::save); });
    on(Command::SaveAs, [this] { routeToChild(&IChildWindow::saveAs); });
    on(Command::SaveAsScript, [this] { routeToChild(&IChildWindow::saveAsScript); });
    on(Command::SaveAsSqd, [this] { routeToChild(&IChildWindow::saveAsSqd); });
    on(Command::SaveAsCsv, [this] { routeToChild(&IChildWindow::saveAsCsv); });
    on(Command::SaveAsUnload, [this] { routeToChild(&IChildWindow::saveAsUnload); });
    on(Command::Print, [this] { mnuFilePrintClick(); });
    on(Command::PrintSetup, [this] { mnuFilePrintSetupClick(); });
    on(Command::Exit, [this] { close(); });
    on(Command::Cut, [this] { editorCommand(Command::Cut); });
    on(Command::Copy, [this] { editorCommand(Command::Copy); });
    on(Command::Paste, [this] { editorCommand(Command::Paste); });
    on(Command::CompleteWord, [this] { editorCommand(Command::CompleteWord); });
    on(Command::PasteQuery, [this] { routeToChild(&IChildWindow::pasteQuery); });
    on(Command::MemorizeQuery, [this] { routeToChild(&IChildWindow::memorizeQuery); });
    on(Command::QueryHistory, [this] { mnuEditQueryHistoryClick(); });
    on(Command::Refresh, [this] { routeToBrowser(&IObjectBrowserWindow::refresh); });
    on(Command::RefreshData, [this] { routeToChild(&IChildWindow::refreshData); });
    on(Command::Find, [this] { mnuSearchFindClick(); });
    on(Command::Replace, [this] { mnuSearchReplaceClick(); });
    on(Command::SearchAgain, [this] { mnuSearchAgainClick(); });
    on(Command::LiveData, [this] { mnuSettingsLiveDataClick(); });
    on(Command::ExplainEnabled, [this] { mnuSettingsExplainQueryClick(); });
    on(Command::ToolbarCaptions, [this] { mnuSettingsToolbarCaptionsClick(); });
    on(Command::ResetTemplates, [this] { mnuSettingsResetTemplatesClick(); });
    on(Command::Options, [this] { mnuSettingsOptionsClick(); });
    on(Command::EditSchema, [this] { mnuToolsEditSchemaClick(); });
    on(Command::CompareSchema, [this] { mnuToolsCompareSchemaClick(); });
    on(Command::BdeConfiguration, [this] { mnuToolsBDEConfigClick(); });
    on(Command::SetNet32, [this] { mnuToolsSetNet32Click(); });
    on(Command::Cascade, [this] { mnuWindowCascadeClick(); });
    on(Command::Tile, [this] { m_mdiArea->tileSubWindows(); });
    on(Command::ArrangeIcons, [this] { mnuWindowArrangeIconsClick(); });
    on(Command::MinimizeAll, [this] { mnuWindowMinimizeAllClick(); });
    on(Command::NextWindow, [this] { mnuWindowNextClick(); });
    on(Command::Previous, [this] { routeToBrowser(&IObjectBrowserWindow::previous); });
    on(Command::Back, [this] { routeToBrowser(&IObjectBrowserWindow::back); });
    on(Command::QueryTab, [this] { routeToBrowser(&IObjectBrowserWindow::queryTab); });
    on(Command::DatabaseDiagram, [this] { routeToBrowser(&IObjectBrowserWindow::databaseDiagram); });
    on(Command::ViewPlan, [this] {
        if (auto *query = activeAs<IQueryWindow>())
            query->viewPlan();
    });
    on(Command::About, [this] { mnuHelpAboutClick(); });
    on(Command::FindError, [this] { mnuHelpFindErrorClick(); });
    connect(m_cboDatabaseAlias, &QComboBox::activated, this, [this] { cboDatabaseAliasChange(); });

    m_lastSearchWasReplace = false;

    const bool captions = Settings::read(Settings::ToolbarCaptions);
    action(Command::ToolbarCaptions)->setChecked(captions);
    applyToolbarCaptions(captions);

    const int state = Settings::read(Settings::MainFormWindowState);
    if (state == StateNormal) {
        move(Settings::read(Settings::MainFormLeft), Settings::read(Settings::MainFormTop));
        resize(Settings::read(Settings::MainFormWidth), Settings::read(Settings::MainFormHeight));
    } else {
        setWindowState(Qt::WindowMaximized);
    }

    if (!TemplatesInitialized())
        mnuSettingsResetTemplatesClick();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The rest of the sequence runs once the window is on the screen.
    if (!m_showStarted)
        QTimer::singleShot(0, this, &TMainForm::FormShow);
}

void TMainForm::FormShow()
{
    // Once only, also when the login dialog lets events run meanwhile.
    if (m_showStarted)
        return;
    m_showStarted = true;
    m_schemaEditorPath = Settings::read(Settings::SchemaEditor);
    m_databaseToolPath = LocateDatabaseTool();

    const AutoConnectPlan plan = PlanAutoConnect();
    if (plan.login) {
        mnuFileConnectClick();
    } else {
        IConnector *connector = Connector();
        const QString params = connector ? connector->recoverParams(plan.storedParams) : QString();
        if (!ConnectDatabase(plan.alias, plan.directName, plan.user, params))
            mnuFileConnectClick();
    }
    m_shown = true;
}

// ---- closing ------------------------------------------------------------------

bool TMainForm::FormCloseQuery()
{
    for (QMdiSubWindow *window : childWindows()) {
        IChildWindow *child = childOf(window);
        if (child && !child->canClose())
            return false;
    }
    return true;
}

void TMainForm::FormClose()
{
    Settings::write(Settings::ToolbarCaptions, action(Command::ToolbarCaptions)->isChecked());
    if (isMinimized() || !Settings::read(Settings::SaveSettingsOnExit))
        return;
    Settings::write(Settings::MainFormWindowState, isMaximized() ? StateMaximized : StateNormal);
    Settings::write(Settings::MainFormTop, y());
    Settings::write(Settings::MainFormLeft, x());
    Settings::write(Settings::MainFormWidth, width());
    Settings::write(Settings::MainFormHeight, height());
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    // The children were asked already; close them now so each saves its own
    // settings while the frame still exists.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    deleteChildren();
    event->accept();
}

// ---- resizing -----------------------------------------------------------------

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainForm::FormResize()
{
    // Browsers still at the origin follow the frame; moved ones keep their size.
    const QSize client = m_mdiArea->viewport()->size();
    for (QMdiSubWindow *window : childWindows()) {
        if (!dynamic_cast<IObjectBrowserWindow *>(childOf(window)) || window->pos() != QPoint(0, 0)
            || window->isMinimized() || window->isMaximized())
            continue;
        window->resize(client.width() - 4, client.height() - 4);
    }
}

// ---- children -----------------------------------------------------------------

QList<QMdiSubWindow *> TMainForm::childWindows() const
{
    QList<QMdiSubWindow *> list = m_mdiArea->subWindowList(QMdiArea::StackingOrder);
    std::reverse(list.begin(), list.end());
    return list;
}

IChildWindow *TMainForm::childOf(QMdiSubWindow *window)
{
    if (!window)
        return nullptr;
    if (auto *child = dynamic_cast<IChildWindow *>(window))
        return child;
    return dynamic_cast<IChildWindow *>(window->widget());
}

IChildWindow *TMainForm::activeChild() const { return childOf(m_mdiArea->activeSubWindow()); }

QList<IChildWindow *> TMainForm::children() const
{
    QList<IChildWindow *> list;
    for (QMdiSubWindow *window : childWindows())
        if (IChildWindow *child = childOf(window))
            list << child;
    return list;
}

void TMainForm::addChild(QMdiSubWindow *window)
{
    m_mdiArea->addSubWindow(window);
    // A child's window menu gives up the keys the frame's commands use
    // (Ctrl+W is External Edit; Close keeps Ctrl+F4).
    if (QMenu *menu = window->systemMenu()) {
        for (QAction *item : menu->actions()) {
            QList<QKeySequence> keys = item->shortcuts();
            keys.removeIf([this](const QKeySequence &key) {
                return std::any_of(m_actions.begin(), m_actions.end(),
                                   [&key](const QAction *a) { return a && a->shortcuts().contains(key); });
            });
            item->setShortcuts(keys);
        }
    }
}

IQueryWindow *TMainForm::openQueryWindow()
{
    const QueryWindowFactory &factory = queryWindowFactory();
    return factory ? factory(*this) : nullptr;
}

void TMainForm::triggerCommand(Command command) { action(command)->trigger(); }

void TMainForm::routeToChild(void (IChildWindow::*operation)())
{
    // The query window is tested before the browser.
    if (auto *query = activeAs<IQueryWindow>())
        (query->*operation)();
    else if (auto *browser = activeAs<IObjectBrowserWindow>())
        (browser->*operation)();
}

void TMainForm::routeToBrowser(void (IObjectBrowserWindow::*operation)())
{
    if (auto *browser = activeAs<IObjectBrowserWindow>())
        (browser->*operation)();
}

// ---- menu state ---------------------------------------------------------------

FrameSnapshot TMainForm::gatherSnapshot() const
{
    FrameSnapshot frame;
    frame.childCount = static_cast<int>(m_mdiArea->subWindowList().size());
    IChildWindow *child = activeChild();
    if (!child) {
        frame.active = m_mdiArea->activeSubWindow() ? ChildKind::Other : ChildKind::None;
        return frame;
    }
    if (auto *browser = dynamic_cast<IObjectBrowserWindow *>(child)) {
        frame.active = ChildKind::Browser;
        frame.visiblePages = browser->visiblePages();
        frame.nodeHasParent = browser->nodeHasParent();
        frame.hasPreviousNode = browser->hasPreviousNode();
    } else if (dynamic_cast<IQueryWindow *>(child)) {
        frame.active = ChildKind::QueryWindow;
    } else {
        frame.active = ChildKind::Other;
        return frame;
    }
    frame.resultOpen = child->resultOpen();
    frame.running = child->running();
    IConnection *connection = child->connection();
    frame.explainFlag = connection && connection->explain();
    return frame;
}

void TMainForm::UpdateMenus()
{
    const MenuState state = ComputeMenuState(gatherSnapshot());
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        QAction *a = m_actions[i];
        if (!a)
            continue;
        if (state.governsEnabled(command))
            a->setEnabled(state.enabled(command));
        if (state.governsChecked(command))
            a->setChecked(state.checked(command));
    }
    rebuildConnectionCombo();
}

void TMainForm::updateMenusLater() { QTimer::singleShot(0, this, [this] { UpdateMenus(); }); }

bool TMainForm::liveDataEnabled() const { return action(Command::LiveData)->isChecked(); }

bool TMainForm::explainQueryEnabled() const { return action(Command::ExplainEnabled)->isChecked(); }

// ---- connections ----------------------------------------------------------------

IConnection *TMainForm::CurrentConnection() const
{
    // A connection whose window is closed or gone is no connection.
    if (m_currentConnection && m_currentOwnerKnown
        && (m_currentOwner.isNull()
            || !m_mdiArea->subWindowList().contains(m_currentOwner.data())))
        return nullptr;
    return m_currentConnection;
}

void TMainForm::SetCurrentConnection(IConnection *value)
{
    IConnection *removed = m_currentConnection;
    m_currentConnection = value;
    if (!value) {
        // Fall back to another finished browser connection, last child first.
        const QList<QMdiSubWindow *> windows = childWindows();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            auto *browser = dynamic_cast<IObjectBrowserWindow *>(childOf(*it));
            IConnection *c = browser ? browser->connection() : nullptr;
            if (c && c->finishedConnecting() && c != removed) {
                m_currentConnection = c;
                break;
            }
        }
    }
    m_currentOwner = nullptr;
    m_currentOwnerKnown = false;
    if (!m_currentConnection)
        return;
    for (QMdiSubWindow *window : childWindows()) {
        auto *browser = dynamic_cast<IObjectBrowserWindow *>(childOf(window));
        if (browser && browser->connection() == m_currentConnection) {
            m_currentOwner = window;
            m_currentOwnerKnown = true;
            break;
        }
    }
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    // A tool button's hint is its tool tip only; the status bar shows nothing
    // for it, unlike the menu item that shares its action.
    if (event->type() == QEvent::StatusTip && watched->parent() == m_toolBar) {
        setStatusText({});
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::rebuildConnectionCombo()
{
    IConnection *current = CurrentConnection();
    if (!current)
        return;
    QStringList names;
    const QList<QMdiSubWindow *> windows = childWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        auto *browser = dynamic_cast<IObjectBrowserWindow *>(childOf(*it));
        IConnection *c = browser ? browser->connection() : nullptr;
        if (c && c->finishedConnecting())
            names << c->ConnectionDisplayName();
    }
    const QSignalBlocker block(m_cboDatabaseAlias);
    // The same list is left alone, so an open drop-down keeps its entries.
    SetComboItems(m_cboDatabaseAlias, names);
    if (const int index = int(names.indexOf(current->ConnectionDisplayName())); index >= 0)
        m_cboDatabaseAlias->setCurrentIndex(index);
}

void TMainForm::cboDatabaseAliasChange()
{
    if (!m_shown || m_cboDatabaseAlias->currentIndex() < 0)
        return;
    const QString selected = m_cboDatabaseAlias->currentText();
    const QList<QMdiSubWindow *> windows = childWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        auto *browser = dynamic_cast<IObjectBrowserWindow *>(childOf(*it));
        IConnection *c = browser ? browser->connection() : nullptr;
        if (c && c->isConnected() && c->ConnectionDisplayName() == selected) {
            QMdiSubWindow *window = *it;
            if (window->isMinimized())
                window->showNormal();
            m_mdiArea->setActiveSubWindow(window);
            window->raise();
            SetCurrentConnection(c);
            UpdateMenus();
            return;
        }
    }
}

void TMainForm::mnuFileConnectClick()
{
    IConnector *connector = Connector();
    if (!connector)
        return;
    setStatusText(kConnectingText);
    QCoreApplication::processEvents();
    LoginResult login;
    const bool ok = connector->runLoginDialog(login);
    if (ok)
        ConnectDatabase(login.alias, login.directName, login.user, login.paramsText);
    setStatusText({});
}

bool TMainForm::ConnectDatabase(const QString &alias, const QString &directName, const QString &user,
                                const QString &paramsText)
{
    IConnector *connector = Connector();
    if (!connector)
        return false;
    const ConnectBusy busy(*this, m_coolBar);
    setStatusText(kConnectingText);
    QCoreApplication::processEvents();

    IObjectBrowserWindow *browser = connector->createBrowser(*this);
    if (!browser)
        return false;
    browser->connectDatabase(alias, directName, user, paramsText);
    IConnection *connection = browser->connection();
    if (connection && connection->isConnected())
        return true;
    if (CurrentConnection() == connection && connection)
        SetCurrentConnection(nullptr);
    connector->releaseBrowser(browser);
    UpdateMenus();
    return false;
}

void TMainForm::mnuFileDisconnectClick()
{
    QString target;
    if (IConnection *current = CurrentConnection()) {
        target = current->uniqueDatabaseName();
    } else if (IChildWindow *child = activeChild()) {
        if (IConnection *c = child->connection())
            target = c->uniqueDatabaseName();
    }
    if (target.isEmpty())
        return;
    const QList<QMdiSubWindow *> windows = childWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        auto *browser = dynamic_cast<IObjectBrowserWindow *>(childOf(*it));
        IConnection *c = browser ? browser->connection() : nullptr;
        if (c && c->uniqueDatabaseName() == target)
            (*it)->close();
    }
}

// ---- status bar ---------------------------------------------------------------

void TMainForm::setStatusText(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

void TMainForm::paintStatusText(const QString &text)
{
    setStatusText(text);
    statusBar()->repaint();
}

QString TMainForm::statusText() const { return statusBar()->currentMessage(); }

void TMainForm::applyToolbarCaptions(bool on)
{
    m_toolBar->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    m_coolBar->adjustSize();
}

} // namespace quodlin
