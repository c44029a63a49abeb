#pragma once
// The ODBC driver (unixODBC or the Windows driver manager). Its data source
// names are offered as aliases. It connects with DSN= (a data source),
// CONNECTION STRING= (as given) or, for a direct connection to an Informix
// server, ODBC DRIVER= + SERVER NAME= + DATABASE NAME=; USER NAME and
// PASSWORD become UID and PWD. Named :parameters are bound by position;
// every diagnostic record of a failure becomes one error stack entry with
// the driver's native error (the Informix error number) as native code.
// ODBC reports no error offset: the SQL communication area gives -1. Each
// entry keeps the record's SQLSTATE; a failure whose SQLSTATE says the
// connection is gone starts with a plain "connection ... was lost" entry and
// leaves the connection marked lost. A connect waits LOGIN TIMEOUT= seconds
// (else the Login Timeout setting) for a server that does not answer.
#include "db/dbdriver.h"

#include <memory>

namespace quodlin {

struct OdbcEnvironment;

class OdbcDriver : public IDbDriver {
public:
    OdbcDriver();
    ~OdbcDriver() override;

    QString name() const override { return QStringLiteral("ODBC"); }
    QStringList dataSources() const override;
    std::unique_ptr<IDbConnection> connect(const QStringList &params) override;

    // The connection string the parameter lines give (see above).
    static QString connectionString(const QStringList &params);
    // A value as a connection string attribute: braced when it holds ; { } =
    // or surrounding blanks, so no value can add attributes of its own.
    static QString quoteAttribute(const QString &value);

private:
    std::shared_ptr<OdbcEnvironment> m_env;
};

} // namespace quodlin
