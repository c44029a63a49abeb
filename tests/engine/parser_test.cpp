// Parser: statement splitting and offsets, parameters, the syntax tree of the
// forms whose shape matters to later stages (OUTER groups, DDL types,
// constraints, ALTER actions), and -201 positions.
#include "engine/error.h"
#include "engine/parser.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;
using namespace quodlin::engine::ast;

namespace {

template <typename T>
const T &only(const Script &s)
{
    EXPECT_EQ(s.size(), 1u);
    return static_cast<const T &>(*s.front());
}

int errorOffset(const std::string &sql, int expectedCode = -201)
{
    try {
        parseScript(sql);
    } catch (const EngineError &e) {
        EXPECT_EQ(e.sqlCode(), expectedCode) << sql;
        return e.offset();
    }
    ADD_FAILURE() << "parsed: " << sql;
    return -2;
}

TEST(Parser, SplitsStatementsWithOffsets)
{
    const std::string text = "select 1 from t; ; update t set a = 1 ;\ndelete from t";
    const Script s = parseScript(text);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0]->kind, StmtKind::Select);
    EXPECT_EQ(text.substr(s[0]->start, s[0]->end - s[0]->start), "select 1 from t");
    EXPECT_EQ(text.substr(s[1]->start, s[1]->end - s[1]->start), "update t set a = 1");
    EXPECT_EQ(text.substr(s[2]->start, s[2]->end - s[2]->start), "delete from t");
}

TEST(Parser, ProcedureBodyKeepsItsSemicolons)
{
    const std::string text = "create procedure p(a int) define x int; let x = a; end procedure; select 1 from t";
    const Script s = parseScript(text);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0]->kind, StmtKind::CreateRoutine);
    EXPECT_EQ(text.substr(s[0]->start, s[0]->end - s[0]->start),
              "create procedure p(a int) define x int; let x = a; end procedure");
    const auto &r = static_cast<const RoutineStatement &>(*s[0]);
    EXPECT_EQ(r.name.name, "p");
    EXPECT_TRUE(r.headerParsed);
    ASSERT_EQ(r.paramNames.size(), 1u);
    EXPECT_EQ(r.signature.at(0).desc.code, 2);
}

TEST(Parser, RoutineHeaderOutsideTheKnownFormsStillParses)
{
    const Script s = parseScript("create function f(a like t.c, b int) returning char(10) as x; return 'a'; end function");
    const auto &r = static_cast<const RoutineStatement &>(*s.front());
    EXPECT_FALSE(r.headerParsed);
    const Script ok = parseScript("create function g(a int default 1, b char(5)) returning int, decimal(8,2); return 1, 2; end function");
    const auto &g = static_cast<const RoutineStatement &>(*ok.front());
    EXPECT_TRUE(g.headerParsed);
    EXPECT_EQ(g.signature.size(), 2u);
    EXPECT_EQ(g.returning.size(), 2u);
}

TEST(Parser, ParametersInOrderOfAppearance)
{
    const Script s = parseScript("select a from t where b = :Tabid and c = ? and d = :owner");
    const auto &p = s.front()->params;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].name, "tabid");
    EXPECT_EQ(p[1].name, "");
    EXPECT_EQ(p[2].name, "owner");
    EXPECT_EQ(p[1].offset, 41);
}

TEST(Parser, OuterGroupsNest)
{
    const Script script1 = parseScript("select * from a, outer (b, outer c), outer d x");
    const auto &sel = only<SelectStatement>(script1).select;
    const auto &from = sel.cores.front().from;
    ASSERT_EQ(from.size(), 3u);
    EXPECT_EQ(from[0].kind, FromItem::Kind::Table);
    ASSERT_EQ(from[1].kind, FromItem::Kind::Outer);
    ASSERT_EQ(from[1].members.size(), 2u);
    EXPECT_EQ(from[1].members[0].table.name, "b");
    EXPECT_EQ(from[1].members[1].kind, FromItem::Kind::Outer);
    EXPECT_EQ(from[1].members[1].members[0].table.name, "c");
    EXPECT_EQ(from[2].members[0].alias, "x");
}

TEST(Parser, QuotedOwnersAndLabels)
{
    const Script script2 = parseScript(
        "select first 5 t.tabname name, count(*) as n from \"informix\".systables t, 'Bob'.x group by 1");
    const auto &sel = only<SelectStatement>(script2).select;
    const SelectCore &c = sel.cores.front();
    EXPECT_EQ(c.first->text, "5");
    EXPECT_EQ(c.items[0].alias, "name");
    EXPECT_EQ(c.items[1].alias, "n");
    EXPECT_EQ(c.from[0].table.owner, "informix");
    EXPECT_EQ(c.from[0].alias, "t");
    EXPECT_EQ(c.from[1].table.owner, "Bob");
}

TEST(Parser, DelimitedIdentifiersKeepCase)
{
    ParseOptions opts;
    opts.delimident = true;
    const Script script3 = parseScript("select \"Col A\" from \"My Tab\"", opts);
    const auto &sel = only<SelectStatement>(script3).select;
    EXPECT_EQ(sel.cores.front().items[0].expr->text, "Col A");
    EXPECT_EQ(sel.cores.front().from[0].table.name, "My Tab");
}

struct TypeCase {
    const char *name;
    const char *type;
    int coltype;
    int collength;
    int xid;
};

void PrintTo(const TypeCase &c, std::ostream *os) { *os << c.name; }

class ParserTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ParserTypes, Encodes)
{
    const Script script4 = parseScript(std::string("create table t (c ") + GetParam().type + ")");
    const auto &ct = only<CreateTableStatement>(script4);
    const TypeDesc &d = ct.columns.at(0).type.desc;
    EXPECT_EQ(d.code, GetParam().coltype);
    EXPECT_EQ(d.collength, GetParam().collength);
    EXPECT_EQ(d.extendedId, GetParam().xid);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParserTypes, ::testing::Values(
    TypeCase{"char", "char(10)", 0, 10, 0},
    TypeCase{"charDefault", "character", 0, 1, 0},
    TypeCase{"varcharReserve", "varchar(100, 20)", 13, 20 * 256 + 100, 0},
    TypeCase{"nvarchar", "nvarchar(40)", 16, 40, 0},
    TypeCase{"lvarchar", "lvarchar", 40, 2048, 1},
    TypeCase{"smallint", "smallint", 1, 2, 0},
    TypeCase{"int", "int", 2, 4, 0},
    TypeCase{"int8", "int8", 17, 10, 0},
    TypeCase{"bigint", "bigint", 52, 8, 0},
    TypeCase{"serial", "serial(100)", 6, 4, 0},
    TypeCase{"bigserial", "bigserial", 53, 8, 0},
    TypeCase{"real", "real", 4, 4, 0},
    TypeCase{"doublePrecision", "double precision", 3, 8, 0},
    TypeCase{"decimalFixed", "decimal(8,2)", 5, 2050, 0},
    TypeCase{"decimalFloating", "dec(10)", 5, 10 * 256 + 255, 0},
    TypeCase{"decimalBare", "numeric", 5, 4351, 0},
    TypeCase{"moneyDefault", "money", 8, 4098, 0},
    TypeCase{"moneyPrecision", "money(6)", 8, 1538, 0},
    TypeCase{"date", "date", 7, 4, 0},
    TypeCase{"datetimeYearToFraction", "datetime year to fraction(3)", 10, 4365, 0},
    TypeCase{"datetimeHourToMinute", "datetime hour to minute", 10, 1128, 0},
    TypeCase{"intervalDay3", "interval day(3) to day", 14, 836, 0},
    TypeCase{"intervalYearToMonth", "interval year to month", 14, 1538, 0},
    TypeCase{"text", "text", 12, 56, 0},
    TypeCase{"byte", "byte in table", 11, 56, 0},
    TypeCase{"boolean", "boolean", 41, 1, 5}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Parser, ConstraintNamesFollowTheConstraint)
{
    const Script script5 = parseScript(
        "create temp table t (a serial not null constraint nn_a, b char(18) default user unique constraint u_b,"
        " c int references p (x) on delete cascade constraint fk_c, d date default today check (d > '01/01/2000'),"
        " primary key (a, b) constraint pk_t, constraint ck_t check (a > 0)) with no log");
    const auto &ct = only<CreateTableStatement>(script5);
    EXPECT_TRUE(ct.temp);
    EXPECT_TRUE(ct.withNoLog);
    ASSERT_EQ(ct.columns.size(), 4u);
    EXPECT_EQ(ct.columns[0].constraints.at(0).kind, Constraint::Kind::NotNull);
    EXPECT_EQ(ct.columns[0].constraints.at(0).name, "nn_a");
    EXPECT_EQ(ct.columns[1].defaultValue.kind, DefaultValue::Kind::User);
    EXPECT_EQ(ct.columns[1].constraints.at(0).name, "u_b");
    const Constraint &fk = ct.columns[2].constraints.at(0);
    EXPECT_EQ(fk.kind, Constraint::Kind::ForeignKey);
    EXPECT_EQ(fk.refTable.name, "p");
    EXPECT_TRUE(fk.onDeleteCascade);
    EXPECT_EQ(fk.name, "fk_c");
    EXPECT_EQ(ct.columns[3].defaultValue.kind, DefaultValue::Kind::Today);
    EXPECT_EQ(ct.columns[3].constraints.at(0).checkText, "(d > '01/01/2000')");
    ASSERT_EQ(ct.constraints.size(), 2u);
    EXPECT_EQ(ct.constraints[0].kind, Constraint::Kind::PrimaryKey);
    EXPECT_EQ(ct.constraints[0].columns.size(), 2u);
    EXPECT_EQ(ct.constraints[0].name, "pk_t");
    EXPECT_EQ(ct.constraints[1].name, "ck_t");
}

TEST(Parser, DefaultKinds)
{
    const Script script6 = parseScript(
        "create table t (a int default -5, b char(3) default 'x', c datetime year to minute default current year to minute,"
        " d varchar(30) default dbservername, e int default null, f money default 1.5)");
    const auto &ct = only<CreateTableStatement>(script6);
    EXPECT_EQ(ct.columns[0].defaultValue.text, "-5");
    EXPECT_EQ(ct.columns[1].defaultValue.literalKind, ExprKind::String);
    EXPECT_EQ(ct.columns[2].defaultValue.kind, DefaultValue::Kind::Current);
    EXPECT_EQ(ct.columns[2].defaultValue.qualifier.end, UnitMinute);
    EXPECT_EQ(ct.columns[3].defaultValue.kind, DefaultValue::Kind::Server);
    EXPECT_EQ(ct.columns[4].defaultValue.kind, DefaultValue::Kind::Null);
    EXPECT_EQ(ct.columns[5].defaultValue.text, "1.5");
}

TEST(Parser, AlterTableActions)
{
    const Script script7 = parseScript(
        "alter table t add (x int before a, y char(2)), drop (b, c), modify (d decimal(6,2) not null),"
        " add constraint (foreign key (x) references p constraint fk_x), drop constraint u1, lock mode (row)");
    const auto &at = only<AlterTableStatement>(script7);
    ASSERT_EQ(at.actions.size(), 6u);
    EXPECT_EQ(at.actions[0].columns.at(0).before, "a");
    EXPECT_EQ(at.actions[0].columns.size(), 2u);
    EXPECT_EQ(at.actions[1].names.size(), 2u);
    EXPECT_EQ(at.actions[2].kind, AlterAction::Kind::ModifyColumns);
    EXPECT_EQ(at.actions[3].constraints.at(0).name, "fk_x");
    EXPECT_EQ(at.actions[4].names.at(0).name, "u1");
    EXPECT_EQ(at.actions[5].lockMode, 'R');
}

TEST(Parser, IndexSequenceAndRename)
{
    const Script script8 = parseScript("create unique cluster index ix on t (a desc, b)");
    const auto &ix = only<CreateIndexStatement>(script8);
    EXPECT_TRUE(ix.unique);
    EXPECT_TRUE(ix.cluster);
    EXPECT_TRUE(ix.columns[0].desc);
    const Script script9 = parseScript("create sequence s increment by 5 start with 10 maxvalue 99 cycle nocache");
    const auto &sq = only<SequenceStatement>(script9);
    EXPECT_EQ(*sq.increment, 5);
    EXPECT_EQ(*sq.start, 10);
    EXPECT_EQ(*sq.maxValue, 99);
    EXPECT_TRUE(*sq.cycle);
    EXPECT_TRUE(sq.noCache);
    const Script script10 = parseScript("rename column t.a to b");
    const auto &rc = only<RenameStatement>(script10);
    EXPECT_EQ(rc.what, RenameStatement::What::Column);
    EXPECT_EQ(rc.object.name, "t");
    EXPECT_EQ(rc.column.name, "a");
    EXPECT_EQ(rc.newName, "b");
}

TEST(Parser, PrivilegeStatements)
{
    const Script table = parseScript("grant select (a, b), update on t to bob, 'Ann' with grant option as informix");
    const auto &g = static_cast<const PrivilegeStatement &>(*table.front());
    EXPECT_EQ(g.level, PrivilegeStatement::Level::Table);
    ASSERT_EQ(g.privileges.size(), 2u);
    EXPECT_EQ(g.privileges[0].columns.size(), 2u);
    EXPECT_EQ(g.object.name, "t");
    ASSERT_EQ(g.grantees.size(), 2u);
    EXPECT_EQ(g.grantees[1], "Ann");
    EXPECT_TRUE(g.withGrantOption);
    EXPECT_EQ(g.asGrantor, "informix");
    const Script level = parseScript("revoke resource from public");
    EXPECT_EQ(static_cast<const PrivilegeStatement &>(*level.front()).level, PrivilegeStatement::Level::Database);
    const Script role = parseScript("grant clerk to bob");
    EXPECT_EQ(static_cast<const PrivilegeStatement &>(*role.front()).level, PrivilegeStatement::Level::Role);
    const Script routine = parseScript("grant execute on procedure p(int) to public");
    EXPECT_EQ(static_cast<const PrivilegeStatement &>(*routine.front()).level, PrivilegeStatement::Level::Routine);
    const Script dflt = parseScript("grant default role clerk to bob");
    EXPECT_EQ(static_cast<const PrivilegeStatement &>(*dflt.front()).level, PrivilegeStatement::Level::DefaultRole);
    const Script cascade = parseScript("revoke all privileges on t from bob cascade");
    EXPECT_EQ(static_cast<const PrivilegeStatement &>(*cascade.front()).mode, DropMode::Cascade);
}

struct KindCase {
    const char *name;
    const char *sql;
    StmtKind kind;
};

void PrintTo(const KindCase &c, std::ostream *os) { *os << c.name; }

class ParserKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(ParserKinds, Recognises)
{
    const Script s = parseScript(GetParam().sql);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s.front()->kind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParserKinds, ::testing::Values(
    KindCase{"beginWork", "begin work", StmtKind::Begin},
    KindCase{"commit", "commit", StmtKind::Commit},
    KindCase{"rollbackWork", "rollback work", StmtKind::Rollback},
    KindCase{"isolation", "set isolation to committed read last committed", StmtKind::SetIsolation},
    KindCase{"lockMode", "set lock mode to wait 10", StmtKind::SetLockMode},
    KindCase{"explain", "set explain file to '/tmp/x' with append", StmtKind::SetExplain},
    KindCase{"pdq", "set pdqpriority 10", StmtKind::SetOther},
    KindCase{"lockTable", "lock table t in exclusive mode", StmtKind::LockTable},
    KindCase{"unlockTable", "unlock table t", StmtKind::UnlockTable},
    KindCase{"database", "database stores exclusive", StmtKind::Database},
    KindCase{"closeDatabase", "close database", StmtKind::CloseDatabase},
    KindCase{"statistics", "update statistics medium for table t (a, b) distributions only", StmtKind::UpdateStatistics},
    KindCase{"dropTable", "drop table t cascade", StmtKind::DropTable},
    KindCase{"dropIndex", "drop index ix", StmtKind::DropIndex},
    KindCase{"truncate", "truncate table t", StmtKind::Truncate},
    KindCase{"createView", "create view v (a) as select x from t", StmtKind::CreateView},
    KindCase{"createSynonym", "create private synonym s for t", StmtKind::CreateSynonym},
    KindCase{"createTrigger", "create trigger tr insert on t referencing new as n for each row (insert into l values (n.a))", StmtKind::CreateTrigger},
    KindCase{"createFunction", "create function f() returning int; return 1; end function", StmtKind::CreateRoutine},
    KindCase{"dropProcedure", "drop procedure p(int, char)", StmtKind::DropRoutine},
    KindCase{"grant", "grant select on t to public", StmtKind::Grant},
    KindCase{"revoke", "revoke all on t from bob", StmtKind::Revoke},
    KindCase{"createRole", "create role clerk", StmtKind::CreateRole},
    KindCase{"executeProcedure", "execute procedure p(1, 'a')", StmtKind::ExecuteRoutine},
    KindCase{"updateColumnNamedStatistics", "update statistics set a = 1", StmtKind::Update}),
    [](const auto &info) { return std::string(info.param.name); });

struct SyntaxCase {
    const char *name;
    const char *sql;
    int offset;
};

void PrintTo(const SyntaxCase &c, std::ostream *os) { *os << c.name; }

class ParserSyntaxErrors : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(ParserSyntaxErrors, PointsAtTheToken)
{
    EXPECT_EQ(errorOffset(GetParam().sql), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParserSyntaxErrors, ::testing::Values(
    SyntaxCase{"unknownStatement", "selct 1 from t", 0},
    SyntaxCase{"secondStatement", "select 1 from t; select from t", 24},
    SyntaxCase{"missingParen", "select count(* from t", 15},
    SyntaxCase{"trailingGarbage", "select a from t t2 t3", 19},
    SyntaxCase{"unknownType", "create table t (a strange)", 18},
    SyntaxCase{"unclosedProcedure", "create procedure p() let a = 1;", 31},
    SyntaxCase{"emptyInList", "select a from t where a in ()", 28},
    SyntaxCase{"dangling", "select a from t where", 21}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Parser, RejectsTooDeepNesting)
{
    std::string sql = "select ";
    for (int i = 0; i < 5000; ++i) sql += "(";
    sql += "1";
    for (int i = 0; i < 5000; ++i) sql += ")";
    sql += " from t";
    EXPECT_GT(errorOffset(sql, -9622), 0);
}

} // namespace
