// FROM-less value lists for the SPL interpreter: LET, RETURN and conditions
// are SELECTs of their expressions, converted to the target's type the way
// an INSERT converts a value for its column.
#include "engine/translate_internal.h"

namespace quodlin::engine {

Translation translateValues(const std::vector<const ast::Expr *> &exprs, const std::vector<TypeDesc> &storeAs,
                            TranslationContext &ctx)
{
    Translator t(ctx);
    Scope scope;
    Translation out;
    out.sql = "SELECT ";
    for (std::size_t i = 0; i < exprs.size(); ++i) {
        const ast::Expr &e = *exprs[i];
        Typed v = t.expr(e, scope);
        if (v.aggregate)
            raise(-201, {}, e.offset);
        std::string sql = v.sql;
        TypeDesc type = v.type;
        if (i < storeAs.size() && storeAs[i].code != TNull) {
            ColumnInfo col;
            col.coltype = storeAs[i].code;
            col.collength = storeAs[i].collength;
            col.extendedId = storeAs[i].extendedId;
            sql = t.storeValue(v, col, e.offset);
            type = storeAs[i];
        }
        if (i) out.sql += ',';
        out.sql += sql;
        out.columns.push_back(describeType(type, expressionName(e)));
    }
    out.parameterCount = t.m_params;
    out.returnsRows = true;
    return out;
}

} // namespace quodlin::engine
