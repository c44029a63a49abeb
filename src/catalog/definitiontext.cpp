#include "catalog/definitiontext.h"

#include "app/textutil.h"
#include "db/dbquery.h"

namespace quodlin {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kTwoBlanks = QStringLiteral("  ");

// Rows in query order; the value, not the display text (a memo shows a placeholder).
template <typename Row>
QList<Row> readRows(DbQuery &query, Row (*make)(DbQuery &))
{
    QList<Row> rows;
    if (!query.isOpen())
        return rows;
    for (query.first(); !query.eof(); query.next())
        rows << make(query);
    return rows;
}

QString dataOf(DbQuery &query)
{
    return query.fieldByName(QStringLiteral("data")).value().toString();
}

TriggerBodyRow triggerRowOf(DbQuery &query)
{
    return {query.fieldByName(QStringLiteral("datakey")).value().toString(), dataOf(query)};
}

// Case-insensitive replace-all that leaves quoted literals and comments as
// they are: a line break inside a literal would change the view's data when
// the text is compiled again, and one inside a "--" comment would turn the
// rest of the comment into code.
QString replaceOutsideLiterals(const QString &text, const QString &from, const QString &to)
{
    QString result;
    result.reserve(text.size() + 64);
    QChar quote;            // the open literal's quote character, or null
    bool lineComment = false;
    bool braceComment = false;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        const bool code = quote.isNull() && !lineComment && !braceComment;
        if (code && text.mid(i, from.size()).compare(from, Qt::CaseInsensitive) == 0) {
            result += to;
            i += from.size();
            continue;
        }
        if (code) {
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('{'))
                braceComment = true;
            else if (c == QLatin1Char('-') && i + 1 < text.size() && text[i + 1] == QLatin1Char('-'))
                lineComment = true;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();  // a doubled quote closes and reopens: the same state
        } else if (lineComment && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            lineComment = false;
        } else if (braceComment && c == QLatin1Char('}')) {
            braceComment = false;
        }
        result += c;
        ++i;
    }
    return result;
}

QString glued(const QStringList &rows, int width)
{
    QString text;
    text.reserve(rows.size() * width);
    for (const QString &row : rows)
        AppendChunk(text, row, width);
    return text;
}

} // namespace

void AppendChunk(QString &text, const QString &row, int width)
{
    // The rows are CHAR columns, so the width counts UTF-8 bytes: a row
    // holding letters beyond ASCII has fewer characters.
    const auto size = [](char16_t c) { return c < 0x80 ? 1 : c < 0x800 || QChar::isSurrogate(c) ? 2 : 3; };
    // The previous row ended short when this row's leading blanks and first
    // letter beyond ASCII would not have fitted in the blanks that padded it.
    qsizetype letter = 0;
    while (letter < row.size() && row.at(letter) == QLatin1Char(' '))
        ++letter;
    if (letter < row.size() && row.at(letter).unicode() >= 0x80) {
        const qsizetype needs = letter + (row.at(letter).isHighSurrogate() ? 4 : size(row.at(letter).unicode()));
        qsizetype padded = 0;
        while (padded < needs && padded < text.size() && text.at(text.size() - 1 - padded) == QLatin1Char(' '))
            ++padded;
        if (padded < needs)
            text.chop(padded);
    }
    int bytes = 0;
    qsizetype n = 0;
    for (; n < row.size(); ++n) {
        const int bytesOf = size(row.at(n).unicode());
        if (bytes + bytesOf > width)
            break;
        bytes += bytesOf;
    }
    text += row.left(n);
    for (; bytes < width; ++bytes)
        text += QLatin1Char(' ');
}

QString RebuildViewText(const QStringList &rows)
{
    // Keywords match with exactly one blank on each side; tabs become blanks
    // only afterwards, so a keyword beside a tab stays on its line.
    static const std::pair<const char *, const char *> steps[] = {
        {"CREATE VIEW ", "CREATE VIEW "},
        {" AS SELECT ", " AS\r\n  SELECT "},
        {" FROM ", "\r\n   FROM "},
        {" WHERE ", "\r\n   WHERE "},
        {" GROUP BY ", "\r\n   GROUP BY "},
        {" ORDER BY ", "\r\n   ORDER BY "},
        {" WITH CHECK OPTION", "\r\n  WITH CHECK OPTION"},
    };
    QString text = glued(rows, kViewChunkWidth);
    for (const auto &[from, to] : steps)
        text = replaceOutsideLiterals(text, QString::fromLatin1(from), QString::fromLatin1(to));
    return ReplaceAllText(text, kTab, kTwoBlanks);
}

QString RebuildProcedureText(const QStringList &rows)
{
    return ReplaceAllText(glued(rows, kBodyChunkWidth), kTab, kTwoBlanks);
}

QString RebuildTriggerText(const QList<TriggerBodyRow> &rows)
{
    QString text;
    qsizetype i = 0;
    for (; i < rows.size() && rows[i].datakey == QLatin1String("D"); ++i)
        AppendChunk(text, rows[i].data, kBodyChunkWidth);
    text = TrimTrailingControls(text) + QStringLiteral("\r\n");
    for (; i < rows.size() && rows[i].datakey == QLatin1String("A"); ++i)
        AppendChunk(text, rows[i].data, kBodyChunkWidth);
    return ReplaceAllText(text, kTab, kTwoBlanks);
}

QString RebuildViewText(DbQuery &viewBody)
{
    return RebuildViewText(QStringList(readRows<QString>(viewBody, dataOf)));
}

QString RebuildProcedureText(DbQuery &procBody)
{
    return RebuildProcedureText(QStringList(readRows<QString>(procBody, dataOf)));
}

QString RebuildTriggerText(DbQuery &trigBody)
{
    return RebuildTriggerText(readRows<TriggerBodyRow>(trigBody, triggerRowOf));
}

QString RebuildDefinitionText(DefinitionLayout layout, DbQuery &body)
{
    switch (layout) {
    case DefinitionLayout::View: return RebuildViewText(body);
    case DefinitionLayout::Routine: return RebuildProcedureText(body);
    case DefinitionLayout::Trigger: return RebuildTriggerText(body);
    case DefinitionLayout::None: break;
    }
    return {};
}

} // namespace quodlin
