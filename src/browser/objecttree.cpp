#include "browser/objecttree.h"

#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"

namespace quodlin {

QString FormatNodeCaption(int kind, const QString &name, const QString &owner, const OwnerDisplay &display)
{
    const ObjectKindDesc *desc = FindObjectKind(kind);
    if ((desc && desc->labelledByName) || !display.displayOwner)
        return name;
    switch (display.ownerFormat) {
    case 1: return owner + QLatin1Char('.') + name;
    case 2: return QLatin1Char('"') + owner + QStringLiteral("\".") + name;
    default: return name + QStringLiteral(" (") + owner + QLatin1Char(')');
    }
}

QList<int> ObjectTree::children(int node) const
{
    QList<int> result;
    for (int i = node + 1; i < int(nodes.size()) && nodes[size_t(i)].depth > nodes[size_t(node)].depth; ++i)
        if (nodes[size_t(i)].parent == node)
            result << i;
    return result;
}

int ObjectTree::findByLabel(const QString &label) const
{
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].label == label)
            return int(i);
    return -1;
}

namespace {

class TreeBuilder {
public:
    TreeBuilder(TdmDbObjects &module, const OwnerDisplay &display, const QString &reselect,
                const std::function<void(const QString &)> &status)
        : m_module(module), m_display(display), m_reselect(reselect), m_status(status)
    {
    }

    int add(int parent, TNodeInfo info, const QString &label, int image)
    {
        ObjectTreeNode node;
        node.info = std::move(info);
        node.label = label;
        node.image = image;
        node.parent = parent;
        node.depth = parent < 0 ? 0 : m_tree.nodes[size_t(parent)].depth + 1;
        m_tree.nodes.push_back(std::move(node));
        const int index = int(m_tree.nodes.size()) - 1;
        if (parent >= 0 && !m_reselect.isEmpty() && m_tree.nodes.back().info.Caption == m_reselect)
            m_target = index;
        return index;
    }

    int category(int parent, const QString &label, const QString &caption, int image)
    {
        m_lastCategory = caption;
        return add(parent, TNodeInfo{KindCategory, {}, {}, caption}, label, image);
    }

    // `members`: the rows are an object's members, labelled by their name
    // (the second column).
    void load(int parent, DbQuery &query, const ObjectKindDesc &kind, bool members = false)
    {
        if (m_status)
            m_status(QStringLiteral("Loading [") + m_lastCategory + QStringLiteral("]..."));
        query.close();
        query.open();
        query.disableControls();  // members are read per object below, not on every move
        try {
            const DbField *id = kind.idField.isEmpty() ? nullptr : query.findField(kind.idField);
            for (query.first(); !query.eof(); query.next()) {
                const QString name = query.field(0).asString();
                const QString owner = query.field(1).asString();
                const QString caption = FormatNodeCaption(kind.kind, members ? owner : name, owner, m_display);
                TNodeInfo info{kind.kind, name, owner, caption, id ? id->value().toInt() : 0};
                const int node = add(parent, std::move(info), caption, kind.image);
                if (!kind.memberQuery.isEmpty())
                    loadMembers(node, query, kind);
            }
        } catch (...) {
            query.enableControls();
            query.close();
            throw;
        }
        query.enableControls();
        query.close();
    }

    ObjectTree finish()
    {
        m_tree.target = m_target;
        return std::move(m_tree);
    }

private:
    void loadMembers(int node, DbQuery &list, const ObjectKindDesc &kind)
    {
        DbQuery &members = m_module.query(kind.memberQuery);
        members.close();
        members.setParam(kind.memberParam, list.field(0).value());
        load(node, members, *FindObjectKind(kind.memberKind), true);
    }

    TdmDbObjects &m_module;
    OwnerDisplay m_display;
    QString m_reselect;
    const std::function<void(const QString &)> &m_status;
    ObjectTree m_tree;
    int m_target = 0;
    QString m_lastCategory;
};

} // namespace

ObjectTree LoadObjectTree(TdmDbObjects &module, const QString &connectionName, const OwnerDisplay &display,
                          const QString &reselectCaption, const std::function<void(const QString &)> &status)
{
    TreeBuilder b(module, display, reselectCaption, status);
    const int root = b.add(-1, TNodeInfo{KindCategory, {}, {}, connectionName}, connectionName, ImageConnection);
    if (!module.HasInformixCatalog()) {
        b.add(root, TNodeInfo{KindCategory, {}, {}, kNoInformixCatalog}, kNoInformixCatalog, ImageConnection);
        ObjectTree tree = b.finish();
        tree.nodes[size_t(root)].expanded = true;
        return tree;
    }
    QList<int> expanded{root};
    for (const ObjectKindDesc &kind : ObjectKinds()) {
        const int category = b.category(root, kind.category, kind.category, kind.image);
        // A kind of one list hangs its objects under its category; one of
        // several has a sub-category per list, and opens expanded.
        if (kind.lists.size() > 1)
            expanded << category;
        for (const ObjectList &list : kind.lists) {
            const int parent = kind.lists.size() > 1 ? b.category(category, list.label, list.caption, kind.image)
                                                     : category;
            b.load(parent, module.query(list.query), kind);
        }
    }

    ObjectTree tree = b.finish();
    for (const int node : expanded)
        tree.nodes[size_t(node)].expanded = true;
    return tree;
}

} // namespace quodlin
