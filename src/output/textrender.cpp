#include "output/textrender.h"

#include "app/textutil.h"
#include "db/dbquery.h"

#include <exception>
#include <vector>

namespace quodlin {

namespace {

struct Column {
    const DbField *field;
    int displayWidth;
    int width;
};

template <typename CellText>
QString buildLine(const std::vector<Column> &columns, CellText cellText)
{
    QString line;
    for (const Column &c : columns)
        line += cellText(c).leftJustified(c.width, QLatin1Char(' '), true) + QLatin1Char(' ');
    return TrimTrailingControls(line);
}

} // namespace

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

        std::vector<Column> columns;
        for (int i = 0; i < query.fieldCount(); ++i) {
            const DbField &f = query.field(i);
            if (!f.visible())
                continue;
            const int displayWidth = qMax(0, f.displayWidth());
            columns.push_back({&f, displayWidth, qMax(displayWidth, int(f.label().size()))});
        }
        lines << buildLine(columns, [](const Column &c) { return c.field->label(); });
        lines << buildLine(columns, [](const Column &c) { return QString(c.width, QLatin1Char('-')); });
        int records = 0;
        while (!query.eof()) {
            lines << buildLine(columns, [](const Column &c) { return c.field->displayText().left(c.displayWidth); });
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
