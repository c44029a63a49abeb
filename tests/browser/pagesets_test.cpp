// The page-set description: tabs per kind, captions, and every page bound to
// a field the catalog module declares.
#include "browser/pagesets.h"

#include "browser/pagecommands.h"

#include "catalog/catalogqueries.h"

#include <gtest/gtest.h>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

QStringList visibleTabs(int kind)
{
    const PageView view = PageViewFor(kind);
    const PageSetDesc *set = FindPageSet(view.pageSet);
    QStringList tabs;
    for (const PageDesc &page : set->pages) {
        if (view.hiddenPages.contains(page.objectName))
            continue;
        const bool first = &page == &set->pages.first();
        tabs << StripAccelerator(first && !view.firstTabCaption.isEmpty() ? view.firstTabCaption : page.caption);
    }
    return tabs;
}

struct KindCase {
    const char *name;
    int kind;
    QStringList tabs;
    const char *captionBar;
};

class PageViewTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(PageViewTest, ShowsTheKindsTabsAndCaption)
{
    const KindCase &c = GetParam();
    EXPECT_EQ(visibleTabs(c.kind), c.tabs);
    EXPECT_EQ(CaptionBarText(c.kind, QStringLiteral("o.x")), QString::fromLatin1(c.captionBar));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageViewTest,
    ::testing::Values(
        KindCase{"Category", KindCategory, {"Items", "SQL"}, "o.x"},
        KindCase{"Table", KindTable, {"Table", "Columns", "Indexes", "Triggers", "Depends", "Data", "SQL", "DDL", "Diagram"},
                 "Table: o.x"},
        KindCase{"View", KindView, {"View", "Columns", "Edit", "Depends", "Data", "SQL"}, "View: o.x"},
        KindCase{"Procedure", KindProcedure, {"Procedure", "Edit", "SQL"}, "Proc: o.x"},
        KindCase{"Trigger", KindTrigger, {"Trigger", "Edit", "SQL"}, "Trigger: o.x"},
        KindCase{"Synonym", KindSynonym, {"Synonym", "SQL"}, "Synonym: o.x"},
        KindCase{"User", KindUser, {"SQL"}, "User: o.x"},
        KindCase{"Role", KindRole, {"Items", "SQL"}, "Role: o.x"},
        KindCase{"UnknownKindAsUser", 9, {"SQL"}, "User: o.x"}),
    [](const auto &info) { return std::string(info.param.name); });

// A typo in a page's binding would leave an edit box or grid empty.
TEST(PageSets, EveryBindingNamesADeclaredField)
{
    for (const PageSetDesc &set : PageSets()) {
        EXPECT_GE(set.sqlPage(), 0) << set.objectName.toStdString();
        for (const PageDesc &page : set.pages) {
            if (page.content == PageContent::Grid || page.content == PageContent::Properties) {
                EXPECT_NE(FindCatalogQuery(page.query), nullptr) << page.objectName.toStdString();
            }
            for (const EditBox &box : page.editBoxes) {
                const CatalogQuery *q = FindCatalogQuery(box.query);
                ASSERT_NE(q, nullptr) << box.query.toStdString();
                EXPECT_NE(q->field(box.field), nullptr) << box.field.toStdString();
                if (!box.localQuery.isEmpty()) {
                    EXPECT_NE(FindCatalogQuery(box.localQuery)->field(box.localField), nullptr);
                }
            }
            for (const GotoButton &b : page.buttons) {
                const CatalogQuery *q = FindCatalogQuery(b.query);
                ASSERT_NE(q, nullptr) << b.objectName.toStdString();
                EXPECT_NE(q->field(b.nameField), nullptr);
                EXPECT_NE(q->field(b.ownerField), nullptr);
            }
        }
    }
    EXPECT_EQ(FindPageSet(QStringLiteral("tabTable"))->indexOf(QStringLiteral("pageTableData")), 6);
}

TEST(ListPage, ColumnsFollowTheFirstChild)
{
    auto titles = [](const QList<ListColumn> &columns) {
        QStringList t;
        for (const ListColumn &c : columns)
            t << QStringLiteral("%1/%2").arg(c.title).arg(c.width);
        return t;
    };
    EXPECT_EQ(titles(ListColumnsFor(KindCategory, KindTable)), QStringList({"Name/200", "Owner/175"}));
    EXPECT_EQ(titles(ListColumnsFor(KindCategory, KindCategory)), QStringList({"Name/0"}));
    EXPECT_EQ(titles(ListColumnsFor(KindRole, -1)), QStringList({"Name/200"}));
    EXPECT_EQ(titles(ListColumnsFor(KindCategory, -1)), QStringList({"Name/200", "Owner/175"}));
}

TEST(ListPage, ItemsByStyle)
{
    const TNodeInfo user{KindUser, QStringLiteral("alice"), QStringLiteral("C"), QStringLiteral("alice")};
    const TNodeInfo table{KindTable, QStringLiteral("t"), QStringLiteral("acct"), QStringLiteral("acct.t")};
    const TNodeInfo category{KindCategory, {}, {}, QStringLiteral("System Tables")};
    EXPECT_EQ(ListItemFor(user, true, 2).subItems, QStringList({"C"}));
    EXPECT_EQ(ListItemFor(table, true, 2).caption, QStringLiteral("t"));
    EXPECT_EQ(ListItemFor(table, false, 2).caption, QStringLiteral("acct.t"));
    EXPECT_EQ(ListItemFor(table, false, 2).subItems, QStringList({""}));
    EXPECT_EQ(ListItemFor(category, true, 1).caption, QStringLiteral("System Tables"));
    EXPECT_TRUE(ListItemFor(category, true, 1).subItems.isEmpty());
}

// Print, the edit commands and the file commands by the page shown; the
// definition editor prints under the title of the kind showing it.
TEST(PageCommands, PrintEditAndFileEditorByPage)
{
    using C = BrowserPrintChoice;
    struct Case {
        const char *control, *page;
        int kind;
        C::Kind print;
        QString title, source, activeEditor, fileEditor;
    } cases[] = {
        {"tabList", "pageListItems", KindCategory, C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabList", "pageListSQL", KindRole, C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabTable", "pageTableColumns", KindTable, C::CatalogList, "Columns for [orders]", "qryTableColumns", "", "rtfSQL"},
        {"tabTable", "pageTableEdit", KindView, C::EditorText, "View [orders]", "rtfViewText", "rtfViewText", "rtfViewText"},
        {"tabTable", "pageTableDepends", KindView, C::CatalogList, "Depends for [orders]", "qryTableDepends", "", "rtfSQL"},
        {"tabTable", "pageTableData", KindTable, C::CatalogList, "Data for [orders]", "qryTableData", "", "rtfSQL"},
        {"tabTable", "pageTableDDL", KindTable, C::EditorText, "DDL for [orders]", "rtfTableDDL", "", "rtfSQL"},
        {"tabTable", "pageTableDiagram", KindTable, C::Picture, "Diagram for [orders]", "viewTableDiagram", "", "rtfSQL"},
        {"tabTable", "pageTableTable", KindTable, C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabSyn", "pageSyn", KindSynonym, C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabProc", "pageProcEdit", KindProcedure, C::EditorText, "Stored Procedure [orders]", "rtfProcText",
         "rtfProcText", "rtfProcText"},
        {"tabProc", "pageProc", KindProcedure, C::QueryAndResults, "Query and Results", "", "", "rtfProcText"},
        {"tabProc", "pageProcSQL", KindProcedure, C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabTrigger", "pageTriggerEdit", KindTrigger, C::EditorText, "Trigger [orders]", "rtfTriggerText",
         "rtfTriggerText", "rtfTriggerText"},
        {"tabOther", "pageOtherSQL", KindUser, C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
    };
    for (const Case &c : cases) {
        const QList<VisiblePage> visible{DescribeVisiblePage(QLatin1String(c.control), QLatin1String(c.page))};
        const ObjectKindDesc *kind = FindObjectKind(c.kind);
        const C choice = ChooseBrowserPrint(visible, kind ? kind->title : QString(), QStringLiteral("orders"));
        EXPECT_EQ(choice.kind, c.print) << c.page;
        EXPECT_EQ(choice.title, c.title) << c.page;
        EXPECT_EQ(choice.source, c.source) << c.page;
        EXPECT_EQ(BrowserActiveEditor(visible), c.activeEditor) << c.page;
        EXPECT_EQ(BrowserFileEditor(visible, true, false), c.fileEditor) << c.page;
        EXPECT_EQ(BrowserFileEditor(visible, true, true), "rtfResults") << c.page;
    }
    EXPECT_EQ(ChooseBrowserPrint({}, {}, {}).kind, C::Nothing);
    EXPECT_EQ(BrowserFileEditor({}, false, true), "");
}

TEST(Captions, AcceleratorMarksRemoved)
{
    EXPECT_EQ(StripAccelerator(QStringLiteral("T&riggers")), QStringLiteral("Triggers"));
    EXPECT_EQ(StripAccelerator(QStringLiteral("S&&L")), QStringLiteral("S&L"));
}

} // namespace
