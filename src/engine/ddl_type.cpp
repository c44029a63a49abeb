// CREATE ROW TYPE / DROP ROW TYPE: named ROW types in sysxtdtypes and
// sysattrtypes (complex_types.h), shared by the columns that use them.
#include "engine/complex_types.h"
#include "engine/ddl_common.h"

namespace quodlin::engine::ddl {

void createRowType(SessionImpl &s, const ast::CreateRowTypeStatement &st)
{
    if (findRowType(s.db(), st.name.name)) {
        if (st.ifNotExists)
            return;
        raise(-743, st.name.name, st.name.offset);
    }
    ComplexType t = complexTypeOf(s.db(), st.fields);
    t.name = st.name.name;
    t.owner = st.name.owner.empty() ? s.user() : st.name.owner;
    registerComplexType(s.db(), t);
}

void dropRowType(SessionImpl &s, const ast::ObjectStatement &st)
{
    const std::optional<ComplexType> t = findRowType(s.db(), st.name.name, st.name.owner);
    if (!t) {
        if (st.ifExists)
            return;
        raise(-9628, st.name.name, st.name.offset);
    }
    // RESTRICT: a type some column uses stays.
    sql::Stmt used(s.db(), "SELECT t.tabname FROM syscolumns c JOIN systables t ON t.tabid = c.tabid"
                           " WHERE c.extended_id = ?1 ORDER BY t.tabid");
    used.bind(1, t->extendedId);
    if (used.step())
        raise(-9627, st.name.name, st.name.offset);
    deleteComplexType(s.db(), t->extendedId);
}

} // namespace quodlin::engine::ddl
