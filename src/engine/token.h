#pragma once
// Tokens of the Informix SQL dialect. Keywords are not reserved in Informix
// (FIRST, TODAY, USER... may name columns), so the lexer hands every word to
// the parser as an identifier folded to lower case and the parser decides by
// context; `raw` keeps the spelling for delimited identifiers and messages.
#include <cstdint>
#include <cstring>
#include <string>

namespace quodlin::engine {

enum class TokenKind : std::uint8_t {
    End,
    Identifier,       // word, folded to lower case
    DelimIdent,       // "Name" with DELIMIDENT on: case kept
    String,           // 'text' (or "text" without DELIMIDENT); quotes removed, doubled quotes undone
    Integer,          // digits only
    Number,           // digits with a point or an exponent
    Param,            // ? (text empty) or :name (text = name, lower case)
    LParen, RParen, LBracket, RBracket, LBrace, RBrace, Comma, Dot, Semicolon, Colon, DoubleColon, At,
    Plus, Minus, Star, Slash, Concat,
    Eq, Ne, Lt, Le, Gt, Ge,
};

struct Token {
    TokenKind kind = TokenKind::End;
    int offset = 0;   // in the whole text
    int length = 0;
    std::string text; // identifier (lower case), string contents, number text, parameter name
    bool quotedWithDouble = false;  // a String written with double quotes (may be an owner name)

    bool is(TokenKind k) const { return kind == k; }
    // A word (identifier, not delimited) spelled `kw` (lower case). The length
    // is known at compile time so most mismatches cost one comparison.
    template <std::size_t N>
    bool isWord(const char (&kw)[N]) const
    {
        return kind == TokenKind::Identifier && text.size() == N - 1 && std::memcmp(text.data(), kw, N - 1) == 0;
    }
    bool isWord(const std::string &kw) const { return kind == TokenKind::Identifier && text == kw; }
};

const char *tokenKindName(TokenKind kind);

} // namespace quodlin::engine
