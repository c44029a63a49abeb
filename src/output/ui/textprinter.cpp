#include "output/ui/textprinter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace quodlin {

bool PrintDocument(QPagedPaintDevice &device, const QFont &font, const QList<PrintBlock> &blocks)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Editor fonts are sized in screen pixels; on a printer that would be a
    // few hundredths of an inch, so the size goes over as points at 96 dpi.
    QFont printFont(font);
    if (font.pixelSize() > 0)
        printFont.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    printFont = QFont(printFont, &device);
    const QRect page = painter.viewport();
    // The widest of a few letters, so a font that is not quite fixed-pitch
    // still fits what the layout counted.
    auto charWidth = [&](const QFont &f) {
        const QFontMetricsF metrics(f, &device);
        qreal widest = 0;
        for (QChar c : QStringLiteral("MW0_"))
            widest = std::max(widest, metrics.horizontalAdvance(c));
        return std::max<qreal>(widest, 1);
    };
    const PrintedDocument doc = LayoutForPrint(blocks, int(page.width() / charWidth(printFont)));
    if (doc.scale < 1)
        printFont.setPointSizeF(printFont.pointSizeF() * doc.scale);
    painter.setFont(printFont);
    painter.setPen(Qt::black);
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int y = 0;
    for (const QString &line : doc.lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            device.newPage();
            y = 0;
        }
        painter.drawText(QRect(0, y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop, line);
        y += lineHeight;
    }
    return painter.end();
}

void SetUpNewPrinter(QPrinter &printer)
{
    printer.setPageMargins(DefaultPrintMargins(), QPageLayout::Millimeter);
}

} // namespace quodlin
