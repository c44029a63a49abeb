#include "workspace/objectcompile.h"

#include "catalog/catalogdecoders.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/definitiontext.h"
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
    const ObjectKindDesc *desc = FindObjectKind(kind);
    if (!desc || desc->dropWord.isEmpty())
        return {};
    return QStringLiteral("DROP ") + desc->dropWord + QLatin1Char(' ') + SqlName(owner, name, style);
}

QString DropNodeStatement(TdmDbObjects &module, const TNodeInfo &node, SqlNameStyle style)
{
    const ObjectKindDesc *desc = FindObjectKind(node.Kind);
    if (!desc || desc->definition != DefinitionLayout::Routine)
        return DropObjectStatement(node.Kind, node.Owner, node.Name, style);
    DbQuery routines(module.session());
    routines.setDatabaseName(module.GetDatabaseName());
    // Without an owner the name alone finds it, as the drop then writes it.
    routines.setSql(node.Owner.isEmpty()
                        ? QStringLiteral("select procid, isproc from sysprocedures where procname = :procname")
                        : QStringLiteral("select procid, isproc from sysprocedures"
                                         " where procname = :procname and owner = :owner"));
    routines.setParam(QStringLiteral("procname"), node.Name);
    if (!node.Owner.isEmpty())
        routines.setParam(QStringLiteral("owner"), node.Owner);
    routines.open();
    int procid = 0;
    bool function = false;
    int count = 0;
    for (routines.first(); !routines.eof(); routines.next()) {
        ++count;
        if (!node.Id || routines.field(0).value().toInt() == node.Id) {
            procid = routines.field(0).value().toInt();
            function = routines.field(1).asString() == QLatin1String("f");
        }
    }
    routines.close();
    const QString routine = SqlName(node.Owner, node.Name, style);
    if (!procid || (!node.Id && count > 1))
        throw DbError(count ? QStringLiteral("Several routines are named %1; the one to drop needs its parameter types.")
                                  .arg(routine)
                            : QStringLiteral("No routine is named %1.").arg(routine));
    // The parameter types name this routine alone among those sharing its name.
    DbQuery params(module.session());
    params.setDatabaseName(module.GetDatabaseName());
    // Parameters are attributes 1 (IN), 2 (INOUT) and 4 (OUT). The extended
    // type id is not read: its column is pxid on some server versions.
    params.setSql(QStringLiteral("select paramtype, paramlen from sysproccolumns"
                                 " where procid = :procid and paramattr in (1, 2, 4) order by paramid"));
    params.setParam(QStringLiteral("procid"), procid);
    params.open();
    QStringList types;
    for (params.first(); !params.eof(); params.next())
        types << ColumnTypeText(params.field(0).value().toInt(), params.field(1).value().toInt());
    params.close();
    return QStringLiteral("DROP ") + desc->createWords.value(function ? 1 : 0) + QLatin1Char(' ')
        + SqlName(node.Owner, node.Name, style) + QLatin1Char('(') + types.join(QStringLiteral(", ")) + QLatin1Char(')');
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
    const ObjectKindDesc *kind = FindObjectKind(node.Kind);
    if (!kind || kind->definition == DefinitionLayout::None)
        return {};
    module.LoadObject(node.Kind, node.Name, node.Owner, node.Id);
    return RebuildDefinitionText(kind->definition, module.query(kind->bodyQuery));
}

} // namespace quodlin
