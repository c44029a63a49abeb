#pragma once
// Prints a document laid out by the core (output/printlayout.h) on a paint
// device in one fixed-pitch font: the page is measured in characters of the
// font, the layout may shrink the type, and a new page starts when the next
// line does not fit. Ink is dark on white whatever the desktop's theme. The
// print dialog only chooses the printer; the tests print into a PDF.
#include "output/printlayout.h"

#include <QFont>

class QPagedPaintDevice;
class QPrinter;

namespace quodlin {

// False when the device cannot be painted on (a PDF that cannot be written).
bool PrintDocument(QPagedPaintDevice &device, const QFont &font, const QList<PrintBlock> &blocks);

// A new printer's page set-up: margins a printer can print inside.
void SetUpNewPrinter(QPrinter &printer);

} // namespace quodlin
