#pragma once
// The embedded driver: the program's own Informix-dialect engine. Databases
// are files <data folder>/<name>.db. Parameter lines: DATABASE NAME (an
// Informix database name; nothing that could reach outside the folder),
// USER NAME (default: the login user), SERVER NAME (what DBSERVERNAME
// answers), CREATE DEMO=YES (create the database from the demo script when it
// does not exist yet). Each session writes its explain output to
// <data folder>/explain/<user>.out unless told otherwise; DBDATE and DBMONEY
// come from the process environment when set. Failures carry the Informix
// error (and ISAM error) numbers and the offset of the fault.
#include "db/dbdriver.h"

namespace quodlin {

class EmbeddedDriver : public IDbDriver {
public:
    // `dataFolder` empty: DataFolder() of the settings.
    explicit EmbeddedDriver(QString dataFolder = {});

    QString name() const override { return QStringLiteral("EMBEDDED"); }
    QStringList dataSources() const override { return {}; }
    std::unique_ptr<IDbConnection> connect(const QStringList &params) override;

    QString databasePath(const QString &databaseName) const;
    // Informix database names: a letter or underscore, then letters, digits,
    // underscores or dollar signs, at most 128 characters.
    static bool isValidDatabaseName(const QString &name);

private:
    QString folder() const;
    QString m_dataFolder;
};

} // namespace quodlin
