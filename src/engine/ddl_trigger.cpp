// CREATE / DROP TRIGGER: a systriggers row and the text split into the header
// ('D' rows) and the action part ('A' rows) of systrigbody. Trigger names are
// unique in the database whatever the owner (non-ANSI database); an owner
// written before the name must match. Views take INSTEAD OF triggers only.
#include "engine/ddl_routine.h"
#include "engine/ddl_common.h"

#include "engine/parser.h"

#include <algorithm>
#include <optional>

namespace quodlin::engine::ddl {

namespace {

void deleteTrigger(SessionImpl &s, int trigid)
{
    for (const char *table : {"systrigbody", "systriggers"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + table + " WHERE trigid = ?1");
        q.bind(1, trigid);
        q.run();
    }
}

struct TriggerRow {
    int trigid = 0;
    std::string owner;
};

std::optional<TriggerRow> findTrigger(SessionImpl &s, const std::string &name)
{
    sql::Stmt q(s.db(), "SELECT trigid, owner FROM systriggers WHERE trigname = ?1");
    q.bind(1, name);
    if (!q.step())
        return std::nullopt;
    return TriggerRow{static_cast<int>(q.integer(0)), q.text(1)};
}

// REFERENCING must fit the event: OLD for UPDATE, DELETE and SELECT, NEW for
// INSERT and UPDATE, two different names, and only with a FOR EACH ROW part.
void checkReferencing(const ast::RoutineStatement &st)
{
    const char event = st.event;
    if (st.oldOffset >= 0 && event == 'I')
        raise(-732, {}, st.oldOffset);
    if (st.newOffset >= 0 && (event == 'D' || event == 'S'))
        raise(-732, {}, st.newOffset);
    if (st.oldOffset >= 0 && st.newOffset >= 0 && st.oldName == st.newName)
        raise(-732, {}, std::max(st.oldNameOffset, st.newNameOffset));
    if ((st.oldOffset >= 0 || st.newOffset >= 0) && !st.forEachRow) {
        const int first = st.oldOffset < 0 ? st.newOffset
                          : st.newOffset < 0 ? st.oldOffset : std::min(st.oldOffset, st.newOffset);
        raise(-730, {}, first);
    }
}

// Whether the view was created WITH CHECK OPTION (kept only in its text).
bool hasCheckOption(SessionImpl &s, int tabid)
{
    std::string text;
    sql::Stmt q(s.db(), "SELECT viewtext FROM sysviews WHERE tabid = ?1 ORDER BY seqno");
    q.bind(1, tabid);
    while (q.step())
        text += q.text(0);
    // The creator's DELIMIDENT is not recorded: either reading will do.
    for (bool delimident : {s.environment().delimident, !s.environment().delimident}) {
        try {
            ParseOptions opts;
            opts.delimident = delimident;
            const ast::Script script = parseScript(text, opts);
            if (script.size() == 1 && script.front()->kind == ast::StmtKind::CreateView)
                return static_cast<const ast::CreateViewStatement &>(*script.front()).withCheckOption;
        } catch (const EngineError &) {
        }
    }
    return false;
}

} // namespace

void createTrigger(SessionImpl &s, const ast::RoutineStatement &st, const std::string &text)
{
    if (findTrigger(s, st.name.name)) {
        if (st.ifNotExists)
            return;
        raise(-743, st.name.name, st.name.offset);
    }
    auto t = s.catalog().findTable(st.table.name, st.table.owner);
    if (!t)
        raise(-206, st.table.name, st.table.offset, -111);
    if (t->temp)
        raise(-548, {}, st.table.offset);
    if (t->tabid < 100)
        raise(-312, t->name, st.table.offset);
    if (t->tabtype == 'V' && !st.insteadOf)
        raise(-322, t->name, st.table.offset);
    if (st.insteadOf && t->tabtype != 'V')
        raise(-394, st.table.name, st.table.offset);
    // The view's own check and the trigger's actions would contradict each
    // other; -322 names the refused trigger on a view.
    if (st.insteadOf && hasCheckOption(s, t->tabid))
        raise(-322, t->name, st.table.offset);
    if (t->tabtype != 'T' && t->tabtype != 'V')
        raise(-206, st.table.name, st.table.offset, -111);
    checkReferencing(st);
    // An action on a table that does not exist could never run.
    for (const ast::StatementPtr &a : st.actions) {
        const ast::ObjectName *target = nullptr;
        if (a->kind == ast::StmtKind::Insert) target = &static_cast<const ast::InsertStatement &>(*a).table;
        if (a->kind == ast::StmtKind::Update) target = &static_cast<const ast::UpdateStatement &>(*a).table;
        if (a->kind == ast::StmtKind::Delete) target = &static_cast<const ast::DeleteStatement &>(*a).table;
        if (target && !s.catalog().findTable(target->name, target->owner))
            raise(-206, target->name, target->offset, -111);
    }
    const int trigid = static_cast<int>(s.nextCounter("trigid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    // INSTEAD OF triggers record their event in lower case.
    const char event = st.insteadOf ? static_cast<char>(st.event - 'A' + 'a') : st.event;
    sql::Stmt q(s.db(), "INSERT INTO systriggers (trigid, trigname, owner, tabid, event, old, new, mode, collation)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'O', 'en_US.819')");
    q.bind(1, trigid).bind(2, st.name.name).bind(3, owner).bind(4, t->tabid).bind(5, std::string(1, event));
    if (st.oldName.empty()) q.bindNull(6); else q.bind(6, st.oldName);
    if (st.newName.empty()) q.bindNull(7); else q.bind(7, st.newName);
    q.run();
    const auto start = static_cast<std::size_t>(st.start);
    const auto split = static_cast<std::size_t>(st.headerEnd);
    writeChunks(s, "systrigbody", "trigid", trigid, 'D', text.substr(start, split - start), 0);
    writeChunks(s, "systrigbody", "trigid", trigid, 'A',
                text.substr(split, static_cast<std::size_t>(st.end) - split), 0);
}

void dropTrigger(SessionImpl &s, const ast::ObjectStatement &st)
{
    auto row = findTrigger(s, st.name.name);
    if (!row || (!st.name.owner.empty() && row->owner != st.name.owner)) {
        if (st.ifExists)
            return;
        raise(-634, st.name.name, st.name.offset);
    }
    deleteTrigger(s, row->trigid);
}

void dropTriggersOn(SessionImpl &s, int tabid)
{
    sql::Stmt b(s.db(), "DELETE FROM systrigbody WHERE trigid IN (SELECT trigid FROM systriggers WHERE tabid = ?1)");
    b.bind(1, tabid);
    b.run();
    sql::Stmt t(s.db(), "DELETE FROM systriggers WHERE tabid = ?1");
    t.bind(1, tabid);
    t.run();
}

} // namespace quodlin::engine::ddl
