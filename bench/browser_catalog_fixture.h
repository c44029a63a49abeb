#pragma once
// The generated catalog both browser benchmarks read: 10,000 tables, 2,000
// procedures and every other category filled (QUODLIN_BENCH_SCALE divides).
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int benchScale()
{
    const char *v = std::getenv("QUODLIN_BENCH_SCALE");
    const int n = v ? std::atoi(v) : 1;
    return n > 0 ? n : 1;
}
const int kTables = 10000 / benchScale();
const int kProcedures = 2000 / benchScale();
const int kBigRows = 1000000 / benchScale();

std::string numbered(const char *prefix, int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%05d", prefix, i);
    return buffer;
}

std::string catalogScript()
{
    std::string s = "create table big (id integer, name varchar(40), qty integer);";
    for (int i = 0; i < kTables; ++i) {
        const std::string t = numbered("t", i);
        s += "create table " + t + " (id serial not null, name char(20), amount decimal(10,2), since date default today);";
        if (i % 10 == 0)
            s += "create index " + numbered("ix", i) + " on " + t + " (name, amount);";
    }
    for (int i = 0; i < kTables / 50; ++i) {
        s += "create view " + numbered("v", i) + " as select id, name from " + numbered("t", i) + " where id > 0;";
        s += "create synonym " + numbered("s", i) + " for " + numbered("t", i) + ";";
        static const char *const events[] = {"insert", "update", "delete"};
        s += "create trigger " + numbered("tr", i) + " " + events[i % 3] + " on " + numbered("t", i)
           + " after (insert into big values (1, 'x', 1));";
    }
    static const char *const prefixes[] = {"pi_", "pd_", "pu_", "proc_"};
    for (int i = 0; i < kProcedures; ++i)
        s += "create procedure " + numbered(prefixes[i % 4], i) + "(p integer) define v integer; let v = p; end procedure;";
    for (int i = 0; i < 50; ++i)
        s += "grant connect to " + numbered("u", i) + ";";
    for (int i = 0; i < 10; ++i) {
        s += "create role " + numbered("r", i) + ";";
        for (int j = 0; j < i; ++j)
            s += "grant " + numbered("r", i) + " to " + numbered("u", j) + ";";
    }
    return s;
}

} // namespace
