// Printed output read back: the lines pdftotext finds in a PDF, each trimmed,
// without the trailing empty ones.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace quodlin::test {

inline bool HavePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

inline QStringList PdfLines(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).remove(QLatin1Char('\f')).split(QLatin1Char('\n'));
    for (QString &l : lines)
        l = l.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace quodlin::test
