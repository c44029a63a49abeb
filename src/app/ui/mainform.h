#pragma once
// The program's multiple-document frame: menus, tool bar, connection combo and
// status bar, the connect sequences, and the routing of every command to the
// active child window (an object browser or a query window). Which commands
// are available comes from ComputeMenuState (app/menurules.h); the children
// implement the commands behind the interfaces of app/childwindows.h.
#include "app/childwindows.h"
#include "app/menurules.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QTableView;
class QToolBar;

namespace quodlin {

class DbQuery;
enum class ExportFormat;
class TFindDialog;
class TMainForm;

// Creates a new query window in the frame, bound to the frame's CurrentConnection.
using QueryWindowFactory = std::function<IQueryWindow *(TMainForm &)>;
void SetQueryWindowFactory(QueryWindowFactory factory);
// The installed factory; empty when none is installed (Query then does nothing).
QueryWindowFactory &queryWindowFactory();

// The one main window, or null before it exists and after it is gone.
TMainForm *MainForm();

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Recomputes which commands are available and rebuilds the connection
    // combo. Runs whenever the active child changes; children call it after a
    // change of page, result state or connection.
    void UpdateMenus();
    // The connection new query windows and the Options dialog use (may be null).
    IConnection *CurrentConnection() const;
    void SetCurrentConnection(IConnection *value);
    bool ConnectDatabase(const QString &alias, const QString &directName, const QString &user,
                         const QString &paramsText);

    // The single status panel; an empty text clears it. Long operations write
    // their text, let pending events run once so it paints, and clear it after.
    void setStatusText(const QString &text);
    QString statusText() const;

    QMdiArea *mdiArea() const { return m_mdiArea; }
    // The child windows in the frame's order (the front one first).
    QList<QMdiSubWindow *> childWindows() const;
    static IChildWindow *childOf(QMdiSubWindow *window);
    IChildWindow *activeChild() const;

    QAction *action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    bool liveDataEnabled() const;
    bool explainQueryEnabled() const;
    // Set by Find and Replace, read by Search Again.
    bool lastSearchWasReplace() const { return m_lastSearchWasReplace; }
    void setLastSearchWasReplace(bool on) { m_lastSearchWasReplace = on; }
    bool shown() const { return m_shown; }
    QString schemaEditorPath() const { return m_schemaEditorPath; }
    QString databaseToolPath() const { return m_databaseToolPath; }

    // The printer that Print Setup configures and printing uses.
    QPrinter &printer();

    // The show sequence; runs once, after the window first appears.
    void FormShow();

    // Output shared by every child (mainform_output.cpp). The grid, when
    // given, does not repaint while the rows are walked.
    void QueryToRichEdit(DbQuery &dataSet, QPlainTextEdit *richEdit, QTableView *grid);
    // The print dialog, then the title, a blank line and the editors' lines
    // (absent entries skipped, a blank line between). False when cancelled;
    // raises when the printer cannot be written.
    bool PrintRichEdits(const QString &title, const QList<QPlainTextEdit *> &editors);
    // Prints an SQL editor with a result pane, rendering a hidden pane's rows
    // first and clearing it again after. False when cancelled.
    bool PrintQuery(DbQuery *dataSet, QPlainTextEdit *sqlEditor, QPlainTextEdit *pane, QTableView *grid,
                    const QString &title);
    // The result exports (mainform_export.cpp): the save dialog, the writer,
    // the status texts; a failure is reported and the old file stays.
    void QueryToScriptFile(DbQuery &dataSet, QTableView *grid);
    void QueryToSQDFile(DbQuery &dataSet, QTableView *grid);
    void QueryToFile(ExportFormat format, DbQuery &dataSet, QTableView *grid);
    // A status text that paints at once, for the core's file operations.
    std::function<void(const QString &)> statusSink();

    // Find and replace over the active child's active editor.
    void mnuSearchFindClick();
    void mnuSearchReplaceClick();
    void mnuSearchAgainClick();
    void FindDialogFind(TFindDialog *sender);
    TFindDialog *findDialog();
    TFindDialog *replaceDialog();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createPrintPreviewAction();
    void mnuFilePrintPreviewClick();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void FormResize();
    FrameSnapshot gatherSnapshot() const;
    void applyToolbarCaptions(bool on);
    void rebuildConnectionCombo();
    void cboDatabaseAliasChange();
    void fillWindowMenu();
    template <class Child> Child *activeAs() const { return dynamic_cast<Child *>(activeChild()); }
    QPlainTextEdit *activeEditor() const;

    // Command handlers.
    void mnuFileConnectClick();
    void mnuFileDisconnectClick();
    void mnuFileQueryClick();
    void newFromTemplate(const QString &kind);
    void mnuFilePrintClick();
    void mnuFilePrintSetupClick();
    void editorCommand(Command command);
    void mnuSettingsLiveDataClick();
    void mnuSettingsExplainQueryClick();
    void mnuSettingsToolbarCaptionsClick();
    void mnuSettingsResetTemplatesClick();
    void mnuSettingsOptionsClick();
    void mnuToolsEditSchemaClick();
    void mnuToolsBDEConfigClick();
    void mnuToolsSetNet32Click();
    void mnuWindowMinimizeAllClick();
    void mnuWindowNextClick();
    void mnuWindowCascadeClick();
    void mnuWindowArrangeIconsClick();
    void mnuHelpAboutClick();
    void mnuHelpFindErrorClick();
    void routeToChild(void (IChildWindow::*operation)());
    void routeToBrowser(void (IObjectBrowserWindow::*operation)());

    QMdiArea *m_mdiArea = nullptr;
    QToolBar *m_coolBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    QComboBox *m_cboDatabaseAlias = nullptr;
    QMenu *m_windowMenu = nullptr;
    QMenu *m_newMenu = nullptr;
    std::array<QAction *, kCommandCount> m_actions{};

    bool m_shown = false;
    bool m_showStarted = false;
    bool m_lastSearchWasReplace = false;
    // Set while Print Preview runs the active child's print.
    bool m_printPreview = false;
    IConnection *m_currentConnection = nullptr;
    // The child that owns the current connection, so a connection whose window
    // is gone is never handed out.
    QPointer<QMdiSubWindow> m_currentOwner;
    bool m_currentOwnerKnown = false;
    std::unique_ptr<QPrinter> m_printer;
    TFindDialog *m_findDialog = nullptr;
    TFindDialog *m_replaceDialog = nullptr;
    QString m_schemaEditorPath;
    QString m_databaseToolPath;
};

} // namespace quodlin
