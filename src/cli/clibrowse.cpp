// quodlin-cli tree and show: the object browser's tree and detail pages as text.
#include "cli/clicommands.h"

#include "app/settingdefs.h"
#include "app/textutil.h"
#include "browser/objectdetails.h"
#include "browser/objecttree.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbsession.h"

namespace quodlin::cli {

namespace {

const QString kBrowseDatabaseName = QStringLiteral("QuodlinCliBrowser");

OwnerDisplay ownerDisplay()
{
    OwnerDisplay display;
    try {
        display.displayOwner = Settings::read(Settings::DisplayOwner);
        display.ownerFormat = Settings::read(Settings::DisplayOwnerFormat);
    } catch (const std::exception &) {
        // A setting of the wrong type reads as its default, as a fresh store would.
    }
    return display;
}

// The object nodes of a kind as the tree lists them; members (a role's
// users) only under their category, as they carry the role's name.
QList<const ObjectTreeNode *> nodesOfKind(const ObjectTree &tree, unsigned char kind)
{
    QList<const ObjectTreeNode *> nodes;
    for (const ObjectTreeNode &node : tree.nodes) {
        if (node.info.Kind != kind)
            continue;
        if (tree.nodes[size_t(node.parent)].info.Kind != KindCategory)
            continue;
        nodes << &node;
    }
    return nodes;
}

} // namespace

bool OpenBrowseModule(TdmDbObjects &module, const CliOptions &o, QTextStream &err, const QString &context)
{
    if (o.alias.isEmpty() && o.server.isEmpty()) {
        err << o.command << " needs a database: -d ALIAS or -s SERVER -D DATABASE\n" << kUsage;
        return false;
    }
    try {
        module.SetDatabaseName(kBrowseDatabaseName);
        const QString direct = o.alias.isEmpty() ? o.server + QLatin1Char('\\') + o.database : QString();
        module.Open(o.alias, direct, CliUser(o), ConnectionParams(o).join(QLatin1Char('\n')));
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return false;
    }
    return true;
}

int RunTree(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (!o.arguments.isEmpty()) {
        err << "tree takes no arguments\n" << kUsage;
        return 2;
    }
    const QString context = QStringLiteral("quodlin-cli.tree");
    TdmDbObjects module(DbSession::defaultSession());
    if (!OpenBrowseModule(module, o, err, context))
        return o.alias.isEmpty() && o.server.isEmpty() ? 2 : 1;
    try {
        const ObjectTree tree = LoadObjectTree(module, module.ConnectionName(), ownerDisplay());
        for (const ObjectTreeNode &node : tree.nodes)
            out << QString(node.depth * 2, QLatin1Char(' ')) << EscapeControls(node.label) << '\n';
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 1;
    }
    return 0;
}

int RunShow(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (o.arguments.size() != 2) {
        err << "show takes a kind and a name\n" << kUsage;
        return 2;
    }
    const ObjectKindDesc *kind = FindObjectKindByCliName(o.arguments[0]);
    if (!kind || kind->cliName != o.arguments[0]) {
        err << "Unknown kind " << o.arguments[0] << "\n" << kUsage;
        return 2;
    }
    const QString &name = o.arguments[1];
    const QString context = QStringLiteral("quodlin-cli.show");
    TdmDbObjects module(DbSession::defaultSession());
    if (!OpenBrowseModule(module, o, err, context))
        return o.alias.isEmpty() && o.server.isEmpty() ? 2 : 1;
    try {
        const ObjectTree tree = LoadObjectTree(module, module.ConnectionName(), ownerDisplay());
        QList<const ObjectTreeNode *> matches;
        for (const ObjectTreeNode *node : nodesOfKind(tree, kind->kind))
            if (node->info.Name == name && (!o.owner || node->info.Owner == *o.owner))
                matches << node;
        if (matches.isEmpty()) {
            err << "No " << o.arguments[0] << " named " << EscapeControls(name);
            if (o.owner)
                err << " owned by " << EscapeControls(*o.owner);
            err << ".\n";
            return 1;
        }
        if (matches.size() > 1) {
            err << "Several " << o.arguments[0] << "s are named " << EscapeControls(name) << "; give --owner (";
            for (qsizetype i = 0; i < matches.size(); ++i)
                err << (i ? ", " : "") << EscapeControls(matches[i]->info.Owner);
            err << ").\n";
            return 1;
        }
        for (const QString &line : ObjectDetailLines(module, matches.first()->info))
            out << line << '\n';
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 1;
    }
    return 0;
}

} // namespace quodlin::cli
