// The command availability rules, row by row, and the text of the general
// failure message.
#include "app/dialogs.h"
#include "app/failure.h"
#include "app/menurules.h"
#include "app/programinfo.h"
#include "browser/pagecommands.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "recordingdialogs.h"

// Readable failure output for texts and text lists.
static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

// Every command the rules decide, in the table's order.
const Command kGoverned[] = {
    Command::Connect, Command::Disconnect, Command::Query, Command::New, Command::Cascade,
    Command::Tile, Command::ArrangeIcons, Command::MinimizeAll, Command::Refresh, Command::Compile,
    Command::Execute, Command::PasteQuery, Command::MemorizeQuery, Command::Cut, Command::Copy,
    Command::Paste, Command::CompleteWord, Command::ExplainQuery, Command::SaveAsScript, Command::SaveAsSqd,
    Command::SaveAsCsv, Command::SaveAsUnload, Command::RefreshData, Command::Edit, Command::ExternalEdit, Command::Open, Command::Save,
    Command::SaveAs, Command::Print, Command::Find, Command::Replace, Command::SearchAgain,
    Command::Previous, Command::Back, Command::NextWindow, Command::QueryTab,
};

using Set = std::set<Command>;
const Set kAnyChild = {Command::Connect, Command::Disconnect, Command::Query, Command::New,
                       Command::Cascade, Command::Tile, Command::ArrangeIcons, Command::MinimizeAll};
// Everything that follows from Execute being available.
const Set kEditing = {Command::Execute, Command::PasteQuery, Command::MemorizeQuery, Command::Cut,
                      Command::Copy, Command::Paste, Command::CompleteWord, Command::Edit, Command::ExternalEdit, Command::Open,
                      Command::Save, Command::SaveAs, Command::Print, Command::Find, Command::Replace,
                      Command::SearchAgain};
const Set kExport = {Command::SaveAsScript, Command::SaveAsSqd, Command::SaveAsCsv, Command::SaveAsUnload, Command::Save, Command::SaveAs,
                     Command::Print};

Set operator+(Set a, const Set &b)
{
    a.insert(b.begin(), b.end());
    return a;
}

Set operator-(Set a, const Set &b)
{
    for (Command c : b)
        a.erase(c);
    return a;
}

struct Row {
    const char *name;
    FrameSnapshot frame;
    Set enabled;
    bool explainChecked;
};

// Pages as the browser describes them from its layout.
FrameSnapshot browser(int n, const QList<std::pair<const char *, const char *>> &pages = {})
{
    FrameSnapshot f;
    f.childCount = n;
    f.active = ChildKind::Browser;
    for (const auto &[control, page] : pages)
        f.visiblePages << DescribeVisiblePage(QLatin1String(control), QLatin1String(page));
    return f;
}

FrameSnapshot queryWindow(int n, bool open = false, bool explain = false)
{
    FrameSnapshot f;
    f.childCount = n;
    f.active = ChildKind::QueryWindow;
    f.resultOpen = open;
    f.explainFlag = explain;
    return f;
}

FrameSnapshot with(FrameSnapshot f, void (*change)(FrameSnapshot &))
{
    change(f);
    return f;
}

const Set kBrowserBase = kAnyChild + Set{Command::Refresh, Command::QueryTab};

const Row kRows[] = {
    {"NoChild", {}, {Command::Connect}, false},
    {"OtherChildActive", with({}, [](FrameSnapshot &f) { f.childCount = 1; f.active = ChildKind::Other;
                                                         f.explainFlag = true; f.resultOpen = true; }),
     kAnyChild, false},
    {"ChildrenButNoneActive", with({}, [](FrameSnapshot &f) { f.childCount = 2; }),
     kAnyChild + Set{Command::NextWindow}, false},
    {"QueryWindowIdle", queryWindow(1), kAnyChild + kEditing + Set{Command::Refresh, Command::RefreshData},
     false},
    {"QueryWindowOpenResultExplainTwoChildren", queryWindow(2, true, true),
     kAnyChild + kEditing + kExport
         + Set{Command::Refresh, Command::RefreshData, Command::ExplainQuery, Command::NextWindow},
     true},
    {"BrowserNoPage", browser(1), kBrowserBase, false},
    {"BrowserListSql", browser(1, {{"tabList", "pageListSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserTableSql", browser(1, {{"tabTable", "pageTableSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserProcSql", browser(1, {{"tabProc", "pageProcSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserTriggerSql", browser(1, {{"tabTrigger", "pageTriggerSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserOtherSql", browser(1, {{"tabOther", "pageOtherSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserSynonymSqlOnlyRefreshesData", browser(1, {{"tabSyn", "pageSynSQL"}}),
     kBrowserBase + Set{Command::RefreshData, Command::Edit}, false},
    {"BrowserTableData", browser(1, {{"tabTable", "pageTableData"}}),
     kBrowserBase + kExport + Set{Command::RefreshData, Command::Edit}, false},
    {"BrowserTableColumnsPrints", browser(1, {{"tabTable", "pageTableColumns"}}),
     kBrowserBase + Set{Command::Print, Command::Edit}, false},
    {"BrowserTableIndexesPrints", browser(1, {{"tabTable", "pageTableIndexes"}}),
     kBrowserBase + Set{Command::Print, Command::Edit}, false},
    {"BrowserTableTriggersPrints", browser(1, {{"tabTable", "pageTableTriggers"}}),
     kBrowserBase + Set{Command::Print, Command::Edit}, false},
    {"BrowserTableDdlPrints", browser(1, {{"tabTable", "pageTableDDL"}}),
     kBrowserBase + Set{Command::Print, Command::Edit}, false},
    {"BrowserTableDependsPrints", browser(1, {{"tabTable", "pageTableDepends"}}),
     kBrowserBase + Set{Command::Print, Command::Edit}, false},
    {"BrowserPageOfAnotherControlCountsNot", browser(1, {{"tabProc", "pageTableSQL"}}),
     kBrowserBase + Set{Command::Edit}, false},
    {"BrowserSecondVisibleControlCounts", browser(1, {{"tabList", "pageListGeneral"}, {"tabOther", "pageOtherSQL"}}),
     kBrowserBase + kEditing + Set{Command::RefreshData}, false},
    {"BrowserResultOpen", with(browser(1), [](FrameSnapshot &f) { f.resultOpen = true; }),
     kBrowserBase + kExport, false},
    {"BrowserExplainWithoutSqlPage", with(browser(1), [](FrameSnapshot &f) { f.explainFlag = true; }),
     kBrowserBase, true},
    {"BrowserExplainOnSqlPage",
     with(browser(1, {{"tabList", "pageListSQL"}}), [](FrameSnapshot &f) { f.explainFlag = true; }),
     kBrowserBase + kEditing + Set{Command::RefreshData, Command::ExplainQuery}, true},
    {"BrowserNodeWithParentAndHistory",
     with(browser(3), [](FrameSnapshot &f) { f.nodeHasParent = true; f.hasPreviousNode = true; }),
     kBrowserBase + Set{Command::Previous, Command::Back, Command::NextWindow}, false},
    {"BrowserRunningHoldsWhatUsesTheConnection",
     with(browser(1, {{"tabTable", "pageTableSQL"}}), [](FrameSnapshot &f) {
         f.running = true; f.nodeHasParent = true; f.hasPreviousNode = true; f.resultOpen = true; }),
     kBrowserBase + kEditing + Set{Command::Stop} - Set{Command::Execute, Command::Refresh}, false},
    {"QueryWindowIgnoresBrowserState",
     with(queryWindow(1), [](FrameSnapshot &f) {
         f.nodeHasParent = true; f.hasPreviousNode = true; f.visiblePages = {DescribeVisiblePage("tabTable", "pageTableColumns")}; }),
     kAnyChild + kEditing + Set{Command::Refresh, Command::RefreshData}, false},
};

class MenuRules : public ::testing::TestWithParam<Row> {};

TEST_P(MenuRules, EnablesExactlyTheRowsCommands)
{
    const Row &row = GetParam();
    const MenuState state = ComputeMenuState(row.frame);
    for (Command c : kGoverned) {
        EXPECT_TRUE(state.governsEnabled(c)) << static_cast<int>(c);
        EXPECT_EQ(state.enabled(c), row.enabled.count(c) == 1) << "command " << static_cast<int>(c);
    }
    EXPECT_TRUE(state.governsChecked(Command::ExplainEnabled));
    EXPECT_EQ(state.checked(Command::ExplainEnabled), row.explainChecked);
}

INSTANTIATE_TEST_SUITE_P(Table, MenuRules, ::testing::ValuesIn(kRows),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(MenuRules, LeavesUnlistedItemsAlone)
{
    const MenuState state = ComputeMenuState(queryWindow(2, true, true));
    for (Command c : {Command::PrintSetup, Command::Exit, Command::LiveData, Command::ToolbarCaptions,
                      Command::ResetTemplates, Command::Options, Command::EditSchema, Command::CompareSchema,
                      Command::BdeConfiguration, Command::SetNet32, Command::About, Command::FindError,
                      Command::NewProc})
        EXPECT_FALSE(state.governsEnabled(c) || state.governsChecked(c)) << static_cast<int>(c);
    EXPECT_FALSE(state.governsEnabled(Command::ExplainEnabled));
}

struct MessageRow {
    const char *name;
    const char *message;
    const char *shown;
};

class FailureText : public ::testing::TestWithParam<MessageRow> {};

TEST_P(FailureText, AppendsFullStopAfterCharactersAboveIt)
{
    EXPECT_EQ(FailureMessageText(QString::fromUtf8(GetParam().message)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FailureText,
    ::testing::ValuesIn(std::vector<MessageRow>{
        {"Letter", "Table not found", "Table not found."},
        {"Digit", "Error 206", "Error 206."},
        {"FullStop", "Done.", "Done."},
        {"Exclamation", "Stop!", "Stop!"},
        {"ClosingParenthesis", "failed (x)", "failed (x)"},
        {"Hyphen", "a-", "a-"},
        {"Slash", "path a/", "path a/."},
        {"QuestionMark", "Why?", "Why?."},
        {"Empty", "", ""},
        {"TrailingBlank", "blank ", "blank "},
        {"Umlaut", "Grösse ä", "Grösse ä."},
    }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(UnhandledFailure, ShowsStopBoxWithTitleAndNothingForSilentAbort)
{
    auto dialogs = std::make_shared<RecordingDialogs>();
    auto previous = SetDialogs(dialogs);
    ReportUnhandledFailure(SilentAbort());
    EXPECT_TRUE(dialogs->shown.empty());
    ReportUnhandledFailure(std::runtime_error("Failed to create key Templates"));
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].caption, kProgramTitle);
    EXPECT_EQ(dialogs->shown[0].text, QStringLiteral("Failed to create key Templates."));
    EXPECT_EQ(dialogs->shown[0].icon, MessageIcon::Stop);
    SetDialogs(previous);
}

} // namespace
