// Program start: the title, the dialog implementation, the main window, and
// the message loop until that window closes.
#include "app/failure.h"
#include "app/ui/widgetdialogs.h"
#include "shell/appconnector.h"
#include "shell/application.h"
#include "shell/mainform.h"
#include "workspace/ui/browserworkspace.h"
#include "workspace/queryhistory.h"
#include "workspace/ui/queryform.h"

#include <exception>
#include <memory>

int main(int argc, char **argv)
{
    quodlin::TApplication app(argc, argv);
    quodlin::SetDialogs(std::make_shared<quodlin::WidgetDialogs>());
    quodlin::InstallAppConnector();
    quodlin::InstallQueryWindowFactory();
    quodlin::InstallBrowserWorkspaceHooks();
    try {
        quodlin::TMainForm form;
        form.show();
        const int status = app.exec();
        // The last runs' entries reach the store before the program ends.
        quodlin::WaitForHistory();
        return status;
    } catch (const std::exception &failure) {
        // Only a failure while the main window is created gets here (for
        // example an unreadable settings value); without it there is nothing to run.
        quodlin::ReportUnhandledFailure(failure);
        return 1;
    }
}
