#include "app/textutil.h"

namespace quodlin {

QString ReplaceAllText(const QString &text, const QString &from, const QString &to)
{
    if (from.isEmpty())
        return text;
    QString result = text;
    return result.replace(from, to, Qt::CaseInsensitive);
}

} // namespace quodlin
