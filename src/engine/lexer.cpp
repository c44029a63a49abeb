#include "engine/lexer.h"

#include "engine/error.h"

namespace quodlin::engine {

const char *tokenKindName(TokenKind kind)
{
    switch (kind) {
    case TokenKind::End: return "end of text";
    case TokenKind::Identifier: return "identifier";
    case TokenKind::DelimIdent: return "delimited identifier";
    case TokenKind::String: return "string";
    case TokenKind::Integer: return "integer";
    case TokenKind::Number: return "number";
    case TokenKind::Param: return "parameter";
    default: return "symbol";
    }
}

namespace {

// Character classes by table: the lexer looks at every character of a text.
enum : unsigned char { kIdentStart = 1, kIdentChar = 2, kUpper = 4, kBlank = 8 };
struct CharClasses {
    unsigned char c[256] = {};
    constexpr CharClasses()
    {
        for (int i = 0; i < 256; ++i) {
            const bool start = (i >= 'a' && i <= 'z') || (i >= 'A' && i <= 'Z') || i == '_' || i >= 0x80;
            const bool part = start || (i >= '0' && i <= '9') || i == '$';
            c[i] = static_cast<unsigned char>((start ? kIdentStart : 0) | (part ? kIdentChar : 0)
                                              | (i >= 'A' && i <= 'Z' ? kUpper : 0)
                                              | (i == ' ' || i == '\t' || i == '\n' || i == '\r' || i == '\f' || i == '\v'
                                                     ? kBlank : 0));
        }
    }
};
constexpr CharClasses kClasses;

bool isIdentStart(unsigned char c) { return kClasses.c[c] & kIdentStart; }
bool isIdentChar(unsigned char c) { return kClasses.c[c] & kIdentChar; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Informix names are at most 128 bytes; a longer one would be stored in the
// catalog and shown truncated by every tool that reads it.
constexpr int kMaxIdentifier = 128;

} // namespace

std::vector<Token> tokenize(std::string_view s, const LexOptions &opts)
{
    std::vector<Token> out;
    tokenizeInto(s, opts, out);
    return out;
}

namespace {

// A brace opens a collection literal (SET{1, 2}) right after SET, MULTISET
// or LIST, or after a blank where such a word follows `(`, `,` or `=`;
// anywhere else it opens a comment (UPDATE t SET {note} a = 1 stays one).
bool collectionBrace(const std::vector<Token> &out, int at)
{
    if (out.empty()) return false;
    const Token &word = out.back();
    if (!word.isWord("set") && !word.isWord("multiset") && !word.isWord("list")) return false;
    if (word.offset + word.length == at) return true;
    if (out.size() < 2) return false;
    const TokenKind before = out[out.size() - 2].kind;
    return before == TokenKind::LParen || before == TokenKind::Comma || before == TokenKind::Eq;
}

} // namespace

void tokenizeInto(std::string_view s, const LexOptions &opts, std::vector<Token> &out)
{
    out.clear();
    out.reserve(s.size() / 4 + 4);
    const int n = int(s.size());
    int i = 0;
    auto push = [&](TokenKind k, int start, int len) -> Token & {
        Token &t = out.emplace_back();
        t.kind = k;
        t.offset = start;
        t.length = len;
        return t;
    };
    int braces = 0;  // collection literals open
    while (i < n) {
        const unsigned char c = s[i];
        if (kClasses.c[c] & kBlank) { ++i; continue; }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
            continue;
        }
        if (c == '{' && collectionBrace(out, i)) {
            push(TokenKind::LBrace, i, 1);
            ++i;
            ++braces;
            continue;
        }
        if (c == '}' && braces > 0) {
            push(TokenKind::RBrace, i, 1);
            ++i;
            --braces;
            continue;
        }
        if (c == '{') {
            const auto close = s.find('}', i + 1);
            if (close == std::string_view::npos) raise(-283, {}, i);
            i = int(close) + 1;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const auto close = s.find("*/", i + 2);
            if (close == std::string_view::npos) raise(-943, {}, i);
            i = int(close) + 2;
            continue;
        }
        const int start = i;
        if (isIdentStart(c)) {
            unsigned char seen = 0;
            while (i < n && (kClasses.c[static_cast<unsigned char>(s[i])] & kIdentChar))
                seen |= kClasses.c[static_cast<unsigned char>(s[i++])];
            if (i - start > kMaxIdentifier) raise(-859, {}, start);
            Token &t = push(TokenKind::Identifier, start, i - start);
            t.text.assign(s.data() + start, std::size_t(i - start));
            if (seen & kUpper)
                for (char &ch : t.text)
                    ch = lower(ch);
            continue;
        }
        if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(s[i + 1]))) {
            bool real = false;
            while (i < n && isDigit(s[i])) ++i;
            if (i < n && s[i] == '.') {
                real = true;
                ++i;
                while (i < n && isDigit(s[i])) ++i;
            }
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                int j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < n && isDigit(s[j])) {
                    real = true;
                    i = j;
                    while (i < n && isDigit(s[i])) ++i;
                }
            }
            Token &t = push(real ? TokenKind::Number : TokenKind::Integer, start, i - start);
            t.text.assign(s.substr(start, i - start));
            continue;
        }
        if (c == '\'' || c == '"') {
            std::string text;
            ++i;
            for (;;) {
                if (i >= n) raise(-282, {}, start);
                // SQLite's statement text ends at a NUL; a literal cannot carry one.
                if (s[i] == '\0') raise(-202, {}, i);
                if (s[i] == char(c)) {
                    if (i + 1 < n && s[i + 1] == char(c)) { text += char(c); i += 2; continue; }
                    ++i;
                    break;
                }
                text += s[i++];
            }
            const bool ident = c == '"' && opts.delimident;
            if (ident && int(text.size()) > kMaxIdentifier) raise(-859, {}, start);
            Token &t = push(ident ? TokenKind::DelimIdent : TokenKind::String, start, i - start);
            t.text = std::move(text);
            t.quotedWithDouble = c == '"';
            continue;
        }
        if (c == '?') { push(TokenKind::Param, start, 1); ++i; continue; }
        if (c == ':') {
            if (i + 1 < n && s[i + 1] == ':') { push(TokenKind::DoubleColon, start, 2); i += 2; continue; }
            // `db:table` (no blank after a word) is a database qualifier, `:name` a parameter.
            const bool afterWord = !out.empty() && out.back().kind == TokenKind::Identifier
                && out.back().offset + out.back().length == i;
            if (!afterWord && i + 1 < n && isIdentStart(s[i + 1])) {
                ++i;
                const int nameStart = i;
                while (i < n && isIdentChar(s[i])) ++i;
                Token &t = push(TokenKind::Param, start, i - start);
                t.text.resize(i - nameStart);
                for (int k = 0; k < i - nameStart; ++k) t.text[k] = lower(s[nameStart + k]);
                continue;
            }
            push(TokenKind::Colon, start, 1); ++i; continue;
        }
        TokenKind k = TokenKind::End;
        int len = 1;
        const char d = i + 1 < n ? s[i + 1] : '\0';
        switch (c) {
        case '(': k = TokenKind::LParen; break;
        case ')': k = TokenKind::RParen; break;
        case '[': k = TokenKind::LBracket; break;
        case ']': k = TokenKind::RBracket; break;
        case ',': k = TokenKind::Comma; break;
        case '.': k = TokenKind::Dot; break;
        case ';': k = TokenKind::Semicolon; break;
        case '@': k = TokenKind::At; break;
        case '+': k = TokenKind::Plus; break;
        case '-': k = TokenKind::Minus; break;
        case '*': k = TokenKind::Star; break;
        case '/': k = TokenKind::Slash; break;
        case '|':
            if (d != '|') raise(-202, {}, i);
            k = TokenKind::Concat; len = 2; break;
        case '=':
            k = TokenKind::Eq; if (d == '=') len = 2; break;
        case '!':
            if (d != '=') raise(-202, {}, i);
            k = TokenKind::Ne; len = 2; break;
        case '<':
            if (d == '=') { k = TokenKind::Le; len = 2; }
            else if (d == '>') { k = TokenKind::Ne; len = 2; }
            else k = TokenKind::Lt;
            break;
        case '>':
            if (d == '=') { k = TokenKind::Ge; len = 2; } else k = TokenKind::Gt;
            break;
        default:
            raise(-202, {}, i);
        }
        push(k, start, len);
        i += len;
    }
    push(TokenKind::End, n, 0);
}

} // namespace quodlin::engine
