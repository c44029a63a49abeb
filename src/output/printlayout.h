#pragma once
// Lays a document out for paper in fixed-pitch characters, so every value
// reaches the page whole: a table's column is as wide as its widest value or
// heading (capped), the type shrinks until the widest table fits the page,
// down to a smallest size; past that the widest columns narrow and their
// values wrap inside them, and a table that does not fit even then goes on
// in a further band of columns below. Plain lines longer than the page wrap.
// The printer only measures the page and draws the lines.
#include <QList>
#include <QMarginsF>
#include <QStringList>

#include <variant>

namespace quodlin {

// Margins of a new printer, in millimetres: printers cannot reach the paper
// edge, and text closer than about 5 mm is clipped by many.
inline constexpr double kDefaultPrintMarginMm = 15;
inline QMarginsF DefaultPrintMargins()
{
    return {kDefaultPrintMarginMm, kDefaultPrintMarginMm, kDefaultPrintMarginMm, kDefaultPrintMarginMm};
}

struct PrintTable {
    QStringList headings;
    QList<QStringList> rows;
};
// Lines as they are (an editor's text) or a table.
using PrintBlock = std::variant<QStringList, PrintTable>;

struct PrintedDocument {
    // The type size against the editor's; 1 unless a table is wider than the page.
    double scale = 1;
    QStringList lines;
};

// A column is never laid out wider than this many characters.
inline constexpr int kPrintColumnCap = 40;
// Tables shrink the type to no less than this share of its size.
inline constexpr double kPrintSmallestScale = 0.7;

// pageChars: characters of the full-size type that fit across the page.
// Blocks are separated by one empty line.
PrintedDocument LayoutForPrint(const QList<PrintBlock> &blocks, int pageChars);

// Splits text at line breaks and wraps each line at `width` characters,
// breaking after the last blank that fits where there is one.
QStringList WrapText(const QString &text, int width);

} // namespace quodlin
