// quodlin-cli schema: the database's DDL on standard output or into a file;
// quodlin-cli compare: how another database or a schema file differs from it.
#include "cli/clicommands.h"

#include "app/outputfile.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemacompare.h"
#include "catalog/schemawriter.h"
#include "db/dbsession.h"
#include "db/dberror.h"
#include "workspace/schemacomparejob.h"

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
    CompareRequest request;
    request.target.user = CliUser(o);
    request.target.file = o.toFile;
    if (o.toFile.isEmpty()) {
        CliOptions other = o;
        other.alias = o.to;
        other.server.clear();
        other.database.clear();
        request.target = {o.to, CliUser(other), ConnectionParams(other).join(QLatin1Char('\n')), {}};
    }
    request.options = {o.table, o.owner.value_or(QString()), o.ignoreOwner};
    CompareOutcome outcome;
    try {
        CompareSource sourceSide(source);
        CompareSource targetSide(request.target, QStringLiteral("QuodlinCompareTarget"));
        const std::atomic<bool> never{false};
        outcome = RunCompare(sourceSide, targetSide, request, never, [](const QString &) {}, context);
    } catch (const std::exception &failure) {
        outcome.error = DbErrorReport(failure, context);
    }
    if (!outcome.error.isEmpty()) {
        err << outcome.error.replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << '\n';
        return 2;
    }
    const SchemaComparison &comparison = outcome.comparison;
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
}

} // namespace quodlin::cli
