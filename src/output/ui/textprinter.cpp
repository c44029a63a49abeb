#include "output/ui/textprinter.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

namespace quodlin {

bool PrintTextLines(QPagedPaintDevice &device, const QFont &font, const QStringList &lines)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Editor fonts are sized in screen pixels; on a printer that would be a
    // few hundredths of an inch, so the size goes over as points at 96 dpi.
    QFont printFont(font);
    if (font.pixelSize() > 0)
        printFont.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    painter.setFont(QFont(printFont, &device));
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = metrics.lineSpacing();
    const QRect page = painter.viewport();
    int y = 0;
    for (const QString &line : lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            device.newPage();
            y = 0;
        }
        painter.drawText(QRect(0, y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs,
                         line);
        y += lineHeight;
    }
    return painter.end();
}

} // namespace quodlin
