#pragma once
// The commands of quodlin-cli. Each writes its results to `out`, its failures
// to `err`, and returns the exit code: 0 success, 1 failure, 2 usage error.
#include "cli/clioptions.h"

#include <QTextStream>

#include <exception>

namespace quodlin {
class TdmDbObjects;
}

namespace quodlin::cli {

int RunAliases(QTextStream &out, QTextStream &err);
int RunCreateDb(const CliOptions &options, QTextStream &out, QTextStream &err);
int RunSql(const CliOptions &options, QTextStream &out, QTextStream &err);
int RunTree(const CliOptions &options, QTextStream &out, QTextStream &err);
int RunShow(const CliOptions &options, QTextStream &out, QTextStream &err);
// Compiles the view, procedure or trigger of a file, restoring the old
// definition when the new text fails (cliworkspace.cpp).
int RunCompile(const CliOptions &options, QTextStream &out, QTextStream &err);
// Drops one table, view, procedure, trigger or synonym (cliworkspace.cpp).
int RunDrop(const CliOptions &options, QTextStream &out, QTextStream &err);
int RunSchema(const CliOptions &options, QTextStream &out, QTextStream &err);
// Compares the -d database with another or a schema file; 0 alike, 1 different, 2 failure (clischema.cpp).
int RunCompare(const CliOptions &options, QTextStream &out, QTextStream &err);
// Prints the newest entries of the query history (clihistory.cpp).
int RunHistory(const CliOptions &options, QTextStream &out, QTextStream &err);

// Shared by the commands that connect.
// -u, else the login name.
QString CliUser(const CliOptions &options);
// SERVER NAME and DATABASE NAME for a direct connection, then USER NAME and PASSWORD.
QStringList ConnectionParams(const CliOptions &options);
// Opens the module as the browser's Connect does; false after reporting why.
bool OpenBrowseModule(TdmDbObjects &module, const CliOptions &options, QTextStream &err, const QString &context);
// A failure's report with plain line ends.
QString CliReport(const std::exception &failure, const QString &context);

} // namespace quodlin::cli
