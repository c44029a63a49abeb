#pragma once
// Where Window > Cascade puts the frame's child windows. Qt's own cascade
// sizes each window by its size hint, which leaves a browser about 200 x 75
// pixels; cascaded windows here keep a working size instead.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quodlin {

// The geometry of `count` cascaded windows in a client area of `client` size,
// the back one first: each one `offset` further down and right, all of one
// size, the client area less the offsets used. Once more offsets would leave
// a window less than half the client area, the next one starts over at the
// top-left corner.
QList<QRect> CascadeGeometry(QSize client, int count, QPoint offset);

// Where a new window opens among `index` others: `index` offsets down and
// right of the top-left corner, starting over before it would leave the
// client area, at the preferred size grown to two thirds of the area (room
// for a result) and never larger than the area.
QRect NewWindowGeometry(QSize client, QSize preferred, int index, QPoint offset);

} // namespace quodlin
