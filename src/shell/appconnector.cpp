#include "shell/appconnector.h"

#include "shell/mainform.h"
#include "browser/ui/dbobjectswindow.h"
#include "db/scramble.h"
#include "db/ui/aliaseditor.h"
#include "db/ui/dblogin.h"

#include <QMdiArea>

namespace quodlin {

bool AppConnector::runLoginDialog(LoginResult &out)
{
    TfrmDbLogin dialog(MainForm());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    out.alias = dialog.alias();
    out.directName = dialog.directConnectionName();
    out.user = dialog.user();
    out.paramsText = dialog.paramsText();
    return true;
}

IObjectBrowserWindow *AppConnector::createBrowser(IShell &shell)
{
    auto *window = new TfrmDbObjects(shell);
    shell.addChild(window);
    // New browsers start at the frame's origin, filling it.
    const QSize client = window->mdiArea()->viewport()->size();
    window->move(0, 0);
    window->resize(client.width() - 4, client.height() - 4);
    window->show();
    return window;
}

void AppConnector::releaseBrowser(IObjectBrowserWindow *browser)
{
    delete dynamic_cast<TfrmDbObjects *>(browser);
}

QString AppConnector::recoverParams(const QString &storedParams) { return ReadScrambled(storedParams); }

void InstallAppConnector()
{
    SetConnector(std::make_shared<AppConnector>());
    InstallAliasEditorAsDatabaseTool();
}

} // namespace quodlin
