#include "output/printchoice.h"

namespace quodlin {

QStringList PrintDocumentLines(const QString &title, const QList<std::optional<QStringList>> &editors)
{
    QStringList lines;
    if (!title.isEmpty())
        lines << title << QString();
    for (int i = 0; i < editors.size(); ++i) {
        if (!editors[i])
            continue;
        lines << *editors[i];
        if (i + 1 < editors.size())
            lines << QString();
    }
    return lines;
}

} // namespace quodlin
