#pragma once
// Named parameters in SQL text: ":name" outside string literals, quoted
// identifiers and comments. A colon that follows a name character is a
// database qualifier ("stores:customer"), and "::" is a cast; neither marks a
// parameter. Names compare case-insensitively.
#include <QString>
#include <QStringList>

namespace quodlin {

struct SqlParamScan {
    QString positionalSql;    // the text with every parameter replaced by '?'
    QStringList occurrences;  // one name per '?', in order; empty for an original '?'
};

SqlParamScan ScanSqlParams(const QString &sql);
// Distinct parameter names in order of first appearance.
QStringList SqlParamNames(const QString &sql);

} // namespace quodlin
