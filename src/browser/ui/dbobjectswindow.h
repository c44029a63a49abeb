#pragma once
// The object browser: the child window of one open connection. It owns the
// connection's catalog module, shows the catalog as a tree (tvwTree) and the
// selected node's details in one of six page controls, carries the SQL panel
// that moves into the visible page set's SQL page, and answers the main
// window's browser commands. The tree, page sets, definition texts and
// navigation rules are core code (src/browser); this class gathers the
// widgets' state, calls them and shows the outcome.
//
// Compile, Drop, the definition editors' leave check, refresh and running
// the SQL panel belong to the SQL workspace, which installs them as
// BrowserHooks. While any window runs a statement on this connection the
// tree and the detail pages are held (they would read the catalog on it).
// It reaches the frame only through the shell it is given.
#include "app/childwindows.h"
#include "app/shell.h"
#include "app/ui/editorhost.h"
#include "browser/navigation.h"
#include "browser/objecttree.h"
#include "workspace/ui/runpanel.h"

#include <QMdiSubWindow>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace quodlin {

class DbQuery;
enum class ExportFormat;
class GraphPictureView;
class DbQueryModel;
struct GotoButton;
struct PageDesc;
class TDbNavigator;
class TdmDbObjects;
class TObjectListView;
class TfrmDbObjects;

// What the SQL workspace plugs into every browser. Unset hooks leave their
// menu items disabled (Compile, Drop) or do nothing (Execute); an unset leave
// check allows leaving.
struct BrowserHooks {
    std::function<void(TfrmDbObjects &, const TNodeInfo &)> compile;
    std::function<void(TfrmDbObjects &, const TNodeInfo &)> drop;
    // Before the selection leaves a node of `kind` and before closing (once per
    // kind): may ask about a modified editor; false refuses.
    std::function<bool(TfrmDbObjects &, int kind)> leaveCheck;
    // Opens a query window on the browser's connection holding `text`.
    std::function<void(TfrmDbObjects &, const QString &text)> openQueryText;
    // The close request's leave checks; false keeps the window open. Unset:
    // leaveCheck for every kind.
    std::function<bool(TfrmDbObjects &)> closeCheck;
    // Refresh(prompt): unset reloads the tree at once.
    std::function<void(TfrmDbObjects &, bool prompt)> refresh;
    // Dresses each SQL and definition editor (syntax colouring, completion) once, at creation.
    std::function<void(TfrmDbObjects &, QPlainTextEdit *)> decorateEditor;
};
void SetBrowserHooks(BrowserHooks hooks);
const BrowserHooks &browserHooks();

class TfrmDbObjects : public QMdiSubWindow, public IObjectBrowserWindow, public IEditorHost {
    Q_OBJECT
public:
    explicit TfrmDbObjects(IShell &shell, QWidget *parent = nullptr);
    ~TfrmDbObjects() override;

    IShell &shell() const { return m_shell; }

    TdmDbObjects &module() const { return *m_module; }
    QString connectionName() const { return m_connectionName; }
    bool connected() const { return m_connected; }
    bool ready() const;
    // The shown node's rebuilt view, procedure or trigger text; empty otherwise.
    QString definitionText() const { return m_definitionText; }
    // The selected node's record; null when none.
    const TNodeInfo *currentNode() const;
    const ObjectTree &tree() const { return m_tree; }
    DbQuery &qryQuery() const { return *m_qryQuery; }
    DbQuery &qryTableData() const { return *m_qryTableData; }
    QPlainTextEdit *rtfSQL() const { return m_rtfSQL; }
    // Set by a refresh request while another child was active; activation runs it.
    void setRefreshPending(bool on) { m_refreshPending = on; }
    bool refreshPending() const { return m_refreshPending; }
    // Reloads the tree selecting the node of that caption again; failures are reported.
    void reloadTree(const QString &caption);
    // Selects the node before the current one among its siblings, if any.
    void selectPreviousSibling();
    // The table page and view page to show next, from tabTable's active page.
    void rememberTablePage(int kind);
    bool isActiveChild() const;

    // Runs the SQL panel's text.
    RunPanel &runPanel() { return *m_runPanel; }
    DbQuery &qryExplain() const { return *m_qryExplain; }
    QPlainTextEdit *rtfResults() const { return m_rtfResults; }
    // The first shown page control in the order list, table, synonym,
    // procedure, trigger, other; null when none shows.
    QTabWidget *shownPageSet(QString *name = nullptr) const;
    // Brings the shown page set's SQL page to front.
    void showSqlPage();
    // The Edit command: brings the object's definition page (or the SQL page)
    // to front and focuses its editor, which it returns. A table's DDL opens
    // in a query window instead (null returned).
    QPlainTextEdit *editTarget();
    // A table's schema as DDL (the schema writer for that table); the error
    // report is shown and an empty text returned on failure.
    QString tableDdl(const TNodeInfo &table);
    // Copy DDL of the tree and list menus: the table's DDL to the clipboard.
    void copyDdl(int node);
    // The whole database's diagram in a window of its own (dbobjectsdiagram.cpp).
    void databaseDiagram() override;

    // Selects the first node labelled `caption` (tree order) or the given node;
    // nothing happens when none matches.
    void gotoNode(const QString &caption);
    void gotoNode(int node);
    // 0 large icons, 1 small icons, 2 list, 3 details.
    void setListViewStyle(int style);

    // IObjectBrowserWindow
    void connectDatabase(const QString &alias, const QString &directName, const QString &user,
                         const QString &paramsText) override;
    void refresh() override;
    void back() override;
    void previous() override;
    void queryTab() override;
    void reloadDataPage() override;
    QList<VisiblePage> visiblePages() const override;
    bool nodeHasParent() const override;
    bool hasPreviousNode() const override;

    // IChildWindow
    IConnection *connection() const override;
    bool resultOpen() const override;
    // A statement runs on this connection, from the SQL panel or a query window.
    bool running() const override;
    void stop() override;
    void execute() override;
    void edit() override { editTarget(); }
    void externalEdit() override;
    void openFile() override;
    void save() override { saveEditor(false, false); }
    void saveAs() override { saveEditor(true, false); }
    void saveAsScript() override;
    void saveAsSqd() override;
    void saveAsCsv() override;
    void saveAsUnload() override;
    void print() override;
    void explainQuery() override;
    void refreshData() override { reloadDataPage(); }
    void pasteQuery() override {}
    void memorizeQuery() override {}
    void activate() override;
    bool canClose() override;
    // IEditorHost
    QPlainTextEdit *activeEditor() const override;
    // The file an editor was last opened from or saved to ("rtfSQL", ...).
    QString fileName(const QString &editor) const;
    // Saves the named editor to its file (Save As when it has none), as the
    // leave checks' Yes does; false when cancelled or failed.
    bool saveEditorFile(const QString &editor);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct PageSetWidgets {
        QTabWidget *tab = nullptr;
        int sqlPage = -1;
    };

    // Layout and the page sets (dbobjectspages.cpp).
    void createLayout();
    void createSqlPanel();
    void createPageSets();
    QWidget *createPage(const PageDesc &page);
    void applyResultsDisplay(bool toGrid);

    // Window life.
    void FormCreate();
    void FormDestroy();
    // The query windows bound to this browser's connection.
    QList<QMdiSubWindow *> boundQueryWindows() const;
    void subWindowActivated(QMdiSubWindow *window);
    void readActivationSettings();

    // Tree.
    void loadTree(const QString &reselectCaption);
    void fillTreeWidget();
    QTreeWidgetItem *itemOf(int node) const;
    int nodeOf(const QTreeWidgetItem *item) const;
    void tvwTreeCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    bool tvwTreeChanging();
    void tvwTreeChange(int node);
    void tvwTreeDblClick();
    void popupTreePopup();
    void keyStepPage(bool forward);
    void listActivated(bool expand);

    // Detail pages (dbobjectspages.cpp).
    void showPageSet(const QString &name);
    void showList(int node);
    void loadTableView(const TNodeInfo &info);
    // Any other kind: its page set, edit boxes, Go buttons and definition text.
    void loadObjectPages(const TNodeInfo &info);
    void fillEditBoxes(const QString &pageSet);
    void updateGotoButtons(const QString &pageSet);
    void gotoButtonClick(const GotoButton &button);
    void openDataPageIfShown();
    void tabTableChange();
    void connectionBusyChanged(bool busy);
    void showTableDdlIfShown();
    // The Diagram page: built once, drawn when shown for the table (dbobjectsdiagram.cpp).
    void createDiagramPage(QWidget *page, const QString &viewName);
    void showTableDiagramIfShown();
    bool printTableDiagram(const QString &title);
    RunPanelHooks runHooks();
    // Attaches the result query to the grid (grid mode) once a run has ended.
    void showResultGrid(bool attach);
    // After a run of the SQL panel: the SQL page in front, the grid attached
    // and focused, or the result text, or the SQL editor.
    void showSqlResult(bool rows);
    void setStatus(const QString &text);
    void updateMenus();

    // Files, printing and the editors' pop-up menus (dbobjectsoutput.cpp).
    void createOutputMenus();
    // The data page's rows or the SQL panel's result, written by the main window.
    void exportResults(ExportFormat format);
    QPlainTextEdit *editorNamed(const QString &name) const;
    // Save or Save As through the File menu rules, or of the result pane as
    // it is (its own pop-up menu); nothing when cancelled.
    std::optional<QString> saveEditor(bool as, bool resultPaneAsIs);

    IShell &m_shell;
    std::unique_ptr<TdmDbObjects> m_module;
    ObjectTree m_tree;
    std::vector<QTreeWidgetItem *> m_items;  // by node index
    NavigationHistory m_history;
    QString m_connectionName;
    int m_listedNode = -1;
    bool m_connected = false;
    bool m_refreshPending = false;
    bool m_revertingSelection = false;
    int m_rememberedTablePage = 1;
    int m_rememberedViewPage = 2;
    QString m_definitionText;
    QString m_explainFile;
    QString m_explainViewer;
    QString m_editor;
    OwnerDisplay m_ownerDisplay;
    bool m_editOnDblClick = false;
    bool m_editExplainImmediate = false;
    bool m_autoRefresh = true;
    bool m_resultsToGrid = false;
    bool m_destroying = false;
    bool m_shown = false;
    bool m_ddlLoaded = false;  // the DDL page holds the shown table's text
    bool m_diagramLoaded = false;  // the Diagram page shows the shown table
    GraphPictureView *m_diagramView = nullptr;
    QComboBox *m_diagramDepth = nullptr;
    QDialog *m_databaseDiagram = nullptr;
    QString m_tableDataFailure;  // why the shown table's data page has no statement

    QSplitter *m_splitterExplorer = nullptr;
    QTreeWidget *m_tvwTree = nullptr;
    QWidget *m_pnlDetails = nullptr;
    QStatusBar *m_sbrListCaption = nullptr;
    std::map<QString, PageSetWidgets> m_pageSets;
    TObjectListView *m_lvwList = nullptr;
    QMenu *m_popupTree = nullptr;
    QMenu *m_popupList = nullptr;
    QList<QAction *> m_listStyleActions;

    QWidget *m_pnlSQL = nullptr;
    QSplitter *m_splitterSQL = nullptr;
    QPlainTextEdit *m_rtfSQL = nullptr;
    QPlainTextEdit *m_rtfResults = nullptr;
    QWidget *m_pnlResultsGrid = nullptr;
    QTableView *m_gridResults = nullptr;
    TDbNavigator *m_dbnavResults = nullptr;
    std::unique_ptr<DbQuery> m_qryQuery;
    std::unique_ptr<DbQuery> m_qryTableData;
    std::unique_ptr<DbQuery> m_qryExplain;
    DbQueryModel *m_dsQuery = nullptr;
    DbQueryModel *m_dsTableData = nullptr;
    std::map<QString, DbQueryModel *> m_gridModels;  // by grid name
    // The hidden pane catalog lists are rendered into for printing.
    QPlainTextEdit *m_rtfWork = nullptr;
    QMenu *m_popupEdit = nullptr;
    QMenu *m_popupResults = nullptr;
    std::map<QString, QString> m_fileNames;  // by editor name
    // Declared last: stopped and waited for before the queries it uses go.
    std::unique_ptr<RunPanel> m_runPanel;
};

} // namespace quodlin
