// Writes the engine fuzz target's seed corpus from the SQL script tests: one
// file per SQL record, and each script's records joined in runs that fit the
// fuzzer's input length, so tables are created before the statements using them.
//   make_seeds OUTDIR MAXLEN SCRIPT...
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The SQL of each record: the lines after a statement/query/columns header up
// to the blank line or the "----" that starts the expected rows.
std::vector<std::string> records(const fs::path &script)
{
    std::ifstream in(script);
    std::vector<std::string> out;
    std::string line, sql;
    bool inSql = false;
    auto flush = [&] {
        if (!sql.empty())
            out.push_back(sql);
        sql.clear();
        inSql = false;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line == "----") {
            flush();
        } else if (!inSql) {
            if (line[0] == '#')
                continue;
            inSql = line.rfind("statement", 0) == 0 || line.rfind("query", 0) == 0
                || line.rfind("columns", 0) == 0;
        } else {
            sql += line;
            sql += '\n';
        }
    }
    flush();
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::cerr << "usage: make_seeds OUTDIR MAXLEN SCRIPT...\n";
        return 2;
    }
    const fs::path dir = argv[1];
    const std::size_t maxLen = std::strtoul(argv[2], nullptr, 10);
    fs::create_directories(dir);
    int n = 0;
    auto write = [&](const std::string &text) {
        std::ofstream(dir / ("seed-" + std::to_string(++n) + ".sql"), std::ios::binary) << text;
    };
    for (int i = 3; i < argc; ++i) {
        std::string run;
        for (const std::string &sql : records(argv[i])) {
            if (sql.size() <= maxLen)
                write(sql);
            if (!run.empty() && run.size() + sql.size() + 2 > maxLen) {
                write(run);
                run.clear();
            }
            if (sql.size() + 2 <= maxLen)
                run += sql + ";\n";
        }
        if (!run.empty())
            write(run);
    }
    std::cout << n << " seeds in " << dir.string() << '\n';
    return 0;
}
