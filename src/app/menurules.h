#pragma once
// Which main-window commands are available, as one pure function of a
// snapshot of the frame: the active child's kind, its visible detail page, its
// result and connection state, and how many children there are. The main
// window gathers the snapshot, calls ComputeMenuState and applies the outcome
// to its actions (the tool-bar buttons share them).
#include <QList>
#include <QString>

#include <array>
#include <cstddef>

namespace quodlin {

// One id per main-window command; the actions carry "mnu..." object names.
enum class Command {
    Connect, Disconnect, New, NewProc, NewView, NewTrigger, NewSynonym, Query,
    Execute, ExplainQuery, ViewPlan, Edit, ExternalEdit, Compile, Open, Save, SaveAs,
    SaveAsScript, SaveAsSqd, SaveAsCsv, SaveAsUnload, Print, PrintSetup, Exit,
    Cut, Copy, Paste, CompleteWord, PasteQuery, MemorizeQuery, QueryHistory, Refresh, RefreshData,
    Find, Replace, SearchAgain,
    LiveData, ExplainEnabled, ToolbarCaptions, ResetTemplates, Options,
    EditSchema, CompareSchema, BdeConfiguration, SetNet32, DatabaseDiagram,
    Cascade, Tile, ArrangeIcons, MinimizeAll, NextWindow, Previous, Back, QueryTab,
    About, FindError, Stop,
    Count_
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::Count_);

enum class ChildKind { None, Browser, QueryWindow, Other };

// A page control of a browser that is visible, the page it shows (object
// names such as "tabTable" / "pageTableData") and what that page offers,
// from the browser's page layout (browser/pagecommands.h fills it in).
struct VisiblePage {
    QString control;
    QString page;
    bool runsSql = false;        // an SQL panel that Execute runs
    bool refreshesData = false;  // an SQL panel or the data page: Refresh Data
    bool exportsData = false;    // the data page: Save as Script and SQD
    bool prints = false;         // a catalog grid, the data page or the DDL page
};

struct FrameSnapshot {
    int childCount = 0;
    ChildKind active = ChildKind::None;
    // Browser only: its visible detail page controls.
    QList<VisiblePage> visiblePages;
    // Browser: its result query is open; query window: its query is open.
    bool resultOpen = false;
    // The active child's connection exists and has the explain flag on.
    bool explainFlag = false;
    // Browser only: the selected tree node exists and has a parent.
    bool nodeHasParent = false;
    // Browser only: a node was selected before the current one.
    bool hasPreviousNode = false;
    // A statement of the active child runs on its connection.
    bool running = false;
};

class MenuState {
public:
    bool enabled(Command c) const { return m_enabled[index(c)]; }
    // Checked state; only Explain Query Enabled is governed by the rules.
    bool checked(Command c) const { return m_checked[index(c)]; }
    // Whether the rules decide the enabled / checked state of this command;
    // the others are never changed.
    bool governsEnabled(Command c) const { return m_governsEnabled[index(c)]; }
    bool governsChecked(Command c) const { return m_governsChecked[index(c)]; }

    void setEnabled(Command c, bool on) { m_enabled[index(c)] = on; m_governsEnabled[index(c)] = true; }
    void setChecked(Command c, bool on) { m_checked[index(c)] = on; m_governsChecked[index(c)] = true; }

private:
    static std::size_t index(Command c) { return static_cast<std::size_t>(c); }
    std::array<bool, kCommandCount> m_enabled{};
    std::array<bool, kCommandCount> m_checked{};
    std::array<bool, kCommandCount> m_governsEnabled{};
    std::array<bool, kCommandCount> m_governsChecked{};
};

// The availability rules, evaluated in order; later rules read earlier results.
MenuState ComputeMenuState(const FrameSnapshot &frame);

// Whether the browser shows the SQL page of one of its visible page controls.
bool BrowserSqlPageShown(const FrameSnapshot &frame);

} // namespace quodlin
