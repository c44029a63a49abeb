#pragma once
// Chooses an entry of a combo box as a user does: opens its drop-down, then
// clicks the entry, or steps to it with the arrow keys and presses Enter.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

namespace quodlin::test {

enum class PickBy { Mouse, Keyboard };

inline void PickFromList(QComboBox *combo, const QString &text, PickBy by)
{
    combo->setFocus();
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const int target = combo->findText(text);
    ASSERT_GE(target, 0) << text.toStdString();
    if (by == PickBy::Mouse) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(target, 0)).center());
        return;
    }
    for (int steps = 0; view->currentIndex().row() != target && steps < combo->count(); ++steps)
        QTest::keyClick(view, view->currentIndex().row() < target ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
}

} // namespace quodlin::test
