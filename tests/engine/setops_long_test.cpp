// Combined queries of more SELECTs than SQLite takes in one compound (500),
// with INTERSECT and MINUS among the UNIONs: the operators still group from
// the left, as in a short chain.
#include "scratch.h"

#include <algorithm>
#include <map>
#include <random>

using namespace enginetest;

namespace {

class LongSetOperations : public ScratchDatabaseTest {};

TEST_F(LongSetOperations, MixedChainGroupsFromTheLeft)
{
    auto s = open();
    s->execute("create table n (v integer)");
    for (int v = 0; v < 30; ++v)
        s->execute("insert into n values (" + std::to_string(v) + ")");
    std::mt19937 random(7);
    std::map<int, int> reference;  // value -> copies
    auto distinct = [&] {
        for (auto &[v, copies] : reference) copies = 1;
    };
    std::string sql;
    for (int i = 0; i < 1300; ++i) {
        const int m = 2 + int(random() % 4), r = int(random() % std::uint32_t(m));
        std::map<int, int> block;
        for (int v = 0; v < 30; ++v)
            if (v % m == r) block[v] = 1;
        // Mostly UNION ALL and UNION, so the result stays large enough to show a wrong grouping.
        const int op = i == 0 ? -1 : int(random() % 10);
        const char *word = op < 4 ? " union all " : op < 7 ? " union " : op < 9 ? " minus " : " intersect ";
        if (i == 0) {
            reference = block;
        } else if (op < 4) {
            for (const auto &[v, copies] : block) reference[v] += copies;
        } else if (op < 7) {
            for (const auto &[v, copies] : block) reference[v] += copies;
            distinct();
        } else if (op < 9) {
            distinct();
            for (const auto &[v, copies] : block) reference.erase(v);
        } else {
            distinct();
            std::erase_if(reference, [&](const auto &e) { return !block.count(e.first); });
        }
        if (i > 0) sql += word;
        sql += "select v from n where mod(v, " + std::to_string(m) + ") = " + std::to_string(r);
    }
    std::string expected;
    for (const auto &[v, copies] : reference)
        for (int k = 0; k < copies; ++k) expected += std::to_string(v) + "\n";
    EXPECT_EQ(rowsText(*s, sql + " order by 1"), expected);
}

} // namespace
