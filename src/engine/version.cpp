#include "engine/version.h"

namespace quodlin::engine {
const char *versionString() { return kServerVersion; }
}
