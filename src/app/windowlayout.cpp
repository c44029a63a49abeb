#include "app/windowlayout.h"

#include <algorithm>

namespace quodlin {

QList<QRect> CascadeGeometry(QSize client, int count, QPoint offset)
{
    QList<QRect> rects;
    if (count <= 0 || client.isEmpty())
        return rects;
    const int dx = std::max(1, offset.x());
    const int dy = std::max(1, offset.y());
    const int fitting = std::min(client.width() / 2 / dx, client.height() / 2 / dy);
    const int steps = std::clamp(count - 1, 0, std::max(0, fitting));
    const QSize size(client.width() - steps * dx, client.height() - steps * dy);
    rects.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int step = i % (steps + 1);
        rects << QRect(QPoint(step * dx, step * dy), size);
    }
    return rects;
}

QRect NewWindowGeometry(QSize client, QSize preferred, int index, QPoint offset)
{
    if (client.isEmpty())
        return QRect(QPoint(0, 0), preferred);
    const QSize size(std::clamp(std::max(preferred.width(), client.width() * 2 / 3), 1, client.width()),
                     std::clamp(std::max(preferred.height(), client.height() * 2 / 3), 1, client.height()));
    const int dx = std::max(1, offset.x());
    const int dy = std::max(1, offset.y());
    const int fitting = std::min((client.width() - size.width()) / dx, (client.height() - size.height()) / dy);
    const int step = std::max(0, index) % (fitting + 1);
    return QRect(QPoint(step * dx, step * dy), size);
}

} // namespace quodlin
