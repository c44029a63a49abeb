// The main window's commands: one QAction per command, created here from one
// table and shared by the menu bar and the tool bar.
#include "shell/mainform.h"

#include "app/settingdefs.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// The icons live in the static window library; its resources need a nudge.
static void initResources() { Q_INIT_RESOURCE(quodlin); }

namespace quodlin {
namespace {

struct CommandDef {
    Command command;
    const char *name;
    const char *caption;
    const char *shortcut;
    const char *hint;     // status-bar hint of the menu item
    bool startsDisabled;
    bool checkable;
};

// Menu items in menu order, per menu.
const CommandDef kFileMenu[] = {
    {Command::Connect, "mnuFileConnect", "&Connect", "Ctrl+O", "Connect to database", false, false},
    {Command::Disconnect, "mnuFileDisconnect", "&Disconnect", "", "Disconnect from database", true, false},
    {Command::Query, "mnuFileQuery", "&Query", "Ctrl+Q", "", true, false},
    {Command::Execute, "mnuFileExecute", "&Execute", "Ctrl+E", "", true, false},
    {Command::ExplainQuery, "mnuFileExplainQuery", "Explain Query", "F10", "", true, false},
    {Command::ViewPlan, "mnuFileViewPlan", "Sho&w Plan", "Ctrl+F10", "The last explained statement's plan as a picture",
     true, false},
    {Command::Stop, "mnuFileStop", "S&top", "", "Stop the running statement", true, false},
    {Command::Edit, "mnuFileEdit", "Ed&it", "Ctrl+D", "", true, false},
    {Command::ExternalEdit, "mnuFileExternalEdit", "Externa&l Edit", "Ctrl+W", "", true, false},
    {Command::Compile, "mnuFileCompile", "Co&mpile", "F9", "", true, false},
    {Command::Open, "mnuFileOpen", "&Open...", "Ctrl+L", "", true, false},
    {Command::Save, "mnuFileSave", "&Save", "F2", "", true, false},
    {Command::SaveAs, "mnuFileSaveAs", "Save &As...", "Ctrl+Shift+S", "", true, false},
    {Command::SaveAsScript, "mnuFileSaveAsScript", "Save as Sc&ript...", "Ctrl+G", "", true, false},
    {Command::SaveAsSqd, "mnuFileSaveAsSQD", "Save as SQD...", "", "", true, false},
    {Command::SaveAsCsv, "mnuFileSaveAsCSV", "Save as CSV...", "", "", true, false},
    {Command::SaveAsUnload, "mnuFileSaveAsUnload", "Save as UNLOAD...", "", "", true, false},
    {Command::Print, "mnuFilePrint", "&Print", "Ctrl+P", "", true, false},
    {Command::PrintSetup, "mnuFilePrintSetup", "Print Set&up...", "", "", false, false},
    {Command::Exit, "mnuFileExit", "E&xit", "", "Exit the application", false, false},
};
const CommandDef kNewMenu[] = {
    {Command::NewProc, "mnuFileNewProc", "St&ored Procedure", "", "", false, false},
    {Command::NewView, "mnuFileNewView", "&View", "", "", false, false},
    {Command::NewTrigger, "mnuFileNewTrigger", "&Trigger", "", "", false, false},
    {Command::NewSynonym, "mnuFileNewSynonym", "S&ynonym", "", "", false, false},
};
const CommandDef kEditMenu[] = {
    {Command::Cut, "mnuEditCut", "Cu&t", "", "Cut to clipboard", true, false},
    {Command::Copy, "mnuEditCopy", "&Copy", "", "Copy to clipboard", true, false},
    {Command::Paste, "mnuEditPaste", "&Paste", "", "Paste from clipboard", true, false},
    {Command::CompleteWord, "mnuEditCompleteWord", "Complete &Word", "Ctrl+Space",
     "Complete the word at the caret from the keywords and the catalog", true, false},
    {Command::PasteQuery, "mnuEditPasteQuery", "Paste &Query...", "F7", "", true, false},
    {Command::MemorizeQuery, "mnuEditMemorizeQuery", "&Memorize Query...", "F8", "", true, false},
    {Command::QueryHistory, "mnuEditQueryHistory", "Query &History...", "Ctrl+Shift+H",
     "Find a statement run before and open it again", false, false},
    {Command::Refresh, "mnuEditRefresh", "&Refresh", "F5", "", true, false},
    {Command::RefreshData, "mnuEditRefreshData", "Refresh &Data", "F6", "", true, false},
};
const CommandDef kSearchMenu[] = {
    {Command::Find, "mnuSearchFind", "&Find...", "Ctrl+F", "", true, false},
    {Command::Replace, "mnuSearchReplace", "&Replace...", "Ctrl+R", "", true, false},
    {Command::SearchAgain, "mnuSearchAgain", "&Search Again", "F3", "", true, false},
};
const CommandDef kSettingsMenu[] = {
    {Command::LiveData, "mnuSettingsLiveData", "&Live Data Enabled", "", "", false, true},
    {Command::ExplainEnabled, "mnuSettingsExplainQuery", "&Explain Query Enabled", "", "", false, true},
    {Command::ToolbarCaptions, "mnuSettingsToolbarCaptions", "Toolbar Captions", "", "", false, true},
    {Command::ResetTemplates, "mnuSettingsResetTemplates", "&Reset Templates", "", "", false, false},
    {Command::Options, "mnuSettingsOptions", "&Options...", "Ctrl+H", "", false, false},
};
const CommandDef kToolsMenu[] = {
    {Command::EditSchema, "mnuToolsEditSchema", "&Edit Schema", "", "", false, false},
    {Command::CompareSchema, "mnuToolsCompareSchema", "&Compare Schema...", "", "Compare two databases or schema files",
     false, false},
    {Command::BdeConfiguration, "mnuToolsBDEConfig", "&BDE Configuration", "", "", false, false},
    {Command::SetNet32, "mnuToolsSetNet32", "&Informix SetNet32", "", "", false, false},
    {Command::DatabaseDiagram, "mnuToolsDatabaseDiagram", "Database &Diagram", "",
     "The tables of the database and their foreign keys as a picture", true, false},
};
const CommandDef kWindowMenu[] = {
    {Command::Cascade, "mnuWindowCascade", "&Cascade", "", "Arrange windows to overlap", false, false},
    {Command::Tile, "mnuWindowTile", "&Tile", "", "Arrange windows without overlap", false, false},
    {Command::ArrangeIcons, "mnuWindowArrangeIcons", "&Arrange Icons", "",
     "Arrange window icons at bottom of main window", false, false},
    {Command::MinimizeAll, "mnuWindowMinimizeAll", "&Minimize All", "", "Minimize all windows", false, false},
    {Command::NextWindow, "mnuWindowNext", "&Next Window", "Ctrl+N", "Next window", true, false},
    {Command::Previous, "mnuWindowPrevious", "Previous", "", "", true, false},
    {Command::Back, "mnuWindowBack", "&Back", "Ctrl+B", "", true, false},
    {Command::QueryTab, "mnuWindowQueryTab", "&Query Tab", "F4", "", true, false},
};
const CommandDef kHelpMenu[] = {
    {Command::About, "mnuHelpAbout", "&About", "Ctrl+F1", "About the application", false, false},
    {Command::FindError, "mnuHelpFindError", "Informix Find Error", "F1", "", false, false},
};

// Tool-bar buttons in order; separator after the flagged ones.
struct ButtonDef {
    Command command;
    const char *name;
    const char *caption;
    const char *hint; // tool tip
    int image;
    bool separatorAfter;
};
const ButtonDef kButtons[] = {
    {Command::Connect, "tbtnConnect", "Connect", "Connect (Ctrl-O)", 0, false},
    {Command::Disconnect, "tbtnDisconnect", "Disconn", "Disconnect", 1, true},
    {Command::Open, "tbtnOpen", "Open", "Open (Ctrl-L)", 2, false},
    {Command::Save, "tbtnSave", "Save", "Save (F2)", 3, false},
    {Command::ExternalEdit, "tbtnExternalEdit", "Edit", "External Edit (Ctrl-W)", 4, false},
    {Command::Print, "tbtnPrint", "Print", "Print (Ctrl-P)", 5, true},
    {Command::Cut, "tbtnCut", "Cut", "Cut (Ctrl-X)", 6, false},
    {Command::Copy, "tbtnCopy", "Copy", "Copy (Ctrl-C)", 7, false},
    {Command::Paste, "tbtnPaste", "Paste", "Paste (Ctrl-V)", 8, true},
    {Command::Query, "tbtnQuery", "Query", "Query (Ctrl-Q)", 9, false},
    {Command::Execute, "tbtnExecute", "Execute", "Execute (Ctrl-E)", 10, false},
    {Command::Stop, "tbtnStop", "Stop", "Stop (Esc)", 16, false},
    {Command::Compile, "tbtnCompile", "Compile", "Compile (F9)", 11, true},
    {Command::Previous, "tbtnPrevious", "Previous", "Previous", 12, false},
    {Command::Back, "tbtnBack", "Back", "Back (Ctrl-B)", 13, false},
    {Command::NextWindow, "tbtnNextWindow", "Next", "Next Window (Ctrl-N)", 14, true},
    {Command::Options, "tbtnOptions", "Options", "Options (Ctrl-H)", 15, false},
};

// The image list, by index; each picture has a normal, a hot and a disabled look.
const char *const kImages[] = {
    "00-connect", "01-disconnect", "02-open", "03-save", "04-extedit", "05-print",
    "06-cut", "07-copy", "08-paste", "09-query", "10-execute", "11-compile",
    "12-previous", "13-back", "14-next", "15-options", "16-stop",
};

QIcon toolIcon(int image)
{
    const QString base = QStringLiteral(":/icons/") + QLatin1String(kImages[image]);
    QIcon icon;
    icon.addFile(base + QStringLiteral(".png"), {}, QIcon::Normal);
    icon.addFile(base + QStringLiteral("-hot.png"), {}, QIcon::Active);
    icon.addFile(base + QStringLiteral("-disabled.png"), {}, QIcon::Disabled);
    return icon;
}

template <std::size_t N>
void addItems(QMenu *menu, const CommandDef (&defs)[N], std::array<QAction *, kCommandCount> &actions,
              QObject *owner)
{
    for (const CommandDef &def : defs) {
        auto *action = new QAction(QString::fromUtf8(def.caption), owner);
        action->setObjectName(QLatin1String(def.name));
        if (*def.shortcut)
            action->setShortcut(QKeySequence(QLatin1String(def.shortcut)));
        action->setStatusTip(QString::fromUtf8(def.hint));
        action->setEnabled(!def.startsDisabled);
        action->setCheckable(def.checkable);
        menu->addAction(action);
        actions[static_cast<std::size_t>(def.command)] = action;
    }
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption, const QString &hint)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    menu->menuAction()->setStatusTip(hint);
    return menu;
}

} // namespace

void TMainForm::createActions()
{
    initResources();
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = addMenu(bar, "mnuFile", tr("&File"), QStringLiteral("File related commands"));
    addItems(file, kFileMenu, m_actions, this);
    // The New sub-menu stands after Disconnect.
    m_newMenu = new QMenu(QStringLiteral("&New"), file);
    m_newMenu->setObjectName(QStringLiteral("mnuFileNew"));
    m_newMenu->menuAction()->setObjectName(QStringLiteral("mnuFileNew"));
    m_newMenu->menuAction()->setEnabled(false);
    addItems(m_newMenu, kNewMenu, m_actions, this);
    m_actions[static_cast<std::size_t>(Command::New)] = m_newMenu->menuAction();
    file->insertMenu(action(Command::Query), m_newMenu);
    file->insertSeparator(action(Command::Query));
    file->insertSeparator(action(Command::Execute));
    file->insertSeparator(action(Command::Open));
    file->insertSeparator(action(Command::Print));
    file->insertSeparator(action(Command::Exit));

    QMenu *edit = addMenu(bar, "mnuEdit", tr("&Edit"), QStringLiteral("Edit related commands"));
    addItems(edit, kEditMenu, m_actions, this);
    edit->insertSeparator(action(Command::PasteQuery));
    edit->insertSeparator(action(Command::Refresh));

    QMenu *search = addMenu(bar, "mnuSearch", tr("&Search"), {});
    addItems(search, kSearchMenu, m_actions, this);

    QMenu *settings = addMenu(bar, "mnuSettings", tr("Se&ttings"), {});
    addItems(settings, kSettingsMenu, m_actions, this);
    settings->insertSeparator(action(Command::ResetTemplates));

    QMenu *tools = addMenu(bar, "mnuTools", tr("T&ools"), {});
    addItems(tools, kToolsMenu, m_actions, this);

    m_windowMenu = addMenu(bar, "mnuWindow", tr("&Window"), QStringLiteral("Window related commands"));
    addItems(m_windowMenu, kWindowMenu, m_actions, this);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::fillWindowMenu);

    QMenu *help = addMenu(bar, "mnuHelp", tr("&Help"), QStringLiteral("Help topics"));
    addItems(help, kHelpMenu, m_actions, this);

    for (const ButtonDef &b : kButtons) {
        QAction *a = action(b.command);
        a->setIcon(toolIcon(b.image));
        a->setIconText(QString::fromUtf8(b.caption));
        a->setToolTip(QString::fromUtf8(b.hint));
    }
}

void TMainForm::createToolBars()
{
    // The cool bar holds two bands, one above the other: the tool bar and the
    // connection combo.
    m_coolBar = new QToolBar(QStringLiteral("Cool Bar"), this);
    m_coolBar->setObjectName(QStringLiteral("cbrCoolBar"));
    m_coolBar->setMovable(false);
    m_coolBar->setFloatable(false);
    m_coolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_coolBar);

    auto *bands = new QWidget(m_coolBar);
    auto *bandLayout = new QVBoxLayout(bands);
    bandLayout->setContentsMargins(0, 0, 0, 0);
    bandLayout->setSpacing(0);

    m_toolBar = new QToolBar(QStringLiteral("Tool Bar"), bands);
    m_toolBar->setObjectName(QStringLiteral("tbrToolbar"));
    m_toolBar->setIconSize(QSize(24, 24));
    for (const ButtonDef &b : kButtons) {
        QAction *a = action(b.command);
        m_toolBar->addAction(a);
        QWidget *button = m_toolBar->widgetForAction(a);
        button->setObjectName(QLatin1String(b.name));
        button->installEventFilter(this);
        if (b.separatorAfter)
            m_toolBar->addSeparator();
    }
    bandLayout->addWidget(m_toolBar);

    auto *band = new QWidget(bands);
    band->setObjectName(QStringLiteral("bndDatabaseConnection"));
    auto *layout = new QHBoxLayout(band);
    layout->setContentsMargins(6, 2, 6, 4);
    auto *label = new QLabel(QStringLiteral("Database Connection"), band);
    m_cboDatabaseAlias = new QComboBox(band);
    m_cboDatabaseAlias->setObjectName(QStringLiteral("cboDatabaseAlias"));
    m_cboDatabaseAlias->setEditable(false);
    m_cboDatabaseAlias->setMinimumContentsLength(32);
    m_cboDatabaseAlias->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    label->setBuddy(m_cboDatabaseAlias);
    layout->addWidget(label);
    layout->addWidget(m_cboDatabaseAlias);
    layout->addStretch(1);
    bandLayout->addWidget(band);

    m_coolBar->addWidget(bands);
}

} // namespace quodlin
