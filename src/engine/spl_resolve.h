#pragma once
// Which SPL routine a function call in an SQL expression names: the
// translator asks here before it reports an unknown function (-674).
#include "engine/catalog.h"
#include "engine/types.h"

#include <optional>
#include <string>
#include <vector>

namespace quodlin::engine::spl {

struct FunctionRef {
    int procid = 0;
    std::vector<TypeDesc> params;  // one per argument given
    TypeDesc result;               // the first RETURNING type
};

// The routine `name` that takes `args` and returns a value; when several do,
// the one whose parameter types fit the arguments best.
std::optional<FunctionRef> resolveFunction(Catalog &catalog, const std::string &name,
                                           const std::vector<TypeDesc> &args);

} // namespace quodlin::engine::spl
