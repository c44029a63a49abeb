#include "output/printlayout.h"

#include "app/textutil.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quodlin {

namespace {

// A column narrowed to fit keeps at least this many characters (or its
// natural width when that is less), so wrapped values stay readable.
constexpr int kNarrowestColumn = 8;

int naturalWidth(const PrintTable &table, int column)
{
    auto longestLine = [](const QString &text) {
        qsizetype longest = 0;
        for (QStringView line : QStringView(text).split(QLatin1Char('\n')))
            longest = std::max(longest, line.size());
        return int(longest);
    };
    int width = longestLine(table.headings.value(column));
    for (const QStringList &row : table.rows)
        width = std::max(width, longestLine(row.value(column)));
    return std::clamp(width, 1, kPrintColumnCap);
}

int lineWidth(const QList<int> &widths)
{
    return std::accumulate(widths.begin(), widths.end(), 0) + int(widths.size()) - 1;
}

// Narrows the widest columns one character at a time until the line fits or
// every column is at its floor.
void narrowToFit(QList<int> &widths, const QList<int> &floors, int available)
{
    while (lineWidth(widths) > available) {
        int widest = -1;
        for (int i = 0; i < widths.size(); ++i)
            if (widths[i] > floors[i] && (widest < 0 || widths[i] > widths[widest]))
                widest = i;
        if (widest < 0)
            return;
        --widths[widest];
    }
}

// One table row: each cell wrapped in its column, the row as tall as its tallest cell.
void appendRow(QStringList &out, const QStringList &cells, const QList<int> &columns, const QList<int> &widths)
{
    QList<QStringList> wrapped;
    qsizetype height = 1;
    for (int i = 0; i < columns.size(); ++i) {
        wrapped << WrapText(cells.value(columns[i]), widths[i]);
        height = std::max(height, wrapped.last().size());
    }
    for (qsizetype l = 0; l < height; ++l) {
        QString line;
        for (int i = 0; i < columns.size(); ++i) {
            const qsizetype start = line.size();
            line += wrapped[i].value(l);
            line.resize(start + widths[i] + 1, QLatin1Char(' '));
        }
        out << TrimTrailingControls(std::move(line));
    }
}

void appendTable(QStringList &out, const PrintTable &table, int available)
{
    const int count = int(table.headings.size());
    QList<int> natural, floors;
    for (int i = 0; i < count; ++i) {
        natural << naturalWidth(table, i);
        floors << std::min(natural.last(), std::min(kNarrowestColumn, available));
    }
    // Columns go into bands whose narrowest layout fits the page.
    for (int first = 0; first < count;) {
        int end = first + 1;
        while (end < count && lineWidth(floors.mid(first, end + 1 - first)) <= available)
            ++end;
        QList<int> columns(end - first);
        std::iota(columns.begin(), columns.end(), first);
        QList<int> widths = natural.mid(first, end - first);
        narrowToFit(widths, floors.mid(first, end - first), available);
        if (first > 0)
            out << QString();
        appendRow(out, table.headings, columns, widths);
        QStringList dashes;
        for (int w : widths)
            dashes << QString(w, QLatin1Char('-'));
        out << dashes.join(QLatin1Char(' '));
        for (const QStringList &row : table.rows)
            appendRow(out, row, columns, widths);
        first = end;
    }
}

} // namespace

QStringList WrapText(const QString &text, int width)
{
    width = std::max(width, 1);
    QStringList out;
    for (QStringView rest : QStringView(text).split(QLatin1Char('\n'))) {
        QString line = rest.toString();
        line.replace(QLatin1Char('\t'), QStringLiteral("    "));
        QStringView left(line);
        do {
            qsizetype cut = std::min<qsizetype>(width, left.size());
            if (cut < left.size()) {
                const qsizetype blank = left.left(cut + 1).lastIndexOf(QLatin1Char(' '));
                if (blank > 0)
                    cut = blank + 1;
            }
            out << TrimTrailingControls(left.left(cut).toString());
            left = left.mid(cut);
        } while (!left.isEmpty());
    }
    return out;
}

PrintedDocument LayoutForPrint(const QList<PrintBlock> &blocks, int pageChars)
{
    pageChars = std::max(pageChars, 1);
    PrintedDocument doc;
    int widest = 0;
    for (const PrintBlock &block : blocks) {
        if (const auto *table = std::get_if<PrintTable>(&block)) {
            QList<int> natural;
            for (int i = 0; i < table->headings.size(); ++i)
                natural << naturalWidth(*table, i);
            widest = std::max(widest, lineWidth(natural));
        }
    }
    if (widest > pageChars)
        doc.scale = std::max(kPrintSmallestScale, double(pageChars) / widest);
    const int available = int(std::floor(pageChars / doc.scale + 1e-9));
    for (qsizetype b = 0; b < blocks.size(); ++b) {
        if (b > 0)
            doc.lines << QString();
        if (const auto *table = std::get_if<PrintTable>(&blocks[b])) {
            appendTable(doc.lines, *table, available);
            continue;
        }
        for (const QString &line : std::get<QStringList>(blocks[b]))
            doc.lines << WrapText(line, available);
    }
    return doc;
}

} // namespace quodlin
