#pragma once
// The commands of quodlin-cli. Each writes its results to `out`, its failures
// to `err`, and returns the exit code: 0 success, 1 failure, 2 usage error.
#include "cli/clioptions.h"

#include <QTextStream>

namespace quodlin::cli {

int RunAliases(QTextStream &out, QTextStream &err);
int RunCreateDb(const CliOptions &options, QTextStream &out, QTextStream &err);
int RunSql(const CliOptions &options, QTextStream &out, QTextStream &err);

} // namespace quodlin::cli
