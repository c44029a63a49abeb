#pragma once
// The printed document's lines: title, blank line, each editor's lines with
// a blank line between editors. What the object browser prints is chosen by
// browser/pagecommands.h.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quodlin {

// The title (when not empty) and a blank line, then each editor's lines; an
// editor that is not the last is followed by a blank line, an absent one
// adds nothing of its own.
QStringList PrintDocumentLines(const QString &title, const QList<std::optional<QStringList>> &editors);

} // namespace quodlin
