#pragma once
// Connection and alias lists that refill themselves when focused. A refill
// while the box's own drop-down closes would clear the entry just clicked
// before the box reports it, so that moment is left out, and a list that is
// still the same is left alone.
#include <QStringList>

#include <functional>

class QComboBox;

namespace quodlin {

// Calls `refill` whenever the box gains focus, except from its own drop-down.
void RefillOnFocus(QComboBox *combo, std::function<void()> refill);

// Replaces the entries when they differ from `items`; false when they were kept.
bool SetComboItems(QComboBox *combo, const QStringList &items);

} // namespace quodlin
