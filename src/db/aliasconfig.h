#pragma once
// The alias configuration, aliases.conf beside the settings file: a plain
// text file a user may edit by hand.
//
//   ; comment (also '#')
//   EMBEDDED SERVER=local                       options, before the first alias
//   INFORMIX ODBC DRIVER=IBM INFORMIX ODBC DRIVER
//   [demo]                                      one section per alias
//   DRIVER=EMBEDDED                             EMBEDDED or ODBC
//   DATABASE NAME=demo                          the alias's parameter lines
//
// EMBEDDED aliases take DATABASE NAME (and CREATE DEMO=YES: create the
// database from the demo script when it does not exist); ODBC aliases take
// DSN or CONNECTION STRING. A user's own USER NAME/PASSWORD are added at
// connect time. A malformed file raises DbError naming the line; it is never
// rewritten behind the user's back (only created when missing).
#include <QList>
#include <QString>
#include <QStringList>

namespace quodlin {

struct DbAlias {
    QString name;
    QString driver;       // "EMBEDDED" or "ODBC"
    QStringList params;   // "NAME=value" lines, in file order
};

class AliasConfig {
public:
    QString embeddedServerName = QStringLiteral("local");
    QString informixOdbcDriver = QStringLiteral("IBM INFORMIX ODBC DRIVER");
    QList<DbAlias> aliases;

    // Case-insensitive lookup; nullptr when there is none.
    const DbAlias *find(const QString &name) const;

    // The configuration written at first start: the embedded demo alias.
    static AliasConfig defaults();
    static AliasConfig parse(const QString &text, const QString &fileName = QStringLiteral("aliases.conf"));
    QString toText() const;

    // SettingsFolder()/aliases.conf.
    static QString defaultPath();
    // Reads the file; writes defaults() there first when it does not exist.
    static AliasConfig load(const QString &path);
    // Atomic write (OutputFile); raises DbError when it cannot be written.
    void save(const QString &path) const;
};

} // namespace quodlin
