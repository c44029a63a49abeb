// Program start: the title, the dialog implementation, the main window, and
// the message loop until that window closes.
#include "app/ui/application.h"
#include "app/ui/mainform.h"
#include "app/ui/widgetdialogs.h"

#include <memory>

int main(int argc, char **argv)
{
    quodlin::TApplication app(argc, argv);
    quodlin::SetDialogs(std::make_shared<quodlin::WidgetDialogs>());

    quodlin::TMainForm form;
    form.show();
    return app.exec();
}
