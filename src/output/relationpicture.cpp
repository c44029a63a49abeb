#include "output/relationpicture.h"

#include <QStringList>

namespace quodlin {

GraphPicture DiagramPicture(const RelationDiagram &diagram)
{
    GraphPicture picture;
    picture.leftToRight = true;
    for (const DiagramTable &t : diagram.tables) {
        GraphNode node;
        node.title = t.owner.isEmpty() ? t.name : t.owner + QLatin1Char('.') + t.name;
        node.emphasized = picture.nodes.size() == diagram.focus;
        for (const DiagramColumn &c : t.columns) {
            QStringList marks;
            if (c.primaryKey)
                marks << QStringLiteral("PK");
            if (c.foreignKey)
                marks << QStringLiteral("FK");
            if (c.unique && !c.primaryKey)
                marks << QStringLiteral("U");
            node.rows << GraphRow{marks.join(QLatin1Char(' ')), c.name, c.type};
        }
        picture.nodes << node;
    }
    for (const DiagramArrow &a : diagram.arrows)
        picture.edges << GraphEdge{a.from, a.to, a.constraintName};
    return picture;
}

} // namespace quodlin
