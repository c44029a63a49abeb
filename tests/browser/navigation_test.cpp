// The navigation rules: Back's node pair, F11/F12 stepping over hidden tabs
// with wrap-around, the page control the keys act on, stored page indexes.
#include "browser/navigation.h"

#include <gtest/gtest.h>

using namespace quodlin;

TEST(NavigationHistory, BackTwiceReturnsToWhereOneStarted)
{
    NavigationHistory history;
    EXPECT_EQ(history.previous(), NavigationHistory::kNone);  // Back right after connecting does nothing
    history.selected(0);   // the root, selected by the load
    history.selected(7);   // A
    history.selected(9);   // B
    EXPECT_EQ(history.previous(), 7);
    history.selected(history.previous());  // Back
    EXPECT_EQ(history.current(), 7);
    history.selected(history.previous());  // Back again
    EXPECT_EQ(history.current(), 9);
    history.clear();
    EXPECT_EQ(history.previous(), NavigationHistory::kNone);
    EXPECT_EQ(history.current(), NavigationHistory::kNone);
}

struct StepCase {
    const char *name;
    QList<bool> visible;
    int current;
    bool forward;
    int expected;
};

class StepVisiblePageTest : public testing::TestWithParam<StepCase> {};

TEST_P(StepVisiblePageTest, Steps)
{
    const StepCase &c = GetParam();
    EXPECT_EQ(StepVisiblePage(c.visible, c.current, c.forward), c.expected);
}

// A table's tabs: Table, Columns, (Edit hidden), Indexes, Triggers, Depends, Data, SQL.
const QList<bool> kTable{true, true, false, true, true, true, true, true};
// A view's tabs: View, Columns, Edit, (Indexes, Triggers hidden), Depends, Data, SQL.
const QList<bool> kView{true, true, true, false, false, true, true, true};

INSTANTIATE_TEST_SUITE_P(
    Navigation, StepVisiblePageTest,
    testing::Values(StepCase{"NextSkipsHiddenEdit", kTable, 1, true, 3},
                    StepCase{"F12OnLastWrapsToFirst", kTable, 7, true, 0},
                    StepCase{"F11OnFirstWrapsToLast", kView, 0, false, 7},
                    StepCase{"PreviousSkipsTwoHidden", kView, 5, false, 2},
                    StepCase{"SinglePageStaysPut", {true}, 0, true, 0},
                    StepCase{"HiddenCurrentStepsOn", kTable, 2, true, 3},
                    StepCase{"NoCurrentForwardTakesFirst", kView, -1, true, 0},
                    StepCase{"NoCurrentBackwardTakesLast", kView, -1, false, 7},
                    StepCase{"NothingVisible", {false, false}, 0, true, -1},
                    StepCase{"NoPages", {}, 0, false, -1}),
    [](const testing::TestParamInfo<StepCase> &info) { return info.param.name; });

TEST(PageControlOrder, KeysAndQueryTabDifferInSynonymPlace)
{
    const QStringList synAndProc{QStringLiteral("tabSyn"), QStringLiteral("tabProc")};
    EXPECT_EQ(FirstVisibleControl(KeyPageControlOrder(), synAndProc), QStringLiteral("tabProc"));
    EXPECT_EQ(FirstVisibleControl(QueryTabControlOrder(), synAndProc), QStringLiteral("tabSyn"));
    EXPECT_EQ(FirstVisibleControl(QueryTabControlOrder(), {}), QString());
}

TEST(StoredPageIndexTest, OutOfRangeKeepsTheCurrentPage)
{
    EXPECT_EQ(StoredPageIndex(3, 8, 1), 3);
    EXPECT_EQ(StoredPageIndex(7, 8, 1), 7);
    EXPECT_EQ(StoredPageIndex(8, 8, 1), 1);
    EXPECT_EQ(StoredPageIndex(-1, 8, 1), 1);
    EXPECT_EQ(StoredPageIndex(0, 0, 0), 0);
}

struct EditCase {
    const char *name;
    const char *pageSet, *activePage;
    bool editTab;
    const char *page, *editor;
};

class EditCommandTest : public testing::TestWithParam<EditCase> {};

TEST_P(EditCommandTest, BringsTheDefinitionUnlessTheSqlPageIsInFront)
{
    const EditCase &c = GetParam();
    const EditTarget target = EditCommandTarget(QLatin1String(c.pageSet), QLatin1String(c.activePage), c.editTab);
    EXPECT_EQ(target.page, QLatin1String(c.page));
    EXPECT_EQ(target.editor, QLatin1String(c.editor));
    EXPECT_EQ(target.tableDdlInQueryWindow, QLatin1String(c.pageSet) == QLatin1String("tabTable") && !*c.page);
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, EditCommandTest,
    testing::Values(EditCase{"List", "tabList", "pageListItems", false, "pageListSQL", "rtfSQL"},
                    EditCase{"ViewColumns", "tabTable", "pageTableColumns", true, "pageTableEdit", "rtfViewText"},
                    EditCase{"ViewSqlStays", "tabTable", "pageTableSQL", true, "pageTableSQL", "rtfSQL"},
                    EditCase{"TableDdlGoesToAQueryWindow", "tabTable", "pageTableColumns", false, "", ""},
                    EditCase{"TableSqlStays", "tabTable", "pageTableSQL", false, "pageTableSQL", "rtfSQL"},
                    EditCase{"Synonym", "tabSyn", "pageSyn", false, "pageSynSQL", "rtfSQL"},
                    EditCase{"ProcProperties", "tabProc", "pageProc", true, "pageProcEdit", "rtfProcText"},
                    EditCase{"ProcSqlStays", "tabProc", "pageProcSQL", true, "pageProcSQL", "rtfSQL"},
                    EditCase{"TriggerProperties", "tabTrigger", "pageTrigger", true, "pageTriggerEdit",
                             "rtfTriggerText"},
                    EditCase{"TriggerSqlStays", "tabTrigger", "pageTriggerSQL", false, "pageTriggerSQL", "rtfSQL"},
                    EditCase{"User", "tabOther", "pageOtherSQL", false, "pageOtherSQL", "rtfSQL"},
                    EditCase{"NoPageSet", "", "", false, "", ""}),
    [](const testing::TestParamInfo<EditCase> &info) { return info.param.name; });
