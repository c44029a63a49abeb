#include "browser/navigation.h"

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
    struct Rule {
        const char *pageSet, *sqlPage, *editPage, *editor;
    };
    static const Rule rules[] = {{"tabList", "pageListSQL", nullptr, nullptr},
                                 {"tabTable", "pageTableSQL", "pageTableEdit", "rtfViewText"},
                                 {"tabSyn", "pageSynSQL", nullptr, nullptr},
                                 {"tabProc", "pageProcSQL", "pageProcEdit", "rtfProcText"},
                                 {"tabTrigger", "pageTriggerSQL", "pageTriggerEdit", "rtfTriggerText"},
                                 {"tabOther", "pageOtherSQL", nullptr, nullptr}};
    for (const Rule &rule : rules) {
        if (pageSet != QLatin1String(rule.pageSet))
            continue;
        const bool definition = rule.editPage && activePage != QLatin1String(rule.sqlPage)
            && (editTabVisible || pageSet != QLatin1String("tabTable"));
        if (definition)
            return {QLatin1String(rule.editPage), QLatin1String(rule.editor)};
        if (pageSet == QLatin1String("tabTable") && activePage != QLatin1String(rule.sqlPage))
            return {{}, {}, true};
        return {QLatin1String(rule.sqlPage), QStringLiteral("rtfSQL")};
    }
    return {};
}

int StoredPageIndex(int stored, int pageCount, int current)
{
    return stored >= 0 && stored < pageCount ? stored : current;
}

} // namespace quodlin
