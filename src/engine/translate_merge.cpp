// MERGE: the source joined to the target once per action, the actions run
// as one statement. The INSERT of the unmatched source rows runs first,
// against the target as it was; the UPDATE or DELETE of the matched rows
// then leaves alone the rows just inserted (the INSERT returns their rowids,
// which a row key makes the keys given, not numbers above the last), as
// Informix never changes a row the same MERGE inserted.
// ifx_merge_once fails the statement when a target row meets a second
// source row, which SQLite's UPDATE ... FROM would settle by picking one.
#include "engine/translate_internal.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;

Translation Translator::merge(const MergeStatement &s)
{
    const TableInfo &info = lookupTable(s.table);
    if (info.tabid < 100 && !info.temp) raise(-312, info.name, s.table.offset);
    if (info.tabtype != 'T') raise(-9625, "MERGE into a view or synonym", s.table.offset);
    Translation out;
    out.targetTable = info.name;
    out.targetTabid = info.tabid;

    ScopeTable target;
    target.info = &info;
    target.tableName = info.name;
    target.owner = info.owner;
    target.alias = s.alias.empty() ? info.name : s.alias;
    target.sqlRef = quoteIdent(target.alias);
    const std::string targetRef = target.sqlRef;

    // No part of the statement may read the table it changes (-360).
    m_setTable = info.sqliteName;
    Scope source;
    std::string sourceSql;
    if (!s.sourceColumns.empty()) {
        std::vector<std::string> names;
        for (const ColumnRef &c : s.sourceColumns) names.push_back(c.name);
        SelectResult r = select(*s.source.derived, nullptr, &names);
        if (r.columns.size() != names.size()) raise(-201, {}, s.sourceColumns.front().offset);
        for (std::size_t i = 0; i < names.size(); ++i) r.columns[i].name = names[i];
        addTable(s.source, source, 0, false, &r);
        sourceSql = "(" + r.sql + ") AS " + source.tables.back().sqlRef;
    } else {
        sourceSql = joinSql(s.source, source, 0, false);
    }
    const ScopeTable &src = source.tables.back();
    if (src.alias == target.alias) raise(-201, {}, s.source.offset);

    Scope both;
    both.tables.push_back(target);
    both.tables.push_back(src);
    const std::string on = "(" + whereCondition(*s.on, both) + ")";

    const bool mark = s.insert && s.matched != MergeStatement::Matched::None;
    if (s.insert) {
        const InsertColumns ic = insertColumns(info, nullptr, s.insertColumns, s.insertOffset);
        if (s.values.size() != ic.targets.size())
            raise(-236, {}, s.values.empty() ? s.insertOffset : s.values.front()->offset);
        std::string values;
        for (std::size_t i = 0; i < ic.targets.size(); ++i) {
            const ColumnInfo &c = *ic.targets[i];
            // Nothing of the target exists for a row not matched.
            Typed v = expr(*s.values[i], source);
            if (v.aggregate) raise(-201, {}, s.values[i]->offset);
            values += (i ? "," : "") + (isSerial(c.coltype) ? serialValue(info, c, v.sql)
                                                            : keyChecked(info, c, storeValue(v, c, s.values[i]->offset)));
        }
        for (const std::string &e : ic.extra) values += "," + e;
        out.steps.push_back("INSERT INTO " + info.sqliteName + " (" + ic.columnList + ") SELECT " + values + " FROM "
                            + sourceSql + " WHERE NOT EXISTS (SELECT 1 FROM " + info.sqliteName + " AS " + targetRef
                            + " WHERE " + on + ")" + (mark ? " RETURNING rowid" : ""));
    }
    if (s.matched != MergeStatement::Matched::None) {
        // The condition again inside the check: SQLite tests a term holding a
        // subquery after the others, so the check must not count a pair the
        // condition turns down later. The source column makes it a test of
        // each pair even when the condition reads the target alone.
        const std::string firstSource = src.sqlRef + "." + quoteIdent(src.columns().front().name);
        const std::string matched = on + " AND ifx_merge_once(" + targetRef + ".rowid," + on + "," + firstSource + at(s.matchedOffset) + ")";
        if (s.matched == MergeStatement::Matched::Update) {
            out.steps.push_back("UPDATE " + info.sqliteName + " AS " + targetRef + " SET "
                                + setList(s.assignments, s.setStar, info, nullptr, both, s.matchedOffset)
                                + " FROM " + sourceSql + " WHERE " + matched);
        } else {
            out.steps.push_back("DELETE FROM " + info.sqliteName + " WHERE rowid IN (SELECT " + targetRef + ".rowid FROM "
                                + info.sqliteName + " AS " + targetRef + ", " + sourceSql + " WHERE " + matched + ")");
        }
    }
    m_setTable.clear();
    return out;
}

} // namespace quodlin::engine
