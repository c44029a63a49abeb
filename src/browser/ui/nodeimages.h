#pragma once
// The object tree's image lists: one 16x16 and one 32x32 picture per image
// index (the kinds' images in catalog/objectkinds.h, and the connection's),
// drawn like the tool-bar set.
#include "catalog/objectkinds.h"

#include <QIcon>

namespace quodlin {

// The small picture, with the large one added when `large`; an empty icon
// for an index outside the lists.
QIcon NodeIcon(int image, bool large = false);

} // namespace quodlin
