#include "workspace/ui/queryform.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/templates.h"
#include "app/ui/comboboxes.h"
#include "app/ui/mdistep.h"
#include "app/windowlayout.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbquerymodel.h"
#include "db/dbsession.h"
#include "db/ui/dbnavigator.h"
#include "db/ui/gridcolumns.h"
#include "output/editorfiles.h"
#include "output/exportwriter.h"
#include "output/ui/graphpicture.h"
#include "output/ui/resultoutput.h"
#include "workspace/memorizedqueries.h"
#include "workspace/sqlanalysis.h"
#include "workspace/ui/memorizedqueriesform.h"
#include "workspace/ui/queryplanpage.h"
#include "workspace/ui/sqlcompleter.h"
#include "workspace/ui/sqleditwidget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <exception>

namespace quodlin {

namespace {

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QAction *menuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

void selectAll(QPlainTextEdit *editor)
{
    // From 0 to the length of the whole text minus one.
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(qMax(0, editor->document()->characterCount() - 2), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

} // namespace

TfrmQuery::TfrmQuery(IShell &shell, QWidget *parent)
    : QMdiSubWindow(parent)
    , m_shell(shell)
    , m_qryQuery(std::make_unique<DbQuery>(DbSession::defaultSession()))
    , m_qryExplain(std::make_unique<DbQuery>(DbSession::defaultSession()))
{
    setObjectName(QStringLiteral("frmQuery"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = new DbQueryModel(m_qryQuery.get(), this);
    buildWidgets();
    buildMenus();
    resize(550, 350);
    readSettings();
    resize(Settings::read(Settings::QueryWidth), Settings::read(Settings::QueryHeight));
    applyResultsMode(m_resultsToGrid);
}

TfrmQuery::~TfrmQuery()
{
    m_runPanel->abandon();
    m_shell.updateMenusLater();
}

void TfrmQuery::buildWidgets()
{
    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_pnlToolbar = new QWidget(client);
    m_pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    auto *toolbarLayout = new QHBoxLayout(m_pnlToolbar);
    toolbarLayout->setContentsMargins(4, 4, 4, 4);
    m_label1 = new QLabel(QStringLiteral("Query from Database Connection"), m_pnlToolbar);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_cboDatabaseAlias = new QComboBox(m_pnlToolbar);
    m_cboDatabaseAlias->setObjectName(QStringLiteral("cboDatabaseAlias"));
    m_cboDatabaseAlias->setEditable(false);
    toolbarLayout->addWidget(m_label1);
    toolbarLayout->addWidget(m_cboDatabaseAlias, 1);
    layout->addWidget(m_pnlToolbar);

    m_tabQuery = new QTabWidget(client);
    m_tabQuery->setObjectName(QStringLiteral("tabQuery"));
    m_tabQuery->setVisible(false);

    m_pageSQL = new QWidget;
    m_pageSQL->setObjectName(QStringLiteral("pageSQL"));
    auto *sqlLayout = new QVBoxLayout(m_pageSQL);
    sqlLayout->setContentsMargins(0, 0, 0, 0);
    m_rtfSQL = new QPlainTextEdit(m_pageSQL);
    m_rtfSQL->setObjectName(QStringLiteral("rtfSQL"));
    SetupSqlEditor(m_rtfSQL);
    new SqlCompleter(m_rtfSQL, [this] {
        auto *module = dynamic_cast<TdmDbObjects *>(connection());
        return module ? module->completionCatalog() : nullptr;
    });
    sqlLayout->addWidget(m_rtfSQL, 1);
    auto *pnlOptions = new QWidget(m_pageSQL);
    pnlOptions->setObjectName(QStringLiteral("pnlOptions"));
    auto *optionsLayout = new QHBoxLayout(pnlOptions);
    optionsLayout->setContentsMargins(4, 2, 4, 2);
    m_chkLiveQuery = new QCheckBox(QStringLiteral("Live Query"), pnlOptions);
    m_chkLiveQuery->setObjectName(QStringLiteral("chkLiveQuery"));
    optionsLayout->addWidget(m_chkLiveQuery);
    optionsLayout->addStretch();
    const struct {
        const char *name;
        const char *caption;
        const QString *kind;
    } newButtons[] = {{"btnNewProc", "New Proc", &kTemplateStoredProcedure},
                      {"btnNewView", "New View", &kTemplateView},
                      {"btnNewTrigger", "New Trigger", &kTemplateTrigger},
                      {"btnNewSyn", "New Syn", &kTemplateSynonym}};
    for (const auto &b : newButtons) {
        QPushButton *btn = button(b.name, QString::fromLatin1(b.caption), pnlOptions);
        const QString kind = *b.kind;
        connect(btn, &QPushButton::clicked, this, [this, kind] { pasteTemplate(kind); });
        optionsLayout->addWidget(btn);
    }
    QPushButton *btnExecute = button("btnExecute", QStringLiteral("Execute"), pnlOptions);
    connect(btnExecute, &QPushButton::clicked, this, &TfrmQuery::ExecSQL);
    optionsLayout->addWidget(btnExecute);
    sqlLayout->addWidget(pnlOptions);
    m_tabQuery->addTab(m_pageSQL, QStringLiteral("S&QL"));

    m_pageResults = new QWidget;
    m_pageResults->setObjectName(QStringLiteral("pageResults"));
    auto *resultsLayout = new QVBoxLayout(m_pageResults);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    m_dbnavResults = buildNavigator();
    resultsLayout->addWidget(m_dbnavResults);
    m_gridResults = new QTableView(m_pageResults);
    m_gridResults->setObjectName(QStringLiteral("gridResults"));
    m_gridResults->setModel(m_model);
    new GridColumnSizer(m_gridResults, m_model);
    m_gridResults->verticalHeader()->setDefaultSectionSize(m_gridResults->fontMetrics().height() + 6);
    resultsLayout->addWidget(m_gridResults, 1);
    static_cast<TDbNavigator *>(m_dbnavResults)->setGrid(m_gridResults, m_model);
    m_rtfResults = new QPlainTextEdit(m_pageResults);
    m_rtfResults->setObjectName(QStringLiteral("rtfResults"));
    m_rtfResults->setReadOnly(true);
    SetupSqlEditor(m_rtfResults, false);
    resultsLayout->addWidget(m_rtfResults, 1);
    m_tabQuery->addTab(m_pageResults, QStringLiteral("&Results"));
    m_pagePlan = new QueryPlanPage;
    m_pagePlan->setObjectName(QStringLiteral("pagePlan"));
    m_pagePlan->view()->setPrintHandler([this] { print(); });
    m_tabQuery->addTab(m_pagePlan, QStringLiteral("&Plan"));
    layout->addWidget(m_tabQuery, 1);

    m_runPanel = std::make_unique<RunPanel>(this, m_rtfSQL, m_rtfResults, *m_qryQuery, *m_qryExplain, runHooks());
    layout->addWidget(m_runPanel->progressLine());

    m_statusBar = new QStatusBar(client);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusBar->setSizeGripEnabled(false);
    layout->addWidget(m_statusBar);
    setWidget(client);

    connect(m_tabQuery, &QTabWidget::currentChanged, this, &TfrmQuery::pageChanged);
    connect(m_cboDatabaseAlias, &QComboBox::activated, this, &TfrmQuery::cboDatabaseAliasChange);
    RefillOnFocus(m_cboDatabaseAlias, [this] { fillConnectionList(); });
    auto *previousPage = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(previousPage, &QShortcut::activated, this,
            [this] { m_tabQuery->setCurrentIndex(qMax(0, m_tabQuery->currentIndex() - 1)); });
    auto *nextPage = new QShortcut(QKeySequence(Qt::Key_F12), this);
    connect(nextPage, &QShortcut::activated, this,
            [this] { m_tabQuery->setCurrentIndex(qMin(m_tabQuery->count() - 1, m_tabQuery->currentIndex() + 1)); });
}

QWidget *TfrmQuery::buildNavigator()
{
    auto *nav = new TDbNavigator(m_pageResults);
    nav->setObjectName(QStringLiteral("dbnavResults"));
    nav->setRefreshHandler([this] { ExecSQL(); });
    return nav;
}

void TfrmQuery::buildMenus()
{
    m_popupEdit = new QMenu(this);
    m_popupEdit->setObjectName(QStringLiteral("popupEdit"));
    connect(menuItem(m_popupEdit, "mnuEditCut", QStringLiteral("Cu&t")), &QAction::triggered, m_rtfSQL,
            &QPlainTextEdit::cut);
    connect(menuItem(m_popupEdit, "mnuEditCopy", QStringLiteral("&Copy")), &QAction::triggered, m_rtfSQL,
            &QPlainTextEdit::copy);
    connect(menuItem(m_popupEdit, "mnuEditPaste", QStringLiteral("&Paste")), &QAction::triggered, this, [this] {
        m_rtfSQL->paste();
        m_rtfSQL->viewport()->update();
    });
    connect(menuItem(m_popupEdit, "mnuEditSelectAll", QStringLiteral("Select A&ll")), &QAction::triggered, this,
            [this] { selectAll(m_rtfSQL); });
    m_popupEdit->addSeparator();
    connect(menuItem(m_popupEdit, "mnuEditSave", QStringLiteral("&Save")), &QAction::triggered, this, &TfrmQuery::save);
    connect(menuItem(m_popupEdit, "mnuEditSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &TfrmQuery::saveAs);
    m_popupEdit->addSeparator();
    connect(menuItem(m_popupEdit, "mnuEditPasteQuery", QStringLiteral("Paste &Query...")), &QAction::triggered, this,
            &TfrmQuery::pasteQuery);
    connect(menuItem(m_popupEdit, "mnuEditMemorizeQuery", QStringLiteral("&Memorize Query...")), &QAction::triggered,
            this, &TfrmQuery::memorizeQuery);
    m_popupEdit->addSeparator();
    const struct {
        const char *newName;
        const char *newCaption;
        const char *saveName;
        const char *saveCaption;
        const QString *kind;
    } templates[] = {
        {"mnuNewProcTemplate", "New St&ored Procedure template", "mnuSaveProcTemplate",
         "Save as default Stored Procedure template", &kTemplateStoredProcedure},
        {"mnuNewViewTemplate", "New &View template", "mnuSaveViewTemplate", "Save as default View template",
         &kTemplateView},
        {"mnuNewTriggerTemplate", "New T&rigger template", "mnuSaveTriggerTemplate",
         "Save as default Trigger template", &kTemplateTrigger},
        {"mnuNewSynTemplate", "New S&ynonym template", "mnuSaveSynTemplate", "Save as default Synonym template",
         &kTemplateSynonym},
    };
    for (const auto &t : templates) {
        const QString kind = *t.kind;
        connect(menuItem(m_popupEdit, t.newName, QString::fromLatin1(t.newCaption)), &QAction::triggered, this,
                [this, kind] { pasteTemplate(kind); });
    }
    m_popupEdit->addSeparator();
    for (const auto &t : templates) {
        const QString kind = *t.kind;
        connect(menuItem(m_popupEdit, t.saveName, QString::fromLatin1(t.saveCaption)), &QAction::triggered, this,
                [this, kind] { saveAsDefaultTemplate(kind); });
    }
    m_rtfSQL->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_rtfSQL, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popupEdit->popup(m_rtfSQL->mapToGlobal(at)); });

    m_popupResults = new QMenu(this);
    m_popupResults->setObjectName(QStringLiteral("popupResults"));
    QAction *copy = menuItem(m_popupResults, "mnuResultsCopy", QStringLiteral("&Copy"));
    connect(copy, &QAction::triggered, m_rtfResults, &QPlainTextEdit::copy);
    QAction *all = menuItem(m_popupResults, "mnuResultsSelectAll", QStringLiteral("Select A&ll"));
    connect(all, &QAction::triggered, this, [this] { selectAll(m_rtfResults); });
    m_popupResults->addSeparator();
    connect(menuItem(m_popupResults, "mnuResultsSave", QStringLiteral("&Save")), &QAction::triggered, this,
            &TfrmQuery::save);
    connect(menuItem(m_popupResults, "mnuResultsSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &TfrmQuery::saveAs);
    connect(menuItem(m_popupResults, "mnuResultsSaveAsScript", QStringLiteral("Save as Sc&ript...")),
            &QAction::triggered, this, &TfrmQuery::saveAsScript);
    connect(menuItem(m_popupResults, "mnuResultsSaveAsSQD", QStringLiteral("Save as SQD...")), &QAction::triggered,
            this, &TfrmQuery::saveAsSqd);
    connect(menuItem(m_popupResults, "mnuResultsSaveAsCSV", QStringLiteral("Save as CSV...")), &QAction::triggered,
            this, &TfrmQuery::saveAsCsv);
    connect(menuItem(m_popupResults, "mnuResultsSaveAsUnload", QStringLiteral("Save as UNLOAD...")),
            &QAction::triggered, this, &TfrmQuery::saveAsUnload);
    // The result's exports whatever shows it, grid or text.
    ShowResultsMenu(m_popupResults, m_rtfResults, {copy, all});
    ShowResultsMenu(m_popupResults, m_gridResults, {copy, all});
}

void TfrmQuery::readSettings()
{
    m_editorProgram = Settings::read(Settings::Editor);
    m_showExplainImmediate = Settings::read(Settings::EditExplainImmediate);
    m_autoRefresh = Settings::read(Settings::QueryAutoRefresh);
    m_resultsToGrid = Settings::read(Settings::QueryResultsToGrid);
}

void TfrmQuery::applyResultsMode(bool toGrid)
{
    m_gridResults->setVisible(toGrid);
    m_dbnavResults->setVisible(toGrid);
    m_rtfResults->setVisible(!toGrid);
    // Detached while text shows the rows, so an open result is not shown twice.
    m_gridResults->setModel(toGrid ? m_model : nullptr);
    m_model->setQuery(toGrid && !running() ? m_qryQuery.get() : nullptr);
    // The grid's selection model changes with its model.
    static_cast<TDbNavigator *>(m_dbnavResults)->setGrid(m_gridResults, m_model);
    m_chkLiveQuery->setEnabled(toGrid);
}

// ---- connection -------------------------------------------------------------------

QList<IConnection *> TfrmQuery::browserConnections() const
{
    QList<IConnection *> connections;
    const QList<IChildWindow *> children = m_shell.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (auto *browser = dynamic_cast<IObjectBrowserWindow *>(*it); browser && browser->connection())
            connections << browser->connection();
    return connections;
}

IConnection *TfrmQuery::connection() const
{
    // A browser that closed took its connection with it.
    return m_connection && browserConnections().contains(m_connection) ? m_connection : nullptr;
}

KeyColumnsLookup TfrmQuery::keyColumns() const
{
    // The key line comes from the connection's browser, as it shows the table's indexes.
    auto *module = dynamic_cast<TdmDbObjects *>(connection());
    if (!module)
        return {};
    return [module](const QString &name) {
        return SqdKeyColumns(&module->qryTable(), &module->qryTableIndexes(), name);
    };
}

DbDatabase *TfrmQuery::database() const
{
    auto *module = dynamic_cast<TdmDbObjects *>(connection());
    return module ? &module->dbDb() : nullptr;
}

IObjectBrowserWindow *TfrmQuery::findBrowser() const
{
    if (!m_connection)
        return nullptr;
    const QString name = m_connection->ConnectionDisplayName();
    const QList<IChildWindow *> children = m_shell.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        auto *browser = dynamic_cast<IObjectBrowserWindow *>(*it);
        if (browser && browser->connection() && browser->connection()->ConnectionDisplayName() == name)
            return browser;
    }
    return nullptr;
}

void TfrmQuery::attachQueries(IConnection *connection)
{
    m_qryQuery->close();
    m_qryExplain->close();
    m_model->reset();
    const QString name = connection ? connection->uniqueDatabaseName() : QString();
    m_qryQuery->setDatabaseName(name);
    m_qryExplain->setDatabaseName(name);
}

void TfrmQuery::bindConnection(IConnection *connection)
{
    m_connection = connection;
    if (connection) {
        attachQueries(connection);
        setWindowTitle(QueryCaption(connection->ConnectionDisplayName()));
        fillConnectionList();
        m_tabQuery->setVisible(true);
        m_rtfSQL->setFocus();
    }
    m_bound = true;
    updateMenus();
    if (!m_lastStatementLoaded) {
        if (connection && m_shell.children().size() == 2) {
            PlainTextSqlEditor editor(m_rtfSQL);
            const QString last = ReadSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, connection->ConnectionName(),
                                                   QString::fromUtf8(Settings::ConnLastSqlStatementQuery.name),
                                                   editor.text());
            if (last != editor.text())
                editor.setText(last);
            editor.setModified(false);
            // Selected, so what the user types replaces it (and Undo brings it back).
            m_rtfSQL->selectAll();
        }
        m_lastStatementLoaded = true;
    }
    if (QMdiArea *area = mdiArea())
        connect(area, &QMdiArea::subWindowActivated, this, &TfrmQuery::subWindowActivated, Qt::UniqueConnection);
}

void TfrmQuery::fillConnectionList()
{
    if (!m_connection)
        return;
    QStringList names;
    for (IConnection *connection : browserConnections())
        names << connection->ConnectionDisplayName();
    const QSignalBlocker block(m_cboDatabaseAlias);
    SetComboItems(m_cboDatabaseAlias, names);
    m_cboDatabaseAlias->setCurrentIndex(int(names.indexOf(m_connection->ConnectionDisplayName())));
}

void TfrmQuery::cboDatabaseAliasChange()
{
    if (!m_bound || m_cboDatabaseAlias->currentIndex() < 0 || running())
        return;
    const QString chosen = m_cboDatabaseAlias->currentText();
    IConnection *found = nullptr;
    for (IConnection *connection : browserConnections()) {
        if (connection->ConnectionDisplayName() == chosen) {
            found = connection;
            break;
        }
    }
    if (found && found != m_connection) {
        m_connection = found;
        attachQueries(found);
        showSqlPage();
        m_shell.SetCurrentConnection(found);
    }
    if (m_connection)
        setWindowTitle(QueryCaption(m_connection->ConnectionDisplayName()));
    updateMenus();
}

bool TfrmQuery::explainEnabled() const
{
    IConnection *c = connection();
    return c && c->explain();
}

void TfrmQuery::setExplainEnabled(bool on)
{
    if (IConnection *c = connection())
        c->setExplain(on);
    updateMenus();
}

// ---- execution ----------------------------------------------------------------------

void TfrmQuery::setStatus(const QString &text) { m_statusBar->showMessage(text); }

RunPanelHooks TfrmQuery::runHooks()
{
    RunPanelHooks hooks;
    hooks.status = [this](const QString &text) { setStatus(text); };
    hooks.clearResult = [this] { m_model->setQuery(nullptr); };
    hooks.prepared = [this](const ExecPlan &) { setWindowTitle(QueryCaption(m_connection->ConnectionDisplayName())); };
    hooks.showResult = [this](bool rows) { showResult(rows); };
    hooks.runChanged = [this](const ExecPlan &plan, const ExecOutcome *outcome) {
        updateMenus();
        if (!outcome || !m_connection)
            return;
        refreshPlan();
        const bool failed = outcome->result == ExecResult::Failed || outcome->result == ExecResult::NoRows;
        setWindowTitle(QueryCaption(m_connection->ConnectionDisplayName(), !failed && m_chkLiveQuery->isChecked(),
                                    plan.firstLine));
    };
    hooks.refreshTree = [this] {
        if (IObjectBrowserWindow *browser = findBrowser())
            browser->refresh();
    };
    hooks.showExplain = [this] { ShowExplainFile(); };
    return hooks;
}

void TfrmQuery::ExecSQL()
{
    ExecOptions options;
    options.liveChecked = m_chkLiveQuery->isChecked();
    options.gridVisible = m_resultsToGrid;
    options.explain = explainEnabled();
    options.explainFile = connectionSetting(Settings::ConnSqexplnFile);
    options.context = QStringLiteral("TfrmQuery.ExecSQL");
    options.autoRefresh = m_autoRefresh;
    options.explainImmediate = m_showExplainImmediate;
    m_runPanel->execute(database(), options);
}

void TfrmQuery::stop() { m_runPanel->stop(); }

void TfrmQuery::waitForRun() { m_runPanel->wait(); }

void TfrmQuery::showResult(bool rows)
{
    if (rows) {
        m_model->setQuery(m_resultsToGrid ? m_qryQuery.get() : nullptr);
        m_model->reset();
        static_cast<TDbNavigator *>(m_dbnavResults)->updateButtons();
        m_tabQuery->setCurrentWidget(m_pageResults);
        if (m_resultsToGrid)
            m_gridResults->setFocus();
        else
            m_rtfResults->setFocus();
    } else {
        m_tabQuery->setCurrentWidget(m_pageSQL);
        m_rtfSQL->setFocus();
    }
}

void TfrmQuery::ShowExplainFile()
{
    ViewExplainOutput(explainEnabled(), connectionSetting(Settings::ConnSqexplnFile),
                      connectionSetting(Settings::ConnSqexplnViewer));
}

QString TfrmQuery::connectionSetting(const Settings::StringSetting &setting) const
{
    // Read when used: the Options dialog may have changed it since the binding.
    return m_connection ? Settings::readConnection(m_connection->ConnectionName(), setting) : QString();
}

bool TfrmQuery::resultOpen() const { return !running() && m_qryQuery->isOpen(); }

// ---- pages, templates, memorized queries ----------------------------------------------

void TfrmQuery::showSqlPage()
{
    m_tabQuery->setCurrentWidget(m_pageSQL);
    m_rtfSQL->setFocus();
    updateMenus();
}

void TfrmQuery::externalEdit()
{
    showSqlPage();
    PlainTextSqlEditor editor(m_rtfSQL);
    QString text = editor.text();
    QString error;
    if (ExternalEditText(text, m_editorProgram, &error))
        editor.setText(text);
    else if (!error.isEmpty())
        ShowErrorBox(error);
}

void TfrmQuery::pasteTemplate(const QString &kind)
{
    m_templateKind = kind;
    if (kind.isEmpty())
        return;
    showSqlPage();
    PlainTextSqlEditor editor(m_rtfSQL);
    const QString text = TemplateTextForPaste(kind, editor.text(), QDate::currentDate());
    if (text != editor.text())
        editor.setText(text);
    editor.setModified(false);
    editor.setCaret(0);
    m_rtfSQL->viewport()->update();
    m_chkLiveQuery->setChecked(false);
    m_rtfSQL->setFocus();
}

void TfrmQuery::saveAsDefaultTemplate(const QString &kind) { WriteTemplate(kind, PlainTextSqlEditor(m_rtfSQL).text()); }

void TfrmQuery::memorizeQuery()
{
    QString description;
    if (!Dialogs().inputBox(QStringLiteral("Add to Memorized Queries"), QStringLiteral("Description of Query:"),
                            description, this)
        || description.isEmpty())
        return;
    quodlin::MemorizeQuery(description, PlainTextSqlEditor(m_rtfSQL).text());
}

void TfrmQuery::pasteQuery()
{
    TfrmMemorizedQueries dialog(this);
    PlainTextSqlEditor editor(m_rtfSQL);
    if (dialog.exec() == QDialog::Accepted)
        editor.setText(dialog.chosenText());
    editor.setCaret(0);
    m_rtfSQL->viewport()->update();
    m_rtfSQL->setFocus();
}

// ---- window events ------------------------------------------------------------------

void TfrmQuery::activate()
{
    if (m_bound && connection())
        m_shell.SetCurrentConnection(m_connection);
    fillConnectionList();
    readSettings();
    QFont gridFont(Settings::read(Settings::QueryMonoFont) ? QStringLiteral("Courier New")
                                                            : QStringLiteral("MS Sans Serif"));
    m_gridResults->setFont(gridFont);
    if (m_gridResults->isVisibleTo(m_pageResults) != m_resultsToGrid) {
        applyResultsMode(m_resultsToGrid);
        if (!m_resultsToGrid && m_qryQuery->isOpen() && !running())
            QueryToRichEdit(m_shell, *m_qryQuery, m_rtfResults, nullptr);
    }
    updateMenus();
}

void TfrmQuery::subWindowActivated(QMdiSubWindow *window)
{
    if (window == this)
        activate();
}

void TfrmQuery::updateMenus()
{
    m_shell.UpdateMenus();
}

void TfrmQuery::pageChanged()
{
    updateMenus();
    refreshPlan();
}

void TfrmQuery::viewPlan()
{
    m_tabQuery->setCurrentWidget(m_pagePlan);
    m_pagePlan->view()->setFocus();
}

void TfrmQuery::refreshPlan()
{
    if (m_tabQuery->currentWidget() != m_pagePlan || running())
        return;
    const QString why = explainEnabled() ? QString()
                                         : tr("No plan to show: turn on Settings > Explain Query Enabled "
                                              "and execute the statement.");
    // Until the Options name a file, the embedded driver writes the default one.
    QString file = connectionSetting(Settings::ConnSqexplnFile);
    if (file.isEmpty() && m_connection)
        file = DefaultExplainFile(m_connection->loginUser());
    m_pagePlan->showExplainFile(file, why);
}

void TfrmQuery::showEvent(QShowEvent *event)
{
    QMdiSubWindow::showEvent(event);
    // Only the first show: shown again, the window keeps unsaved changes marked.
    if (!m_shown)
        PlainTextSqlEditor(m_rtfSQL).setModified(false);
    m_shown = true;
    updateMenus();
}

bool TfrmQuery::canClose()
{
    PlainTextSqlEditor editor(m_rtfSQL);
    if (!editor.modified())
        return true;
    const DialogAnswer answer = Dialogs().question(QStringLiteral("Confirm"), QStringLiteral("Query modified, save to file?"),
                                                   QuestionButtons::YesNoCancel, this);
    if (answer == DialogAnswer::No) {
        editor.setModified(false);
        return true;
    }
    if (answer != DialogAnswer::Yes)
        return false;
    // The SQL editor's own Save; cancelling the dialog backs out, and a
    // failed save keeps the window (and the text) open.
    const std::optional<QString> kept = RichEditFileSave(m_sqlFileName, editor, false, m_shell.statusSink());
    if (!kept)
        return false;
    m_sqlFileName = *kept;
    return !editor.modified();
}

void TfrmQuery::closeEvent(QCloseEvent *event)
{
    if (!canClose()) {
        event->ignore();
        return;
    }
    m_runPanel->abandon();
    const bool saveSettings = Settings::read(Settings::SaveSettingsOnExit);
    // Also while the browser closes this window on its way out.
    if (saveSettings && m_connection)
        Settings::writeConnection(m_connection->ConnectionName(), Settings::ConnLastSqlStatementQuery,
                                  PlainTextSqlEditor(m_rtfSQL).text());
    if (saveSettings && !isMinimized() && !isMaximized()) {
        Settings::write(Settings::QueryHeight, height());
        Settings::write(Settings::QueryWidth, width());
    }
    QMdiSubWindow::closeEvent(event);
}

void InstallQueryWindowFactory()
{
    SetQueryWindowFactory([](IShell &shell) -> IQueryWindow * {
        auto *window = new TfrmQuery(shell);
        shell.addChild(window);
        // Cascaded over the windows already open, inside the visible area.
        if (QMdiArea *area = window->mdiArea()) {
            const int step = TitleBarStep(window);
            window->setGeometry(NewWindowGeometry(area->viewport()->size(), window->size(),
                                                  int(shell.children().size()) - 1, QPoint(step, step)));
        }
        window->show();
        window->bindConnection(shell.CurrentConnection());
        return window;
    });
}

} // namespace quodlin
