#include "output/printchoice.h"

#include <gtest/gtest.h>

using namespace quodlin;

TEST(PrintChoice, DocumentLines)
{
    EXPECT_EQ(PrintDocumentLines("Query and Results", {QStringList{"select 1"}, QStringList{"a", "-", "1"}}),
              QStringList({"Query and Results", "", "select 1", "", "a", "-", "1"}));
    EXPECT_EQ(PrintDocumentLines("Query", {QStringList{"select 1"}}), QStringList({"Query", "", "select 1"}));
    // An empty editor still gets its separating line; an absent one adds nothing.
    EXPECT_EQ(PrintDocumentLines({}, {QStringList{}, QStringList{"x"}}), QStringList({"", "x"}));
    EXPECT_EQ(PrintDocumentLines({}, {QStringList{"x"}, std::nullopt}), QStringList({"x", ""}));
}

TEST(PrintChoice, BrowserPagesAndEditors)
{
    using C = BrowserPrintChoice;
    struct Case {
        const char *control;
        const char *page;
        C::Kind kind;
        QString title, source, activeEditor, fileEditor;
    } cases[] = {
        {"tabList", "pageListItems", C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabList", "pageListSQL", C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabTable", "pageTableColumns", C::CatalogList, "Columns for [orders]", "qryTableColumns", "", "rtfSQL"},
        {"tabTable", "pageTableEdit", C::EditorText, "View [orders]", "rtfViewText", "rtfViewText", "rtfViewText"},
        {"tabTable", "pageTableIndexes", C::CatalogList, "Indexes for [orders]", "qryTableIndexes", "", "rtfSQL"},
        {"tabTable", "pageTableTriggers", C::CatalogList, "Triggers for [orders]", "qryTableTriggers", "", "rtfSQL"},
        {"tabTable", "pageTableDepends", C::CatalogList, "Depends for [orders]", "qryTableDepends", "", "rtfSQL"},
        {"tabTable", "pageTableData", C::CatalogList, "Data for [orders]", "qryTableData", "", "rtfSQL"},
        {"tabTable", "pageTableDDL", C::EditorText, "DDL for [orders]", "rtfTableDDL", "", "rtfSQL"},
        {"tabTable", "pageTableTable", C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabTable", "pageTableSQL", C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabSyn", "pageSyn", C::QueryAndResults, "Query and Results", "", "", "rtfSQL"},
        {"tabProc", "pageProcEdit", C::EditorText, "Stored Procedure [p1]", "rtfProcText", "rtfProcText",
         "rtfProcText"},
        {"tabProc", "pageProc", C::QueryAndResults, "Query and Results", "", "", "rtfProcText"},
        {"tabProc", "pageProcSQL", C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabTrigger", "pageTriggerEdit", C::EditorText, "Trigger [t1]", "rtfTriggerText", "rtfTriggerText",
         "rtfTriggerText"},
        {"tabTrigger", "pageTriggerSQL", C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
        {"tabOther", "pageOtherSQL", C::QueryAndResults, "Query and Results", "", "rtfSQL", "rtfSQL"},
    };
    for (const Case &c : cases) {
        const QList<VisiblePage> visible{{c.control, c.page}};
        const C choice = ChooseBrowserPrint(visible, "orders", "p1", "t1");
        EXPECT_EQ(choice.kind, c.kind) << c.page;
        EXPECT_EQ(choice.title, c.title) << c.page;
        EXPECT_EQ(choice.source, c.source) << c.page;
        EXPECT_EQ(BrowserActiveEditor(visible), c.activeEditor) << c.page;
        EXPECT_EQ(BrowserFileEditor(visible, true, false), c.fileEditor) << c.page;
        EXPECT_EQ(BrowserFileEditor(visible, true, true), "rtfResults") << c.page;
    }
    EXPECT_EQ(ChooseBrowserPrint({}, {}, {}, {}).kind, C::Nothing);
    EXPECT_EQ(BrowserFileEditor({}, false, true), "");
}
