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

QStringList QueryToTextLines(DbQuery &query, const RenderProgress &goOn)
{
    QStringList lines;
    DbBookmark mark = -1;
    bool controlsDisabled = false;
    try {
        mark = query.bookmark();
        query.disableControls();
        controlsDisabled = true;
        query.first();

        const TextTableLayout layout(query);
        lines << layout.headerLine() << layout.separatorLine();
        int records = 0;
        while (!query.eof()) {
            lines << layout.recordLine();
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
    return lines;
}

} // namespace quodlin
