// Lexer: comments, case folding, quoting rules, parameters and the errors of
// unterminated constructs.
#include "engine/error.h"
#include "engine/lexer.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace quodlin::engine;

namespace {

// Tokens rendered as "kind:text" words so a failure shows the whole stream.
std::string render(const std::string &sql, bool delimident = false)
{
    std::string out;
    for (const Token &t : tokenize(sql, LexOptions{delimident})) {
        if (t.kind == TokenKind::End) break;
        if (!out.empty()) out += ' ';
        switch (t.kind) {
        case TokenKind::Identifier: out += "id:" + t.text; break;
        case TokenKind::DelimIdent: out += "did:" + t.text; break;
        case TokenKind::String: out += "s:" + t.text; break;
        case TokenKind::Integer: out += "i:" + t.text; break;
        case TokenKind::Number: out += "n:" + t.text; break;
        case TokenKind::Param: out += "p:" + t.text; break;
        default: out += sql.substr(std::size_t(t.offset), std::size_t(t.length)); break;
        }
    }
    return out;
}

struct LexCase {
    const char *name;
    const char *sql;
    bool delimident;
    const char *tokens;
};

void PrintTo(const LexCase &c, std::ostream *os) { *os << c.name; }

// Case folding, the three comment forms and double quotes as strings or
// names are query_identifiers.test's; these are the forms it does not write.
class LexerTokens : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerTokens, Splits)
{
    EXPECT_EQ(render(GetParam().sql, GetParam().delimident), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(Cases, LexerTokens, ::testing::Values(
    LexCase{"cComment", "a /* { */ d", false, "id:a id:d"},
    LexCase{"braceInsideString", "'{x}'", false, "s:{x}"},
    LexCase{"doubledQuote", "'it''s'", false, "s:it's"},
    LexCase{"doubleQuotesAreIdentifiers", "\"Abc\" x", true, "did:Abc id:x"},
    LexCase{"numbers", "1 1.5 .5 2e3 7.", false, "i:1 n:1.5 n:.5 n:2e3 n:7."},
    LexCase{"parameters", "a = :Tabid and b = ? or c::int", false, "id:a = p:tabid id:and id:b = p: id:or id:c :: id:int"},
    LexCase{"databaseQualifier", "stores:customer", false, "id:stores : id:customer"},
    LexCase{"operators", "a<>b != c <= d >= e || f == g", false, "id:a <> id:b != id:c <= id:d >= id:e || id:f == id:g"},
    LexCase{"substringBrackets", "lname[1,3]", false, "id:lname [ i:1 , i:3 ]"},
    LexCase{"dollarInName", "a$b _c", false, "id:a$b id:_c"}),
    [](const auto &info) { return std::string(info.param.name); });

struct LexError {
    const char *name;
    std::string_view sql;
    int code;
    int offset;
};

void PrintTo(const LexError &c, std::ostream *os) { *os << c.name; }

class LexerErrors : public ::testing::TestWithParam<LexError> {};

TEST_P(LexerErrors, Reports)
{
    try {
        tokenize(GetParam().sql);
        FAIL() << "no error";
    } catch (const EngineError &e) {
        EXPECT_EQ(e.sqlCode(), GetParam().code);
        EXPECT_EQ(e.offset(), GetParam().offset);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LexerErrors, ::testing::Values(
    LexError{"unterminatedString", "select 'abc", -282, 7},
    LexError{"unterminatedDoubleQuote", "select \"abc", -282, 7},
    LexError{"unterminatedBrace", "select 1 { comment", -283, 9},
    LexError{"unterminatedCComment", "select /* x", -943, 7},
    LexError{"strayCharacter", "select # from t", -202, 7},
    LexError{"singleBar", "a | b", -202, 2},
    LexError{"nulInString", std::string_view("select 'a\0b'", 12), -202, 9},
    LexError{"nulOutsideString", std::string_view("select \0", 8), -202, 7}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
