#include "browser/pagesets.h"

#include "browser/objecttree.h"

namespace quodlin {

namespace {

QString s(const char *text) { return QString::fromLatin1(text); }

PageDesc sqlPage(const char *name, const char *caption)
{
    return PageDesc{s(name), s(caption), PageContent::Sql, {}, {}, {}, {}, {}};
}

PageDesc gridPage(const char *name, const char *caption, const char *grid, const char *query, const char *ds)
{
    return PageDesc{s(name), s(caption), PageContent::Grid, {}, s(grid), s(query), s(ds), {}};
}

PageDesc editorPage(const char *name, const char *editor, const char *bodyQuery)
{
    return PageDesc{s(name), s("&Edit"), PageContent::DefinitionEditor, {}, s(editor), s(bodyQuery), {}, {}};
}

PageDesc propertiesPage(const char *name, const char *caption, const char *query, const char *ds,
                        QList<EditBox> boxes, QList<GotoButton> buttons = {})
{
    return PageDesc{s(name), s(caption), PageContent::Properties, std::move(boxes), {}, s(query), s(ds),
                    std::move(buttons)};
}

EditBox box(const char *caption, const char *query, const char *field)
{
    return EditBox{s(caption), s(query), s(field), {}, {}, {}};
}

QList<PageSetDesc> buildPageSets()
{
    QList<PageSetDesc> sets;
    sets << PageSetDesc{s("tabList"),
                        {PageDesc{s("pageListItems"), s("&Items"), PageContent::List, {}, s("lvwList"), {}, {}, {}},
                         sqlPage("pageListSQL", "S&QL")}};

    PageDesc depends = gridPage("pageTableDepends", "D&epends", "gridTableDepends", "qryTableDepends",
                                "dsTableDepends");
    depends.buttons << GotoButton{s("btnTableDependsGoto"), s("&Go"), s("qryTableDepends"), s("dtabname"),
                                  s("downer"), s("qryTableDepends")};
    sets << PageSetDesc{
        s("tabTable"),
        {propertiesPage("pageTableTable", "Table/View", "qryTable", "dsTable",
                        {box("Name:", "qryTable", "tabname"), box("Owner:", "qryTable", "owner"),
                         box("ID:", "qryTable", "tabid"), box("Type:", "qryTable", "tabtypedescr"),
                         box("Row Size:", "qryTable", "rowsize")}),
         gridPage("pageTableColumns", "&Columns", "gridTableColumns", "qryTableColumns", "dsTableColumns"),
         editorPage("pageTableEdit", "rtfViewText", "qryViewBody"),
         gridPage("pageTableIndexes", "&Indexes", "gridTableIndexes", "qryTableIndexes", "dsTableIndexes"),
         gridPage("pageTableTriggers", "T&riggers", "gridTableTriggers", "qryTableTriggers", "dsTableTriggers"),
         depends,
         PageDesc{s("pageTableData"), s("&Data"), PageContent::Data, {}, s("gridTableData"), s("qryTableData"),
                  s("dsTableData"), {}},
         sqlPage("pageTableSQL", "S&QL"),
         PageDesc{s("pageTableDDL"), s("DD&L"), PageContent::Ddl, {}, s("rtfTableDDL"), {}, {}, {}}}};

    sets << PageSetDesc{
        s("tabProc"),
        {propertiesPage("pageProc", "&Procedure", "qryProc", "dsProc",
                        {box("Name:", "qryProc", "procname"), box("Owner:", "qryProc", "owner"),
                         box("ID:", "qryProc", "procid"), box("Mode:", "qryProc", "modedescr"),
                         box("No. Args:", "qryProc", "numargs")}),
         editorPage("pageProcEdit", "rtfProcText", "qryProcBody"), sqlPage("pageProcSQL", "S&QL")}};

    EditBox triggerTable = box("Table:", "qryTrigger", "tabname");
    triggerTable.gotoButton = s("btnTriggerGoto");
    sets << PageSetDesc{
        s("tabTrigger"),
        {propertiesPage("pageTrigger", "&Trigger", "qryTrigger", "dsTrigger",
                        {box("Name:", "qryTrigger", "trigname"), box("Owner:", "qryTrigger", "owner"),
                         box("ID:", "qryTrigger", "trigid"), box("Mode:", "qryTrigger", "modedescr"),
                         box("Event:", "qryTrigger", "eventdescr"), triggerTable,
                         box("Owner:", "qryTrigger", "towner"), box("Table ID:", "qryTrigger", "tabid")},
                        {GotoButton{s("btnTriggerGoto"), s("&Go"), s("qryTrigger"), s("tabname"), s("towner"), {}}}),
         editorPage("pageTriggerEdit", "rtfTriggerText", "qryTrigBody"), sqlPage("pageTriggerSQL", "S&QL")}};

    EditBox synTable{s("Table:"), s("qrySyn"), s("stabname"), s("qrySynLocalTable"), s("stabname"), s("btnSynGoto")};
    EditBox synOwner{s("Owner:"), s("qrySyn"), s("sowner"), s("qrySynLocalTable"), s("sowner"), {}};
    sets << PageSetDesc{
        s("tabSyn"),
        {propertiesPage("pageSyn", "&Synonym", "qrySyn", "dsSyn",
                        {box("Name:", "qrySyn", "synname"), box("Owner:", "qrySyn", "owner"),
                         box("ID:", "qrySyn", "tabid"), box("Server:", "qrySyn", "sservername"),
                         box("Database:", "qrySyn", "sdbname"), synTable, synOwner,
                         box("Table ID:", "qrySyn", "sbtabid")},
                        {GotoButton{s("btnSynGoto"), s("&Go"), s("qrySynLocalTable"), s("stabname"), s("sowner"),
                                    s("qrySynLocalTable")}}),
         sqlPage("pageSynSQL", "&SQL")}};

    sets << PageSetDesc{s("tabOther"), {sqlPage("pageOtherSQL", "&SQL")}};
    return sets;
}

} // namespace

int PageSetDesc::indexOf(const QString &pageName) const
{
    for (qsizetype i = 0; i < pages.size(); ++i)
        if (pages[i].objectName == pageName)
            return int(i);
    return -1;
}

int PageSetDesc::sqlPage() const
{
    for (qsizetype i = 0; i < pages.size(); ++i)
        if (pages[i].content == PageContent::Sql)
            return int(i);
    return -1;
}

const QList<PageSetDesc> &PageSets()
{
    static const QList<PageSetDesc> sets = buildPageSets();
    return sets;
}

const PageSetDesc *FindPageSet(const QString &objectName)
{
    for (const PageSetDesc &set : PageSets())
        if (set.objectName == objectName)
            return &set;
    return nullptr;
}

PageView PageViewFor(int kind)
{
    switch (kind) {
    case KindCategory: return {s("tabList"), {}, {}, {}, false};
    case KindTable: return {s("tabTable"), {s("pageTableEdit")}, s("&Table"), s("Table: "), false};
    case KindView:
        return {s("tabTable"), {s("pageTableIndexes"), s("pageTableTriggers"), s("pageTableDDL")}, s("&View"),
                s("View: "), true};
    case KindProcedure: return {s("tabProc"), {}, {}, s("Proc: "), true};
    case KindTrigger: return {s("tabTrigger"), {}, {}, s("Trigger: "), true};
    case KindSynonym: return {s("tabSyn"), {}, {}, s("Synonym: "), false};
    case KindRole: return {s("tabList"), {}, {}, s("Role: "), false};
    default: return {s("tabOther"), {}, {}, s("User: "), false};
    }
}

QString CaptionBarText(int kind, const QString &caption)
{
    return PageViewFor(kind).captionPrefix + caption;
}

QList<ListColumn> ListColumnsFor(int nodeKind, int firstChildKind)
{
    const ListColumn name{s("Name"), 200};
    const ListColumn owner{s("Owner"), 175};
    if (firstChildKind == KindCategory)
        return {ListColumn{s("Name"), 0}};
    if (firstChildKind < 0 && nodeKind == KindRole)
        return {name};
    return {name, owner};
}

ListItemText ListItemFor(const TNodeInfo &child, bool detailsStyle, int columnCount)
{
    ListItemText item;
    if (child.Kind == KindCategory || child.Kind == KindRole || !detailsStyle) {
        item.caption = child.Caption;
    } else {
        item.caption = child.Name;
        item.subItems << child.Owner;
    }
    while (item.subItems.size() < columnCount - 1)
        item.subItems << QString();
    return item;
}

QString StripAccelerator(const QString &caption)
{
    QString result;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        result += caption[i];
    }
    return result;
}

} // namespace quodlin
