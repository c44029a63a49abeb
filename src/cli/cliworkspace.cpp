// quodlin-cli compile and drop: the browser's compile and drop without a window.
#include "cli/clicommands.h"

#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "output/editorfiles.h"
#include "workspace/builtstatement.h"
#include "workspace/objectcompile.h"
#include "workspace/sqlanalysis.h"

namespace quodlin::cli {

namespace {

const QString kWorkspaceDatabaseName = QStringLiteral("QuodlinCliCompile");

QString plainLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// 2 for a missing database (a usage error), 1 when the connection failed, 0 when open.
int openModule(TdmDbObjects &module, const CliOptions &o, QTextStream &err, const QString &context)
{
    if (o.alias.isEmpty() && o.server.isEmpty()) {
        err << o.command << " needs a database: -d ALIAS or -s SERVER -D DATABASE\n" << kUsage;
        return 2;
    }
    try {
        module.SetDatabaseName(kWorkspaceDatabaseName);
        const QString direct = o.alias.isEmpty() ? o.server + QLatin1Char('\\') + o.database : QString();
        module.Open(o.alias, direct, CliUser(o), ConnectionParams(o).join(QLatin1Char('\n')));
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int RunCompile(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (o.arguments.size() != 1 || o.owner) {
        err << "compile takes one file\n" << kUsage;
        return 2;
    }
    QString text;
    QString error;
    if (!ReadEditorText(o.arguments.first(), text, &error)) {
        err << error << '\n';
        return 1;
    }
    SqlTextBuffer editor(text);
    TdmDbObjects module(DbSession::defaultSession());
    if (const int rc = openModule(module, o, err, QStringLiteral("quodlin-cli.compile")))
        return rc;

    // The definition the browser's Edit page would hold: what a failed compile restores.
    QString loaded;
    if (const std::optional<CreatedObject> created = CreatedObjectOf(editor)) {
        try {
            if (const std::optional<TNodeInfo> node = FindObjectNode(module, created->kind, created->name, created->owner))
                loaded = LoadObjectDefinition(module, *node);
        } catch (const std::exception &failure) {
            err << "The current definition could not be read; a failed compile cannot restore it.\n"
                << CliReport(failure, QStringLiteral("quodlin-cli.compile")) << '\n';
        }
    }
    // An open catalog cursor keeps a read snapshot, and a session holding one
    // cannot wait for the write lock that the compile's BEGIN WORK takes.
    for (DbQuery *query : module.queries())
        query->close();
    bool failed = false;
    CompileHooks hooks;
    hooks.status = [&](const QString &status) { out << status << '\n' << Qt::flush; };
    hooks.showError = [&](const QString &report) {
        failed = true;
        err << plainLines(report) << '\n' << Qt::flush;
    };
    const CompileResult result = ExecDropCreate(editor, module.qryCompile(), loaded, hooks);
    return result.compiled && !failed ? 0 : 1;
}

int RunDrop(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    const ObjectKindDesc *kind = o.arguments.size() == 2 ? FindObjectKindByCliName(o.arguments.first()) : nullptr;
    if (!kind || kind->dropWord.isEmpty()) {
        err << "drop takes a kind (" << CliKindNames(true) << ") and a name\n" << kUsage;
        return 2;
    }
    const QString owner = o.owner ? *o.owner : QString();
    const QString &name = o.arguments[1];
    TdmDbObjects module(DbSession::defaultSession());
    QString statement;
    QString context = QStringLiteral("TfrmDbObjects.mnuTreeDropClick");
    try {
        // The name is written for the connection, so the connection comes first.
        if (const int rc = openModule(module, o, err, context))
            return rc;
        statement = DropNodeStatement(module, TNodeInfo{kind->kind, name, owner, {}}, QueryNameStyle(module.qryCompile()));
        context += QStringLiteral(" (") + statement + QLatin1Char(')');
        DropObject(module.qryCompile(), statement);
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 1;
    }
    out << statement << '\n';
    return 0;
}

} // namespace quodlin::cli
