#include "app/ui/mdistep.h"

#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

namespace quodlin {

int TitleBarStep(QMdiSubWindow *window)
{
    QStyleOptionTitleBar option;
    option.initFrom(window);
    return window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window)
        + window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
}

} // namespace quodlin
