#pragma once
// The hook through which the main window connects: the login and database
// part of the program installs an IConnector; the main window runs the
// Connect command, ConnectDatabase and the automatic connection at show time
// around it (status text, wait cursor, disabled cool bar, menu update).
// With no connector installed the Connect command shows nothing.
#include <QString>

#include <memory>

namespace quodlin {

class IObjectBrowserWindow;
class IShell;

// What the login dialog hands back when it closes with OK.
struct LoginResult {
    QString alias;      // empty in direct mode
    QString directName; // server\database; empty in alias mode
    QString user;
    QString paramsText; // parameter lines joined by CR LF
};

class IConnector {
public:
    virtual ~IConnector() = default;
    // Shows the login dialog modally; false when it was cancelled.
    virtual bool runLoginDialog(LoginResult &out) = 0;
    // Creates a new, not yet connected object browser inside the shell.
    virtual IObjectBrowserWindow *createBrowser(IShell &shell) = 0;
    // Releases a browser whose connection failed; no window is left behind.
    virtual void releaseBrowser(IObjectBrowserWindow *browser) = 0;
    // The parameter text from a stored (hex-encoded, scrambled) "Params" value.
    virtual QString recoverParams(const QString &storedParams) = 0;
};

// The installed connector, or null.
IConnector *Connector();
// Installs a connector (null removes it) and returns the previous one.
std::shared_ptr<IConnector> SetConnector(std::shared_ptr<IConnector> connector);

// What the main window does at show time, read from the settings.
struct AutoConnectPlan {
    bool login = true; // run the Connect command instead
    QString alias;
    QString directName;
    QString user;
    QString storedParams; // the "Params" value as stored
};
AutoConnectPlan PlanAutoConnect();

} // namespace quodlin
