#include "app/textutil.h"

#include <QSaveFile>

namespace quodlin {

QString ReplaceAllText(const QString &text, const QString &from, const QString &to)
{
    QString result = text;
    if (text.isEmpty() || from.isEmpty())
        return result;
    const bool toHoldsFrom = to.contains(from, Qt::CaseInsensitive);
    // Rescanning from the start could in principle feed itself; a replacement
    // count far beyond anything a text can need ends such a loop.
    qsizetype budget = 4 * (text.size() + 16);
    qsizetype at = result.indexOf(from, 0, Qt::CaseInsensitive);
    while (at >= 0 && budget-- > 0) {
        result.replace(at, from.size(), to);
        at = result.indexOf(from, toHoldsFrom ? at + to.size() : 0, Qt::CaseInsensitive);
    }
    return result;
}

bool WriteTextFileAtomically(const QString &path, const QString &text, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray bytes = text.toUtf8();
        if (file.write(bytes) == bytes.size() && file.commit())
            return true;
    }
    if (error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
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
