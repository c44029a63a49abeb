// Expressions: precedence climbing from OR down to primaries, Informix
// extensions (MATCHES, UNITS, col[m,n], ::, DATETIME/INTERVAL literals,
// niladic constants, TRIM/SUBSTRING/EXTEND forms).
#include "engine/parser_internal.h"

#include "engine/error.h"

#include <algorithm>
#include <string_view>

namespace quodlin::engine {

using namespace ast;

namespace {

constexpr int kMaxDepth = 200;
// Chains of comparisons or postfix operators are built left-deep; later
// stages recurse over them, so a chain longer than this is refused instead
// of exhausting the stack.
constexpr int kMaxChain = 1000;
// Chains of AND, OR, ||, + and -, or * alone longer than this become
// balanced trees: every later stage recurses over the tree, and SQLite refuses
// expressions nested deeper than 1000 operators or about 100 parentheses.
// Generated SQL (OR lists, sums) runs to thousands of terms. Shorter chains
// stay left-deep as written. AND and OR may stay longer: the translator
// writes their operands side by side, not nested (and the catalog queries'
// 33-term WHERE clauses then skip the regrouping).
constexpr std::size_t kBalanceFrom = 32;
constexpr std::size_t kBalanceLogicFrom = 64;

std::size_t balanceFrom(ExprKind kind)
{
    return kind == ExprKind::And || kind == ExprKind::Or ? kBalanceLogicFrom : kBalanceFrom;
}

ExprPtr make(ExprKind kind, int offset)
{
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->offset = offset;
    return e;
}

ExprPtr binary(ExprKind kind, TokenKind op, ExprPtr a, ExprPtr b)
{
    auto e = make(kind, a->offset);
    e->op = op;
    e->args.reserve(2);
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
}

// One operator chain as parsed: ops[i] is the operator before terms[i]
// (ops[0] unused).
struct Chain {
    std::vector<ExprPtr> terms;
    std::vector<TokenKind> ops;

    void add(TokenKind op, ExprPtr term)
    {
        ops.push_back(op);
        terms.push_back(std::move(term));
    }
};

TokenKind inverse(TokenKind op)
{
    return op == TokenKind::Plus ? TokenKind::Minus : op == TokenKind::Minus ? TokenKind::Plus : op;
}

// Terms [from, to) as a balanced tree of `kind`. With `flip`, every operator
// but the first term's is inverted: a - (b + c) is a - b - c.
ExprPtr balanced(ExprKind kind, Chain &c, std::size_t from, std::size_t to, bool flip)
{
    if (to - from == 1) return std::move(c.terms[from]);
    const std::size_t mid = from + (to - from) / 2;
    const TokenKind op = flip ? inverse(c.ops[mid]) : c.ops[mid];
    ExprPtr left = balanced(kind, c, from, mid, flip);
    ExprPtr right = balanced(kind, c, mid, to, flip != (op == TokenKind::Minus));
    return binary(kind, op, std::move(left), std::move(right));
}

// A chain of products and quotients stays left-deep: (a * c) / (b * d) would
// overflow where a / b * c / d does not.
ExprPtr fold(ExprKind kind, Chain &c)
{
    const bool quotients = std::find(c.ops.begin() + 1, c.ops.end(), TokenKind::Slash) != c.ops.end();
    if (c.terms.size() > balanceFrom(kind) && !quotients)
        return balanced(kind, c, 0, c.terms.size(), false);
    ExprPtr e = std::move(c.terms.front());
    for (std::size_t i = 1; i < c.terms.size(); ++i)
        e = binary(kind, c.ops[i], std::move(e), std::move(c.terms[i]));
    return e;
}

// Builds a chain left-deep while it is short (no lists to allocate for the
// usual two or three terms) and keeps the terms once it grows long.
class ChainBuilder {
public:
    ChainBuilder(ExprKind kind, TokenKind firstOp, ExprPtr first)
        : m_kind(kind), m_firstOp(firstOp), m_tree(std::move(first)) {}

    void add(TokenKind op, ExprPtr term)
    {
        if (m_chain.terms.empty() && m_joined + 1 < balanceFrom(m_kind)) {
            m_tree = binary(m_kind, op, std::move(m_tree), std::move(term));
            ++m_joined;
            return;
        }
        if (m_chain.terms.empty())
            unwind();
        m_chain.add(op, std::move(term));
    }

    ExprPtr finish() { return m_chain.terms.empty() ? std::move(m_tree) : fold(m_kind, m_chain); }

private:
    // The left-deep tree built so far back into terms.
    void unwind()
    {
        std::vector<std::pair<TokenKind, ExprPtr>> later;
        later.reserve(m_joined);
        m_chain.terms.reserve(4 * m_joined);
        m_chain.ops.reserve(4 * m_joined);
        ExprPtr e = std::move(m_tree);
        for (std::size_t i = 0; i < m_joined; ++i) {
            later.emplace_back(e->op, std::move(e->args[1]));
            ExprPtr left = std::move(e->args[0]);
            e = std::move(left);
        }
        m_chain.add(m_firstOp, std::move(e));
        for (auto it = later.rbegin(); it != later.rend(); ++it)
            m_chain.add(it->first, std::move(it->second));
    }

    ExprKind m_kind;
    TokenKind m_firstOp;
    ExprPtr m_tree;
    std::size_t m_joined = 0;  // operators in m_tree
    Chain m_chain;
};

} // namespace

namespace {

// Freed nodes of this thread, up to kKeepNodes; the rest go back to the heap.
struct ExprFreeList {
    struct Node {
        Node *next;
    };
    Node *head = nullptr;
    std::size_t count = 0;
    bool alive = true;
    ~ExprFreeList()
    {
        alive = false;
        while (head) {
            Node *n = head;
            head = n->next;
            ::operator delete(n);
        }
        count = 0;
    }
};
constexpr std::size_t kKeepNodes = 4096;
thread_local ExprFreeList t_freeExprs;

} // namespace

void *Expr::operator new(std::size_t size)
{
    ExprFreeList &list = t_freeExprs;
    if (size == sizeof(Expr) && list.head) {
        ExprFreeList::Node *n = list.head;
        list.head = n->next;
        --list.count;
        return n;
    }
    return ::operator new(size);
}

void Expr::operator delete(void *p, std::size_t size) noexcept
{
    ExprFreeList &list = t_freeExprs;
    if (size == sizeof(Expr) && list.alive && list.count < kKeepNodes) {
        auto *n = static_cast<ExprFreeList::Node *>(p);
        n->next = list.head;
        list.head = n;
        ++list.count;
        return;
    }
    ::operator delete(p);
}

DepthGuard::DepthGuard(Parser &p) : p(p)
{
    if (++p.m_depth > kMaxDepth) {
        --p.m_depth;
        raise(-9622, "at most 200 levels of nesting (parentheses, subqueries, SPL blocks)", p.offset());
    }
}

ExprPtr Parser::expression() { return orExpr(); }

ExprPtr Parser::orExpr()
{
    ExprPtr first = andExpr();
    if (!atWord("or")) return first;
    ChainBuilder c(ExprKind::Or, TokenKind::End, std::move(first));
    while (acceptWord("or"))
        c.add(TokenKind::End, andExpr());
    return c.finish();
}

ExprPtr Parser::andExpr()
{
    ExprPtr first = notExpr();
    if (!atWord("and")) return first;
    ChainBuilder c(ExprKind::And, TokenKind::End, std::move(first));
    while (acceptWord("and"))
        c.add(TokenKind::End, notExpr());
    return c.finish();
}

ExprPtr Parser::notExpr()
{
    DepthGuard guard(*this);
    // NOT NOT p is p's truth value: a run of NOTs keeps at most two, so a
    // long run nests no deeper than a short one.
    int start = -1, count = 0;
    for (; atWord("not"); ++count) {
        const int pos = next().offset;
        if (start < 0) start = pos;
    }
    ExprPtr e = predicate();
    for (int i = 0; i < (count % 2 ? 1 : std::min(count, 2)); ++i) {
        auto n = make(ExprKind::Not, start);
        n->args.push_back(std::move(e));
        e = std::move(n);
    }
    return e;
}

ExprPtr Parser::predicate()
{
    if (atWord("exists")) {
        const int start = next().offset;
        auto e = make(ExprKind::Exists, start);
        expect(TokenKind::LParen);
        e->select = selectStatement(false);
        expect(TokenKind::RParen);
        return e;
    }
    ExprPtr left = concatExpr();
    for (int n = 0;; ++n) {
        if (n > kMaxChain) fail();
        const Token &t = peek();
        switch (t.kind) {
        case TokenKind::Eq: case TokenKind::Ne: case TokenKind::Lt:
        case TokenKind::Le: case TokenKind::Gt: case TokenKind::Ge: {
            const TokenKind op = next().kind;
            if ((atWord("any") || atWord("all") || atWord("some")) && at(TokenKind::LParen, 1)) {
                auto e = make(ExprKind::Quantified, left->offset);
                e->op = op;
                e->all = next().text == "all";
                expect(TokenKind::LParen);
                e->select = selectStatement(false);
                expect(TokenKind::RParen);
                e->args.push_back(std::move(left));
                left = std::move(e);
                continue;
            }
            left = binary(ExprKind::Compare, op, std::move(left), concatExpr());
            continue;
        }
        default:
            break;
        }
        bool negated = false;
        int save = int(m_pos);
        if (atWord("not")) { next(); negated = true; }
        if (acceptWord("in")) {
            expect(TokenKind::LParen);
            ExprPtr e;
            if (atQuery()) {
                e = make(ExprKind::InSelect, left->offset);
                e->select = selectStatement(false);
                e->args.push_back(std::move(left));
            } else {
                e = make(ExprKind::InList, left->offset);
                e->args.push_back(std::move(left));
                do e->args.push_back(expression()); while (accept(TokenKind::Comma));
            }
            expect(TokenKind::RParen);
            e->negated = negated;
            left = std::move(e);
            continue;
        }
        if (acceptWord("between")) {
            auto e = make(ExprKind::Between, left->offset);
            e->negated = negated;
            e->args.push_back(std::move(left));
            e->args.push_back(concatExpr());
            expectWord("and");
            e->args.push_back(concatExpr());
            left = std::move(e);
            continue;
        }
        if (atWord("like") || atWord("matches")) {
            auto e = make(next().text == "like" ? ExprKind::Like : ExprKind::Matches, left->offset);
            e->negated = negated;
            e->args.push_back(std::move(left));
            e->args.push_back(concatExpr());
            if (acceptWord("escape")) e->args.push_back(concatExpr());
            left = std::move(e);
            continue;
        }
        if (!negated && atWord("is")) {
            next();
            auto e = make(ExprKind::IsNull, left->offset);
            e->negated = acceptWord("not");
            expectWord("null");
            e->args.push_back(std::move(left));
            left = std::move(e);
            continue;
        }
        m_pos = std::size_t(save);
        return left;
    }
}

ExprPtr Parser::concatExpr()
{
    ExprPtr first = additive();
    if (!at(TokenKind::Concat)) return first;
    ChainBuilder c(ExprKind::Binary, TokenKind::Concat, std::move(first));
    while (accept(TokenKind::Concat))
        c.add(TokenKind::Concat, additive());
    return c.finish();
}

ExprPtr Parser::additive()
{
    ExprPtr first = multiplicative();
    if (!at(TokenKind::Plus) && !at(TokenKind::Minus)) return first;
    ChainBuilder c(ExprKind::Binary, TokenKind::Plus, std::move(first));
    while (at(TokenKind::Plus) || at(TokenKind::Minus)) {
        const TokenKind op = next().kind;
        c.add(op, multiplicative());
    }
    return c.finish();
}

ExprPtr Parser::multiplicative()
{
    ExprPtr first = unary();
    if (!at(TokenKind::Star) && !at(TokenKind::Slash)) return first;
    ChainBuilder c(ExprKind::Binary, TokenKind::Star, std::move(first));
    bool quotients = false;
    for (int n = 0; at(TokenKind::Star) || at(TokenKind::Slash); ++n) {
        const TokenKind op = next().kind;
        quotients = quotients || op == TokenKind::Slash;
        if (quotients && n > kMaxChain) fail();
        c.add(op, unary());
    }
    return c.finish();
}

ExprPtr Parser::unary()
{
    DepthGuard guard(*this);
    // Signs in a row fold as NOTs do: - - x keeps two, - - - x one.
    int start = -1, minus = 0;
    bool plus = false;
    while (at(TokenKind::Minus) || at(TokenKind::Plus)) {
        const Token &t = next();
        if (start < 0) start = t.offset;
        if (t.kind == TokenKind::Minus) ++minus;
        else plus = true;
    }
    ExprPtr e = postfix(primary());
    const int signs = minus % 2 ? 1 : std::min(minus, 2);
    for (int i = 0; i < std::max(signs, plus ? 1 : 0); ++i) {
        auto u = make(ExprKind::Unary, start);
        u->op = signs ? TokenKind::Minus : TokenKind::Plus;
        u->args.push_back(std::move(e));
        e = std::move(u);
    }
    return e;
}

ExprPtr Parser::postfix(ExprPtr e)
{
    for (int n = 0;; ++n) {
        if (n > kMaxChain) fail();
        if (at(TokenKind::DoubleColon)) {
            next();
            auto c = make(ExprKind::Cast, e->offset);
            c->castType = std::make_unique<TypeName>(typeName());
            c->args.push_back(std::move(e));
            e = std::move(c);
            continue;
        }
        if (at(TokenKind::LBracket)) {
            next();
            auto s = make(ExprKind::Substring, e->offset);
            s->args.push_back(std::move(e));
            s->args.push_back(expression());
            if (accept(TokenKind::Comma)) s->args.push_back(expression());
            expect(TokenKind::RBracket);
            e = std::move(s);
            continue;
        }
        if (atWord("units")) {
            next();
            auto u = make(ExprKind::Units, e->offset);
            u->qualifier.start = unit(false);
            u->qualifier.end = u->qualifier.start == UnitFraction ? 15 : u->qualifier.start;
            u->args.push_back(std::move(e));
            e = std::move(u);
            continue;
        }
        return e;
    }
}

ExprPtr Parser::parameter()
{
    const Token &t = next();
    auto e = make(ExprKind::Param, t.offset);
    e->text = t.text;
    if (!m_params) raise(-201, {}, t.offset);
    m_params->push_back(Param{t.text, t.offset});
    e->paramIndex = int(m_params->size());
    return e;
}

ExprPtr Parser::primary()
{
    const Token &t = peek();
    switch (t.kind) {
    case TokenKind::Integer: {
        auto e = make(ExprKind::Integer, t.offset);
        e->text = next().text;
        return e;
    }
    case TokenKind::Number: {
        auto e = make(ExprKind::Number, t.offset);
        e->text = next().text;
        return e;
    }
    case TokenKind::String: {
        if (at(TokenKind::Dot, 1) && atName(2) && at(TokenKind::Dot, 3)) {
            // 'owner'.table.column: a quoted owner, not a string.
            auto e = make(ExprKind::Column, t.offset);
            e->owner = next().text;
            next();
            e->table = name();
            expect(TokenKind::Dot);
            e->text = name();
            return e;
        }
        auto e = make(ExprKind::String, t.offset);
        e->text = next().text;
        return e;
    }
    case TokenKind::Param:
        return parameter();
    case TokenKind::Star: {
        auto e = make(ExprKind::Star, next().offset);
        return e;
    }
    case TokenKind::LParen: {
        const int start = next().offset;
        if (atQuery()) {
            auto e = make(ExprKind::Subquery, start);
            e->select = selectStatement(false);
            expect(TokenKind::RParen);
            return e;
        }
        ExprPtr e = expression();
        expect(TokenKind::RParen);
        return e;
    }
    case TokenKind::DelimIdent:
    case TokenKind::Identifier:
        return wordPrimary();
    default:
        fail();
    }
}

bool Parser::atUnit(int ahead) const
{
    const Token &t = peek(ahead);
    if (t.kind != TokenKind::Identifier) return false;
    static constexpr std::string_view units[] = {"year", "month", "day", "hour", "minute", "second", "fraction"};
    for (std::string_view u : units)
        if (t.text == u) return true;
    return false;
}

int Parser::unit(bool asEnd)
{
    if (!atUnit()) fail();
    const std::string w = next().text;
    if (w == "year") return UnitYear;
    if (w == "month") return UnitMonth;
    if (w == "day") return UnitDay;
    if (w == "hour") return UnitHour;
    if (w == "minute") return UnitMinute;
    if (w == "second") return UnitSecond;
    if (!asEnd) return UnitFraction;
    int digits = 3;
    if (accept(TokenKind::LParen)) {
        const int off = offset();
        digits = int(integerValue());
        if (digits < 1 || digits > 5) raise(-1268, {}, off);
        expect(TokenKind::RParen);
    }
    return 10 + digits;
}

DtQualifier Parser::qualifier(bool interval)
{
    DtQualifier q;
    const int start = offset();
    const bool fractionStart = atWord("fraction");
    q.start = unit(false);
    if (accept(TokenKind::LParen)) {
        const int off = offset();
        const std::int64_t n = integerValue();
        if (fractionStart) {  // FRACTION(n) alone: FRACTION TO FRACTION(n)
            if (n < 1 || n > 5) raise(-1268, {}, off);
            q.end = 10 + int(n);
            expect(TokenKind::RParen);
            if (!acceptWord("to")) return q;
        } else {
            if (!interval || n < 1 || n > 9) raise(-1268, {}, off);
            q.leading = int(n);
            expect(TokenKind::RParen);
        }
    }
    if (acceptWord("to")) {
        q.end = unit(true);
    } else if (q.end < 0) {
        q.end = q.start == UnitFraction ? 13 : q.start;
    }
    if (q.end < q.start && !(q.start == UnitFraction && q.end > UnitSecond)) raise(-1268, {}, start);
    return q;
}

std::string Parser::parenthesisedText()
{
    const Token &open = peek();
    expect(TokenKind::LParen);
    const int begin = open.offset + 1;
    int depth = 1;
    while (depth > 0) {
        if (at(TokenKind::End)) fail();
        if (at(TokenKind::LParen)) ++depth;
        if (at(TokenKind::RParen)) --depth;
        if (depth == 0) break;
        next();
    }
    const int endOff = offset();
    next();
    std::string s = m_text.substr(std::size_t(begin), std::size_t(endOff - begin));
    const auto a = s.find_first_not_of(" \t\r\n");
    const auto b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

ExprPtr Parser::wordPrimary()
{
    // The word is tested on its token (length first) and copied only into the node.
    const Token &t = next();
    const int start = t.offset;
    const bool delimited = t.kind == TokenKind::DelimIdent;
    if (!delimited) {
        const bool call = at(TokenKind::LParen);
        const bool dotted = at(TokenKind::Dot);
        if (t.isWord("null") && !dotted) return make(ExprKind::Null, start);
        // PRIOR x and CONNECT_BY_ROOT x of hierarchical queries bind as a sign does.
        if ((t.isWord("prior") || t.isWord("connect_by_root")) && !dotted
            && ((atName() && !isClauseWord(peek())) || at(TokenKind::LParen) || at(TokenKind::Integer)
                || at(TokenKind::String))) {
            auto e = make(t.isWord("prior") ? ExprKind::Prior : ExprKind::ConnectByRoot, start);
            e->args.push_back(unary());
            return e;
        }
        if ((t.isWord("set") || t.isWord("multiset") || t.isWord("list")) && at(TokenKind::LBrace)) {
            auto e = make(ExprKind::Collection, start);
            e->text = std::string(t.text);
            next();
            if (!at(TokenKind::RBrace)) {
                do e->args.push_back(expression()); while (accept(TokenKind::Comma));
            }
            expect(TokenKind::RBrace);
            return e;
        }
        if (t.isWord("row") && call) {
            auto e = make(ExprKind::RowValue, start);
            next();
            do e->args.push_back(expression()); while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
            return e;
        }
        if (t.isWord("case") && !dotted) {
            auto e = make(ExprKind::Case, start);
            if (!atWord("when")) {
                e->hasOperand = true;
                e->args.push_back(expression());
            }
            if (!atWord("when")) fail();
            while (acceptWord("when")) {
                e->args.push_back(expression());
                expectWord("then");
                e->args.push_back(expression());
            }
            if (acceptWord("else")) {
                e->hasElse = true;
                e->args.push_back(expression());
            }
            expectWord("end");
            return e;
        }
        if (t.isWord("cast") && call) {
            next();
            auto e = make(ExprKind::Cast, start);
            e->args.push_back(expression());
            expectWord("as");
            e->castType = std::make_unique<TypeName>(typeName());
            expect(TokenKind::RParen);
            return e;
        }
        if ((t.isWord("datetime") || t.isWord("interval")) && call) {
            auto e = make(t.isWord("datetime") ? ExprKind::Datetime : ExprKind::Interval, start);
            e->text = parenthesisedText();
            e->qualifier = qualifier(t.isWord("interval"));
            return e;
        }
        if (!call && !dotted) {
            if (t.isWord("current")) {
                auto e = make(ExprKind::Constant, start);
                e->text = t.text;
                if (atUnit()) e->qualifier = qualifier(false);
                return e;
            }
            static constexpr std::string_view constants[] = {"today", "user", "current_user", "sysdate",
                                                    "dbservername", "sitename", "current_role",
                                                    "default_role"};
            for (std::string_view c : constants) {
                if (t.text == c) {
                    auto e = make(ExprKind::Constant, start);
                    e->text = t.text;
                    return e;
                }
            }
        }
        if (call) return functionCall(t.text, start);
    }
    // Column, table.column, owner.table.column, table.*, sequence.NEXTVAL
    auto e = make(ExprKind::Column, start);
    e->text = t.text;
    if (at(TokenKind::Dot)) {
        next();
        if (at(TokenKind::Star)) {
            next();
            e->kind = ExprKind::Star;
            e->table = std::move(e->text);
            e->text.clear();
            return e;
        }
        std::string second = name();
        if (!delimited && (second == "nextval" || second == "currval") && !at(TokenKind::Dot)) {
            e->kind = ExprKind::Sequence;
            e->table = std::move(e->text);
            e->text = std::move(second);
            return e;
        }
        if (at(TokenKind::Dot)) {
            next();
            e->owner = std::move(e->text);
            e->table = std::move(second);
            if (at(TokenKind::Star)) {
                next();
                e->kind = ExprKind::Star;
                e->text.clear();
                return e;
            }
            e->text = name();
            return e;
        }
        e->table = std::move(e->text);
        e->text = std::move(second);
    }
    return e;
}

ExprPtr Parser::functionCall(std::string fname, int start)
{
    expect(TokenKind::LParen);
    auto e = make(ExprKind::Function, start);
    e->text = std::move(fname);
    const std::string &f = e->text;
    if (f == "trim") {
        e->kind = ExprKind::Trim;
        e->text = "both";
        if (atWord("leading") || atWord("trailing") || atWord("both")) e->text = next().text;
        // TRIM([spec] [pad] FROM src) or TRIM(src)
        ExprPtr first;
        if (!atWord("from")) first = expression();
        if (acceptWord("from")) {
            ExprPtr src = expression();
            e->args.push_back(std::move(src));
            if (first) e->args.push_back(std::move(first));
        } else {
            if (!first) fail();
            e->args.push_back(std::move(first));
        }
        expect(TokenKind::RParen);
        return e;
    }
    if (f == "substring") {
        e->args.push_back(expression());
        if (acceptWord("from")) {
            e->args.push_back(expression());
            if (acceptWord("for")) e->args.push_back(expression());
        } else {
            while (accept(TokenKind::Comma)) e->args.push_back(expression());
        }
        expect(TokenKind::RParen);
        return e;
    }
    if (f == "extend") {
        e->args.push_back(expression());
        if (accept(TokenKind::Comma)) e->qualifier = qualifier(false);
        expect(TokenKind::RParen);
        return e;
    }
    if (at(TokenKind::Star)) {
        next();
        e->star = true;
        expect(TokenKind::RParen);
        if (atWord("over") && at(TokenKind::LParen, 1)) e->over = windowSpec();
        return e;
    }
    if (atWord("distinct") || atWord("unique")) {
        next();
        e->distinct = true;
    } else if (atWord("all") && !at(TokenKind::RParen, 1) && !at(TokenKind::Comma, 1)) {
        next();
    }
    if (!at(TokenKind::RParen)) {
        do e->args.push_back(expression()); while (accept(TokenKind::Comma));
    }
    expect(TokenKind::RParen);
    if (atWord("over") && at(TokenKind::LParen, 1)) e->over = windowSpec();
    return e;
}

std::unique_ptr<WindowSpec> Parser::windowSpec()
{
    next();
    expect(TokenKind::LParen);
    auto w = std::make_unique<WindowSpec>();
    if (atWord("partition") && atWord("by", 1)) {
        next(); next();
        do w->partition.push_back(expression()); while (accept(TokenKind::Comma));
    }
    if (atWord("order") && atWord("by", 1)) {
        next(); next();
        do {
            OrderItem o;
            o.expr = expression();
            if (acceptWord("desc")) o.desc = true;
            else acceptWord("asc");
            if (acceptWord("nulls")) {
                if (acceptWord("first")) o.nulls = 1;
                else { expectWord("last"); o.nulls = 2; }
            }
            w->order.push_back(std::move(o));
        } while (accept(TokenKind::Comma));
    }
    if (atWord("rows") || atWord("range")) {
        w->hasFrame = true;
        w->rows = next().text == "rows";
        auto bound = [&](FrameBound &b) {
            using K = FrameBound::Kind;
            if (acceptWord("unbounded")) {
                if (acceptWord("preceding")) b.kind = K::UnboundedPreceding;
                else { expectWord("following"); b.kind = K::UnboundedFollowing; }
            } else if (acceptWord("current")) {
                expectWord("row");
                b.kind = K::CurrentRow;
            } else {
                b.offset = primary();
                if (acceptWord("preceding")) b.kind = K::Preceding;
                else { expectWord("following"); b.kind = K::Following; }
            }
        };
        if (acceptWord("between")) {
            bound(w->start);
            expectWord("and");
            bound(w->end);
        } else {
            bound(w->start);
        }
    }
    expect(TokenKind::RParen);
    return w;
}

} // namespace quodlin::engine
