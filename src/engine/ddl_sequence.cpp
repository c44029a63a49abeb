// CREATE / ALTER / DROP SEQUENCE: a systables row of tabtype 'Q' sharing the
// tabid counter with tables, a syssequences row, and the current value in the
// private quodlin_sequences table (NEXTVAL is shared by all sessions).
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"

#include "engine/values.h"

#include <limits>

namespace quodlin::engine::ddl {

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

void writeSequence(SessionImpl &s, int tabid, std::int64_t seqid, std::int64_t start, std::int64_t inc,
                   std::int64_t maxv, std::int64_t minv, bool cycle, std::int64_t cache, bool order, bool insert)
{
    sql::Stmt q(s.db(), insert
                            ? "INSERT INTO syssequences (seqid, tabid, start_val, inc_val, max_val, min_val, cycle,"
                              " restart_val, cache, \"order\") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, NULL, ?8, ?9)"
                            : "UPDATE syssequences SET start_val = ?3, inc_val = ?4, max_val = ?5, min_val = ?6,"
                              " cycle = ?7, cache = ?8, \"order\" = ?9 WHERE tabid = ?2 AND ?1 IS NOT NULL");
    q.bind(1, seqid).bind(2, tabid).bind(3, start).bind(4, inc).bind(5, maxv).bind(6, minv)
        .bind(7, cycle ? "1" : "0").bind(8, cache).bind(9, order ? "1" : "0");
    q.run();
}

void validate(const ast::SequenceStatement &st, std::int64_t start, std::int64_t inc, std::int64_t maxv,
              std::int64_t minv)
{
    if (inc == 0 || minv >= maxv || start < minv || start > maxv)
        raise(-8301, {}, st.name.offset);
}

} // namespace

void createSequence(SessionImpl &s, const ast::SequenceStatement &st)
{
    Catalog &cat = s.catalog();
    if (cat.findTable(st.name.name, {}, false)) {
        if (st.ifNotExists)
            return;
        raise(-310, st.name.name, st.name.offset);
    }
    std::int64_t inc = st.increment.value_or(1);
    std::int64_t maxv = st.maxValue && !st.noMaxValue ? *st.maxValue : (inc > 0 ? kMax : -1);
    std::int64_t minv = st.minValue && !st.noMinValue ? *st.minValue : (inc > 0 ? 1 : -kMax);
    std::int64_t start = st.start.value_or(inc > 0 ? minv : maxv);
    validate(st, start, inc, maxv, minv);
    int tabid = static_cast<int>(s.nextCounter("tabid"));
    const std::string owner = st.name.owner.empty() ? s.user() : st.name.owner;
    sql::Stmt q(s.db(), "INSERT INTO systables (tabname, owner, partnum, tabid, rowsize, ncols, nindexes, nrows,"
                        " created, version, tabtype, locklevel, npused, fextsize, nextsize, flags, site, dbname,"
                        " type_xid, am_id, pagesize) VALUES (?1, ?2, 0, ?3, 0, 0, 0, 0, ?4, ?5, 'Q', 'P', 0, 0, 0,"
                        " 0, '', '', 0, 0, 0)");
    q.bind(1, st.name.name).bind(2, owner).bind(3, tabid).bind(4, todayDayNumber()).bind(5, tabid * 65536);
    q.run();
    writeSequence(s, tabid, s.nextCounter("seqid"), start, inc, maxv, minv, st.cycle.value_or(false),
                  st.noCache ? 0 : st.cache.value_or(20), st.order.value_or(false), true);
    sql::Stmt a(s.db(), "INSERT INTO systabauth (grantor, grantee, tabid, tabauth) VALUES (?1, 'public', ?2, 's--------')");
    a.bind(1, owner).bind(2, tabid);
    a.run();
}

void alterSequence(SessionImpl &s, const ast::SequenceStatement &st)
{
    auto seq = s.catalog().findSequence(st.name.name, st.name.owner);
    if (!seq)
        raise(-206, st.name.name, st.name.offset, -111);
    std::int64_t inc = st.increment.value_or(seq->increment);
    std::int64_t maxv = st.noMaxValue ? (inc > 0 ? kMax : -1) : st.maxValue.value_or(seq->maxValue);
    std::int64_t minv = st.noMinValue ? (inc > 0 ? 1 : -kMax) : st.minValue.value_or(seq->minValue);
    std::int64_t start = st.start.value_or(seq->start);
    validate(st, start, inc, maxv, minv);
    writeSequence(s, seq->tabid, 1, start, inc, maxv, minv, st.cycle.value_or(seq->cycle),
                  st.noCache ? 0 : st.cache.value_or(20), st.order.value_or(false), false);
    if (st.restart) {
        sql::Stmt q(s.db(), "INSERT OR REPLACE INTO quodlin_sequences (tabid, value, called) VALUES (?1, ?2, 0)");
        q.bind(1, seq->tabid).bind(2, *st.restart);
        q.run();
        sql::Stmt r(s.db(), "UPDATE syssequences SET start_val = ?2, restart_val = ?2 WHERE tabid = ?1");
        r.bind(1, seq->tabid).bind(2, *st.restart);
        r.run();
    }
}

void dropSequence(SessionImpl &s, const ast::ObjectStatement &st)
{
    auto seq = s.catalog().findSequence(st.name.name, st.name.owner);
    if (!seq) {
        if (st.ifExists)
            return;
        raise(-206, st.name.name, st.name.offset, -111);
    }
    dropSynonymsOf(s, seq->tabid);
    for (const char *tab : {"syssequences", "systabauth", "quodlin_sequences", "systables"}) {
        sql::Stmt q(s.db(), std::string("DELETE FROM ") + tab + " WHERE tabid = ?1");
        q.bind(1, seq->tabid);
        q.run();
    }
}

} // namespace quodlin::engine::ddl
