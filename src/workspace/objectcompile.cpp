#include "workspace/objectcompile.h"

#include "browser/definitiontext.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/builtstatement.h"
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

// A failure that ended the transaction already (an interrupted write) has
// undone it all: -255 then means the old object is back.
void rollbackWork(DbQuery &query)
{
    try {
        RunBuiltStatement(query, QStringLiteral("ROLLBACK WORK"));
    } catch (const DbEngineError &e) {
        if (e.nativeCode() != -255)
            throw;
    }
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
    auto report = [&hooks](const std::exception &failure, const char *context) {
        if (hooks.showError)
            hooks.showError(DbErrorReport(failure, QString::fromLatin1(context)));
    };
    say(hooks, "Dropping object...");
    FixCommentColons(editor);
    WorkTransaction transaction = WorkTransaction::None;
    auto giveUp = [&](const std::exception &failure) {
        report(failure, "TfrmDbObjects.ExecDropCreate");
        say(hooks, "Object compiled with errors.");
        compileQuery.close();
        return result;
    };
    try {
        transaction = BeginWork(QueryConnection(compileQuery));
    } catch (const DbEngineError &e) {
        // The lock was not granted, or Stop: nothing was dropped. Any other
        // refusal of BEGIN WORK is a server without transactions.
        if (e.nativeCode() == -244 || e.nativeCode() == -213)
            return giveUp(e);
    } catch (const std::exception &failure) {
        return giveUp(failure);  // no connection
    }
    result.dropped = DropBeforeCreate(editor, compileQuery);
    say(hooks, "Compiling object...");
    const QString text = editor.text();
    try {
        runStatement(compileQuery, text);
        if (transaction == WorkTransaction::Own)
            RunBuiltStatement(compileQuery, QStringLiteral("COMMIT WORK"));
        loadedDefinition = text;
        result.compiled = true;
        say(hooks, "Object compiled successfully.");
    } catch (const std::exception &failure) {
        report(failure, "TfrmDbObjects.ExecDropCreate");
        if (hooks.showErrorPosition)
            hooks.showErrorPosition(FailureErrorOffset(failure));
        if (result.dropped)
            say(hooks, "Restoring object...");
        try {
            // Our own transaction's rollback brings the old object back; elsewhere it is run again.
            if (transaction == WorkTransaction::Own)
                rollbackWork(compileQuery);
            else if (result.dropped)
                runStatement(compileQuery, loadedDefinition);
        } catch (const std::exception &restoreFailure) {
            result.restoreFailed = true;
            report(restoreFailure, "TfrmDbObjects.Compile.ExecDropCreate");
        }
        say(hooks, "Object compiled with errors.");
    }
    compileQuery.close();
    return result;
}

QString DropObjectStatement(int kind, const QString &owner, const QString &name, SqlNameStyle style)
{
    static const char *const statements[] = {"DROP TABLE ", "DROP VIEW ", "DROP PROCEDURE ", "DROP TRIGGER ",
                                             "DROP SYNONYM "};
    if (kind < KindTable || kind > KindSynonym)
        return {};
    return QLatin1String(statements[kind - KindTable]) + SqlName(owner, name, style);
}

void DropObject(DbQuery &compileQuery, const QString &statement)
{
    RunBuiltStatement(compileQuery, statement);
}

int CreateTextKind(const ISqlEditor &editor)
{
    const std::optional<CreatedObject> created = CreatedObjectOf(editor);
    return created ? created->kind : KindCategory;
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
