// Printed output read back: the lines pdftotext finds in a PDF, each trimmed,
// without the trailing empty ones.
#pragma once

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
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

// Where the first page's text lies, in points from the paper's top-left
// corner, and the page's size.
struct PdfTextArea {
    QRectF text;
    QSizeF page;
};

inline PdfTextArea PdfFirstPageTextArea(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
                                          QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    PdfTextArea area;
    const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
    if (const auto m = page.match(html); m.hasMatch())
        area.page = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        area.text |= QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return area;
}

} // namespace quodlin::test
