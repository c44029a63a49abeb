#pragma once
// The names of the DATETIME and INTERVAL unit codes (types.h, TimeUnit) as
// a qualifier writes them. One table for the engine's own texts and the
// workbench's catalog decoders, which read the codes any server stores; it
// sits in the engine because the engine can include nothing above it.

namespace quodlin::engine {

// YEAR to SECOND; FRACTION as a start unit (12), FRACTION(1) to FRACTION(5)
// as an end unit (11 to 15). Empty for a code that names no unit there.
const char *timeUnitName(int code, bool asEnd);

} // namespace quodlin::engine
