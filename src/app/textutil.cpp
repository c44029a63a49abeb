#include "app/textutil.h"

namespace quodlin {

QString ReplaceAllText(const QString &text, const QString &from, const QString &to)
{
    return ReplaceInText(text, from, to, false, true);
}

QString ReplaceInText(const QString &text, const QString &search, const QString &replacement, bool matchCase,
                      bool all)
{
    QString result = text;
    if (text.isEmpty() || search.isEmpty())
        return result;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool holdsSearch = replacement.contains(search, cs);
    // Rescanning could in principle feed itself; a replacement count far
    // beyond anything a text can need ends such a loop.
    qsizetype budget = 4 * (text.size() + 16);
    qsizetype at = result.indexOf(search, 0, cs);
    while (at >= 0 && budget-- > 0) {
        result.replace(at, search.size(), replacement);
        if (!all)
            break;
        // Nothing before `at` matched, so a new occurrence can only begin
        // where it overlaps the inserted text: the same as searching from
        // the start, without rereading the unchanged head.
        const qsizetype from = holdsSearch ? at + replacement.size() : qMax<qsizetype>(0, at - search.size() + 1);
        at = result.indexOf(search, from, cs);
    }
    return result;
}

QString TrimTrailingControls(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() <= 32)
        --end;
    text.truncate(end);
    return text;
}

QString EscapeControls(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QStringLiteral("\\\\");
        else if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if ((u >= 0x2028 && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069))
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace quodlin
