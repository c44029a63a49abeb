#pragma once
// How far cascaded MDI children step down and right: one title bar and the
// frame, so each caption stays readable.
class QMdiSubWindow;

namespace quodlin {

int TitleBarStep(QMdiSubWindow *window);

} // namespace quodlin
