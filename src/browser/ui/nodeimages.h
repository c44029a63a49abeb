#pragma once
// The object tree's image lists: one 16x16 and one 32x32 picture per image
// index (0 table, 1 view, 2 procedure, 3 trigger, 4 synonym, 5 connection,
// 6 user, 7 role), drawn like the tool-bar set.
#include <QIcon>

namespace quodlin {

inline constexpr int kNodeImageCount = 8;

// The small picture, with the large one added when `large`; an empty icon
// for an index outside the lists.
QIcon NodeIcon(int image, bool large = false);

} // namespace quodlin
