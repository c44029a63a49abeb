#pragma once
// Pictures of boxes and arrows (table diagrams, query plans) as plain data,
// and their layout by Graphviz's dot. The core says what the boxes hold and
// where they go; the window measures the text, draws with Qt and exports.
// Coordinates are points with the origin at the top left, y growing down.
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

namespace quodlin {

// One line of a box: a short mark column ("PK", "FK"), the text, a detail
// column (a column's type).
struct GraphRow {
    QString mark;
    QString text;
    QString detail;
};

struct GraphNode {
    QString title;
    QList<GraphRow> rows;
    bool emphasized = false;  // the table the diagram is about, the plan's root
};

struct GraphEdge {
    int from = 0;
    int to = 0;
    QString label;
};

struct GraphPicture {
    QList<GraphNode> nodes;
    QList<GraphEdge> edges;
    bool leftToRight = false;  // ranks from left to right instead of top down
};

struct EdgeGeometry {
    // Cubic Bezier control points: start, then three points per segment.
    QList<QPointF> path;
    QPointF arrowTip;     // where the arrow head points; equal to the path's end when it has none
    QPointF labelCentre;
    bool hasLabel = false;
};

struct GraphLayout {
    QSizeF size;
    QList<QRectF> nodes;       // per node of the picture
    QList<EdgeGeometry> edges; // per edge
};

// The size of a node's box in points, as the window will draw it.
using NodeMeasure = std::function<QSizeF(const GraphNode &)>;

// Lays the picture out with dot; edge labels are sized by Graphviz for
// `labelPoints` text. Raises std::runtime_error when Graphviz cannot lay it
// out (its plugins missing).
GraphLayout LayOutGraph(const GraphPicture &picture, const NodeMeasure &measure, double labelPoints = 8);

} // namespace quodlin
