// SPL statements of a routine body. SQL statements go to the statement parser;
// SELECT ... INTO variables has its INTO list taken out first, as the SQL
// parser only knows INTO TEMP.
#include "engine/parser_spl.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;
using spl::Kind;

namespace {

class SplParser {
public:
    explicit SplParser(Parser &p) : p(p) {}

    // Statements up to END / ELIF / ELSE (not consumed).
    spl::Block block()
    {
        DepthGuard guard(p);
        spl::Block out;
        auto stop = [&] { return p.atWord("end") || p.atWord("elif") || p.atWord("else") || p.atWord("when"); };
        while (!stop()) {
            if (p.at(TokenKind::End)) p.fail();
            if (p.accept(TokenKind::Semicolon)) continue;
            out.push_back(statement());
            if (!p.accept(TokenKind::Semicolon) && !stop())
                p.fail();
        }
        return out;
    }

    void endOf(const char *what)
    {
        p.expectWord("end");
        if (!p.peek().isWord(std::string(what))) p.fail();
        p.next();
    }

    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        do out.push_back(p.name()); while (p.accept(TokenKind::Comma));
        return out;
    }

    std::vector<ExprPtr> expressions()
    {
        std::vector<ExprPtr> out;
        do out.push_back(p.expression()); while (p.accept(TokenKind::Comma));
        return out;
    }

    // SELECT with an INTO variable list before FROM: the list is removed from
    // the tokens and returned; the SELECT is parsed as SQL.
    ast::StatementPtr sql(std::vector<std::string> &into)
    {
        if (p.atWord("select")) {
            int depth = 0;
            for (std::size_t i = p.m_pos; i < p.m_tokens.size(); ++i) {
                const Token &t = p.m_tokens[i];
                if (t.kind == TokenKind::End || t.kind == TokenKind::Semicolon) break;
                if (t.kind == TokenKind::LParen) ++depth;
                if (t.kind == TokenKind::RParen) --depth;
                if (depth == 0 && (t.isWord("from") || t.isWord("union"))) break;
                if (depth == 0 && t.isWord("into")) {
                    std::size_t j = i + 1;
                    for (;;) {
                        if (j >= p.m_tokens.size() || p.m_tokens[j].kind != TokenKind::Identifier
                            || p.m_tokens[j].isWord("from"))
                            p.failAt(p.m_tokens[j < p.m_tokens.size() ? j : i].offset);
                        into.push_back(p.m_tokens[j].text);
                        ++j;
                        if (p.m_tokens[j].kind != TokenKind::Comma) break;
                        ++j;
                    }
                    p.m_tokens.erase(p.m_tokens.begin() + static_cast<std::ptrdiff_t>(i),
                                     p.m_tokens.begin() + static_cast<std::ptrdiff_t>(j));
                    break;
                }
            }
        }
        const int start = p.offset();
        ast::StatementPtr s = p.statement();
        s->start = start;
        s->end = p.lastEnd();
        return s;
    }

    // The loop body may follow FOREACH's query without a ';': a ';' token is
    // put before the first SPL statement word found at nesting depth 0, so
    // that word is not read as a table alias.
    void endQueryBeforeBody()
    {
        static const char *const words[] = {"let", "return", "while", "foreach", "call", "raise", "system",
                                            "trace", "exit", "continue", "define", "begin", "if", "end"};
        int depth = 0;
        int cases = 0;  // CASE ... END inside the query
        for (std::size_t i = p.m_pos + 1; i < p.m_tokens.size(); ++i) {
            const Token &t = p.m_tokens[i];
            if (t.kind == TokenKind::End || t.kind == TokenKind::Semicolon) return;
            if (t.kind == TokenKind::LParen) ++depth;
            if (t.kind == TokenKind::RParen) --depth;
            if (t.isWord("case")) ++cases;
            if (t.isWord("end") && cases > 0) { --cases; continue; }
            if (depth != 0 || t.kind != TokenKind::Identifier) continue;
            for (const char *w : words) {
                if (t.text == w) {
                    Token semi;
                    semi.kind = TokenKind::Semicolon;
                    semi.offset = t.offset;
                    p.m_tokens.insert(p.m_tokens.begin() + static_cast<std::ptrdiff_t>(i), semi);
                    return;
                }
            }
        }
    }

    spl::StatementPtr statement()
    {
        DepthGuard guard(p);
        auto s = std::make_unique<spl::Statement>();
        s->offset = p.offset();
        // <<label>> names the loop that follows.
        if (p.at(TokenKind::Lt) && p.at(TokenKind::Lt, 1)) {
            p.next();
            p.next();
            s->label = p.name();
            p.expect(TokenKind::Gt);
            p.expect(TokenKind::Gt);
            if (!p.atWord("for") && !p.atWord("foreach") && !p.atWord("while") && !p.atWord("loop")) p.fail();
            std::string label = s->label;
            s = statement();
            s->label = label;
            return s;
        }
        if (p.acceptWord("define")) {
            s->kind = Kind::Define;
            s->global = p.acceptWord("global");
            s->names = names();
            if (p.acceptWord("like")) {
                do s->like.push_back(p.name()); while (p.accept(TokenKind::Dot));
                if (s->like.size() < 2) p.fail();
            } else if (p.acceptWord("references")) {
                if (!p.acceptWord("byte") && !p.acceptWord("text")) p.fail();
            } else {
                s->type = p.typeName();
            }
            if (s->global) {
                p.expectWord("default");
                s->exprs.push_back(p.expression());
            }
        } else if (p.acceptWord("let")) {
            s->kind = Kind::Let;
            s->names = names();
            p.expect(TokenKind::Eq);
            s->exprs = expressions();
        } else if (p.acceptWord("if")) {
            s->kind = Kind::If;
            s->exprs.push_back(p.expression());
            p.expectWord("then");
            s->blocks.push_back(block());
            while (p.acceptWord("elif")) {
                s->exprs.push_back(p.expression());
                p.expectWord("then");
                s->blocks.push_back(block());
            }
            if (p.acceptWord("else")) s->blocks.push_back(block());
            endOf("if");
        } else if (p.acceptWord("for")) {
            s->names.push_back(p.name());
            if (p.acceptWord("in")) {
                s->kind = Kind::ForIn;
                p.expect(TokenKind::LParen);
                do {
                    s->exprs.push_back(p.expression());
                    if (p.acceptWord("to")) {
                        s->exprs.push_back(p.expression());
                        s->exprs.push_back(p.acceptWord("step") ? p.expression() : nullptr);
                    } else {
                        s->exprs.push_back(nullptr);
                        s->exprs.push_back(nullptr);
                    }
                } while (p.accept(TokenKind::Comma));
                p.expect(TokenKind::RParen);
            } else {
                s->kind = Kind::For;
                p.expect(TokenKind::Eq);
                s->exprs.push_back(p.expression());
                p.expectWord("to");
                s->exprs.push_back(p.expression());
                if (p.acceptWord("step")) s->exprs.push_back(p.expression());
            }
            s->blocks.push_back(block());
            endOf("for");
        } else if (p.acceptWord("foreach")) {
            s->kind = Kind::Foreach;
            if (!p.atWord("select") && !p.atWord("execute") && !p.at(TokenKind::LParen)) {
                s->cursor = p.name();
                if (p.acceptWord("with")) { p.expectWord("hold"); s->withHold = true; }
                p.expectWord("for");
            }
            if (!p.atWord("select") && !p.atWord("execute") && !p.at(TokenKind::LParen)) p.fail();
            endQueryBeforeBody();
            s->sql = sql(s->names);
            p.accept(TokenKind::Semicolon);
            s->blocks.push_back(block());
            endOf("foreach");
        } else if (p.acceptWord("while")) {
            s->kind = Kind::While;
            s->exprs.push_back(p.expression());
            s->blocks.push_back(block());
            endOf("while");
        } else if (p.atWord("continue") || p.atWord("exit")) {
            s->kind = p.next().text == "continue" ? Kind::Continue : Kind::Exit;
            // A loop kind, a label, or nothing: the innermost loop.
            if (p.atName() && !p.atWord("when")) s->loop = p.next().text;
            if (p.acceptWord("when")) s->exprs.push_back(p.expression());
        } else if (p.acceptWord("loop")) {
            s->kind = Kind::Loop;
            s->blocks.push_back(block());
            endOf("loop");
        } else if (p.acceptWord("case")) {
            s->kind = Kind::Case;
            if (!p.atWord("when")) {
                s->hasOperand = true;
                s->exprs.push_back(p.expression());
            }
            if (!p.atWord("when")) p.fail();
            while (p.acceptWord("when")) {
                s->exprs.push_back(p.expression());
                p.expectWord("then");
                s->blocks.push_back(block());
            }
            if (p.acceptWord("else")) s->blocks.push_back(block());
            endOf("case");
        } else if (p.acceptWord("return")) {
            s->kind = Kind::Return;
            if (!p.at(TokenKind::Semicolon) && !p.atWord("end") && !p.atWord("with"))
                s->exprs = expressions();
            if (p.acceptWord("with")) { p.expectWord("resume"); s->withResume = true; }
        } else if (p.atWord("on") && p.atWord("exception", 1)) {
            p.next(); p.next();
            s->kind = Kind::OnException;
            if (p.acceptWord("in")) {
                p.expect(TokenKind::LParen);
                do s->codes.push_back(p.integerValue()); while (p.accept(TokenKind::Comma));
                p.expect(TokenKind::RParen);
            }
            if (p.acceptWord("set")) s->names = names();
            s->blocks.push_back(block());
            endOf("exception");
            if (p.acceptWord("with")) { p.expectWord("resume"); s->withResume = true; }
        } else if (p.acceptWord("raise")) {
            s->kind = Kind::Raise;
            p.expectWord("exception");
            s->exprs = expressions();
            if (s->exprs.size() > 3) p.failAt(s->exprs[3]->offset);
        } else if (p.acceptWord("call")) {
            s->kind = Kind::Call;
            s->routine = p.objectName();
            p.expect(TokenKind::LParen);
            if (!p.at(TokenKind::RParen)) s->exprs = expressions();
            p.expect(TokenKind::RParen);
            if (p.acceptWord("returning")) s->names = names();
        } else if (p.acceptWord("system")) {
            s->kind = Kind::System;
            s->exprs.push_back(p.expression());
        } else if (p.acceptWord("trace")) {
            s->kind = Kind::Trace;
            if (p.atWord("on") || p.atWord("off") || p.atWord("procedure")) s->loop = p.next().text;
            else s->exprs.push_back(p.expression());
        } else if (p.atWord("begin") && !p.atWord("work", 1)) {
            p.next();
            s->kind = Kind::Block;
            s->blocks.push_back(block());
            p.expectWord("end");
        } else {
            s->kind = Kind::Sql;
            s->sql = sql(s->names);
        }
        return s;
    }

    Parser &p;
};

} // namespace

std::shared_ptr<spl::Body> parseSplBody(Parser &p, const char *closing)
{
    auto body = std::make_shared<spl::Body>();
    SplParser sp(p);
    body->statements = sp.block();
    // END of the routine, else a stray ELIF / ELSE / END.
    if (!p.atWord("end") || !p.peek(1).isWord(std::string(closing))) p.fail();
    return body;
}

} // namespace quodlin::engine
