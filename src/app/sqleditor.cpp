#include "app/sqleditor.h"

#include <QRegularExpression>

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

const QStringList &PlaceholderNames()
{
    static const QStringList names = {
        QStringLiteral("<new>.sql"), QStringLiteral("<tr_new>"), QStringLiteral("<sp_new>"),
        QStringLiteral("<vw_new>"),  QStringLiteral("<sy_new>"), QStringLiteral("tr_new"),
        QStringLiteral("sp_new"),    QStringLiteral("vw_new"),   QStringLiteral("sy_new"),
    };
    return names;
}

QString TrimSql(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 32)
        ++start;
    while (end > start && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(start, end - start);
}

QString UpperAscii(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return result;
}

QString GetCreateObjectName(const ISqlEditor &editor)
{
    const QString written = editor.text();
    const QString upper = UpperAscii(written);
    struct Kind {
        const char *create;
        const char *dbaCreate;
        const char *keyword;
        QChar terminator;
    };
    static const Kind kinds[] = {
        {"CREATE TRIGGER", "CREATE DBA TRIGGER", "TRIGGER ", QLatin1Char(' ')},
        {"CREATE PROCEDURE", "CREATE DBA PROCEDURE", "PROCEDURE ", QLatin1Char('(')},
        {"CREATE FUNCTION", "CREATE DBA FUNCTION", "FUNCTION ", QLatin1Char('(')},
        {"CREATE VIEW", "CREATE DBA VIEW", "VIEW ", QLatin1Char(' ')},
        {"CREATE SYNONYM", "CREATE DBA SYNONYM", "SYNONYM ", QLatin1Char(' ')},
    };
    for (const Kind &kind : kinds) {
        if (!upper.contains(QLatin1String(kind.create)) && !upper.contains(QLatin1String(kind.dbaCreate)))
            continue;
        const QLatin1String keyword(kind.keyword);
        const qsizetype at = upper.indexOf(keyword);
        if (at < 0)
            return {};
        QString name = written.mid(at + keyword.size(), 255);
        // The keyword's line ends at CR; a bare LF ends it as well.
        const qsizetype lineEnd = name.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0)
            name.truncate(lineEnd);
        name = TrimSql(name);
        if (const qsizetype cut = name.indexOf(kind.terminator); cut >= 0)
            name.truncate(cut);
        return TrimSql(name);
    }
    return {};
}

QString GetUnqualifiedObjectName(const ISqlEditor &editor)
{
    QString name = GetCreateObjectName(editor);
    if (UpperAscii(name).startsWith(QLatin1String("INFORMIX.")))
        name.remove(0, 9);
    if (UpperAscii(name).startsWith(QLatin1String("\"INFORMIX\".")))
        name.remove(0, 11);
    return name;
}

} // namespace quodlin
