#include "output/textrender.h"

#include "app/textutil.h"
#include "db/dbquery.h"

#include <exception>

namespace quodlin {

TextTableLayout::TextTableLayout(const DbQuery &query)
{
    for (int i = 0; i < query.fieldCount(); ++i) {
        const DbField &f = query.field(i);
        if (!f.visible())
            continue;
        const int displayWidth = qMax(0, f.displayWidth());
        m_columns.push_back({&f, displayWidth, qMax(displayWidth, int(f.label().size()))});
    }
}

template <typename CellText>
QString TextTableLayout::line(CellText cellText) const
{
    QString line;
    for (const Column &c : m_columns) {
        const qsizetype start = line.size();
        line += QStringView(cellText(c)).left(c.width);
        line.resize(start + c.width + 1, QLatin1Char(' '));
    }
    return TrimTrailingControls(std::move(line));
}

QString TextTableLayout::headerLine() const
{
    return line([](const Column &c) { return c.field->label(); });
}

QString TextTableLayout::separatorLine() const
{
    return line([](const Column &c) { return QString(c.width, QLatin1Char('-')); });
}

QString TextTableLayout::recordLine() const
{
    return line([](const Column &c) {
        QString text = c.field->displayText();
        text.truncate(c.displayWidth);
        return text;
    });
}

namespace {

// Walks the query's records from the first, calling `begin` once it is on
// the first and `record` for each; the query returns to its record and its
// detail queries were not moved. A closed query calls neither.
template <typename Begin, typename Record>
void walkRecords(DbQuery &query, const RenderProgress &goOn, Begin begin, Record record)
{
    DbBookmark mark = -1;
    bool controlsDisabled = false;
    try {
        mark = query.bookmark();
        query.disableControls();
        controlsDisabled = true;
        query.first();
        begin();
        int records = 0;
        while (!query.eof()) {
            record();
            if (++records % 256 == 0 && goOn && !goOn(records))
                break;
            query.next();
        }
    } catch (const std::exception &) {
        // The lines made so far stay; the caller shows no message.
    }
    try {
        if (mark >= 0)
            query.gotoBookmark(mark);
    } catch (const std::exception &) {
    }
    try {
        if (controlsDisabled)
            query.enableControls();
    } catch (const std::exception &) {
    }
}

} // namespace

QStringList QueryToTextLines(DbQuery &query, const RenderProgress &goOn)
{
    const TextTableLayout layout(query);
    QStringList lines;
    walkRecords(
        query, goOn, [&] { lines << layout.headerLine() << layout.separatorLine(); },
        [&] { lines << layout.recordLine(); });
    return lines;
}

PrintTable QueryToPrintTable(DbQuery &query, const RenderProgress &goOn)
{
    PrintTable cells;
    const TextTableLayout layout(query);
    for (const TextTableLayout::Column &c : layout.columns())
        cells.headings << c.field->label();
    walkRecords(query, goOn, [] {}, [&] {
        QStringList row;
        for (const TextTableLayout::Column &c : layout.columns())
            row << c.field->displayText();
        cells.rows << row;
    });
    return cells;
}

} // namespace quodlin
