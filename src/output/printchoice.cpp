#include "output/printchoice.h"

namespace quodlin {

namespace {

// The page the first visible page control of that name shows, if one is visible.
std::optional<QString> shownPage(const QList<VisiblePage> &visible, const char *control)
{
    for (const VisiblePage &v : visible)
        if (v.control == QLatin1String(control))
            return v.page;
    return std::nullopt;
}

} // namespace

QStringList PrintDocumentLines(const QString &title, const QList<std::optional<QStringList>> &editors)
{
    QStringList lines;
    if (!title.isEmpty())
        lines << title << QString();
    for (int i = 0; i < editors.size(); ++i) {
        if (!editors[i])
            continue;
        lines << *editors[i];
        if (i + 1 < editors.size())
            lines << QString();
    }
    return lines;
}

BrowserPrintChoice ChooseBrowserPrint(const QList<VisiblePage> &visible, const QString &tableName,
                                      const QString &procName, const QString &triggerName)
{
    using C = BrowserPrintChoice;
    const C standard{C::QueryAndResults, QStringLiteral("Query and Results"), {}, {}};
    if (shownPage(visible, "tabList"))
        return standard;
    if (const auto page = shownPage(visible, "tabTable")) {
        const QString bracketed = QStringLiteral(" [") + tableName + QLatin1Char(']');
        static const struct {
            const char *page;
            const char *title;
            const char *query;
            const char *grid;
        } lists[] = {
            {"pageTableColumns", "Columns for", "qryTableColumns", "gridTableColumns"},
            {"pageTableIndexes", "Indexes for", "qryTableIndexes", "gridTableIndexes"},
            {"pageTableTriggers", "Triggers for", "qryTableTriggers", "gridTableTriggers"},
            {"pageTableDepends", "Depends for", "qryTableDepends", "gridTableDepends"},
            {"pageTableData", "Data for", "qryTableData", "gridTableData"},
        };
        for (const auto &l : lists)
            if (*page == QLatin1String(l.page))
                return {C::CatalogList, QLatin1String(l.title) + bracketed, QLatin1String(l.query),
                        QLatin1String(l.grid)};
        if (*page == QLatin1String("pageTableEdit"))
            return {C::EditorText, QStringLiteral("View") + bracketed, QStringLiteral("rtfViewText"), {}};
        if (*page == QLatin1String("pageTableDDL"))
            return {C::EditorText, QStringLiteral("DDL for") + bracketed, QStringLiteral("rtfTableDDL"), {}};
        return standard;
    }
    if (shownPage(visible, "tabSyn"))
        return standard;
    if (const auto page = shownPage(visible, "tabProc")) {
        if (*page == QLatin1String("pageProcEdit"))
            return {C::EditorText, QStringLiteral("Stored Procedure [") + procName + QLatin1Char(']'),
                    QStringLiteral("rtfProcText"), {}};
        return standard;
    }
    if (const auto page = shownPage(visible, "tabTrigger")) {
        if (*page == QLatin1String("pageTriggerEdit"))
            return {C::EditorText, QStringLiteral("Trigger [") + triggerName + QLatin1Char(']'),
                    QStringLiteral("rtfTriggerText"), {}};
        return standard;
    }
    if (shownPage(visible, "tabOther"))
        return standard;
    return {};
}

QString BrowserActiveEditor(const QList<VisiblePage> &visible)
{
    const QString sql = QStringLiteral("rtfSQL");
    if (const auto page = shownPage(visible, "tabList"))
        return *page == QLatin1String("pageListSQL") ? sql : QString();
    if (const auto page = shownPage(visible, "tabTable")) {
        if (*page == QLatin1String("pageTableSQL"))
            return sql;
        return *page == QLatin1String("pageTableEdit") ? QStringLiteral("rtfViewText") : QString();
    }
    if (const auto page = shownPage(visible, "tabSyn"))
        return *page == QLatin1String("pageSynSQL") ? sql : QString();
    if (const auto page = shownPage(visible, "tabProc")) {
        if (*page == QLatin1String("pageProcSQL"))
            return sql;
        return *page == QLatin1String("pageProcEdit") ? QStringLiteral("rtfProcText") : QString();
    }
    if (const auto page = shownPage(visible, "tabTrigger")) {
        if (*page == QLatin1String("pageTriggerSQL"))
            return sql;
        return *page == QLatin1String("pageTriggerEdit") ? QStringLiteral("rtfTriggerText") : QString();
    }
    if (const auto page = shownPage(visible, "tabOther"))
        return *page == QLatin1String("pageOtherSQL") ? sql : QString();
    return {};
}

QString BrowserFileEditor(const QList<VisiblePage> &visible, bool forSave, bool resultsFocused)
{
    const QString sql = QStringLiteral("rtfSQL");
    if (forSave && resultsFocused)
        return QStringLiteral("rtfResults");
    if (shownPage(visible, "tabList"))
        return sql;
    if (const auto page = shownPage(visible, "tabTable"))
        return *page == QLatin1String("pageTableEdit") ? QStringLiteral("rtfViewText") : sql;
    if (shownPage(visible, "tabSyn"))
        return sql;
    if (const auto page = shownPage(visible, "tabProc"))
        return *page == QLatin1String("pageProcSQL") ? sql : QStringLiteral("rtfProcText");
    if (const auto page = shownPage(visible, "tabTrigger"))
        return *page == QLatin1String("pageTriggerSQL") ? sql : QStringLiteral("rtfTriggerText");
    if (shownPage(visible, "tabOther"))
        return sql;
    return {};
}

} // namespace quodlin
