#pragma once
// The object tree of a browser as plain data: every node in tree order
// (parents before children, siblings in order) with its record TNodeInfo,
// its label, image index, parent and depth. LoadObjectTree runs the module's
// list queries and builds it; the browser window turns the nodes into tree
// items one to one (node i's parent is an earlier node), expands the nodes
// marked expanded and selects `target`; quodlin-cli prints the same nodes.
#include "catalog/objectkinds.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace quodlin {

class TdmDbObjects;

struct TNodeInfo {
    unsigned char Kind = KindCategory;
    QString Name;     // first column of the list query; empty for categories
    QString Owner;    // second column; empty for categories
    QString Caption;  // the label for objects; the long name for categories ("System Tables")
    // The list's id column (tabid, procid, trigid) where the kind has one:
    // it tells apart routines that share a name.
    int Id = 0;
};

// The settings "Display Owner" and "Display Owner Format".
struct OwnerDisplay {
    bool displayOwner = true;
    int ownerFormat = 1;  // 0 name (owner), 1 owner.name, 2 "owner".name
};

// The label of an object node. Kinds labelled by name (users, roles) show the name alone.
QString FormatNodeCaption(int kind, const QString &name, const QString &owner, const OwnerDisplay &display);

struct ObjectTreeNode {
    TNodeInfo info;
    QString label;
    int image = 0;       // the selected image is the same
    int parent = -1;     // index of the parent node; -1 for the root
    int depth = 0;       // 0 for the root
    bool expanded = false;
};

struct ObjectTree {
    std::vector<ObjectTreeNode> nodes;  // nodes[0] is the root
    int target = 0;                     // the node to select after the load

    // Indexes of the node's children in order.
    QList<int> children(int node) const;
    // The first node in tree order whose label is `label`; -1 when none.
    int findByLabel(const QString &label) const;
};

// Runs the list queries of the kinds (objectkinds.h) in tree order and builds
// the tree: a category per kind, a sub-category per list where the kind has
// several. The root is labelled `connectionName`. Nodes of a kind with
// members get them (a role's users, labelled by the member's user name;
// their record's Name stays the role name). The target
// is the last node (not the root) whose record caption equals
// `reselectCaption`, else the root. A database without the Informix catalog
// gets the root and one node that says so. `status` receives "Loading [...]..." as
// each list starts. Raises the layer's failures; the queries are closed after.
inline const QString kNoInformixCatalog = QStringLiteral("This database has no Informix system catalog");

ObjectTree LoadObjectTree(TdmDbObjects &module, const QString &connectionName, const OwnerDisplay &display,
                          const QString &reselectCaption = {},
                          const std::function<void(const QString &)> &status = {});

} // namespace quodlin
