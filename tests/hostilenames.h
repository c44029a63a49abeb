#pragma once
// Legal names that break SQL text built by pasting: each must reach a
// statement as one name (DELIMIDENT on). Tests of every path that writes a
// name into SQL (drop, compile, schema, exports, LOAD/UNLOAD, lookups) run
// through this table, so a new path is checked against the same names.
#include <QString>
#include <QStringList>

namespace quodlin::testing {

struct HostileName {
    const char *label;   // a test-name fragment
    QString name;
};

inline const QList<HostileName> &HostileNames()
{
    static const QList<HostileName> names = {
        {"blank", QStringLiteral("my table")},
        {"leading_blank", QStringLiteral(" victim")},
        {"double_quote", QStringLiteral("say \"hi\"")},
        {"single_quote", QStringLiteral("it's")},
        {"statement", QStringLiteral("a; drop table victim")},
        {"comment", QStringLiteral("a -- b")},
        {"brace", QStringLiteral("a { b")},
        {"unicode", QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac")},
        {"long", QString(128, QLatin1Char('n'))},
        {"reserved", QStringLiteral("select")},
        {"upper_case", QStringLiteral("MixedCase")},
        {"newline", QStringLiteral("two\nlines")},
    };
    return names;
}

} // namespace quodlin::testing
