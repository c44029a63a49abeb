#include "browser/navigation.h"

#include "browser/pagesets.h"

namespace quodlin {

int StepVisiblePage(const QList<bool> &tabVisible, int current, bool forward)
{
    const int count = int(tabVisible.size());
    if (count == 0)
        return -1;
    const int step = forward ? 1 : -1;
    int index = current < 0 || current >= count ? (forward ? -1 : count) : current;
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        if (tabVisible[index])
            return index;
    }
    return -1;
}

const QStringList &KeyPageControlOrder()
{
    static const QStringList order{QStringLiteral("tabList"), QStringLiteral("tabTable"),
                                   QStringLiteral("tabProc"), QStringLiteral("tabSyn"),
                                   QStringLiteral("tabTrigger"), QStringLiteral("tabOther")};
    return order;
}

const QStringList &QueryTabControlOrder()
{
    static const QStringList order{QStringLiteral("tabList"), QStringLiteral("tabTable"),
                                   QStringLiteral("tabSyn"), QStringLiteral("tabProc"),
                                   QStringLiteral("tabTrigger"), QStringLiteral("tabOther")};
    return order;
}

QString FirstVisibleControl(const QStringList &order, const QStringList &visible)
{
    for (const QString &name : order)
        if (visible.contains(name))
            return name;
    return {};
}

EditTarget EditCommandTarget(const QString &pageSet, const QString &activePage, bool editTabVisible)
{
    const PageSetDesc *set = FindPageSet(pageSet);
    if (!set)
        return {};
    const QString sqlPage = set->pages[set->sqlPage()].objectName;
    if (activePage != sqlPage) {
        for (const PageDesc &page : set->pages) {
            if (page.content == PageContent::DefinitionEditor && editTabVisible)
                return {page.objectName, page.widgetName};
        }
        // Without a definition, a set that shows DDL opens it in a query window.
        for (const PageDesc &page : set->pages)
            if (page.content == PageContent::Ddl)
                return {{}, {}, true};
    }
    return {sqlPage, QStringLiteral("rtfSQL")};
}

int StoredPageIndex(int stored, int pageCount, int current)
{
    return stored >= 0 && stored < pageCount ? stored : current;
}

} // namespace quodlin
