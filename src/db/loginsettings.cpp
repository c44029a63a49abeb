#include "db/loginsettings.h"

#include "app/settingdefs.h"
#include "app/settings.h"
#include "db/scramble.h"

namespace quodlin {

QStringList LoginParamLines(const LoginEntry &entry, bool withPassword)
{
    QStringList lines;
    if (entry.direct)
        lines << QStringLiteral("SERVER NAME=") + entry.server << QStringLiteral("DATABASE NAME=") + entry.database;
    lines << QStringLiteral("USER NAME=") + entry.user
          << QStringLiteral("PASSWORD=") + (withPassword ? entry.password : QString());
    return lines;
}

QString LoginParamsText(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString DirectConnectionName(const QString &server, const QString &database)
{
    return server + QLatin1Char('\\') + database;
}

QStringList RememberedServers()
{
    QStringList keys;
    ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, kDbAliasesKey), keys);
    QStringList servers;
    for (const QString &key : keys) {
        QStringList below;
        ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, kDbAliasesKey + key), below);
        if (!below.isEmpty())
            servers << key;
    }
    return servers;
}

QStringList RememberedDatabases(const QString &server)
{
    QStringList databases;
    if (!server.isEmpty())
        ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, kDbAliasesKey + server), databases);
    return databases;
}

void SaveLoginSettings(const LoginEntry &entry)
{
    using namespace Settings;
    write(SavePassword, entry.savePassword);
    write(LastConnectDirect, entry.direct);
    const QString password = entry.savePassword ? StoreScrambled(entry.password) : QString();
    const QString params = StoreScrambled(LoginParamsText(LoginParamLines(entry, entry.savePassword)));
    if (!entry.direct) {
        write(DbAlias, entry.alias);
        if (entry.alias.trimmed().isEmpty())
            return;
        writeConnection(entry.alias, ConnDbAlias, entry.alias);
        writeConnection(entry.alias, ConnLoginUser, entry.user);
        writeConnection(entry.alias, ConnLoginPassword, password);
        writeConnection(entry.alias, ConnParams, params);
        return;
    }
    const QString name = DirectConnectionName(entry.server, entry.database);
    write(DirectConnect, name);
    writeConnection(name, ConnDirectConnect, name);
    writeConnection(name, ConnServerName, entry.server);
    writeConnection(name, ConnDatabaseName, entry.database);
    writeConnection(name, ConnLoginUser, entry.user);
    writeConnection(name, ConnLoginPassword, password);
    writeConnection(name, ConnParams, params);
}

} // namespace quodlin
