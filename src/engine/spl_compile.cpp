// Routine text to compiled blocks: variables resolved to frame slots (names
// in SQL become typed parameters), integer expressions made native, and the
// ON EXCEPTION handlers of each block gathered.
#include "engine/spl_internal.h"
#include "engine/decimal.h"

#include "engine/parser.h"
#include "engine/sqlite_util.h"

namespace quodlin::engine::spl {

using namespace ast;

std::string cursorSlotName(const std::string &cursor)
{
    return std::string(ast::spl::kCursorMarker) + ":" + cursor;
}

int Scopes::find(const std::string &name) const
{
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        auto f = it->find(name);
        if (f != it->end())
            return f->second;
    }
    return -1;
}

int Scopes::findCorrelated(const std::string &corr, const std::string &column) const
{
    auto f = correlated.find({corr, column});
    return f == correlated.end() ? -1 : f->second;
}

int Compiler::declare(const std::string &name, const TypeDesc &type, bool global, int offset)
{
    auto &level = scopes.levels.back();
    if (level.count(name))
        raise(-669, name, offset);
    const int slot = static_cast<int>(m_vars.size());
    m_vars.push_back({name, type, global});
    level[name] = slot;
    return slot;
}

int Compiler::target(const std::string &name, int offset) const
{
    const int slot = scopes.find(name);
    if (slot < 0)
        raise(-667, name, offset);
    return slot;
}

TypeDesc Compiler::likeType(const std::vector<std::string> &like, int offset)
{
    const std::string &column = like.back();
    const std::string &table = like[like.size() - 2];
    const std::string owner = like.size() > 2 ? like[like.size() - 3] : std::string();
    auto t = m_s.catalog().findTable(table, owner);
    if (!t)
        raise(-206, table, offset, -111);
    const ColumnInfo *c = t->column(column);
    if (!c)
        raise(-217, column, offset);
    return c->type();
}

namespace {

// A copy of an expression without subqueries (CASE's operand, once per WHEN).
ExprPtr cloneExpr(const Expr &e)
{
    if (e.select)
        raise(-999, {}, e.offset);
    auto c = std::make_unique<Expr>();
    c->kind = e.kind;
    c->op = e.op;
    c->negated = e.negated;
    c->distinct = e.distinct;
    c->star = e.star;
    c->all = e.all;
    c->hasOperand = e.hasOperand;
    c->hasElse = e.hasElse;
    c->offset = e.offset;
    c->paramIndex = e.paramIndex;
    c->text = e.text;
    c->table = e.table;
    c->owner = e.owner;
    c->qualifier = e.qualifier;
    if (e.castType)
        c->castType = std::make_unique<TypeName>(*e.castType);
    for (const ExprPtr &a : e.args)
        c->args.push_back(a ? cloneExpr(*a) : nullptr);
    return c;
}

// Whether a statement of `b` updates or deletes WHERE CURRENT OF `cursor`.
bool usesCursor(const ast::spl::Block &b, const std::string &cursor)
{
    for (const ast::spl::StatementPtr &s : b) {
        if (s->sql && (s->sql->kind == StmtKind::Update || s->sql->kind == StmtKind::Delete)) {
            const ExprPtr &w = s->sql->kind == StmtKind::Update ? static_cast<UpdateStatement &>(*s->sql).where
                                                                  : static_cast<DeleteStatement &>(*s->sql).where;
            if (w && w->kind == ExprKind::Compare && w->args.size() == 2 && w->args[1]->table == ast::spl::kCursorMarker
                && w->args[1]->text == cursor)
                return true;
        }
        for (const ast::spl::Block &inner : s->blocks)
            if (usesCursor(inner, cursor))
                return true;
    }
    return false;
}

bool isIntegerType(int code)
{
    return code == TSmallInt || code == TInteger || code == TInt8 || code == TBigInt || code == TSerial
        || code == TSerial8 || code == TBigSerial;
}

// Sets Native::exact where Decimal64 can compute a node; true when the
// node could be computed so (integers alone are, but stay on INT8).
bool markExact(Native &n, bool &decimal)
{
    using Op = Native::Op;
    switch (n.op) {
    case Op::Const:
        decimal = decimal || n.decimal;
        return !n.decimal || n.exact;
    case Op::Var:
        n.exact = n.decimal;
        decimal = decimal || n.decimal;
        return true;
    case Op::Neg:
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Cmp: {
        bool here = false;
        bool ok = markExact(*n.a, here);
        if (n.b)
            ok = markExact(*n.b, here) && ok;
        n.exact = ok && here;
        decimal = decimal || here;
        return ok && n.op != Op::Cmp;
    }
    default:
        if (n.a) {
            bool ignored = false;
            markExact(*n.a, ignored);
        }
        if (n.b) {
            bool ignored = false;
            markExact(*n.b, ignored);
        }
        return false;
    }
}

void markExact(Native &n)
{
    bool decimal = false;
    markExact(n, decimal);
}

} // namespace

std::unique_ptr<Native> Compiler::native(const Expr &e) const
{
    auto n = std::make_unique<Native>();
    switch (e.kind) {
    case ExprKind::Integer:
        if (e.text.size() > 18)
            return nullptr;
        n->op = Native::Op::Const;
        n->value = std::stoll(e.text);
        return n;
    case ExprKind::Number:
        // An exact literal, as the translator spells it; FLOAT ones go to SQL.
        if (e.text.find_first_of("eE") != std::string::npos)
            return nullptr;
        n->op = Native::Op::Const;
        n->decimal = true;
        n->constant = Value::fromText(Decimal::parseOrRaise(e.text).normalized().text());
        n->exact = parseDecimal64(n->constant.text, n->exactConstant);
        return n;
    case ExprKind::Column: {
        if (!e.table.empty() || !e.owner.empty())
            return nullptr;
        const int slot = scopes.find(e.text);
        if (slot < 0)
            return nullptr;
        const int code = m_vars[static_cast<std::size_t>(slot)].type.code;
        if (!isIntegerType(code) && code != TDecimal && code != TMoney)
            return nullptr;
        n->op = Native::Op::Var;
        n->slot = slot;
        n->decimal = !isIntegerType(code);
        return n;
    }
    case ExprKind::Unary:
        n->a = native(*e.args[0]);
        if (!n->a)
            return nullptr;
        if (e.op == TokenKind::Plus)
            return std::move(n->a);
        n->op = Native::Op::Neg;
        return n;
    case ExprKind::Binary:
        if (e.op != TokenKind::Plus && e.op != TokenKind::Minus && e.op != TokenKind::Star)
            return nullptr;
        n->op = e.op == TokenKind::Plus ? Native::Op::Add : e.op == TokenKind::Minus ? Native::Op::Sub : Native::Op::Mul;
        break;
    case ExprKind::Compare:
        n->op = Native::Op::Cmp;
        n->cmp = e.op;
        break;
    case ExprKind::And:
    case ExprKind::Or:
        n->op = e.kind == ExprKind::And ? Native::Op::And : Native::Op::Or;
        break;
    case ExprKind::Not:
        n->op = Native::Op::Not;
        n->a = native(*e.args[0]);
        return n->a ? std::move(n) : nullptr;
    case ExprKind::IsNull:
        n->op = Native::Op::IsNull;
        n->negated = e.negated;
        n->a = native(*e.args[0]);
        return n->a ? std::move(n) : nullptr;
    default:
        return nullptr;
    }
    n->a = native(*e.args[0]);
    n->b = native(*e.args[1]);
    return n->a && n->b ? std::move(n) : nullptr;
}

// Variables (and correlation names) become typed parameters. A bare name
// that is no variable in a FROM-less expression is an undeclared variable.
void Compiler::substitute(ExprPtr &e, SqlPart &part, bool topLevel)
{
    if (!e)
        return;
    if (e->kind == ExprKind::Column && e->table == ast::spl::kCursorMarker) {
        const int slot = scopes.find(cursorSlotName(e->text));
        if (slot < 0)
            raise(-201, {}, e->offset);
        e->table.clear();
        e->text = cursorSlotName(e->text);
    }
    if (e->kind == ExprKind::Column && e->owner.empty()) {
        const int slot = e->table.empty() ? scopes.find(e->text) : scopes.findCorrelated(e->table, e->text);
        if (slot >= 0) {
            auto p = std::make_unique<Expr>();
            p->kind = ExprKind::Param;
            p->offset = e->offset;
            part.slots.push_back(slot);
            p->paramIndex = static_cast<int>(part.slots.size());
            p->castType = std::make_unique<TypeName>();
            p->castType->desc = m_vars[static_cast<std::size_t>(slot)].type;
            p->text = e->text;
            e = std::move(p);
            return;
        }
        if (topLevel && e->table.empty() && e->text != "rowid")
            raise(-667, e->text, e->offset);
    }
    for (ExprPtr &a : e->args)
        substitute(a, part, topLevel);
    if (e->select)
        substituteSelect(*e->select, part);
}

void Compiler::substituteFrom(FromItem &f, SqlPart &part)
{
    for (FromItem &m : f.members)
        substituteFrom(m, part);
    if (f.left) substituteFrom(*f.left, part);
    if (f.right) substituteFrom(*f.right, part);
    substitute(f.on, part, false);
    if (f.derived) substituteSelect(*f.derived, part);
}

void Compiler::substituteSelect(SelectStmt &s, SqlPart &part)
{
    for (SelectCore &c : s.cores) {
        substitute(c.skip, part, false);
        substitute(c.first, part, false);
        for (SelectItem &i : c.items)
            substitute(i.expr, part, false);
        for (FromItem &f : c.from)
            substituteFrom(f, part);
        substitute(c.where, part, false);
        for (ExprPtr &g : c.groupBy)
            substitute(g, part, false);
        substitute(c.having, part, false);
    }
    for (OrderItem &o : s.orderBy)
        substitute(o.expr, part, false);
    substitute(s.limit, part, false);
}

std::unique_ptr<SqlPart> Compiler::sqlPart(StatementPtr stmt)
{
    auto part = std::make_unique<SqlPart>();
    part->text = m_text;
    switch (stmt->kind) {
    case StmtKind::Select:
        substituteSelect(static_cast<SelectStatement &>(*stmt).select, *part);
        break;
    case StmtKind::Insert: {
        auto &st = static_cast<InsertStatement &>(*stmt);
        for (ExprPtr &v : st.values)
            substitute(v, *part, false);
        if (st.select)
            substituteSelect(*st.select, *part);
        break;
    }
    case StmtKind::Update: {
        auto &st = static_cast<UpdateStatement &>(*stmt);
        for (Assignment &a : st.assignments)
            substitute(a.value, *part, false);
        substitute(st.where, *part, false);
        break;
    }
    case StmtKind::Delete:
        substitute(static_cast<DeleteStatement &>(*stmt).where, *part, false);
        break;
    default:
        break;
    }
    for (std::size_t i = 0; i < part->slots.size(); ++i)
        stmt->params.push_back({m_vars[static_cast<std::size_t>(part->slots[i])].name, stmt->start});
    part->stmt = std::move(stmt);
    return part;
}

std::unique_ptr<SqlPart> Compiler::valuesPart(std::vector<ExprPtr> exprs, std::vector<TypeDesc> storeAs)
{
    auto part = std::make_unique<SqlPart>();
    part->text = m_text;
    for (ExprPtr &e : exprs)
        substitute(e, *part, true);
    part->exprs = std::move(exprs);
    part->storeAs = std::move(storeAs);
    return part;
}

CExpr Compiler::expr(ExprPtr e, const TypeDesc *storeAs)
{
    CExpr out;
    out.native = native(*e);
    if (out.native)
        markExact(*out.native);
    std::vector<ExprPtr> one;
    one.push_back(std::move(e));
    out.sql = valuesPart(std::move(one), storeAs ? std::vector<TypeDesc>{*storeAs} : std::vector<TypeDesc>{});
    return out;
}

void Compiler::block(ast::spl::Block &in, CBlock &out)
{
    scopes.levels.emplace_back();
    out.stmts.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        statement(*in[i], out.stmts[i]);
    for (const CStmt &s : out.stmts)
        if (s.kind == Kind::OnException)
            out.handlers.push_back(&s);
    scopes.levels.pop_back();
}

void Compiler::statement(ast::spl::Statement &in, CStmt &out)
{
    out.src = &in;
    out.kind = in.kind;
    const TypeDesc kInt{TInteger, 4, 0};
    switch (in.kind) {
    case Kind::Define: {
        const TypeDesc type = !in.like.empty() ? likeType(in.like, in.offset) : in.type.desc;
        for (const std::string &n : in.names)
            out.targets.push_back(declare(n, type, in.global, in.offset));
        if (in.global && !in.exprs.empty())
            out.exprs.push_back(expr(std::move(in.exprs[0]), &type));
        return;
    }
    case Kind::Let: {
        for (const std::string &n : in.names)
            out.targets.push_back(target(n, in.offset));
        if (in.exprs.size() == 1 && in.names.size() > 1) {
            Expr &e = *in.exprs[0];
            if (e.kind == ExprKind::Subquery) {
                auto sel = std::make_unique<SelectStatement>();
                sel->select = std::move(*e.select);
                sel->start = e.offset;
                out.sql = sqlPart(std::move(sel));
                return;
            }
            if (e.kind == ExprKind::Function) {
                out.call = std::make_unique<CallPart>();
                out.call->routine.name = e.text;
                out.call->routine.offset = e.offset;
                out.call->argNames.assign(e.args.size(), std::string());
                if (!e.args.empty())
                    out.call->args = valuesPart(std::move(e.args), {});
                return;
            }
        }
        if (in.exprs.size() != in.names.size())
            raise(-201, {}, in.offset);
        if (in.exprs.size() == 1) {
            const TypeDesc t = m_vars[static_cast<std::size_t>(out.targets[0])].type;
            out.exprs.push_back(expr(std::move(in.exprs[0]), &t));
            return;
        }
        std::vector<TypeDesc> types;
        for (int slot : out.targets)
            types.push_back(m_vars[static_cast<std::size_t>(slot)].type);
        out.sql = valuesPart(std::move(in.exprs), std::move(types));
        return;
    }
    case Kind::If:
    case Kind::While:
        for (ExprPtr &e : in.exprs)
            out.exprs.push_back(expr(std::move(e), nullptr));
        break;
    case Kind::For:
        out.targets.push_back(target(in.names[0], in.offset));
        for (ExprPtr &e : in.exprs)
            out.exprs.push_back(expr(std::move(e), &kInt));
        break;
    case Kind::ForIn:
        out.targets.push_back(target(in.names[0], in.offset));
        for (ExprPtr &e : in.exprs) {
            if (e)
                out.exprs.push_back(expr(std::move(e), &m_vars[static_cast<std::size_t>(out.targets[0])].type));
            else
                out.exprs.emplace_back();
        }
        break;
    case Kind::Foreach:
        for (const std::string &n : in.names)
            out.targets.push_back(target(n, in.offset));
        if (in.sql->kind == StmtKind::ExecuteRoutine) {
            auto &ex = static_cast<RoutineStatement &>(*in.sql);
            for (const ColumnRef &c : ex.into)
                out.targets.push_back(target(c.name, c.offset));
            out.call = std::make_unique<CallPart>();
            out.call->routine = ex.name;
            out.call->argNames = ex.argNames;
            out.call->isFunction = ex.isFunction;
            if (!ex.args.empty())
                out.call->args = valuesPart(std::move(ex.args), {});
        } else {
            // UPDATE / DELETE WHERE CURRENT OF the cursor: the query also
            // fetches the row's rowid into a hidden variable.
            if (!in.cursor.empty() && in.sql->kind == StmtKind::Select && usesCursor(in.blocks[0], in.cursor)) {
                auto &sel = static_cast<SelectStatement &>(*in.sql).select;
                if (sel.cores.size() != 1 || sel.cores[0].from.size() != 1 || sel.cores[0].distinct
                    || !sel.cores[0].groupBy.empty())
                    raise(-201, {}, in.offset);
                SelectItem item;
                item.expr = std::make_unique<Expr>();
                item.expr->kind = ExprKind::Column;
                item.expr->text = "rowid";
                item.expr->offset = in.offset;
                sel.cores[0].items.push_back(std::move(item));
                const std::string hidden = cursorSlotName(in.cursor);
                int slot = scopes.levels.back().count(hidden) ? scopes.levels.back()[hidden] : -1;
                if (slot < 0)
                    slot = declare(hidden, TypeDesc{TInt8, 10, 0}, false, in.offset);
                out.targets.push_back(slot);
            }
            out.sql = sqlPart(std::move(in.sql));
        }
        break;
    case Kind::Return: {
        for (ExprPtr &e : in.exprs)
            out.exprs.push_back(expr(std::move(e), nullptr));
        break;
    }
    case Kind::OnException:
        for (const std::string &n : in.names)
            out.targets.push_back(target(n, in.offset));
        break;
    case Kind::Raise:
    case Kind::System:
    case Kind::Trace:
        for (ExprPtr &e : in.exprs)
            out.exprs.push_back(expr(std::move(e), nullptr));
        break;
    case Kind::Call:
        for (const std::string &n : in.names)
            out.targets.push_back(target(n, in.offset));
        out.call = std::make_unique<CallPart>();
        out.call->routine = in.routine;
        out.call->argNames.assign(in.exprs.size(), std::string());
        if (!in.exprs.empty())
            out.call->args = valuesPart(std::move(in.exprs), {});
        break;
    case Kind::Sql:
        for (const std::string &n : in.names)
            out.targets.push_back(target(n, in.offset));
        if (in.sql->kind == StmtKind::ExecuteRoutine) {
            auto &ex = static_cast<RoutineStatement &>(*in.sql);
            for (const ColumnRef &c : ex.into)
                out.targets.push_back(target(c.name, c.offset));
            out.call = std::make_unique<CallPart>();
            out.call->routine = ex.name;
            out.call->argNames = ex.argNames;
            out.call->isFunction = ex.isFunction;
            if (!ex.args.empty())
                out.call->args = valuesPart(std::move(ex.args), {});
            return;
        }
        out.sql = sqlPart(std::move(in.sql));
        return;
    case Kind::Continue:
    case Kind::Exit:
        for (ExprPtr &e : in.exprs)
            out.exprs.push_back(expr(std::move(e), nullptr));
        break;
    case Kind::Case: {
        // CASE operand WHEN v: the condition operand = v, as IF ... ELIF.
        ExprPtr operand;
        std::size_t first = 0;
        if (in.hasOperand) {
            operand = std::move(in.exprs[0]);
            first = 1;
        }
        for (std::size_t i = first; i < in.exprs.size(); ++i) {
            ExprPtr cond = std::move(in.exprs[i]);
            if (operand) {
                auto eq = std::make_unique<Expr>();
                eq->kind = ExprKind::Compare;
                eq->op = TokenKind::Eq;
                eq->offset = cond->offset;
                eq->args.push_back(cloneExpr(*operand));
                eq->args.push_back(std::move(cond));
                cond = std::move(eq);
            }
            out.exprs.push_back(expr(std::move(cond), nullptr));
        }
        break;
    }
    case Kind::Block:
    case Kind::Loop:
        break;
    }
    out.blocks.resize(in.blocks.size());
    for (std::size_t i = 0; i < in.blocks.size(); ++i)
        block(in.blocks[i], out.blocks[i]);
}

std::shared_ptr<CompiledRoutine> compileRoutine(SessionImpl &s, int procid)
{
    auto r = std::make_shared<CompiledRoutine>();
    r->procid = procid;
    {
        sql::Stmt q(s.db(), "SELECT procname, isproc FROM sysprocedures WHERE procid = ?1");
        q.bind(1, procid);
        if (!q.step())
            raise(-674, std::to_string(procid));
        r->name = q.text(0);
        r->isFunction = q.text(1) == "f";
        sql::Stmt b(s.db(), "SELECT data FROM sysprocbody WHERE procid = ?1 AND datakey = 'T' ORDER BY seqno");
        b.bind(1, procid);
        std::string text;
        while (b.step())
            text += b.text(0);
        r->text = std::make_shared<const std::string>(std::move(text));
    }
    // The creator's DELIMIDENT is not recorded: either reading will do.
    for (bool delimident : {s.environment().delimident, !s.environment().delimident}) {
        try {
            ParseOptions opts;
            opts.delimident = delimident;
            r->script = parseScript(*r->text, opts);
            break;
        } catch (const EngineError &) {
            r->script.clear();
        }
    }
    if (r->script.size() != 1 || r->script.front()->kind != StmtKind::CreateRoutine)
        raise(-674, r->name);
    auto &decl = static_cast<RoutineStatement &>(*r->script.front());
    // Parameter forms the header parser keeps as text only (LIKE ...) cannot run.
    if (!decl.body)
        raise(-999, {}, -1);
    r->paramCount = static_cast<int>(decl.paramNames.size());
    r->defaults = decl.paramDefaults;
    r->defaults.resize(decl.paramNames.size());
    for (std::size_t i = 0; i < decl.returning.size(); ++i) {
        r->returning.push_back(decl.returning[i].desc);
        const std::string name = i < decl.returningNames.size() && !decl.returningNames[i].empty()
            ? decl.returningNames[i] : "(expression)";
        r->columns.push_back(describeType(decl.returning[i].desc, name));
    }
    Compiler c(s, r->vars, r->text);
    c.scopes.levels.emplace_back();
    for (std::size_t i = 0; i < decl.paramNames.size(); ++i)
        c.declare(decl.paramNames[i], decl.signature[i].desc, false, decl.start);
    c.block(decl.body->statements, r->body);
    return r;
}

} // namespace quodlin::engine::spl
