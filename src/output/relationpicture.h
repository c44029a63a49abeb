#pragma once
// Table relations (catalog/relationdiagram.h) as a picture of boxes and arrows.
#include "catalog/relationdiagram.h"
#include "output/graphlayout.h"

namespace quodlin {

// A box per table titled owner.name (the diagram's table emphasized), a row
// per column marked PK, FK, PK FK or U with its type, an arrow per foreign
// key from the referencing table, labelled with the constraint's name.
GraphPicture DiagramPicture(const RelationDiagram &diagram);

} // namespace quodlin
