#pragma once
// TfrmQuery, the query window: SQL written against one open connection, run
// off the user-interface thread, results in a grid or as text. It can be
// re-bound to any other open connection through its connection list. It
// reaches the frame only through the shell it is given.
#include "app/childwindows.h"
#include "app/shell.h"
#include "app/ui/editorhost.h"
#include "workspace/ui/runpanel.h"

#include <QMdiSubWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolBar;
class QWidget;

namespace quodlin {

namespace Settings {
struct StringSetting;
}
class DbDatabase;
class DbQuery;
class DbQueryModel;
class QueryPlanPage;

class TfrmQuery : public QMdiSubWindow, public IQueryWindow, public IEditorHost {
    Q_OBJECT
public:
    explicit TfrmQuery(IShell &shell, QWidget *parent = nullptr);
    ~TfrmQuery() override;

    // Binds to a connection (none leaves the window unbound).
    void bindConnection(IConnection *connection);
    // The connection list's choice of another connection.
    void cboDatabaseAliasChange();
    void fillConnectionList();

    void ExecSQL();
    void ShowExplainFile();
    void showSqlPage();
    bool explainEnabled() const;
    void setExplainEnabled(bool on);
    void saveAsDefaultTemplate(const QString &kind);

    // Blocks until a running statement ends and its outcome is shown (tests).
    void waitForRun();
    DbQuery &query() const { return *m_qryQuery; }
    QPlainTextEdit *sqlEditor() const { return m_rtfSQL; }

    // IQueryWindow / IChildWindow
    void pasteTemplate(const QString &kind) override;
    bool boundTo(const IConnection *c) const override { return c && c == m_connection; }
    IConnection *connection() const override;
    bool resultOpen() const override;
    bool running() const override { return m_runPanel->running(); }
    void stop() override;
    void execute() override { ExecSQL(); }
    void edit() override { showSqlPage(); }
    void externalEdit() override;
    // Files, printing and the active editor (queryform_output.cpp).
    void openFile() override;
    void save() override { saveEditor(false); }
    void saveAs() override { saveEditor(true); }
    void saveAsScript() override;
    void saveAsSqd() override;
    void saveAsCsv() override;
    void saveAsUnload() override;
    void print() override;
    QPlainTextEdit *activeEditor() const override;
    QString sqlFileName() const { return m_sqlFileName; }
    void explainQuery() override { ShowExplainFile(); }
    void viewPlan() override;
    void refreshData() override { ExecSQL(); }
    // The Memorized Queries dialog; the chosen text replaces the SQL.
    void pasteQuery() override;
    // Asks for a description and memorizes the SQL under it.
    void memorizeQuery() override;
    void activate() override;
    bool canClose() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildWidgets();
    void buildMenus();
    QWidget *buildNavigator();
    void readSettings();
    void applyResultsMode(bool toGrid);
    void attachQueries(IConnection *connection);
    IObjectBrowserWindow *findBrowser() const;
    // The open browsers' connections, in the frame's order (the back one first).
    QList<IConnection *> browserConnections() const;
    // The SQD key line's source: the catalog module of the bound connection.
    std::function<QStringList(const QString &table)> keyColumns() const;
    DbDatabase *database() const;
    // A per-connection setting of the bound connection, as stored now.
    QString connectionSetting(const Settings::StringSetting &setting) const;
    void setStatus(const QString &text);
    RunPanelHooks runHooks();
    // After a run: the results page with the grid or text, else the SQL page.
    void showResult(bool rows);
    void pageChanged();
    // The Plan page from the explain file, when it shows.
    void refreshPlan();
    void subWindowActivated(QMdiSubWindow *window);
    void updateMenus();
    // Save or Save As of the SQL editor, or of the results on the results
    // page; nothing when cancelled.
    std::optional<QString> saveEditor(bool as);

    IShell &m_shell;
    // The queries outlive the runner's worker (declared before it).
    std::unique_ptr<DbQuery> m_qryQuery;
    std::unique_ptr<DbQuery> m_qryExplain;
    DbQueryModel *m_model = nullptr;

    QWidget *m_pnlToolbar = nullptr;
    QLabel *m_label1 = nullptr;
    QComboBox *m_cboDatabaseAlias = nullptr;
    QTabWidget *m_tabQuery = nullptr;
    QWidget *m_pageSQL = nullptr;
    QWidget *m_pageResults = nullptr;
    QueryPlanPage *m_pagePlan = nullptr;
    QPlainTextEdit *m_rtfSQL = nullptr;
    QCheckBox *m_chkLiveQuery = nullptr;
    QWidget *m_dbnavResults = nullptr;
    QTableView *m_gridResults = nullptr;
    QPlainTextEdit *m_rtfResults = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QMenu *m_popupEdit = nullptr;
    QMenu *m_popupResults = nullptr;

    IConnection *m_connection = nullptr;
    bool m_bound = false;
    bool m_lastStatementLoaded = false;
    bool m_shown = false;
    QString m_editorProgram;
    bool m_showExplainImmediate = false;
    bool m_autoRefresh = true;
    bool m_resultsToGrid = false;
    QString m_templateKind;
    QString m_sqlFileName;
    QString m_resultsFileName;

    // Declared last: its run ends before the queries and widgets it uses go.
    std::unique_ptr<RunPanel> m_runPanel;
};

// Installs the factory through which the main window opens query windows.
void InstallQueryWindowFactory();

} // namespace quodlin
