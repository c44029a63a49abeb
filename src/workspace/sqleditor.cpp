#include "workspace/sqleditor.h"

namespace quodlin {

QStringList ISqlEditor::lines() const
{
    QStringList result;
    const int n = lineCount();
    result.reserve(n);
    for (int i = 0; i < n; ++i)
        result << line(i);
    return result;
}

QString ISqlEditor::text() const { return lines().join(QStringLiteral("\r\n")); }

int CaretFromTextOffset(const QString &crlfText, int offset)
{
    const int end = qBound(0, offset, int(crlfText.size()));
    int caret = end;
    for (int i = 0; i + 1 < end; ++i)
        if (crlfText[i] == QLatin1Char('\r') && crlfText[i + 1] == QLatin1Char('\n'))
            --caret;
    return caret;
}

QStringList SplitEditorLines(const QString &text)
{
    QStringList result;
    if (text.isEmpty())
        return result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        result << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    // A text ending in a line break has an empty last line, as an editor shows it.
    result << text.mid(start);
    return result;
}

void SqlTextBuffer::setLine(int index, const QString &text)
{
    if (index >= 0 && index < m_lines.size() && m_lines[index] != text) {
        m_lines[index] = text;
        m_modified = true;
    }
}

void SqlTextBuffer::setText(const QString &text)
{
    m_lines = SplitEditorLines(text);
    m_modified = true;
}

} // namespace quodlin
