#pragma once
// The demo database's script (src/engine/demo.sql, built into the engine):
// a small bicycle-parts wholesaler with every kind of catalog object.
namespace quodlin::engine {
const char *demoScript();
}
