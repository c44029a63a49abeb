#include "app/textutil.h"

namespace quodlin {

QString ReplaceAllText(const QString &text, const QString &from, const QString &to)
{
    if (from.isEmpty())
        return text;
    QString result = text;
    return result.replace(from, to, Qt::CaseInsensitive);
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
