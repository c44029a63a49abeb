#include "browser/ui/dbobjectswindow.h"

#include "app/externalprograms.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "browser/pagecommands.h"
#include "browser/pagesets.h"
#include "browser/ui/nodeimages.h"
#include "browser/ui/objectlistview.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemawriter.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbquerymodel.h"
#include "db/ui/dbnavigator.h"
#include "output/textrender.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>

namespace quodlin {

namespace {

BrowserHooks &hooks()
{
    static BrowserHooks installed;
    return installed;
}

enum StoredWindowState { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };

// The wait cursor for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

void SetBrowserHooks(BrowserHooks installed) { hooks() = std::move(installed); }
const BrowserHooks &browserHooks() { return hooks(); }

TfrmDbObjects::TfrmDbObjects(IShell &shell, QWidget *parent)
    : QMdiSubWindow(parent)
    , m_shell(shell)
    , m_module(std::make_unique<TdmDbObjects>())
    , m_qryQuery(std::make_unique<DbQuery>())
    , m_qryTableData(std::make_unique<DbQuery>())
    , m_qryExplain(std::make_unique<DbQuery>())
{
    setObjectName(QStringLiteral("frmDbObjects"));
    setAttribute(Qt::WA_DeleteOnClose);
    createLayout();
    createOutputMenus();
    FormCreate();
    connect(&BusyNotifier(), &DatabaseBusyNotifier::busyChanged, this, [this](const QString &name, bool busy) {
        if (name == m_module->uniqueDatabaseName())
            connectionBusyChanged(busy);
    });
}

TfrmDbObjects::~TfrmDbObjects() { FormDestroy(); }

void TfrmDbObjects::FormCreate()
{
    m_connected = false;
    const int state = Settings::read(Settings::ChildWindowState);
    if (state == StateMaximized)
        setWindowState(Qt::WindowMaximized);
    m_splitterExplorer->setSizes({Settings::read(Settings::TreeViewWidth), 10000});
    setListViewStyle(Settings::read(Settings::ListViewStyle));
    const int sqlHeight = Settings::read(Settings::SqlRichEditHeight);
    m_splitterSQL->setSizes({sqlHeight, 10000});

    // The window's identity in upper-case hex names its database component,
    // unique among the components alive in the process.
    const QString databaseName = QStringLiteral("Quodlin")
        + QString::number(reinterpret_cast<quintptr>(this), 16).toUpper();
    m_module->SetDatabaseName(databaseName);
    for (DbQuery *q : {m_qryQuery.get(), m_qryTableData.get(), m_qryExplain.get()})
        q->setDatabaseName(databaseName);
    m_module->setExplainChanged([this] { m_shell.UpdateMenus(); });

    m_ownerDisplay.displayOwner = Settings::read(Settings::DisplayOwner);
    m_ownerDisplay.ownerFormat = Settings::read(Settings::DisplayOwnerFormat);
    m_editor = Settings::read(Settings::Editor);
    m_editOnDblClick = Settings::read(Settings::EditOnDblClick);
    m_editExplainImmediate = Settings::read(Settings::EditExplainImmediate);
    m_autoRefresh = Settings::read(Settings::QueryAutoRefresh);
    m_resultsToGrid = Settings::read(Settings::QueryResultsToGrid);
    applyResultsDisplay(m_resultsToGrid);

    if (hooks().decorateEditor)
        for (const char *name : {"rtfSQL", "rtfViewText", "rtfProcText", "rtfTriggerText", "rtfTableDDL"})
            if (auto *editor = findChild<QPlainTextEdit *>(QLatin1String(name)))
                hooks().decorateEditor(*this, editor);

    const PageSetDesc *table = FindPageSet(QStringLiteral("tabTable"));
    m_rememberedTablePage = table->indexOf(QStringLiteral("pageTableColumns"));
    m_rememberedViewPage = table->indexOf(QStringLiteral("pageTableEdit"));
}

void TfrmDbObjects::showEvent(QShowEvent *event)
{
    QMdiSubWindow::showEvent(event);
    updateMenus();
    // Only the first show: a window shown again (restored, or brought back
    // in the maximized area) keeps the user's unsaved changes marked.
    if (m_shown)
        return;
    m_shown = true;
    for (const char *name : {"rtfSQL", "rtfViewText", "rtfProcText", "rtfTriggerText"})
        if (auto *editor = findChild<QPlainTextEdit *>(QLatin1String(name)))
            editor->document()->setModified(false);
}

bool TfrmDbObjects::ready() const { return m_module->finishedConnecting(); }

IConnection *TfrmDbObjects::connection() const { return m_module.get(); }

// ---- connect ------------------------------------------------------------------

void TfrmDbObjects::connectDatabase(const QString &alias, const QString &directName, const QString &user,
                                    const QString &paramsText)
{
    {
        const WaitCursor wait;
        try {
            m_module->setFinishedConnecting(false);
            m_connectionName = alias.isEmpty() ? directName : alias;
            setWindowTitle(QStringLiteral("Objects [") + m_connectionName + QLatin1Char(']'));
            m_module->Open(alias, directName, user, paramsText);
            m_shell.SetCurrentConnection(m_module.get());
            if (QMdiArea *area = mdiArea())
                connect(area, &QMdiArea::subWindowActivated, this, &TfrmDbObjects::subWindowActivated,
                        Qt::UniqueConnection);
            const QString lastCaption = Settings::readConnection(m_connectionName, Settings::ConnLastNodeCaption);
            QTabWidget *tabTable = m_pageSets[QStringLiteral("tabTable")].tab;
            m_rememberedTablePage = StoredPageIndex(
                ReadMainInteger(QLatin1String(Settings::TabTablePageIndex.name), m_rememberedTablePage),
                tabTable->count(), m_rememberedTablePage);
            m_rememberedViewPage = StoredPageIndex(
                ReadMainInteger(QLatin1String(Settings::TabViewPageIndex.name), m_rememberedViewPage),
                tabTable->count(), m_rememberedViewPage);
            loadTree(lastCaption);
            const std::pair<const char *, const Settings::IntSetting &> stored[] = {
                {"tabList", Settings::TabListPageIndex}, {"tabProc", Settings::TabProcPageIndex},
                {"tabTrigger", Settings::TabTriggerPageIndex}, {"tabSyn", Settings::TabSynPageIndex},
                {"tabOther", Settings::TabOtherPageIndex}};
            for (const auto &[name, setting] : stored) {
                QTabWidget *tab = m_pageSets[QLatin1String(name)].tab;
                const int index = ReadMainInteger(QLatin1String(setting.name), tab->currentIndex());
                tab->setCurrentIndex(StoredPageIndex(index, tab->count(), tab->currentIndex()));
            }
            m_connected = true;
            m_rtfSQL->setPlainText(Settings::readConnection(m_connectionName, Settings::ConnLastSqlStatement));
            m_rtfSQL->document()->setModified(false);
            m_rtfSQL->moveCursor(QTextCursor::Start);
            m_rtfSQL->ensureCursorVisible();
            m_module->setFinishedConnecting(true);
        } catch (const std::exception &failure) {
            QApplication::restoreOverrideCursor();
            ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.Connect")));
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
    m_explainFile = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnFile);
    m_explainViewer = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnViewer);
    m_shell.UpdateMenus();
    m_module->setExplain(m_shell.explainQueryEnabled());
}

// ---- tree ---------------------------------------------------------------------

void TfrmDbObjects::setStatus(const QString &text)
{
    // Paints the text now without running queued input in the middle of a load.
    if (text.isEmpty())
        m_shell.setStatusText(text);
    else
        m_shell.paintStatusText(text);
}

void TfrmDbObjects::updateMenus()
{
    if (!m_destroying)
        m_shell.UpdateMenus();
}

void TfrmDbObjects::loadTree(const QString &reselectCaption)
{
    setStatus(QStringLiteral("Loading..."));
    m_listedNode = -1;
    m_history.clear();
    {
        // The old tree goes first: its items point into the node list.
        const QSignalBlocker block(m_tvwTree);
        m_tvwTree->clear();
        m_items.clear();
        m_tree = ObjectTree{};
        m_lvwList->clear();
    }
    m_tree = LoadObjectTree(*m_module, m_connectionName, m_ownerDisplay, reselectCaption,
                            [this](const QString &text) { setStatus(text); });
    m_module->refreshCompletionCatalog();
    fillTreeWidget();
    QTreeWidgetItem *target = itemOf(m_tree.target);
    if (!target)
        target = itemOf(0);
    if (target) {
        for (QTreeWidgetItem *up = target->parent(); up; up = up->parent())
            up->setExpanded(true);
        m_tvwTree->setCurrentItem(target);
        m_tvwTree->scrollToItem(target);
        m_tvwTree->setFocus();
    }
    updateMenus();
    setStatus({});
    m_refreshPending = false;
}

void TfrmDbObjects::fillTreeWidget()
{
    // Built off the tree and added in one step, with painting held, so a
    // reload neither flickers nor pays for a view update per node.
    m_tvwTree->setUpdatesEnabled(false);
    const QSignalBlocker block(m_tvwTree);
    m_items.assign(m_tree.nodes.size(), nullptr);
    QTreeWidgetItem *root = nullptr;
    for (std::size_t i = 0; i < m_tree.nodes.size(); ++i) {
        const ObjectTreeNode &node = m_tree.nodes[i];
        QTreeWidgetItem *parent = node.parent >= 0 ? m_items[std::size_t(node.parent)] : nullptr;
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem;
        item->setText(0, node.label);
        item->setIcon(0, NodeIcon(node.image));
        item->setData(0, Qt::UserRole, int(i));
        m_items[i] = item;
        if (!parent && !root)
            root = item;
    }
    if (root)
        m_tvwTree->addTopLevelItem(root);
    for (std::size_t i = 0; i < m_tree.nodes.size(); ++i)
        if (m_tree.nodes[i].expanded)
            m_items[i]->setExpanded(true);
    m_tvwTree->setUpdatesEnabled(true);
}

QTreeWidgetItem *TfrmDbObjects::itemOf(int node) const
{
    return node >= 0 && std::size_t(node) < m_items.size() ? m_items[std::size_t(node)] : nullptr;
}

int TfrmDbObjects::nodeOf(const QTreeWidgetItem *item) const
{
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

const TNodeInfo *TfrmDbObjects::currentNode() const
{
    const int node = m_history.current();
    return node >= 0 && std::size_t(node) < m_tree.nodes.size() ? &m_tree.nodes[std::size_t(node)].info : nullptr;
}

void TfrmDbObjects::tvwTreeCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    if (m_revertingSelection)
        return;
    // Showing a node reads the catalog on the connection a run is using.
    if (previous && (running() || !tvwTreeChanging())) {
        // Refused: the selection goes back without showing anything again.
        const QScopedValueRollback<bool> guard(m_revertingSelection, true);
        m_tvwTree->setCurrentItem(previous);
        return;
    }
    tvwTreeChange(nodeOf(current));
}

bool TfrmDbObjects::tvwTreeChanging()
{
    const TNodeInfo *info = currentNode();
    if (!info)
        return true;
    rememberTablePage(info->Kind);
    if (hooks().leaveCheck)
        return hooks().leaveCheck(*this, info->Kind);
    return true;
}

void TfrmDbObjects::rememberTablePage(int kind)
{
    QTabWidget *tabTable = m_pageSets[QStringLiteral("tabTable")].tab;
    if (tabTable->currentIndex() < 0)
        return;
    if (kind == KindTable)
        m_rememberedTablePage = tabTable->currentIndex();
    else if (kind == KindView)
        m_rememberedViewPage = tabTable->currentIndex();
}

void TfrmDbObjects::tvwTreeChange(int node)
{
    setStatus(QStringLiteral("Loading..."));
    m_history.selected(node);
    const TNodeInfo *info = currentNode();
    if (info) {
        const TNodeInfo record = *info;
        m_sbrListCaption->showMessage(CaptionBarText(record.Kind, record.Caption));
        // What the kind's page set holds decides how it is filled.
        const PageSetDesc *set = FindPageSet(PageViewFor(record.Kind).pageSet);
        auto holds = [set](PageContent content) {
            return std::any_of(set->pages.begin(), set->pages.end(),
                               [content](const PageDesc &page) { return page.content == content; });
        };
        if (holds(PageContent::List))
            showList(node);
        else if (holds(PageContent::Data))
            loadTableView(record);
        else
            loadObjectPages(record);
    }
    updateMenus();
    setStatus({});
}

void TfrmDbObjects::gotoNode(const QString &caption)
{
    const int node = m_tree.findByLabel(caption);
    if (node >= 0)
        gotoNode(node);
}

void TfrmDbObjects::gotoNode(int node)
{
    QTreeWidgetItem *item = itemOf(node);
    if (!item)
        return;
    for (QTreeWidgetItem *up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    m_tvwTree->setCurrentItem(item);
    m_tvwTree->scrollToItem(item);
    m_tvwTree->setFocus();
}

void TfrmDbObjects::back()
{
    if (m_history.previous() >= 0)
        gotoNode(m_history.previous());
}

void TfrmDbObjects::previous()
{
    QTreeWidgetItem *item = itemOf(m_history.current());
    if (item && item->parent()) {
        m_tvwTree->setCurrentItem(item->parent());
        m_tvwTree->setFocus();
    }
}

bool TfrmDbObjects::nodeHasParent() const
{
    const QTreeWidgetItem *item = itemOf(m_history.current());
    return item && item->parent();
}

bool TfrmDbObjects::hasPreviousNode() const { return m_history.previous() >= 0; }

void TfrmDbObjects::refresh()
{
    if (!m_connected)
        return;
    if (running()) {
        m_refreshPending = true;
        return;
    }
    if (hooks().refresh) {
        hooks().refresh(*this, false);
        return;
    }
    const TNodeInfo *info = currentNode();
    reloadTree(info ? info->Caption : QString());
}

void TfrmDbObjects::reloadTree(const QString &caption)
{
    try {
        const WaitCursor wait;
        loadTree(caption);
    } catch (const std::exception &failure) {
        setStatus({});
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.Refresh")));
    }
}

void TfrmDbObjects::selectPreviousSibling()
{
    QTreeWidgetItem *item = itemOf(m_history.current());
    QTreeWidgetItem *parent = item ? item->parent() : nullptr;
    const int index = parent ? parent->indexOfChild(item) : -1;
    if (index > 0)
        m_tvwTree->setCurrentItem(parent->child(index - 1));
}

bool TfrmDbObjects::isActiveChild() const
{
    return mdiArea() && mdiArea()->activeSubWindow() == this;
}

void TfrmDbObjects::tvwTreeDblClick()
{
    QTreeWidgetItem *item = m_tvwTree->currentItem();
    if (!item || running())
        return;
    tvwTreeChange(nodeOf(item));
    // Opening the definition in the external editor comes with the workspace's
    // editor files; the Edit page is shown meanwhile.
    const TNodeInfo *info = currentNode();
    if (!info || !m_editOnDblClick)
        return;
    const DefinitionPageRef definition = DefinitionPage(info->Kind);
    if (!definition.page)
        return;
    QTabWidget *tab = m_pageSets[definition.set->objectName].tab;
    tab->setCurrentIndex(definition.set->indexOf(definition.page->objectName));
    m_shell.triggerCommand(Command::ExternalEdit);
}

void TfrmDbObjects::popupTreePopup()
{
    const TNodeInfo *info = currentNode();
    const int kind = info ? info->Kind : -1;
    const bool compile = DefinitionPage(kind).page != nullptr;
    const ObjectKindDesc *desc = FindObjectKind(kind);
    const bool drop = desc && !desc->dropWord.isEmpty();
    for (QAction *a : m_popupTree->actions()) {
        const QString name = a->objectName();
        if (a->isSeparator())
            continue;
        if (name == QLatin1String("mnuTreeCancel"))
            a->setVisible(true);
        else if (name == QLatin1String("mnuTreeCompile"))
            a->setVisible(compile);
        else if (name == QLatin1String("mnuTreeDrop"))
            a->setVisible(drop);
        else if (name == QLatin1String("mnuTreeCopyDDL"))
            a->setVisible(kind == KindTable);
        else if (name == QLatin1String("mnuTreeDiagram"))
            a->setVisible(m_connected && !running());
        else
            a->setVisible(false);
    }
    findChild<QAction *>(QStringLiteral("mnuTreeCompile"))->setEnabled(bool(hooks().compile));
    findChild<QAction *>(QStringLiteral("mnuTreeDrop"))->setEnabled(bool(hooks().drop));
}

// ---- keys and list navigation -------------------------------------------------

void TfrmDbObjects::keyStepPage(bool forward)
{
    QStringList visible;
    for (const auto &[name, set] : m_pageSets)
        if (!set.tab->isHidden())
            visible << name;
    const QString name = FirstVisibleControl(KeyPageControlOrder(), visible);
    if (name.isEmpty())
        return;
    QTabWidget *tab = m_pageSets[name].tab;
    QList<bool> tabVisible;
    for (int i = 0; i < tab->count(); ++i)
        tabVisible << tab->isTabVisible(i);
    const int next = StepVisiblePage(tabVisible, tab->currentIndex(), forward);
    if (next >= 0)
        tab->setCurrentIndex(next);
}

void TfrmDbObjects::queryTab()
{
    QStringList visible;
    for (const auto &[name, set] : m_pageSets)
        if (!set.tab->isHidden())
            visible << name;
    const QString name = FirstVisibleControl(QueryTabControlOrder(), visible);
    if (!name.isEmpty()) {
        const PageSetWidgets &set = m_pageSets[name];
        if (name == QLatin1String("tabTrigger")) {
            set.tab->setCurrentIndex(FindPageSet(name)->indexOf(QStringLiteral("pageTriggerEdit")));
            findChild<QPlainTextEdit *>(QStringLiteral("rtfTriggerText"))->setFocus();
        } else {
            set.tab->setCurrentIndex(set.sqlPage);
            m_rtfSQL->setFocus();
        }
    }
    updateMenus();
}

void TfrmDbObjects::listActivated(bool expand)
{
    const int wanted = m_lvwList->selectedNode();
    QTreeWidgetItem *selected = m_tvwTree->currentItem();
    if (wanted < 0 || !selected)
        return;
    for (int i = 0; i < selected->childCount(); ++i) {
        QTreeWidgetItem *child = selected->child(i);
        if (nodeOf(child) != wanted)
            continue;
        m_tvwTree->setCurrentItem(child);
        if (expand)
            child->setExpanded(true);
        return;
    }
}

void TfrmDbObjects::setListViewStyle(int style)
{
    m_lvwList->setViewStyle(style);
    const int applied = m_lvwList->viewStyle();
    for (int i = 0; i < m_listStyleActions.size(); ++i)
        m_listStyleActions[i]->setChecked(i == applied);
    m_listedNode = -1;
    if (m_history.current() >= 0 && !running())
        tvwTreeChange(m_history.current());
}

QList<VisiblePage> TfrmDbObjects::visiblePages() const
{
    QList<VisiblePage> pages;
    for (const auto &[name, set] : m_pageSets)
        if (!set.tab->isHidden() && set.tab->currentWidget())
            pages << DescribeVisiblePage(name, set.tab->currentWidget()->objectName());
    return pages;
}

// ---- activation, closing, destruction ----------------------------------------

void TfrmDbObjects::subWindowActivated(QMdiSubWindow *window)
{
    if (window == this && m_module->finishedConnecting())
        activate();
}

void TfrmDbObjects::readActivationSettings()
{
    m_editor = Settings::read(Settings::Editor);
    m_explainFile = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnFile);
    m_explainViewer = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnViewer);
    m_editOnDblClick = Settings::read(Settings::EditOnDblClick);
    m_editExplainImmediate = Settings::read(Settings::EditExplainImmediate);
    m_ownerDisplay.displayOwner = Settings::read(Settings::DisplayOwner);
    m_ownerDisplay.ownerFormat = Settings::read(Settings::DisplayOwnerFormat);
    m_autoRefresh = Settings::read(Settings::QueryAutoRefresh);
}

void TfrmDbObjects::activate()
{
    if (m_connected)
        m_shell.SetCurrentConnection(m_module.get());
    readActivationSettings();
    QFont gridFont = Settings::read(Settings::QueryMonoFont) ? QFont(QStringLiteral("Courier New"))
                                                              : QFont(QStringLiteral("MS Sans Serif"));
    gridFont.setPointSize(8);
    gridFont.setStyleHint(Settings::read(Settings::QueryMonoFont) ? QFont::Monospace : QFont::SansSerif);
    m_gridResults->setFont(gridFont);
    const bool toGrid = Settings::read(Settings::QueryResultsToGrid);
    if (toGrid != m_resultsToGrid && !running()) {
        m_resultsToGrid = toGrid;
        applyResultsDisplay(toGrid);
        if (!toGrid && m_qryQuery->isOpen())
            m_rtfResults->setPlainText(QueryToTextLines(*m_qryQuery).join(QLatin1Char('\n')));
    }
    // A refresh asked for while another window was active is offered now.
    if (m_refreshPending && !running()) {
        if (hooks().refresh)
            hooks().refresh(*this, true);
        else
            refresh();
    }
    updateMenus();
}

QList<QMdiSubWindow *> TfrmDbObjects::boundQueryWindows() const
{
    QList<QMdiSubWindow *> windows;
    for (IChildWindow *child : m_shell.children())
        if (auto *query = dynamic_cast<IQueryWindow *>(child); query && query->boundTo(m_module.get()))
            if (auto *window = dynamic_cast<QMdiSubWindow *>(query))
                windows << window;
    return windows;
}

bool TfrmDbObjects::canClose()
{
    if (hooks().closeCheck)
        return hooks().closeCheck(*this);
    // Leave checks of every kind, in order; the table and view checks keep
    // the page that shows as both remembered pages.
    QTabWidget *tabTable = m_pageSets[QStringLiteral("tabTable")].tab;
    for (const ObjectKindDesc &desc : ObjectKinds()) {
        const int kind = desc.kind;
        if ((kind == KindTable || kind == KindView) && !tabTable->isHidden() && tabTable->currentIndex() >= 0)
            (kind == KindTable ? m_rememberedTablePage : m_rememberedViewPage) = tabTable->currentIndex();
        if (hooks().leaveCheck && !hooks().leaveCheck(*this, kind))
            return false;
    }
    return true;
}

void TfrmDbObjects::closeEvent(QCloseEvent *event)
{
    if (!canClose()) {
        event->ignore();
        return;
    }
    // The bound query windows go with the connection: each one's unsaved
    // text is offered first, and keeping it keeps the connection.
    for (QMdiSubWindow *window : boundQueryWindows()) {
        if (!dynamic_cast<IChildWindow *>(window)->canClose()) {
            event->ignore();
            return;
        }
    }
    // From here on the main window no longer counts this connection.
    m_module->setFinishedConnecting(false);
    if (m_shell.CurrentConnection() == m_module.get())
        m_shell.SetCurrentConnection(nullptr);
    QMdiSubWindow::closeEvent(event);
}

void TfrmDbObjects::FormDestroy()
{
    m_destroying = true;
    // A statement still running on the connection ends before the connection
    // does, without its outcome being shown.
    m_runPanel->abandon();
    m_module->setFinishedConnecting(false);
    m_module->setExplainChanged({});
    const bool save = Settings::read(Settings::SaveSettingsOnExit);
    if (const TNodeInfo *info = currentNode(); save && info && !m_connectionName.isEmpty())
        Settings::writeConnection(m_connectionName, Settings::ConnLastNodeCaption, info->Caption);

    if (QMdiArea *area = mdiArea())
        disconnect(area, nullptr, this, nullptr);
    // Query windows bound to this connection close with it, so none is left
    // on a closed connection; their close keeps the last statement.
    for (QMdiSubWindow *window : boundQueryWindows()) {
        window->close();
        delete window;
    }
    if (m_shell.CurrentConnection() == m_module.get())
        m_shell.SetCurrentConnection(nullptr);

    {
        const QSignalBlocker block(m_tvwTree);
        m_tvwTree->clear();
        m_items.clear();
        m_tree = ObjectTree{};
    }
    for (auto &[name, model] : m_gridModels)
        model->setQuery(nullptr);
    m_dsTableData->setQuery(nullptr);
    m_dsQuery->setQuery(nullptr);
    m_qryTableData->close();
    m_qryQuery->close();
    m_qryExplain->close();
    m_module->Close();

    if (save) {
        if (m_connected)
            Settings::writeConnection(m_connectionName, Settings::ConnLastSqlStatement, m_rtfSQL->toPlainText());
        Settings::write(Settings::ChildWindowState,
                        isMaximized() ? StateMaximized : isMinimized() ? StateMinimized : StateNormal);
        Settings::write(Settings::TreeViewWidth, m_tvwTree->width());
        Settings::write(Settings::ListViewStyle, m_lvwList->viewStyle());
        const std::pair<const char *, const Settings::IntSetting &> pages[] = {
            {"tabList", Settings::TabListPageIndex}, {"tabProc", Settings::TabProcPageIndex},
            {"tabTrigger", Settings::TabTriggerPageIndex}, {"tabSyn", Settings::TabSynPageIndex},
            {"tabOther", Settings::TabOtherPageIndex}};
        for (const auto &[name, setting] : pages)
            Settings::write(setting, m_pageSets[QLatin1String(name)].tab->currentIndex());
        Settings::write(Settings::TabTablePageIndex, m_rememberedTablePage);
        Settings::write(Settings::TabViewPageIndex, m_rememberedViewPage);
        Settings::write(Settings::SqlRichEditHeight, m_rtfSQL->height());
    }
    m_shell.updateMenusLater();
}

// ---- commands -----------------------------------------------------------------

bool TfrmDbObjects::resultOpen() const { return !m_runPanel->running() && m_qryQuery->isOpen(); }

bool TfrmDbObjects::running() const { return IsDatabaseBusy(m_module->uniqueDatabaseName()); }

void TfrmDbObjects::stop()
{
    if (m_runPanel->running())
        m_runPanel->stop();
    else if (running())
        // A query window's statement on this connection.
        m_module->dbDb().interrupt();
}

RunPanelHooks TfrmDbObjects::runHooks()
{
    RunPanelHooks hooks;
    hooks.status = [this](const QString &text) { m_shell.setStatusText(text); };
    hooks.clearResult = [this] { showResultGrid(false); };
    hooks.showResult = [this](bool rows) { showSqlResult(rows); };
    hooks.runChanged = [this](const ExecPlan &, const ExecOutcome *) { m_shell.UpdateMenus(); };
    // This browser is the active window: its tree follows a catalog change at once.
    hooks.refreshTree = [this] { refresh(); };
    hooks.showExplain = [this] { explainQuery(); };
    hooks.stop = [this] { stop(); };
    return hooks;
}

void TfrmDbObjects::showSqlResult(bool rows)
{
    showResultGrid(rows);
    if (shownPageSet())
        showSqlPage();
    if (!rows)
        m_rtfSQL->setFocus();
    else if (m_resultsToGrid)
        m_gridResults->setFocus();
    else
        m_rtfResults->setFocus();
}

void TfrmDbObjects::connectionBusyChanged(bool busy)
{
    if (m_destroying)
        return;
    // The tree, the other pages and the result grids would read on the
    // connection; the SQL panel's editor stays usable.
    m_tvwTree->setEnabled(!busy);
    m_pnlResultsGrid->setEnabled(!busy);
    for (const auto &[name, set] : m_pageSets) {
        set.tab->tabBar()->setEnabled(!busy);
        for (int i = 0; i < set.tab->count(); ++i)
            if (i != set.sqlPage)
                set.tab->widget(i)->setEnabled(!busy);
    }
    if (!busy && m_refreshPending && isActiveChild())
        QTimer::singleShot(0, this, [this] {
            if (m_refreshPending && !running() && isActiveChild())
                activate();
        });
    updateMenus();
}

QTabWidget *TfrmDbObjects::shownPageSet(QString *name) const
{
    for (const QString &candidate : QueryTabControlOrder()) {
        const auto found = m_pageSets.find(candidate);
        if (found != m_pageSets.end() && !found->second.tab->isHidden()) {
            if (name)
                *name = candidate;
            return found->second.tab;
        }
    }
    return nullptr;
}

void TfrmDbObjects::showSqlPage()
{
    QString name;
    if (QTabWidget *tab = shownPageSet(&name))
        tab->setCurrentIndex(m_pageSets[name].sqlPage);
}

QPlainTextEdit *TfrmDbObjects::editTarget()
{
    QString name;
    QTabWidget *tab = shownPageSet(&name);
    if (!tab)
        return nullptr;
    const PageSetDesc *desc = FindPageSet(name);
    int editPage = -1;
    for (int i = 0; i < desc->pages.size(); ++i)
        if (desc->pages[i].content == PageContent::DefinitionEditor)
            editPage = i;
    const bool editTabVisible = editPage >= 0 && tab->isTabVisible(editPage);
    const QString active = tab->currentWidget() ? tab->currentWidget()->objectName() : QString();
    const EditTarget target = EditCommandTarget(name, active, editTabVisible);
    if (target.tableDdlInQueryWindow) {
        const TNodeInfo *info = currentNode();
        if (info && info->Kind == KindTable && hooks().openQueryText && !running()) {
            const QString ddl = tableDdl(*info);
            if (!ddl.isEmpty())
                hooks().openQueryText(*this, ddl);
        }
        return nullptr;
    }
    tab->setCurrentIndex(desc->indexOf(target.page));
    auto *editor = findChild<QPlainTextEdit *>(target.editor);
    if (editor)
        editor->setFocus();
    updateMenus();
    return editor;
}

QString TfrmDbObjects::tableDdl(const TNodeInfo &table)
{
    SchemaOptions options;
    options.table = table.Name;
    options.owner = table.Owner;
    try {
        const WaitCursor wait;
        return WriteSchema(*m_module, options);
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.TableDDL (") + table.Name + QLatin1Char(')')));
    }
    return {};
}

void TfrmDbObjects::copyDdl(int node)
{
    if (node < 0 || std::size_t(node) >= m_tree.nodes.size() || running())
        return;
    const TNodeInfo info = m_tree.nodes[std::size_t(node)].info;
    if (info.Kind != KindTable)
        return;
    const QString ddl = tableDdl(info);
    if (!ddl.isEmpty())
        QApplication::clipboard()->setText(ddl);
}

void TfrmDbObjects::showTableDdlIfShown()
{
    QTabWidget *tab = m_pageSets[QStringLiteral("tabTable")].tab;
    const TNodeInfo *info = currentNode();
    auto *page = tab->currentWidget();
    if (m_ddlLoaded || !info || info->Kind != KindTable || tab->isHidden() || !page
        || page->objectName() != QLatin1String("pageTableDDL") || running())
        return;
    m_ddlLoaded = true;
    if (auto *editor = findChild<QPlainTextEdit *>(QStringLiteral("rtfTableDDL")))
        editor->setPlainText(tableDdl(*info));
}

void TfrmDbObjects::showResultGrid(bool attach)
{
    m_dsQuery->setQuery(attach && m_resultsToGrid ? m_qryQuery.get() : nullptr);
    m_dsQuery->reset();
    m_dbnavResults->updateButtons();
}

void TfrmDbObjects::execute()
{
    if (!shownPageSet() || running())
        return;
    ExecOptions options;
    options.liveChecked = m_shell.liveDataEnabled();
    options.gridVisible = m_resultsToGrid;
    options.explain = m_module->explain();
    options.explainFile = m_explainFile;
    options.context = QStringLiteral("TfrmDbObjects.ExecSQL.ExecSQLStandard");
    options.autoRefresh = m_autoRefresh;
    options.explainImmediate = m_editExplainImmediate;
    m_runPanel->execute(&m_module->dbDb(), options);
}

void TfrmDbObjects::explainQuery() { ViewExplainOutput(m_module->explain(), m_explainFile, m_explainViewer); }

} // namespace quodlin
