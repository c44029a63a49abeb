#pragma once
// The program's multiple-document frame: menus, tool bar, connection combo and
// status bar, the connect sequences, and the routing of every command to the
// active child window (an object browser or a query window). Which commands
// are available comes from ComputeMenuState (app/menurules.h); the children
// implement the commands behind the interfaces of app/childwindows.h and
// reach the frame through app/shell.h.
#include "app/childwindows.h"
#include "app/menurules.h"
#include "app/shell.h"

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
class QToolBar;

namespace quodlin {

class TFindDialog;
class TfrmCompareSchema;
class TMainForm;

// The one main window, or null before it exists and after it is gone.
TMainForm *MainForm();

class TMainForm : public QMainWindow, public IShell {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Recomputes which commands are available and rebuilds the connection
    // combo. Runs whenever the active child changes; children call it after a
    // change of page, result state or connection.
    void UpdateMenus() override;
    void updateMenusLater() override;
    IConnection *CurrentConnection() const override;
    void SetCurrentConnection(IConnection *value) override;
    bool ConnectDatabase(const QString &alias, const QString &directName, const QString &user,
                         const QString &paramsText);

    // The single status panel; an empty text clears it. Long operations write
    // their text, let pending events run once so it paints, and clear it after.
    void setStatusText(const QString &text) override;
    void paintStatusText(const QString &text) override;
    QString statusText() const;

    QMdiArea *mdiArea() const { return m_mdiArea; }
    // The child windows in the frame's order (the front one first).
    QList<QMdiSubWindow *> childWindows() const;
    static IChildWindow *childOf(QMdiSubWindow *window);
    IChildWindow *activeChild() const;
    QList<IChildWindow *> children() const override;
    void addChild(QMdiSubWindow *window) override;
    IQueryWindow *openQueryWindow() override;
    void triggerCommand(Command command) override;

    QAction *action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    bool liveDataEnabled() const override;
    bool explainQueryEnabled() const override;
    bool shown() const { return m_shown; }

    QPrinter &printer() override;
    bool printPreviewing() const override { return m_printPreview; }

    // The show sequence; runs once, after the window first appears.
    void FormShow();

    // Find and replace over the active child's active editor.
    void mnuEditQueryHistoryClick();
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
    void createToolBars();
    void createPrintPreviewAction();
    void mnuFilePrintPreviewClick();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void deleteChildren();
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
    void mnuToolsCompareSchemaClick();
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
    // Set by Find and Replace, read by Search Again.
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
    QPointer<TfrmCompareSchema> m_compareSchema;
    QString m_schemaEditorPath;
    QString m_databaseToolPath;
};

} // namespace quodlin
