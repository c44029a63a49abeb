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

#include <functional>

namespace quodlin {

class EmbeddedDriver : public IDbDriver {
public:
    // `dataFolder` empty: DataFolder() of the settings.
    explicit EmbeddedDriver(QString dataFolder = {});

    QString name() const override { return QStringLiteral("EMBEDDED"); }
    QStringList dataSources() const override { return {}; }
    std::unique_ptr<IDbConnection> connect(const QStringList &params) override;

    QString databasePath(const QString &databaseName) const;
    // Makes the database `name` whole or not at all: the catalog, and what
    // `fill` runs on a connection to it (default environment, as the demo
    // script wants), are built in a temporary file beside it that is renamed
    // into place only when complete, so a failure or a killed process leaves
    // no database under the name; what a killed run left is removed first.
    // Raises the engine's -330 when the database exists, and what `fill` raises.
    void createDatabase(const QString &name, const QString &user,
                        const std::function<void(IDbConnection &)> &fill = {}) const;
    // Informix database names: a letter or underscore, then letters, digits,
    // underscores or dollar signs, at most 128 characters.
    static bool isValidDatabaseName(const QString &name);

private:
    QString folder() const;
    QString m_dataFolder;
};

} // namespace quodlin
