#include "engine/explain_plan.h"

#include <sqlite3.h>

namespace quodlin::engine::explain {

namespace {

bool startsWith(const std::string &s, const char *p)
{
    return s.rfind(p, 0) == 0;
}

Access parseAccess(std::string d)
{
    Access a;
    const std::string leftJoin = " LEFT-JOIN";
    if (d.size() > leftJoin.size() && d.compare(d.size() - leftJoin.size(), leftJoin.size(), leftJoin) == 0)
        d.resize(d.size() - leftJoin.size());
    d = d.substr(d.find(' ') + 1);  // past SCAN / SEARCH
    const auto using_ = d.find(" USING ");
    a.name = d.substr(0, using_);
    for (const char *schema : {"main.", "temp."})
        if (startsWith(a.name, schema))
            a.name = a.name.substr(std::strlen(schema));
    if (using_ == std::string::npos)
        return a;
    std::string rest = d.substr(using_ + 7);
    // The constrained columns: "(a=? AND b>?)" at the end.
    std::vector<std::string> cols;
    size_t equalities = 0;
    if (!rest.empty() && rest.back() == ')') {
        const auto open = rest.rfind(" (");
        if (open != std::string::npos) {
            std::string list = rest.substr(open + 2, rest.size() - open - 3);
            rest.resize(open);
            size_t pos = 0;
            while (pos <= list.size()) {
                auto next = list.find(" AND ", pos);
                std::string term = list.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
                const auto op = term.find_first_of("=<>");
                std::string col = term.substr(0, op);
                if (op != std::string::npos && term[op] == '=' && equalities == cols.size())
                    ++equalities;
                if (!col.empty() && (cols.empty() || cols.back() != col))
                    cols.push_back(col);
                if (next == std::string::npos)
                    break;
                pos = next + 5;
            }
        }
    }
    IndexUse use;
    use.columns = cols;
    use.equalities = equalities;
    if (startsWith(rest, "INTEGER PRIMARY KEY")) {
        a.kind = Access::Kind::Rowid;
        a.uses.push_back(std::move(use));  // "rowid": a row key's column to the reader
        return a;
    }
    if (startsWith(rest, "AUTOMATIC")) {
        // Built for this query with the columns it needs: never a key-only read of a real index.
        a.kind = Access::Kind::AutoIndex;
    } else {
        a.kind = Access::Kind::Index;
        if (startsWith(rest, "COVERING INDEX ")) {
            use.covering = true;
            use.sqliteName = rest.substr(15);
        } else if (startsWith(rest, "INDEX ")) {
            use.sqliteName = rest.substr(6);
        } else {
            use.sqliteName = rest;
        }
    }
    a.uses.push_back(std::move(use));
    return a;
}

class PlanReader {
public:
    explicit PlanReader(std::vector<PlanRow> rows) : m_rows(std::move(rows)) {}

    Block read()
    {
        Block b;
        fill(0, b);
        return b;
    }

private:
    std::vector<const PlanRow *> children(int id) const
    {
        std::vector<const PlanRow *> out;
        for (const PlanRow &r : m_rows)
            if (r.parent == id)
                out.push_back(&r);
        return out;
    }

    void fill(int parent, Block &b)
    {
        for (const PlanRow *r : children(parent)) {
            const std::string &d = r->detail;
            if (startsWith(d, "SCAN CONSTANT ROW") || startsWith(d, "BLOOM FILTER")) {
                continue;
            } else if (startsWith(d, "SCAN ") || startsWith(d, "SEARCH ")) {
                b.accesses.push_back(parseAccess(d));
            } else if (startsWith(d, "USE TEMP B-TREE FOR ")) {
                if (d.find("ORDER BY") != std::string::npos)
                    b.orderBy = true;
                if (d.find("GROUP BY") != std::string::npos)
                    b.groupBy = true;
            } else if (d == "COMPOUND QUERY" || startsWith(d, "MERGE (")) {
                bool first = true;
                for (const PlanRow *part : children(r->id)) {
                    if (first) {
                        fill(part->id, b);
                        first = false;
                        continue;
                    }
                    Block u;
                    u.kind = Block::Kind::Union;
                    fill(part->id, u);
                    b.children.push_back(std::move(u));
                }
            } else if (d == "MULTI-INDEX OR") {
                Access merged;
                for (const PlanRow *branch : children(r->id))
                    for (const PlanRow *leaf : children(branch->id)) {
                        if (!startsWith(leaf->detail, "SEARCH ") && !startsWith(leaf->detail, "SCAN "))
                            continue;
                        Access one = parseAccess(leaf->detail);
                        if (merged.name.empty()) {
                            merged.name = one.name;
                            merged.kind = Access::Kind::Index;
                        }
                        for (IndexUse &u : one.uses)
                            merged.uses.push_back(std::move(u));
                    }
                if (!merged.name.empty())
                    b.accesses.push_back(std::move(merged));
            } else if (d.find("SUBQUERY") != std::string::npos || startsWith(d, "CO-ROUTINE ")
                       || startsWith(d, "MATERIALIZE ")) {
                Block sb;
                sb.kind = Block::Kind::Subquery;
                fill(r->id, sb);
                b.children.push_back(std::move(sb));
            } else {
                fill(r->id, b);
            }
        }
    }

    std::vector<PlanRow> m_rows;
};

std::vector<PlanRow> queryPlan(sqlite3 *db, const std::string &sql)
{
    std::vector<PlanRow> rows;
    sqlite3_stmt *st = nullptr;
    const std::string text = "EXPLAIN QUERY PLAN " + sql;
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return rows;  // an entry without table lines beats failing the user's statement
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        PlanRow r;
        r.id = sqlite3_column_int(st, 0);
        r.parent = sqlite3_column_int(st, 1);
        const unsigned char *t = sqlite3_column_text(st, 3);
        r.detail = t ? reinterpret_cast<const char *>(t) : "";
        rows.push_back(std::move(r));
    }
    sqlite3_finalize(st);
    return rows;
}

} // namespace

std::string summary(const Block &b, const std::string &in)
{
    std::string out = in + "Estimated Cost: " + std::to_string(static_cast<long long>(b.cost)) + "\n";
    out += in + "Estimated # of Rows Returned: " + std::to_string(static_cast<long long>(b.rows)) + "\n";
    if (b.orderBy || b.groupBy) {
        out += in + "Temporary Files Required For:";
        if (b.orderBy)
            out += " Order By";
        if (b.groupBy)
            out += std::string(b.orderBy ? " " : "") + " Group By";
        out += "\n";
    }
    return out + "\n";
}

Block readPlan(sqlite3 *db, const std::string &sql)
{
    return PlanReader(queryPlan(db, sql)).read();
}

} // namespace quodlin::engine::explain
