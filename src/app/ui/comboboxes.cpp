#include "app/ui/comboboxes.h"

#include <QComboBox>
#include <QFocusEvent>

namespace quodlin {
namespace {

class FocusRefill : public QObject {
public:
    FocusRefill(QComboBox *combo, std::function<void()> refill) : QObject(combo), m_refill(std::move(refill)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            m_refill();
        return false;
    }

private:
    std::function<void()> m_refill;
};

} // namespace

void RefillOnFocus(QComboBox *combo, std::function<void()> refill)
{
    combo->installEventFilter(new FocusRefill(combo, std::move(refill)));
}

bool SetComboItems(QComboBox *combo, const QStringList &items)
{
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    if (shown == items)
        return false;
    combo->clear();
    combo->addItems(items);
    return true;
}

} // namespace quodlin
