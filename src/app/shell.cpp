#include "app/shell.h"

namespace quodlin {

QueryWindowFactory &queryWindowFactory()
{
    static QueryWindowFactory factory;
    return factory;
}

void SetQueryWindowFactory(QueryWindowFactory factory) { queryWindowFactory() = std::move(factory); }

} // namespace quodlin
