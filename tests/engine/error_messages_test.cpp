// Every error number the engine can raise has its message: the sources are
// read for raise(...) and makeError(...) calls with literal numbers and for
// the "quodlin:<code>:<isam>:" texts SQL triggers raise, so a new raise site
// with a number missing from the table fails here, not in front of a user
// as "Unknown error -249.".
#include "engine/error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

struct RaisedCodes {
    std::set<int> sql, isam;
};

// The arguments of the call whose '(' is at `open`, split at top-level commas.
std::vector<std::string> callArguments(const std::string &text, std::size_t open)
{
    std::vector<std::string> args(1);
    int depth = 0;
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {  // skip string literals, commas inside them included
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            continue;
        }
        if (c == '(' || c == '{' || c == '[') ++depth;
        if (c == ')' || c == '}' || c == ']') {
            if (depth-- == 0) break;
        }
        if (c == ',' && depth == 0)
            args.emplace_back();
        else
            args.back() += c;
    }
    return args;
}

void numbersIn(const std::string &arg, std::set<int> &out)
{
    static const std::regex number(R"((^|[^\w])(-\d{3,5})\b)");
    for (std::sregex_iterator it(arg.begin(), arg.end(), number), end; it != end; ++it)
        out.insert(std::stoi((*it)[2]));
}

RaisedCodes scanSources()
{
    RaisedCodes codes;
    static const std::regex call(R"((^|[^\w.>])(raise|makeError)\()");
    static const std::regex triggerText(R"(quodlin:(-\d+):(-?\d+):)");
    for (const auto &entry : fs::directory_iterator(fs::path(QUODLIN_SOURCE_DIR) / "src" / "engine")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        std::ifstream in(entry.path());
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string text = buffer.str();
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
            const std::size_t open = std::size_t(it->position(0) + it->length(0) - 1);
            const std::vector<std::string> args = callArguments(text, open);
            numbersIn(args[0], codes.sql);
            if (args.size() > 3)
                numbersIn(args[3], codes.isam);
        }
        for (std::sregex_iterator it(text.begin(), text.end(), triggerText), end; it != end; ++it) {
            codes.sql.insert(std::stoi((*it)[1]));
            if (const int isam = std::stoi((*it)[2]))
                codes.isam.insert(isam);
        }
    }
    return codes;
}

TEST(ErrorMessages, EveryNumberRaisedHasItsText)
{
    const RaisedCodes codes = scanSources();
    // The scan itself must work: the engine raises far more than this.
    ASSERT_GT(codes.sql.size(), 80u);
    ASSERT_GE(codes.isam.size(), 3u);
    for (int code : codes.sql) {
        EXPECT_FALSE(sqlErrorText(code).empty()) << "SQL error " << code << " has no message";
        EXPECT_EQ(makeError(code).message.find("Unknown error"), std::string::npos) << code;
    }
    for (int code : codes.isam)
        EXPECT_FALSE(isamErrorText(code).empty()) << "ISAM error " << code << " has no message";
}

} // namespace
