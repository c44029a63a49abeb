// quodlin-cli schema: the database's DDL on standard output or into a file.
#include "cli/clicommands.h"

#include "app/outputfile.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/schemawriter.h"
#include "db/dbsession.h"

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

} // namespace quodlin::cli
