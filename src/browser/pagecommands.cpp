#include "browser/pagecommands.h"

#include "browser/navigation.h"
#include "browser/pagesets.h"

namespace quodlin {

namespace {

const QString kSqlEditor = QStringLiteral("rtfSQL");

struct ShownPage {
    const PageSetDesc *set = nullptr;
    const PageDesc *page = nullptr;  // null when the set holds no such page
};

// The first visible page control in Query Tab's order, with the page it shows.
ShownPage shownPage(const QList<VisiblePage> &visible)
{
    QStringList controls;
    for (const VisiblePage &v : visible)
        controls << v.control;
    const QString control = FirstVisibleControl(QueryTabControlOrder(), controls);
    for (const VisiblePage &v : visible) {
        if (v.control != control)
            continue;
        const PageSetDesc *set = FindPageSet(control);
        const int index = set ? set->indexOf(v.page) : -1;
        return {set, index >= 0 ? &set->pages[index] : nullptr};
    }
    return {};
}

} // namespace

VisiblePage DescribeVisiblePage(const QString &control, const QString &page)
{
    VisiblePage v{control, page};
    const PageSetDesc *set = FindPageSet(control);
    const int index = set ? set->indexOf(page) : -1;
    if (index < 0)
        return v;
    const PageDesc &desc = set->pages[index];
    v.runsSql = desc.content == PageContent::Sql && !desc.executeHidden;
    v.refreshesData = desc.content == PageContent::Sql || desc.content == PageContent::Data;
    v.exportsData = desc.content == PageContent::Data;
    v.prints = !desc.printTitle.isEmpty();
    return v;
}

BrowserPrintChoice ChooseBrowserPrint(const QList<VisiblePage> &visible, const QString &objectTitle,
                                      const QString &objectName)
{
    using C = BrowserPrintChoice;
    const ShownPage shown = shownPage(visible);
    if (!shown.set)
        return {};
    const C standard{C::QueryAndResults, QStringLiteral("Query and Results"), {}, {}};
    if (!shown.page)
        return standard;
    const PageDesc &page = *shown.page;
    const QString bracketed = QStringLiteral(" [") + objectName + QLatin1Char(']');
    switch (page.content) {
    case PageContent::Grid:
    case PageContent::Data:
        if (!page.printTitle.isEmpty())
            return {C::CatalogList, page.printTitle + bracketed, page.query, page.widgetName};
        break;
    case PageContent::Ddl:
        if (!page.printTitle.isEmpty())
            return {C::EditorText, page.printTitle + bracketed, page.widgetName, {}};
        break;
    case PageContent::DefinitionEditor:
        return {C::EditorText, objectTitle + bracketed, page.widgetName, {}};
    case PageContent::Diagram:
        return {C::Picture, page.printTitle + bracketed, page.widgetName, {}};
    default:
        break;
    }
    return standard;
}

QString BrowserActiveEditor(const QList<VisiblePage> &visible)
{
    const ShownPage shown = shownPage(visible);
    if (!shown.page)
        return {};
    if (shown.page->content == PageContent::Sql)
        return kSqlEditor;
    return shown.page->content == PageContent::DefinitionEditor ? shown.page->widgetName : QString();
}

QString BrowserFileEditor(const QList<VisiblePage> &visible, bool forSave, bool resultsFocused)
{
    if (forSave && resultsFocused)
        return QStringLiteral("rtfResults");
    const ShownPage shown = shownPage(visible);
    if (!shown.set)
        return {};
    if (shown.page && shown.page->content == PageContent::Sql)
        return kSqlEditor;
    if (shown.page && shown.page->content == PageContent::DefinitionEditor)
        return shown.page->widgetName;
    return shown.set->fileEditor;
}

} // namespace quodlin
