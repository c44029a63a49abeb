#include "browser/objectdetails.h"

#include "app/textutil.h"
#include "browser/pagesets.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/definitiontext.h"
#include "db/dbquery.h"

#include <vector>

namespace quodlin {

namespace {

QString fieldText(DbQuery &query, const QString &field)
{
    if (!query.isOpen() || query.isEmpty())
        return {};
    return query.fieldByName(field).displayText();
}

void addPropertyLines(QStringList &lines, TdmDbObjects &module, const PageDesc &page)
{
    for (const EditBox &box : page.editBoxes) {
        QString value;
        if (!box.localQuery.isEmpty() && module.query(box.localQuery).isOpen()
            && !module.query(box.localQuery).isEmpty())
            value = fieldText(module.query(box.localQuery), box.localField);
        else
            value = fieldText(module.query(box.query), box.field);
        lines << EscapeControls(TrimTrailingControls(box.caption + QLatin1Char(' ') + value));
    }
}

void addSection(QStringList &lines, const QString &caption, const QStringList &body)
{
    lines << QString() << caption;
    lines << body;
}

} // namespace

QStringList GridTextLines(DbQuery &query)
{
    QStringList lines;
    const int mark = query.recNo();
    query.disableControls();
    std::vector<const DbField *> fields;
    for (int i = 0; i < query.fieldCount(); ++i)
        if (query.field(i).visible())
            fields.push_back(&query.field(i));
    std::vector<QStringList> rows;
    for (query.first(); !query.eof(); query.next()) {
        QStringList cells;
        for (const DbField *f : fields)
            cells << EscapeControls(f->displayText());
        rows.push_back(cells);
    }
    std::vector<QString> labels;
    std::vector<qsizetype> widths;
    for (const DbField *f : fields) {
        labels.push_back(EscapeControls(f->label()));
        widths.push_back(labels.back().size());
    }
    for (const QStringList &cells : rows)
        for (size_t c = 0; c < widths.size(); ++c)
            widths[c] = qMax(widths[c], cells[qsizetype(c)].size());
    auto line = [&](auto cellText) {
        QString text;
        for (size_t c = 0; c < widths.size(); ++c)
            text += cellText(c).leftJustified(widths[c]) + QLatin1Char(' ');
        return TrimTrailingControls(text);
    };
    lines << line([&](size_t c) { return labels[c]; });
    lines << line([&](size_t c) { return QString(widths[c], QLatin1Char('-')); });
    for (const QStringList &cells : rows)
        lines << line([&](size_t c) { return cells[qsizetype(c)]; });
    if (mark >= 0)
        query.gotoBookmark(mark);
    query.enableControls();
    return lines;
}

QString GotoTargetLabel(TdmDbObjects &module, const GotoButton &button, const OwnerDisplay &display)
{
    DbQuery &q = module.query(button.query);
    if (!q.isOpen() || q.isEmpty())
        return {};
    return FormatNodeCaption(KindTable, fieldText(q, button.nameField), fieldText(q, button.ownerField), display);
}

bool GotoEnabled(TdmDbObjects &module, const GotoButton &button)
{
    if (button.enabledByRowsOf.isEmpty())
        return true;
    DbQuery &q = module.query(button.enabledByRowsOf);
    return q.isOpen() && !q.isEmpty();
}

QStringList ObjectDetailLines(TdmDbObjects &module, const TNodeInfo &node)
{
    const PageView view = PageViewFor(node.Kind);
    const PageSetDesc *set = FindPageSet(view.pageSet);
    QStringList lines{EscapeControls(CaptionBarText(node.Kind, node.Caption))};

    const ObjectKindDesc *kind = FindObjectKind(node.Kind);
    QString definition;
    if (kind) {
        module.LoadObject(node.Kind, node.Name, node.Owner, node.Id);
        if (kind->definition != DefinitionLayout::None)
            definition = RebuildDefinitionText(kind->definition, module.query(kind->bodyQuery));
    }

    for (const PageDesc &page : set->pages) {
        if (view.hiddenPages.contains(page.objectName))
            continue;
        const QString caption = StripAccelerator(page.objectName == QLatin1String("pageTableTable")
                                                     ? view.firstTabCaption
                                                     : page.caption);
        if (page.content == PageContent::Properties) {
            QStringList body;
            addPropertyLines(body, module, page);
            addSection(lines, caption, body);
        } else if (page.content == PageContent::Grid) {
            addSection(lines, caption, GridTextLines(module.query(page.query)));
        }
    }
    if (kind && kind->masterQuery.isEmpty() && !kind->lists.isEmpty()) {
        // The browser shows no property page for these; their list row is the record.
        DbQuery &list = module.query(kind->lists.first().query);
        list.close();
        list.open();
        QStringList body;
        for (list.first(); !list.eof(); list.next()) {
            if (list.field(0).asString() != node.Name)
                continue;
            for (int i = 0; i < list.fieldCount(); ++i)
                body << EscapeControls(
                    TrimTrailingControls(list.field(i).label() + QStringLiteral(": ") + list.field(i).displayText()));
            break;
        }
        list.close();
        addSection(lines, kind->title, body);
    }
    if (kind && !kind->memberQuery.isEmpty()) {
        // Read without the master: the list is closed again.
        DbQuery &members = module.query(kind->memberQuery);
        members.close();
        members.setParam(kind->memberParam, node.Name);
        members.open();
        // Under the caption of the list page that shows them.
        addSection(lines, StripAccelerator(set->pages.first().caption), GridTextLines(members));
        members.close();
    }
    if (view.definitionText) {
        QString text = definition;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines << QString() << QStringLiteral("Edit");
        lines << text.split(QLatin1Char('\n'));
    }
    return lines;
}

QString TableDataStatement(const QString &name, SqlNameStyle style)
{
    return QStringLiteral("SELECT * FROM ") + SqlName(name, style);
}

} // namespace quodlin
