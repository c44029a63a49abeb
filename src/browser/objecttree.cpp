#include "browser/objecttree.h"

#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"

namespace quodlin {

QString FormatNodeCaption(int kind, const QString &name, const QString &owner, const OwnerDisplay &display)
{
    if (kind == KindUser || kind == KindRole || !display.displayOwner)
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

    // `members`: the rows are a role's members, labelled by their user name
    // (the second column).
    void load(int parent, DbQuery &query, unsigned char kind, bool members = false)
    {
        if (m_status)
            m_status(QStringLiteral("Loading [") + m_lastCategory + QStringLiteral("]..."));
        const int image = kind == KindUser ? int(ImageUser) : m_tree.nodes[size_t(parent)].image;
        query.close();
        query.open();
        query.disableControls();  // members are read per role below, not on every move
        try {
            for (query.first(); !query.eof(); query.next()) {
                const QString name = query.field(0).asString();
                const QString owner = query.field(1).asString();
                const QString caption = FormatNodeCaption(kind, members ? owner : name, owner, m_display);
                const int node = add(parent, TNodeInfo{kind, name, owner, caption}, caption, image);
                if (kind == KindRole)
                    loadMembers(node, query);
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
    void loadMembers(int roleNode, DbQuery &roles)
    {
        DbQuery &members = m_module.qryRoleUsers();
        members.close();
        members.setParam(QStringLiteral("rolename"), roles.field(0).value());
        load(roleNode, members, KindUser, true);
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

    const int tables = b.category(root, QStringLiteral("Tables"), QStringLiteral("Tables"), ImageTable);
    b.load(b.category(tables, QStringLiteral("System"), QStringLiteral("System Tables"), ImageTable),
           module.qrySystemTables(), KindTable);
    b.load(b.category(tables, QStringLiteral("User"), QStringLiteral("User Tables"), ImageTable),
           module.qryUserTables(), KindTable);
    b.load(b.category(root, QStringLiteral("Views"), QStringLiteral("Views"), ImageView), module.qryViews(), KindView);
    b.load(b.category(root, QStringLiteral("Synonyms"), QStringLiteral("Synonyms"), ImageSynonym),
           module.qrySynonyms(), KindSynonym);

    const int procs = b.category(root, QStringLiteral("Procedures"), QStringLiteral("Procedures"), ImageProcedure);
    b.load(b.category(procs, QStringLiteral("System"), QStringLiteral("System Procedures"), ImageProcedure),
           module.qrySystemProcs(), KindProcedure);
    b.load(b.category(procs, QStringLiteral("Generated"), QStringLiteral("Generated Procedures"), ImageProcedure),
           module.qryGeneratedProcs(), KindProcedure);
    b.load(b.category(procs, QStringLiteral("User"), QStringLiteral("User Procedures"), ImageProcedure),
           module.qryUngeneratedProcs(), KindProcedure);

    const int triggers = b.category(root, QStringLiteral("Triggers"), QStringLiteral("Triggers"), ImageTrigger);
    b.load(b.category(triggers, QStringLiteral("Insert"), QStringLiteral("Insert Triggers"), ImageTrigger),
           module.qryInsertTriggers(), KindTrigger);
    b.load(b.category(triggers, QStringLiteral("Update"), QStringLiteral("Update Triggers"), ImageTrigger),
           module.qryUpdateTriggers(), KindTrigger);
    b.load(b.category(triggers, QStringLiteral("Delete"), QStringLiteral("Delete Triggers"), ImageTrigger),
           module.qryDeleteTriggers(), KindTrigger);

    b.load(b.category(root, QStringLiteral("Users"), QStringLiteral("Users"), ImageUser), module.qryUsers(), KindUser);
    b.load(b.category(root, QStringLiteral("Roles"), QStringLiteral("Roles"), ImageRole), module.qryRoles(), KindRole);

    ObjectTree tree = b.finish();
    for (const int expanded : {root, tables, procs, triggers})
        tree.nodes[size_t(expanded)].expanded = true;
    return tree;
}

} // namespace quodlin
