#pragma once
// What the login dialog builds and remembers, without the dialog: the
// connection parameter lines, the remembered servers and databases of direct
// connections, and the values written when the user presses OK.
#include <QString>
#include <QStringList>

namespace quodlin {

struct LoginEntry {
    bool direct = false;
    QString alias;     // alias mode, as typed
    QString server;    // direct mode, as typed
    QString database;  // direct mode, as typed
    QString user;
    QString password;
    bool savePassword = false;
};

// "SERVER NAME=", "DATABASE NAME=" (direct mode only), "USER NAME=", "PASSWORD=";
// values as typed. `withPassword` false leaves the password line empty.
QStringList LoginParamLines(const LoginEntry &entry, bool withPassword = true);
// The lines joined with CR LF after every line.
QString LoginParamsText(const QStringList &lines);
// server + "\" + database.
QString DirectConnectionName(const QString &server, const QString &database);

// Subkeys of DB Aliases that have subkeys of their own (servers of direct connections).
QStringList RememberedServers();
// The database subkeys of a remembered server.
QStringList RememberedDatabases(const QString &server);

// Writes "Save Password", "Last Connect Direct", the main "DB Alias" or
// "Direct Connect" and the per-connection values. The password and the
// password line of "Params" are stored only when savePassword is set, so a
// password the user did not ask to keep never reaches the settings file.
void SaveLoginSettings(const LoginEntry &entry);

} // namespace quodlin
