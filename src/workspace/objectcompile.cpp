#include "workspace/objectcompile.h"

#include "browser/definitiontext.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/queryexec.h"
#include "workspace/sqlanalysis.h"

#include <exception>

namespace quodlin {

namespace {

void runStatement(DbQuery &query, const QString &sql)
{
    query.close();
    query.setSql(sql);
    query.setLive(false);
    query.execSQL();
}

void say(const CompileHooks &hooks, const char *text)
{
    if (hooks.status)
        hooks.status(QString::fromLatin1(text));
}

} // namespace

CompileResult ExecDropCreate(ISqlEditor &editor, DbQuery &compileQuery, QString &loadedDefinition,
                             const CompileHooks &hooks)
{
    CompileResult result;
    say(hooks, "Dropping object...");
    FixCommentColons(editor);
    result.dropped = DropBeforeCreate(editor, compileQuery);
    say(hooks, "Compiling object...");
    const QString text = editor.text();
    try {
        runStatement(compileQuery, text);
        loadedDefinition = text;
        result.compiled = true;
        say(hooks, "Object compiled successfully.");
    } catch (const std::exception &failure) {
        if (hooks.showError)
            hooks.showError(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.ExecDropCreate")));
        if (hooks.showErrorPosition)
            hooks.showErrorPosition(FailureErrorOffset(failure));
        if (result.dropped) {
            say(hooks, "Restoring object...");
            try {
                runStatement(compileQuery, loadedDefinition);
            } catch (const std::exception &restoreFailure) {
                result.restoreFailed = true;
                if (hooks.showError)
                    hooks.showError(DbErrorReport(restoreFailure, QStringLiteral("TfrmDbObjects.Compile.ExecDropCreate")));
            }
        }
        say(hooks, "Object compiled with errors.");
    }
    compileQuery.close();
    return result;
}

QString DropObjectStatement(int kind, const QString &name)
{
    static const char *const statements[] = {"DROP TABLE ", "DROP VIEW ", "DROP PROCEDURE ", "DROP TRIGGER ",
                                             "DROP SYNONYM "};
    if (kind < KindTable || kind > KindSynonym)
        return {};
    return QString::fromLatin1(statements[kind - KindTable]) + name;
}

void DropObject(DbQuery &compileQuery, const QString &statement)
{
    compileQuery.close();
    compileQuery.setSql(statement);
    compileQuery.setLive(false);
    try {
        compileQuery.execSQL();
    } catch (...) {
        compileQuery.close();
        throw;
    }
    compileQuery.close();
}

int CreateTextKind(const ISqlEditor &editor)
{
    const QString drop = DropStatementFor(editor, QString());
    if (drop.startsWith(QLatin1String("DROP TRIGGER")))
        return KindTrigger;
    if (drop.startsWith(QLatin1String("DROP PROCEDURE")))
        return KindProcedure;
    if (drop.startsWith(QLatin1String("DROP VIEW")))
        return KindView;
    if (drop.startsWith(QLatin1String("DROP SYNONYM")))
        return KindSynonym;
    return KindCategory;
}

QString NameWithoutOwner(const QString &name)
{
    QString result = name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
    if (result.size() >= 2 && result.startsWith(QLatin1Char('"')) && result.endsWith(QLatin1Char('"')))
        result = result.mid(1, result.size() - 2);
    return result;
}

std::optional<TNodeInfo> FindObjectNode(TdmDbObjects &module, int kind, const QString &name, const QString &owner)
{
    const ObjectTree tree = LoadObjectTree(module, module.ConnectionName(), OwnerDisplay{});
    std::optional<TNodeInfo> found;
    for (const ObjectTreeNode &node : tree.nodes) {
        if (node.info.Kind != kind || node.info.Name != name || (!owner.isEmpty() && node.info.Owner != owner))
            continue;
        if (found && found->Owner != node.info.Owner)
            return std::nullopt;
        found = node.info;
    }
    return found;
}

QString LoadObjectDefinition(TdmDbObjects &module, const TNodeInfo &node)
{
    switch (node.Kind) {
    case KindView:
        module.LoadTable(node.Name, node.Owner);
        return RebuildViewText(module.qryViewBody());
    case KindProcedure:
        module.LoadProc(node.Name, node.Owner);
        return RebuildProcedureText(module.qryProcBody());
    case KindTrigger:
        module.LoadTrigger(node.Name, node.Owner);
        return RebuildTriggerText(module.qryTrigBody());
    default:
        return {};
    }
}

} // namespace quodlin
