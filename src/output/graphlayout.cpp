#include "output/graphlayout.h"

#include <graphviz/gvc.h>

#include <QByteArray>

#include <mutex>
#include <stdexcept>

namespace quodlin {

namespace {

// Graphviz keeps global state: one context for the process, one layout at a time.
std::mutex &graphvizLock()
{
    static std::mutex lock;
    return lock;
}

GVC_t *context()
{
    static GVC_t *gvc = gvContext();
    return gvc;
}

void set(void *object, const char *name, const QByteArray &value)
{
    agsafeset(object, const_cast<char *>(name), const_cast<char *>(value.constData()), const_cast<char *>(""));
}

QByteArray number(double value) { return QByteArray::number(value, 'f', 4); }

// Closes the graph and frees its layout whatever happens between.
struct GraphGuard {
    Agraph_t *graph = nullptr;
    bool laidOut = false;
    ~GraphGuard()
    {
        if (laidOut)
            gvFreeLayout(context(), graph);
        if (graph)
            agclose(graph);
    }
};

} // namespace

GraphLayout LayOutGraph(const GraphPicture &picture, const NodeMeasure &measure, double labelPoints)
{
    GraphLayout result;
    if (picture.nodes.isEmpty())
        return result;
    const std::lock_guard lock(graphvizLock());
    GraphGuard guard;
    guard.graph = agopen(const_cast<char *>("picture"), Agdirected, nullptr);
    Agraph_t *g = guard.graph;
    set(g, "rankdir", picture.leftToRight ? "LR" : "TB");
    set(g, "nodesep", "0.3");
    set(g, "ranksep", "0.5");

    QList<Agnode_t *> nodes;
    nodes.reserve(picture.nodes.size());
    for (qsizetype i = 0; i < picture.nodes.size(); ++i) {
        Agnode_t *n = agnode(g, QByteArray("n" + QByteArray::number(i)).data(), 1);
        const QSizeF size = measure(picture.nodes[i]);
        set(n, "shape", "box");
        set(n, "fixedsize", "true");
        set(n, "label", "");
        set(n, "width", number(size.width() / 72.0));
        set(n, "height", number(size.height() / 72.0));
        nodes << n;
    }
    QList<Agedge_t *> edges;
    for (qsizetype i = 0; i < picture.edges.size(); ++i) {
        const GraphEdge &e = picture.edges[i];
        if (e.from < 0 || e.to < 0 || e.from >= nodes.size() || e.to >= nodes.size())
            throw std::invalid_argument("An arrow names a box the picture does not have.");
        // Named, so two arrows between the same boxes stay two.
        Agedge_t *edge = agedge(g, nodes[e.from], nodes[e.to], QByteArray("e" + QByteArray::number(i)).data(), 1);
        if (!e.label.isEmpty()) {
            set(edge, "label", e.label.toUtf8());
            set(edge, "fontsize", number(labelPoints));
            set(edge, "fontname", "Helvetica");
        }
        edges << edge;
    }
    if (gvLayout(context(), g, "dot") != 0)
        throw std::runtime_error("Graphviz could not lay out the picture (is its dot layout plugin installed?).");
    guard.laidOut = true;

    const boxf bb = GD_bb(g);
    const auto point = [&](pointf p) { return QPointF(p.x - bb.LL.x, bb.UR.y - p.y); };
    result.size = QSizeF(bb.UR.x - bb.LL.x, bb.UR.y - bb.LL.y);
    for (Agnode_t *n : nodes) {
        const QPointF centre = point(ND_coord(n));
        const double w = ND_width(n) * 72.0, h = ND_height(n) * 72.0;
        result.nodes << QRectF(centre.x() - w / 2, centre.y() - h / 2, w, h);
    }
    for (Agedge_t *edge : edges) {
        EdgeGeometry geometry;
        if (const splines *spl = ED_spl(edge); spl && spl->size > 0) {
            const bezier &bz = spl->list[0];
            for (int k = 0; k < bz.size; ++k)
                geometry.path << point(bz.list[k]);
            geometry.arrowTip = bz.eflag ? point(bz.ep) : geometry.path.value(geometry.path.size() - 1);
        }
        if (const textlabel_t *label = ED_label(edge)) {
            geometry.labelCentre = point(label->pos);
            geometry.hasLabel = true;
        }
        result.edges << geometry;
    }
    return result;
}

} // namespace quodlin
