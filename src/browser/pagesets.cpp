#include "browser/pagesets.h"

#include "browser/objecttree.h"

namespace quodlin {

namespace {

QString s(const char *text) { return QString::fromLatin1(text); }

PageDesc sqlPage(const char *name, const char *caption)
{
    return PageDesc{s(name), s(caption), PageContent::Sql, {}, {}, {}, {}, {}};
}

PageDesc gridPage(const char *name, const char *caption, const char *grid, const char *query, const char *ds,
                  const char *printTitle)
{
    return PageDesc{s(name), s(caption), PageContent::Grid, {}, s(grid), s(query), s(ds), {}, s(printTitle)};
}

PageDesc editorPage(const char *name, const char *editor, const char *bodyQuery)
{
    return PageDesc{s(name), s("Ed&it"), PageContent::DefinitionEditor, {}, s(editor), s(bodyQuery), {}, {}};
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

    PageDesc depends = gridPage("pageTableDepends", "De&pends", "gridTableDepends", "qryTableDepends",
                                "dsTableDepends", "Depends for");
    depends.buttons << GotoButton{s("btnTableDependsGoto"), s("&Go"), s("qryTableDepends"), s("dtabname"),
                                  s("downer"), s("qryTableDepends")};
    sets << PageSetDesc{
        s("tabTable"),
        {propertiesPage("pageTableTable", "Table/View", "qryTable", "dsTable",
                        {box("Name:", "qryTable", "tabname"), box("Owner:", "qryTable", "owner"),
                         box("ID:", "qryTable", "tabid"), box("Type:", "qryTable", "tabtypedescr"),
                         box("Row Size:", "qryTable", "rowsize")}),
         gridPage("pageTableColumns", "&Columns", "gridTableColumns", "qryTableColumns", "dsTableColumns",
                  "Columns for"),
         editorPage("pageTableEdit", "rtfViewText", "qryViewBody"),
         gridPage("pageTableIndexes", "I&ndexes", "gridTableIndexes", "qryTableIndexes", "dsTableIndexes",
                  "Indexes for"),
         gridPage("pageTableTriggers", "T&riggers", "gridTableTriggers", "qryTableTriggers", "dsTableTriggers",
                  "Triggers for"),
         depends,
         PageDesc{s("pageTableData"), s("&Data"), PageContent::Data, {}, s("gridTableData"), s("qryTableData"),
                  s("dsTableData"), {}, s("Data for")},
         sqlPage("pageTableSQL", "S&QL"),
         PageDesc{s("pageTableDDL"), s("DD&L"), PageContent::Ddl, {}, s("rtfTableDDL"), {}, {}, {}, s("DDL for")},
         PageDesc{s("pageTableDiagram"), s("Diagra&m"), PageContent::Diagram, {}, s("viewTableDiagram"), {}, {}, {},
                  s("Diagram for")}}};

    sets << PageSetDesc{
        s("tabProc"),
        {propertiesPage("pageProc", "&Procedure", "qryProc", "dsProc",
                        {box("Name:", "qryProc", "procname"), box("Owner:", "qryProc", "owner"),
                         box("ID:", "qryProc", "procid"), box("Mode:", "qryProc", "modedescr"),
                         box("No. Args:", "qryProc", "numargs")}),
         editorPage("pageProcEdit", "rtfProcText", "qryProcBody"), sqlPage("pageProcSQL", "S&QL")},
        s("rtfProcText")};

    EditBox triggerTable = box("Table:", "qryTrigger", "tabname");
    triggerTable.gotoButton = s("btnTriggerGoto");
    sets << PageSetDesc{
        s("tabTrigger"),
        {propertiesPage("pageTrigger", "T&rigger", "qryTrigger", "dsTrigger",
                        {box("Name:", "qryTrigger", "trigname"), box("Owner:", "qryTrigger", "owner"),
                         box("ID:", "qryTrigger", "trigid"), box("Mode:", "qryTrigger", "modedescr"),
                         box("Event:", "qryTrigger", "eventdescr"), triggerTable,
                         box("Owner:", "qryTrigger", "towner"), box("Table ID:", "qryTrigger", "tabid")},
                        {GotoButton{s("btnTriggerGoto"), s("&Go"), s("qryTrigger"), s("tabname"), s("towner"), {}}}),
         editorPage("pageTriggerEdit", "rtfTriggerText", "qryTrigBody"), sqlPage("pageTriggerSQL", "S&QL")},
        s("rtfTriggerText")};

    PageDesc synonymSql = sqlPage("pageSynSQL", "S&QL");
    synonymSql.executeHidden = true;
    EditBox synTable{s("Table:"), s("qrySyn"), s("stabname"), s("qrySynLocalTable"), s("stabname"), s("btnSynGoto")};
    EditBox synOwner{s("Owner:"), s("qrySyn"), s("sowner"), s("qrySynLocalTable"), s("sowner"), {}};
    sets << PageSetDesc{
        s("tabSyn"),
        {propertiesPage("pageSyn", "S&ynonym", "qrySyn", "dsSyn",
                        {box("Name:", "qrySyn", "synname"), box("Owner:", "qrySyn", "owner"),
                         box("ID:", "qrySyn", "tabid"), box("Server:", "qrySyn", "sservername"),
                         box("Database:", "qrySyn", "sdbname"), synTable, synOwner,
                         box("Table ID:", "qrySyn", "sbtabid")},
                        {GotoButton{s("btnSynGoto"), s("&Go"), s("qrySynLocalTable"), s("stabname"), s("sowner"),
                                    s("qrySynLocalTable")}}),
         synonymSql}};

    sets << PageSetDesc{s("tabOther"), {sqlPage("pageOtherSQL", "S&QL")}};
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
    if (kind == KindCategory)
        return {s("tabList"), {}, {}, {}, false};
    // A kind the table does not know is shown as a user is.
    const ObjectKindDesc *desc = FindObjectKind(kind);
    if (!desc)
        desc = FindObjectKind(KindUser);
    return {desc->pageSet, desc->hiddenPages, desc->firstTabCaption, desc->captionPrefix,
            desc->definition != DefinitionLayout::None};
}

DefinitionPageRef DefinitionPage(int kind)
{
    const PageView view = PageViewFor(kind);
    const PageSetDesc *set = FindPageSet(view.pageSet);
    if (!view.definitionText || !set)
        return {};
    for (const PageDesc &page : set->pages)
        if (page.content == PageContent::DefinitionEditor && !view.hiddenPages.contains(page.objectName))
            return {set, &page};
    return {};
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
    // An object whose members are its children (a role) lists names alone.
    const ObjectKindDesc *node = FindObjectKind(nodeKind);
    if (firstChildKind < 0 && node && !node->memberQuery.isEmpty())
        return {name};
    return {name, owner};
}

ListItemText ListItemFor(const TNodeInfo &child, bool detailsStyle, int columnCount)
{
    ListItemText item;
    const ObjectKindDesc *kind = FindObjectKind(child.Kind);
    if (!kind || !kind->memberQuery.isEmpty() || !detailsStyle) {
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
