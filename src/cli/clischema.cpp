// quodlin-cli schema: the database's DDL on standard output or into a file;
// quodlin-cli compare: how another database or a schema file differs from it.
#include "cli/clicommands.h"

#include "app/outputfile.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemacompare.h"
#include "catalog/schemawriter.h"
#include "db/dbsession.h"
#include "workspace/statementsplitter.h"

#include <QFile>

namespace quodlin::cli {

int RunSchema(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (!o.arguments.isEmpty()) {
        err << "schema takes no arguments\n" << kUsage;
        return 2;
    }
    const QString context = QStringLiteral("quodlin-cli.schema");
    TdmDbObjects module(DbSession::defaultSession());
    if (!OpenBrowseModule(module, o, err, context))
        return o.alias.isEmpty() && o.server.isEmpty() ? 2 : 1;
    QString text;
    try {
        text = WriteSchema(module, {o.table, o.owner.value_or(QString()), !o.noGrants});
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 1;
    }
    if (o.out.isEmpty()) {
        out << text;
        return 0;
    }
    // Written whole or not at all: a failed run leaves an earlier file as it was.
    QString error;
    if (!WriteWholeFile(o.out, text.toUtf8(), &error)) {
        err << error << '\n';
        return 1;
    }
    return 0;
}

int RunCompare(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (!o.arguments.isEmpty() || o.to.isEmpty() == o.toFile.isEmpty()) {
        err << "compare takes --to ALIAS or --to-file FILE and no arguments\n" << kUsage;
        return 2;
    }
    const QString context = QStringLiteral("quodlin-cli.compare");
    TdmDbObjects source(DbSession::defaultSession());
    if (!OpenBrowseModule(source, o, err, context))
        return 2;
    try {
        TdmDbObjects target(DbSession::defaultSession());
        std::unique_ptr<ScratchSchemaDatabase> scratch;
        TdmDbObjects *targetModule = &target;
        if (!o.toFile.isEmpty()) {
            QFile file(o.toFile);
            if (!file.open(QIODevice::ReadOnly)) {
                err << "Cannot read " << o.toFile << ": " << file.errorString() << '\n';
                return 2;
            }
            QStringList statements;
            for (const SqlStatementSpan &statement : SplitSqlStatements(QString::fromUtf8(file.readAll())))
                statements << statement.text;
            try {
                scratch = ScratchSchemaDatabase::fromStatements(statements, CliUser(o));
            } catch (const std::exception &failure) {
                err << o.toFile << ": " << failure.what() << '\n';
                return 2;
            }
            targetModule = &scratch->module();
        } else {
            CliOptions other = o;
            other.alias = o.to;
            other.server.clear();
            other.database.clear();
            target.SetDatabaseName(QStringLiteral("QuodlinCompareTarget"));
            target.Open(o.to, QString(), CliUser(other), ConnectionParams(other).join(QLatin1Char('\n')));
        }
        const SchemaComparison comparison =
            CompareSchemas(source, *targetModule, {o.table, o.owner.value_or(QString()), o.ignoreOwner});
        out << DifferenceReport(comparison, !o.ignoreOwner);
        if (!o.script.isEmpty()) {
            const SchemaScript script = CompareScript(comparison, o.drop);
            // Written whole or not at all: a failed run leaves an earlier file as it was.
            QString error;
            if (!WriteWholeFile(o.script, script.text.toUtf8(), &error)) {
                err << error << '\n';
                return 2;
            }
        }
        return comparison.equal() ? 0 : 1;
    } catch (const std::exception &failure) {
        err << CliReport(failure, context) << '\n';
        return 2;
    }
}

} // namespace quodlin::cli
