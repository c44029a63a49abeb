#pragma once
// Prints plain text lines on a paint device the way a line printer does: one
// font, no wrapping (a long line is cut at the page edge), a new page when
// the next line does not fit. The print dialog only chooses the printer; the
// tests print into a PDF.
#include <QFont>
#include <QStringList>

class QPagedPaintDevice;

namespace quodlin {

// False when the device cannot be painted on (a PDF that cannot be written).
bool PrintTextLines(QPagedPaintDevice &device, const QFont &font, const QStringList &lines);

} // namespace quodlin
