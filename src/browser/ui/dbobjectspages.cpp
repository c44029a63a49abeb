// The browser's layout, its six page sets built from their description, and
// what each kind of node loads into them.
#include "browser/objectdetails.h"
#include "browser/pagesets.h"
#include "browser/ui/dbobjectswindow.h"
#include "browser/ui/nodeimages.h"
#include "browser/ui/objectlistview.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/definitiontext.h"
#include "app/externalprograms.h"
#include "db/dberror.h"
#include "db/dbdatabase.h"
#include "db/dbquery.h"
#include "db/dbquerymodel.h"
#include "db/ui/dbnavigator.h"
#include "db/ui/gridcolumns.h"
#include "output/ui/graphpicture.h"

#include <QAction>
#include <QActionGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace quodlin {

namespace {

const char *const kFieldProperty = "quodlinField";
const char *const kQueryProperty = "quodlinQuery";
const char *const kLocalQueryProperty = "quodlinLocalQuery";
const char *const kLocalFieldProperty = "quodlinLocalField";

template <class W> W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

QFont namedFont(const char *family, int points, QFont::StyleHint hint)
{
    QFont f{QLatin1String(family)};
    f.setPointSize(points);
    f.setStyleHint(hint);
    return f;
}

QVBoxLayout *bareLayout(QWidget *w)
{
    auto *layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QTableView *newGrid(const QString &name)
{
    auto *grid = named(new QTableView, name);
    grid->setFont(namedFont("MS Sans Serif", 8, QFont::SansSerif));
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return grid;
}

// Binds the model and reads its first chunk at once; the grid reads further
// chunks as the user scrolls, so nothing counts the rows behind the user's back.
void showFirstRows(DbQueryModel *model, DbQuery *query)
{
    model->setQuery(query);
    if (model->canFetchMore({}))
        model->fetchMore({});
}

QString capitalized(const QString &field) { return field.left(1).toUpper() + field.mid(1); }

} // namespace

void TfrmDbObjects::createLayout()
{
    auto *central = new QWidget;
    auto *layout = bareLayout(central);
    m_splitterExplorer = named(new QSplitter(Qt::Horizontal), QStringLiteral("splitterExplorer"));
    m_splitterExplorer->setHandleWidth(2);
    m_splitterExplorer->setChildrenCollapsible(false);
    layout->addWidget(m_splitterExplorer);

    m_tvwTree = named(new QTreeWidget, QStringLiteral("tvwTree"));
    m_tvwTree->setHeaderHidden(true);
    m_tvwTree->setIndentation(19);
    m_tvwTree->setUniformRowHeights(true);
    m_tvwTree->setFont(namedFont("Arial", 8, QFont::SansSerif));
    m_tvwTree->setIconSize(QSize(16, 16));
    m_tvwTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tvwTree->setExpandsOnDoubleClick(false);
    m_tvwTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tvwTree->setMinimumWidth(20);
    // Long owner.name labels scroll sideways instead of being cut.
    m_tvwTree->header()->setStretchLastSection(false);
    m_tvwTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tvwTree->setTextElideMode(Qt::ElideNone);
    m_splitterExplorer->addWidget(m_tvwTree);

    m_pnlDetails = named(new QWidget, QStringLiteral("pnlDetails"));
    m_pnlDetails->setMinimumWidth(20);
    auto *details = bareLayout(m_pnlDetails);
    m_sbrListCaption = named(new QStatusBar, QStringLiteral("sbrListCaption"));
    m_sbrListCaption->setSizeGripEnabled(false);
    details->addWidget(m_sbrListCaption);
    m_splitterExplorer->addWidget(m_pnlDetails);
    m_splitterExplorer->setStretchFactor(1, 1);

    createSqlPanel();
    createPageSets();
    setWidget(central);

    connect(m_tvwTree, &QTreeWidget::currentItemChanged, this, &TfrmDbObjects::tvwTreeCurrentItemChanged);
    connect(m_tvwTree, &QTreeWidget::itemDoubleClicked, this, [this] { tvwTreeDblClick(); });

    m_popupTree = named(new QMenu(this), QStringLiteral("popupTree"));
    QAction *compile = named(m_popupTree->addAction(QStringLiteral("&Compile")), QStringLiteral("mnuTreeCompile"));
    QAction *drop = named(m_popupTree->addAction(QStringLiteral("&Drop")), QStringLiteral("mnuTreeDrop"));
    QAction *treeCopyDdl = named(m_popupTree->addAction(QStringLiteral("Copy DD&L")),
                                 QStringLiteral("mnuTreeCopyDDL"));
    connect(treeCopyDdl, &QAction::triggered, this, [this] { copyDdl(m_history.current()); });
    QAction *diagram = named(m_popupTree->addAction(QStringLiteral("Database Dia&gram...")),
                             QStringLiteral("mnuTreeDiagram"));
    connect(diagram, &QAction::triggered, this, [this] { databaseDiagram(); });
    m_popupTree->addSeparator();
    named(m_popupTree->addAction(QStringLiteral("Cancel")), QStringLiteral("mnuTreeCancel"));
    connect(compile, &QAction::triggered, this, [this] {
        if (const TNodeInfo *info = currentNode(); info && browserHooks().compile)
            browserHooks().compile(*this, *info);
    });
    connect(drop, &QAction::triggered, this, [this] {
        if (const TNodeInfo *info = currentNode(); info && browserHooks().drop)
            browserHooks().drop(*this, *info);
    });
    connect(m_popupTree, &QMenu::aboutToShow, this, &TfrmDbObjects::popupTreePopup);
    connect(m_tvwTree, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (QTreeWidgetItem *item = m_tvwTree->itemAt(at))
            m_tvwTree->setCurrentItem(item);
        m_popupTree->popup(m_tvwTree->viewport()->mapToGlobal(at));
    });

    // F11/F12 wherever the focus is inside the window.
    for (const auto &[key, forward] : {std::pair{Qt::Key_F11, false}, std::pair{Qt::Key_F12, true}}) {
        auto *shortcut = new QShortcut(QKeySequence(key), central);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, forward = forward] { keyStepPage(forward); });
    }
}

void TfrmDbObjects::createSqlPanel()
{
    m_pnlSQL = named(new QWidget, QStringLiteral("pnlSQL"));
    auto *layout = bareLayout(m_pnlSQL);
    m_splitterSQL = named(new QSplitter(Qt::Vertical), QStringLiteral("splitterSQL"));
    m_splitterSQL->setHandleWidth(4);
    m_splitterSQL->setChildrenCollapsible(false);
    layout->addWidget(m_splitterSQL);

    const QFont editorFont = namedFont("Courier New", 10, QFont::Monospace);
    m_rtfSQL = named(new QPlainTextEdit, QStringLiteral("rtfSQL"));
    m_rtfSQL->setFont(editorFont);
    m_rtfSQL->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rtfSQL->setTabStopDistance(QFontMetricsF(editorFont).horizontalAdvance(QLatin1Char(' ')) * 2);
    m_splitterSQL->addWidget(m_rtfSQL);
    connect(m_splitterSQL, &QSplitter::splitterMoved, this, [this] { m_rtfSQL->viewport()->update(); });

    auto *results = new QWidget;
    auto *resultsLayout = bareLayout(results);
    m_rtfResults = named(new QPlainTextEdit, QStringLiteral("rtfResults"));
    m_rtfResults->setReadOnly(true);
    m_rtfResults->setFont(editorFont);
    m_rtfResults->setLineWrapMode(QPlainTextEdit::NoWrap);
    resultsLayout->addWidget(m_rtfResults);
    m_pnlResultsGrid = named(new QWidget, QStringLiteral("pnlResultsGrid"));
    auto *gridLayout = bareLayout(m_pnlResultsGrid);
    m_dbnavResults = named(new TDbNavigator, QStringLiteral("dbnavResults"));
    m_dbnavResults->setRefreshHandler([this] { execute(); });
    m_gridResults = newGrid(QStringLiteral("gridResults"));
    gridLayout->addWidget(m_dbnavResults);
    gridLayout->addWidget(m_gridResults);
    resultsLayout->addWidget(m_pnlResultsGrid);
    m_splitterSQL->addWidget(results);
    m_splitterSQL->setStretchFactor(1, 1);
    m_dsQuery = named(new DbQueryModel(m_qryQuery.get(), this), QStringLiteral("dsQuery"));
    new GridColumnSizer(m_gridResults, m_dsQuery);

    m_runPanel = std::make_unique<RunPanel>(this, m_rtfSQL, m_rtfResults, *m_qryQuery, *m_qryExplain, runHooks());
    layout->addWidget(m_runPanel->progressLine());
}

void TfrmDbObjects::applyResultsDisplay(bool toGrid)
{
    m_pnlResultsGrid->setVisible(toGrid);
    m_rtfResults->setVisible(!toGrid);
    // Text mode leaves the grid and navigator without a data source.
    m_gridResults->setModel(toGrid ? m_dsQuery : nullptr);
    m_dbnavResults->setGrid(toGrid ? m_gridResults : nullptr, toGrid ? m_dsQuery : nullptr);
    if (toGrid)
        m_dsQuery->reset();
}

void TfrmDbObjects::createPageSets()
{
    auto *details = static_cast<QVBoxLayout *>(m_pnlDetails->layout());
    for (const PageSetDesc &set : PageSets()) {
        auto *tab = named(new QTabWidget, set.objectName);
        for (const PageDesc &page : set.pages)
            tab->addTab(createPage(page), page.caption);
        tab->setVisible(false);
        details->addWidget(tab, 1);
        m_pageSets[set.objectName] = PageSetWidgets{tab, set.sqlPage()};
        connect(tab, &QTabWidget::currentChanged, this, [this, name = set.objectName] {
            if (name == QLatin1String("tabTable"))
                tabTableChange();
            else
                updateMenus();
        });
    }
    // Without a node shown the list page holds the panel.
    m_pageSets[QStringLiteral("tabList")].tab->setVisible(true);
    m_pageSets[QStringLiteral("tabList")].tab->widget(m_pageSets[QStringLiteral("tabList")].sqlPage)
        ->layout()->addWidget(m_pnlSQL);
}

QWidget *TfrmDbObjects::createPage(const PageDesc &page)
{
    auto *widget = named(new QWidget, page.objectName);
    switch (page.content) {
    case PageContent::List: {
        auto *layout = bareLayout(widget);
        m_lvwList = new TObjectListView;
        m_lvwList->setFont(namedFont("Arial", 8, QFont::SansSerif));
        layout->addWidget(m_lvwList);
        connect(m_lvwList, &TObjectListView::itemActivated, this, [this] { listActivated(true); });
        m_popupList = named(new QMenu(this), QStringLiteral("popupList"));
        QAction *edit = named(m_popupList->addAction(QStringLiteral("&Edit")), QStringLiteral("mnuListEdit"));
        connect(edit, &QAction::triggered, this, [this] { listActivated(false); });
        QAction *listCopyDdl = named(m_popupList->addAction(QStringLiteral("Copy DD&L")),
                                     QStringLiteral("mnuListCopyDDL"));
        connect(listCopyDdl, &QAction::triggered, this, [this] { copyDdl(m_lvwList->selectedNode()); });
        connect(m_popupList, &QMenu::aboutToShow, this, [this, listCopyDdl] {
            const int node = m_lvwList->selectedNode();
            listCopyDdl->setVisible(node >= 0 && std::size_t(node) < m_tree.nodes.size()
                                    && m_tree.nodes[std::size_t(node)].info.Kind == KindTable);
        });
        QMenu *view = m_popupList->addMenu(QStringLiteral("&View"));
        view->setObjectName(QStringLiteral("mnuListView"));
        auto *group = new QActionGroup(view);
        const char *const styles[][2] = {{"Lar&ge Icons", "mnuListLargeIcons"}, {"S&mall Icons", "mnuListSmallIcons"},
                                         {"&List", "mnuListList"}, {"&Details", "mnuListDetails"}};
        for (int i = 0; i < 4; ++i) {
            QAction *a = named(view->addAction(QLatin1String(styles[i][0])), QLatin1String(styles[i][1]));
            a->setCheckable(true);
            group->addAction(a);
            m_listStyleActions << a;
            connect(a, &QAction::triggered, this, [this, i] { setListViewStyle(i); });
        }
        m_lvwList->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_lvwList, &QWidget::customContextMenuRequested, this,
                [this](const QPoint &at) { m_popupList->popup(m_lvwList->mapToGlobal(at)); });
        break;
    }
    case PageContent::Properties: {
        auto *outer = new QVBoxLayout(widget);
        auto *form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        outer->addLayout(form);
        outer->addStretch();
        for (const EditBox &box : page.editBoxes) {
            auto *edit = named(new QLineEdit, QStringLiteral("edit") + capitalized(box.field));
            edit->setReadOnly(true);
            edit->setMaximumWidth(360);
            edit->setProperty(kQueryProperty, box.query);
            edit->setProperty(kFieldProperty, box.field);
            edit->setProperty(kLocalQueryProperty, box.localQuery);
            edit->setProperty(kLocalFieldProperty, box.localField);
            auto *label = new QLabel(box.caption);
            label->setBuddy(edit);
            QWidget *field = edit;
            for (const GotoButton &button : page.buttons) {
                if (button.objectName != box.gotoButton)
                    continue;
                auto *row = new QWidget;
                auto *rowLayout = new QHBoxLayout(row);
                rowLayout->setContentsMargins(0, 0, 0, 0);
                rowLayout->addWidget(edit, 1);
                auto *go = named(new QPushButton(button.caption), button.objectName);
                connect(go, &QPushButton::clicked, this, [this, button] { gotoButtonClick(button); });
                rowLayout->addWidget(go);
                rowLayout->addStretch();
                field = row;
            }
            form->addRow(label, field);
        }
        break;
    }
    case PageContent::Grid: {
        auto *layout = bareLayout(widget);
        QTableView *grid = newGrid(page.widgetName);
        auto *model = named(new DbQueryModel(&m_module->query(page.query), this), page.dataSource);
        grid->setModel(model);
        new GridColumnSizer(grid, model);
        m_gridModels[page.widgetName] = model;
        layout->addWidget(grid, 1);
        for (const GotoButton &button : page.buttons) {
            auto *row = new QHBoxLayout;
            row->setContentsMargins(4, 4, 4, 4);
            auto *go = named(new QPushButton(button.caption), button.objectName);
            connect(go, &QPushButton::clicked, this, [this, button] { gotoButtonClick(button); });
            row->addWidget(go);
            row->addStretch();
            layout->addLayout(row);
        }
        break;
    }
    case PageContent::DefinitionEditor: {
        auto *layout = bareLayout(widget);
        auto *editor = named(new QPlainTextEdit, page.widgetName);
        const QFont editorFont = namedFont("Courier New", 10, QFont::Monospace);
        editor->setFont(editorFont);
        editor->setLineWrapMode(QPlainTextEdit::NoWrap);
        editor->setTabChangesFocus(false);
        // A tab stop is two blanks wide, as the rebuilt texts indent.
        editor->setTabStopDistance(QFontMetricsF(editorFont).horizontalAdvance(QLatin1Char(' ')) * 2);
        layout->addWidget(editor);
        break;
    }
    case PageContent::Data: {
        auto *layout = bareLayout(widget);
        auto *navigator = named(new TDbNavigator, QStringLiteral("dbnavTableData"));
        QTableView *grid = newGrid(page.widgetName);
        m_dsTableData = named(new DbQueryModel(m_qryTableData.get(), this), page.dataSource);
        grid->setModel(m_dsTableData);
        new GridColumnSizer(grid, m_dsTableData);
        grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
        navigator->setGrid(grid, m_dsTableData);
        navigator->setRefreshHandler([this] { reloadDataPage(); });
        layout->addWidget(navigator);
        layout->addWidget(grid, 1);
        break;
    }
    case PageContent::Sql:
        bareLayout(widget);
        break;
    case PageContent::Diagram:
        createDiagramPage(widget, page.widgetName);
        break;
    case PageContent::Ddl: {
        auto *layout = bareLayout(widget);
        auto *editor = named(new QPlainTextEdit, page.widgetName);
        editor->setFont(namedFont("Courier New", 10, QFont::Monospace));
        editor->setLineWrapMode(QPlainTextEdit::NoWrap);
        editor->setReadOnly(true);
        layout->addWidget(editor);
        break;
    }
    }
    return widget;
}

// ---- showing a node -------------------------------------------------------------

void TfrmDbObjects::showPageSet(const QString &name)
{
    for (const auto &[setName, set] : m_pageSets)
        if (setName != name)
            set.tab->setVisible(false);
    const PageSetWidgets &set = m_pageSets[name];
    QWidget *sqlPage = set.tab->widget(set.sqlPage);
    if (m_pnlSQL->parentWidget() != sqlPage) {
        sqlPage->layout()->addWidget(m_pnlSQL);
        m_pnlSQL->setVisible(true);
    }
    set.tab->setVisible(true);
}

void TfrmDbObjects::showList(int node)
{
    showPageSet(QStringLiteral("tabList"));
    if (node == m_listedNode)
        return;
    m_listedNode = node;
    const QList<int> children = m_tree.children(node);
    const TNodeInfo &record = m_tree.nodes[std::size_t(node)].info;
    QList<TObjectListView::Column> columns;
    const int firstChildKind = children.isEmpty() ? -1 : m_tree.nodes[std::size_t(children.front())].info.Kind;
    for (const ListColumn &column : ListColumnsFor(record.Kind, firstChildKind))
        columns << TObjectListView::Column{column.title, column.width};
    const bool details = m_lvwList->viewStyle() == TObjectListView::Details;
    QList<TObjectListView::Item> items;
    items.reserve(children.size());
    for (int child : children) {
        const ObjectTreeNode &n = m_tree.nodes[std::size_t(child)];
        const ListItemText text = ListItemFor(n.info, details, int(columns.size()));
        items << TObjectListView::Item{text.caption, text.subItems.value(0), n.image, child};
    }
    m_lvwList->setContents(columns, items);
    m_definitionText.clear();
}

void TfrmDbObjects::fillEditBoxes(const QString &pageSet)
{
    for (QLineEdit *edit : m_pageSets[pageSet].tab->findChildren<QLineEdit *>()) {
        const QString field = edit->property(kFieldProperty).toString();
        if (field.isEmpty())
            continue;
        DbQuery *query = &m_module->query(edit->property(kQueryProperty).toString());
        QString name = field;
        const QString local = edit->property(kLocalQueryProperty).toString();
        if (!local.isEmpty() && m_module->query(local).isOpen() && !m_module->query(local).isEmpty()) {
            query = &m_module->query(local);
            name = edit->property(kLocalFieldProperty).toString();
        }
        const DbField *f = query->isOpen() ? query->findField(name) : nullptr;
        edit->setText(f ? f->displayText() : QString());
        edit->setCursorPosition(0);
    }
}

void TfrmDbObjects::updateGotoButtons(const QString &pageSet)
{
    for (const PageDesc &page : FindPageSet(pageSet)->pages)
        for (const GotoButton &button : page.buttons) {
            auto *go = m_pageSets[pageSet].tab->findChild<QPushButton *>(button.objectName);
            if (!go)
                continue;
            if (button.enabledByRowsOf.isEmpty()) {
                go->setEnabled(true);
                continue;
            }
            const DbQuery &rows = m_module->query(button.enabledByRowsOf);
            go->setEnabled(rows.isOpen() && !rows.isEmpty());
        }
}

void TfrmDbObjects::gotoButtonClick(const GotoButton &button)
{
    DbQuery &query = m_module->query(button.query);
    if (!query.isOpen() || query.isEmpty())
        return;
    // The Depends button takes the row the user has on its grid.
    if (button.query == QLatin1String("qryTableDepends")) {
        auto *grid = findChild<QTableView *>(QStringLiteral("gridTableDepends"));
        if (grid && grid->currentIndex().isValid())
            query.gotoBookmark(grid->currentIndex().row());
    }
    const QString name = query.fieldByName(button.nameField).displayText();
    const QString owner = query.fieldByName(button.ownerField).displayText();
    gotoNode(FormatNodeCaption(KindTable, name, owner, m_ownerDisplay));
}

void TfrmDbObjects::loadTableView(const TNodeInfo &info)
{
    const PageView view = PageViewFor(info.Kind);
    const PageSetDesc *desc = FindPageSet(view.pageSet);
    QTabWidget *tab = m_pageSets[view.pageSet].tab;
    auto *viewText = findChild<QPlainTextEdit *>(QStringLiteral("rtfViewText"));
    viewText->document()->setModified(false);
    {
        // Hiding tabs and choosing the page must not open the data page early.
        const QSignalBlocker block(tab);
        for (int i = 0; i < desc->pages.size(); ++i)
            tab->setTabVisible(i, !view.hiddenPages.contains(desc->pages[i].objectName));
        tab->setTabText(0, view.firstTabCaption);
        const int remembered = info.Kind == KindTable ? m_rememberedTablePage : m_rememberedViewPage;
        if (remembered >= 0 && remembered < tab->count() && tab->isTabVisible(remembered))
            tab->setCurrentIndex(remembered);
        else if (!tab->isTabVisible(tab->currentIndex()))
            tab->setCurrentIndex(0);
    }
    showPageSet(view.pageSet);

    m_dsTableData->setQuery(nullptr);
    m_qryTableData->close();
    m_dsTableData->setQuery(m_qryTableData.get());
    for (const PageDesc &page : desc->pages)
        if (page.content == PageContent::Grid)
            m_gridModels[page.widgetName]->setQuery(nullptr);
    m_module->LoadObject(info.Kind, info.Name, info.Owner, info.Id);
    for (const PageDesc &page : desc->pages)
        if (page.content == PageContent::Grid)
            showFirstRows(m_gridModels[page.widgetName], &m_module->query(page.query));
    fillEditBoxes(view.pageSet);
    updateGotoButtons(view.pageSet);

    m_qryTableData->setLive(m_shell.liveDataEnabled());
    DbQuery &table = m_module->qryTable();
    const DbField *tabname = table.isOpen() ? table.findField(QStringLiteral("tabname")) : nullptr;
    m_tableDataFailure.clear();
    try {
        m_qryTableData->setSql(TableDataStatement(tabname ? tabname->displayText() : info.Name,
                                                  SqlNameStyleOf(m_module->dbDb().connection())));
    } catch (const std::exception &failure) {
        // The page stays empty; when it shows, the report names the table that cannot be written.
        m_qryTableData->setSql(QString());
        m_tableDataFailure = DbErrorReport(failure, QStringLiteral("TfrmDbObjects.tvwTreeChange.LoadTableView"));
    }
    openDataPageIfShown();
    // The DDL is written when its page shows, for this table afresh.
    m_ddlLoaded = false;
    if (auto *ddl = findChild<QPlainTextEdit *>(QStringLiteral("rtfTableDDL")))
        ddl->clear();
    showTableDdlIfShown();
    m_diagramLoaded = false;
    if (m_diagramView)
        m_diagramView->clearPicture();
    showTableDiagramIfShown();

    if (const ObjectKindDesc *kind = FindObjectKind(info.Kind); kind && kind->definition != DefinitionLayout::None) {
        m_definitionText = RebuildDefinitionText(kind->definition, m_module->query(kind->bodyQuery));
        viewText->setPlainText(m_definitionText);
        viewText->document()->setModified(false);
    } else {
        m_definitionText.clear();
    }
}

void TfrmDbObjects::openDataPageIfShown()
{
    QTabWidget *tab = m_pageSets[QStringLiteral("tabTable")].tab;
    const int dataPage = FindPageSet(QStringLiteral("tabTable"))->indexOf(QStringLiteral("pageTableData"));
    if (tab->isHidden() || tab->currentIndex() != dataPage || m_qryTableData->isOpen())
        return;
    if (m_qryTableData->sql().isEmpty()) {
        if (!m_tableDataFailure.isEmpty())
            ShowErrorBox(std::exchange(m_tableDataFailure, QString()));
        return;
    }
    try {
        m_qryTableData->open();
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.tvwTreeChange.LoadTableView (")
                                                + m_qryTableData->sql() + QLatin1Char(')')));
    }
    showFirstRows(m_dsTableData, m_qryTableData.get());
    if (auto *navigator = findChild<TDbNavigator *>(QStringLiteral("dbnavTableData")))
        navigator->updateButtons();
}

void TfrmDbObjects::tabTableChange()
{
    updateMenus();
    openDataPageIfShown();
    showTableDdlIfShown();
    showTableDiagramIfShown();
}

void TfrmDbObjects::reloadDataPage()
{
    QTabWidget *tab = m_pageSets[QStringLiteral("tabTable")].tab;
    const int dataPage = FindPageSet(QStringLiteral("tabTable"))->indexOf(QStringLiteral("pageTableData"));
    if (!tab->isHidden() && tab->currentIndex() == dataPage) {
        if (!m_qryTableData->isOpen())
            return;
        m_dsTableData->setQuery(nullptr);
        m_qryTableData->close();
        m_qryTableData->setLive(m_shell.liveDataEnabled());
        try {
            m_qryTableData->open();
        } catch (const std::exception &) {
            // A failing reload leaves the page empty without a message.
        }
        showFirstRows(m_dsTableData, m_qryTableData.get());
        return;
    }
    // Re-running the SQL panel's statement belongs to the workspace's execute.
    if (m_qryQuery->isOpen())
        execute();
}

void TfrmDbObjects::loadObjectPages(const TNodeInfo &info)
{
    const PageView view = PageViewFor(info.Kind);
    const DefinitionPageRef definition = DefinitionPage(info.Kind);
    auto *editor = definition.page ? findChild<QPlainTextEdit *>(definition.page->widgetName) : nullptr;
    if (editor)
        editor->document()->setModified(false);
    showPageSet(view.pageSet);
    m_module->LoadObject(info.Kind, info.Name, info.Owner, info.Id);
    fillEditBoxes(view.pageSet);
    updateGotoButtons(view.pageSet);
    m_definitionText.clear();
    if (!editor)
        return;
    const ObjectKindDesc *kind = FindObjectKind(info.Kind);
    m_definitionText = RebuildDefinitionText(kind->definition, m_module->query(kind->bodyQuery));
    editor->setPlainText(m_definitionText);
    editor->document()->setModified(false);
}

} // namespace quodlin
