#pragma once
// The program's connector: the login dialog, connection windows in the main
// window's frame, and the recovery of stored connection parameters. Installing
// it also makes the alias editor the database configuration tool.
#include "app/connector.h"

namespace quodlin {

class AppConnector : public IConnector {
public:
    bool runLoginDialog(LoginResult &out) override;
    IObjectBrowserWindow *createBrowser(IShell &shell) override;
    void releaseBrowser(IObjectBrowserWindow *browser) override;
    QString recoverParams(const QString &storedParams) override;
};

void InstallAppConnector();

} // namespace quodlin
