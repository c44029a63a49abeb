#pragma once
// The object browser: the child window of one open connection. It owns the
// connection's catalog module, shows the catalog as a tree (tvwTree) and the
// selected node's details in one of six page controls, carries the SQL panel
// that moves into the visible page set's SQL page, and answers the main
// window's browser commands. The tree, page sets, definition texts and
// navigation rules are core code (src/browser); this class gathers the
// widgets' state, calls them and shows the outcome.
//
// Compile, Drop, the definition editors' leave check and running the SQL
// panel belong to the SQL workspace, which installs them as BrowserHooks.
#include "app/childwindows.h"
#include "browser/navigation.h"
#include "browser/objecttree.h"

#include <QMdiSubWindow>

#include <functional>
#include <map>
#include <memory>

class QAction;
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
    // Runs the SQL panel's statement (Execute while the SQL page shows).
    std::function<void(TfrmDbObjects &)> executeSql;
};
void SetBrowserHooks(BrowserHooks hooks);
const BrowserHooks &browserHooks();

class TfrmDbObjects : public QMdiSubWindow, public IObjectBrowserWindow {
    Q_OBJECT
public:
    explicit TfrmDbObjects(QWidget *parent = nullptr);
    ~TfrmDbObjects() override;

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
    void execute() override;
    void edit() override {}
    void externalEdit() override {}
    void openFile() override {}
    void save() override {}
    void saveAs() override {}
    void saveAsScript() override {}
    void saveAsSqd() override {}
    void print() override {}
    void explainQuery() override;
    void refreshData() override { reloadDataPage(); }
    void pasteQuery() override {}
    void memorizeQuery() override {}
    void find() override {}
    void replace() override {}
    void searchAgain() override {}
    void activate() override;
    bool canClose() override;

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
    void loadProc(const TNodeInfo &info);
    void loadTrigger(const TNodeInfo &info);
    void loadSynonym(const TNodeInfo &info);
    void fillEditBoxes(const QString &pageSet);
    void updateGotoButtons(const QString &pageSet);
    void gotoButtonClick(const GotoButton &button);
    void openDataPageIfShown();
    void tabTableChange();
    void rememberTablePage(int kind);
    void setStatus(const QString &text);
    void updateMenus();

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
};

} // namespace quodlin
