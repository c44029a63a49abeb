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

} // namespace quodlin
