// Statement analysis on editor texts: DDL and row-returning decisions, the
// created object's name, the DROP before a compile with its placeholder
// renaming, comment colons, and the caret of an error offset.
#include "workspace/objectcompile.h"
#include "workspace/queryexec.h"
#include "workspace/sqlanalysis.h"
#include "workspace/sqlsyntax.h"
#include "workspace/statementsplitter.h"

#include <gtest/gtest.h>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

struct DecisionRow {
    const char *name;
    const char *text;
    bool objectDdl;
    bool multi;
    bool rowReturning;
};

class StatementDecisions : public ::testing::TestWithParam<DecisionRow> {};

TEST_P(StatementDecisions, Decide)
{
    const DecisionRow &r = GetParam();
    const SqlTextBuffer editor(QString::fromUtf8(r.text));
    EXPECT_EQ(IsObjectDDL(editor), r.objectDdl);
    EXPECT_EQ(IsMultiStatement(editor), r.multi);
    EXPECT_EQ(IsRowReturning(editor), r.rowReturning);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StatementDecisions,
    ::testing::Values(
        DecisionRow{"Empty", "", false, false, false},
        DecisionRow{"LowerCaseViewIsNoDdl", "create view v as select 1 from t", false, false, true},
        DecisionRow{"DropTable", "DROP TABLE t", false, false, false},
        DecisionRow{"CreateTable", "CREATE TABLE t (a INT)", false, false, false},
        DecisionRow{"DropView", "DROP VIEW v ", true, false, false},
        DecisionRow{"DropViewWithoutName", "DROP VIEW", false, false, false},
        DecisionRow{"Alter", "ALTER TABLE t ADD b INT", true, false, false},
        DecisionRow{"Grant", "  GRANT SELECT ON t TO public", true, false, false},
        DecisionRow{"CommentThenProcedure", "-- header\n\nCREATE PROCEDURE p1() END PROCEDURE", true, false, false},
        DecisionRow{"FirstCreateLineDecides", "CREATE TABLE t (a INT);\nCREATE VIEW v AS SELECT a FROM t;", false,
                    true, false},
        DecisionRow{"TwoLinesTwoStatements", "SELECT 1 FROM t;\nSELECT 2 FROM t;", false, true, false},
        DecisionRow{"OneLineTwoStatements", "SELECT 1 FROM t; SELECT 2 FROM t;", false, false, true},
        DecisionRow{"SemicolonInTrailingCommentIgnored", "SELECT 1 FROM t -- a;\nSELECT 2 FROM t; -- b;", false,
                    false, true},
        DecisionRow{"InsertSelectReturnsRows", "insert into t select * from u", false, false, true},
        DecisionRow{"CommentWordSelectCounts", "-- select this\nupdate t set a = 1", false, false, true},
        DecisionRow{"ExecuteProcedure", "execute procedure p1()", false, false, true},
        DecisionRow{"SelectWithoutBlankIsNotRows", "SELECT*FROM t", false, false, false}));

struct NameRow {
    const char *name;
    const char *text;
    const char *created;
    const char *unqualified;
    const char *drop;
};

class CreateNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(CreateNames, Name)
{
    const NameRow &r = GetParam();
    const SqlTextBuffer editor(QString::fromUtf8(r.text));
    EXPECT_EQ(GetCreateObjectName(editor), QString::fromUtf8(r.created));
    EXPECT_EQ(GetUnqualifiedObjectName(editor), QString::fromUtf8(r.unqualified));
    EXPECT_EQ(DropStatementFor(editor), QString::fromUtf8(r.drop));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CreateNames,
    ::testing::Values(
        NameRow{"Empty", "", "", "", ""},
        NameRow{"ProcedureTemplate", "CREATE PROCEDURE sp_new(<arg> <type>)\nRETURNING x;", "sp_new", "sp_new",
                "DROP PROCEDURE sp_new"},
        NameRow{"TriggerTemplate", "CREATE TRIGGER <tr_new> <mode> ON <table> <referencing>", "<tr_new>", "<tr_new>", ""},
        NameRow{"View", "CREATE VIEW <vw_new> AS\n  SELECT 1", "<vw_new>", "<vw_new>", ""},
        NameRow{"Synonym", "CREATE SYNONYM <sy_new> FOR <table>;", "<sy_new>", "<sy_new>", ""},
        NameRow{"LowerCaseDbaWithOwner", "create dba procedure informix.p1 (x int)", "informix.p1", "p1", ""},
        NameRow{"QuotedInformixOwner", "CREATE VIEW \"informix\".vw_a AS", "\"informix\".vw_a", "vw_a",
                "DROP VIEW informix.vw_a"},
        NameRow{"OtherOwnerKept", "CREATE VIEW joe.vw_a AS", "joe.vw_a", "joe.vw_a", "DROP VIEW joe.vw_a"},
        NameRow{"BannerWordTakesTheName",
                "-- this procedure computes totals\nCREATE PROCEDURE p_tot()\nEND PROCEDURE", "computes totals",
                "computes totals", "DROP PROCEDURE p_tot()"},
        NameRow{"TriggerOnOneLine", "CREATE TRIGGER t1 INSERT ON x FOR EACH ROW (EXECUTE PROCEDURE p1);", "t1",
                "t1", "DROP TRIGGER t1"},
        NameRow{"CreateTableHasNoName", "-- <new>.sql\nCREATE TABLE t (a INT)", "", "", ""},
        NameRow{"CrLfLines", "CREATE VIEW v1\r\nAS SELECT 1", "v1", "v1", "DROP VIEW v1"},
        // The DROP reads the name as the server does; the file-name proposal keeps its own rule.
        NameRow{"DelimitedWithBlank", "CREATE VIEW \"my view\" AS SELECT 1", "\"my", "\"my", "DROP VIEW \"my view\""},
        NameRow{"QuotedOwnerAndDoubledQuotes", "CREATE PROCEDURE 'Joe'.\"p \"\"x\"\"\"()", "'Joe'.\"p \"\"x\"\"\"",
                "'Joe'.\"p \"\"x\"\"\"", "DROP PROCEDURE \"Joe\".\"p \"\"x\"\"\"()"},
        NameRow{"BareNamesFold", "CREATE DBA PROCEDURE Joe . P1(x INT)", "Joe . P1", "Joe . P1", "DROP PROCEDURE joe.p1(INT)"},
        NameRow{"IfNotExists", "CREATE VIEW IF NOT EXISTS v2 AS SELECT 1", "IF", "IF", "DROP VIEW v2"},
        NameRow{"PublicSynonym", "CREATE PUBLIC SYNONYM s1 FOR t", "", "", "DROP SYNONYM s1"},
        NameRow{"CommentBeforeName", "CREATE VIEW {x} \"a -- b\" AS SELECT 1", "{x}", "{x}", "DROP VIEW \"a -- b\""},
        NameRow{"NameOnTheNextLine", "CREATE TRIGGER\n  \"two\nlines\" INSERT ON t", "", "", "DROP TRIGGER \"two\r\nlines\""},
        NameRow{"OtherDatabase", "CREATE VIEW db:v AS SELECT 1", "db:v", "db:v", ""},
        NameRow{"TableIsNotDropped", "CREATE TABLE t (a INT) -- VIEW ", "", "", ""},
        // A routine is dropped by its parameter types, so its overloads stay.
        NameRow{"FunctionSignature",
                "CREATE FUNCTION f(OUT a INTEGER, b CHAR( 10 ) DEFAULT 'x, y', c\n DECIMAL(5,2))\nRETURNING INT;", "f",
                "f", "DROP FUNCTION f(INTEGER, CHAR( 10 ), DECIMAL(5,2))"},
        NameRow{"DbaFunctionWithoutParameters", "CREATE DBA FUNCTION informix.g() RETURNING INT;", "informix.g", "g",
                "DROP FUNCTION informix.g()"},
        NameRow{"LikeTypeDropsByName", "CREATE FUNCTION f(a LIKE t.c) RETURNING INT;", "f", "f", "DROP FUNCTION f"},
        NameRow{"CommentInListDropsByName", "CREATE FUNCTION f(a INT -- x\n) RETURNING INT;", "f", "f", "DROP FUNCTION f"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RenamePlaceholders, RenamedObjectReplacesEveryPlaceholderAndKeepsTheCaret)
{
    SqlTextBuffer editor(QStringLiteral("CREATE PROCEDURE my_proc(a INT)\n-- Name...... <sp_new>\n"
                                        "-- File...... <new>.sql\nLET e = \"sp_new: x\";"));
    editor.setCaret(12);
    RenamePlaceholders(editor, GetCreateObjectName(editor));
    EXPECT_EQ(editor.text(), QStringLiteral("CREATE PROCEDURE my_proc(a INT)\r\n-- Name...... my_proc\r\n"
                                            "-- File...... my_proc\r\nLET e = \"my_proc: x\";"));
    EXPECT_EQ(editor.caret(), 12);

    SqlTextBuffer untouched(QStringLiteral("CREATE PROCEDURE sp_new()\n-- <sp_new>"));
    untouched.setModified(false);
    RenamePlaceholders(untouched, GetCreateObjectName(untouched));
    EXPECT_FALSE(untouched.modified());

    // No CREATE of the four kinds: the empty name removes every placeholder.
    SqlTextBuffer table(QStringLiteral("-- <new>.sql\nCREATE TABLE t (a INT)"));
    RenamePlaceholders(table, GetCreateObjectName(table));
    EXPECT_EQ(table.text(), QStringLiteral("-- \r\nCREATE TABLE t (a INT)"));
}

TEST(FixCommentColons, OnlyWholeLineCommentsChange)
{
    SqlTextBuffer editor(QStringLiteral("  -- Note: a:b\nSELECT a FROM t -- x:y\nSELECT ':' FROM t"));
    FixCommentColons(editor);
    EXPECT_EQ(editor.lines(), QStringList({"  -- Note- a-b", "SELECT a FROM t -- x:y", "SELECT ':' FROM t"}));
}

struct CaretRow {
    const char *name;
    const char *text;
    int offset;   // 1-based, as GetErrorOffset gives it
    int caret;
};

class ErrorCaret : public ::testing::TestWithParam<CaretRow> {};

TEST_P(ErrorCaret, Position)
{
    const CaretRow &r = GetParam();
    EXPECT_EQ(ErrorCaretPosition(QString::fromUtf8(r.text), r.offset), r.caret);
}

INSTANTIATE_TEST_SUITE_P(Rows, ErrorCaret,
                         ::testing::Values(CaretRow{"Unknown", "select x", 0, -1},
                                           CaretRow{"NoOffset", "select x", -1, -1},
                                           CaretRow{"FirstLine", "select nosuch from t", 8, 7},
                                           CaretRow{"ThirdLineCrLfCountsOnce", "select\r\n a,\r\n nosuch", 15, 12},
                                           CaretRow{"PastTheEndClamped", "ab", 40, 2}));

struct CatalogChangeRow {
    const char *name;
    const char *sql;
    bool changes;
};

class CatalogChanges : public ::testing::TestWithParam<CatalogChangeRow> {};

TEST_P(CatalogChanges, Detect) { EXPECT_EQ(ChangesCatalogObjects(SplitSqlStatements(QString::fromUtf8(GetParam().sql))), GetParam().changes); }

INSTANTIATE_TEST_SUITE_P(
    Rows, CatalogChanges,
    ::testing::Values(CatalogChangeRow{"Select", "select * from systables", false},
                      CatalogChangeRow{"Insert", "insert into t values (1)", false},
                      CatalogChangeRow{"CreateTable", "create table t (a int)", true},
                      CatalogChangeRow{"TempTableNotListed", "create temp table t (a int)", false},
                      CatalogChangeRow{"UniqueIndexAfterComment", "-- make it\n{x} CREATE UNIQUE INDEX i ON t(a)", true},
                      CatalogChangeRow{"SecondStatement", "select 1 from t; drop synonym s", true},
                      CatalogChangeRow{"RenameColumn", "rename column t.a to b", true},
                      CatalogChangeRow{"AlterTable", "alter table t add c int", true},
                      CatalogChangeRow{"WordInsideString", "select 'drop table t' from t", false},
                      CatalogChangeRow{"CreateRole", "create role staff", true},
                      CatalogChangeRow{"DropRoleAfterComment", "{ gone } drop role staff", true},
                      CatalogChangeRow{"GrantRoleToUser", "grant staff to alice", true},
                      CatalogChangeRow{"RevokeDatabasePrivilege", "revoke connect from bob", true},
                      CatalogChangeRow{"GrantTablePrivilege", "select 1 from t;\nGRANT select ON t TO public", true},
                      CatalogChangeRow{"SetRoleChangesNothing", "set role staff", false},
                      CatalogChangeRow{"TableNamedGrants", "update grants set a = 1", false},
                      CatalogChangeRow{"CreateSequence", "create sequence seq_a increment by 2", true},
                      CatalogChangeRow{"AlterSequence", "alter sequence seq_a restart with 1", true},
                      CatalogChangeRow{"RenameSequence", "rename sequence seq_a to seq_b", true},
                      CatalogChangeRow{"DropSequence", "drop sequence seq_b", true}));

struct RowCountRow {
    const char *name;
    const char *statement;
    const char *text;
};

class RowCounts : public ::testing::TestWithParam<RowCountRow> {};

TEST_P(RowCounts, Text) { EXPECT_EQ(RowCountText(QString::fromUtf8(GetParam().statement), 3), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Rows, RowCounts,
    ::testing::Values(RowCountRow{"Insert", "insert into t values (1)", "3 row(s) inserted."},
                      RowCountRow{"UpdateAfterComments", "-- fix\n{ old } /* x */ UPDATE t SET a = 1", "3 row(s) updated."},
                      RowCountRow{"Delete", "delete from t where a > 1", "3 row(s) deleted."},
                      RowCountRow{"Merge", "merge into t using s on t.a = s.a when matched then update set b = 1",
                                  "3 row(s) merged."},
                      RowCountRow{"Select", "select * from t", ""},
                      RowCountRow{"CreateTable", "create table t (a int)", ""},
                      RowCountRow{"UpdateStatistics", "update statistics for table t", ""},
                      RowCountRow{"TableNamedStatistics", "update statistics set a = 1", "3 row(s) updated."},
                      RowCountRow{"WordNotVerb", "inserted_rows", ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct OutcomeRow {
    const char *name;
    ExecResult result;
    const char *message;
    bool textStopped;
    bool changesCatalog;
    bool autoRefresh;
    bool explainImmediate;
    // expected
    const char *status;
    bool rowsShown;
    bool errorReport;
    bool refreshTree;
    bool showExplain;
};

// The plain outcomes (rows, a row count, a catalog change, object DDL) are
// the run panel's rows in runpanel_test.cpp; these are the rest.
class OutcomeViews : public ::testing::TestWithParam<OutcomeRow> {};

TEST_P(OutcomeViews, What)
{
    const OutcomeRow &r = GetParam();
    ExecPlan plan;
    plan.renderText = true;
    plan.explain = true;
    plan.autoRefresh = r.autoRefresh;
    plan.explainImmediate = r.explainImmediate;
    ExecOutcome outcome;
    outcome.result = r.result;
    outcome.message = QString::fromUtf8(r.message);
    outcome.textStopped = r.textStopped;
    outcome.changesCatalog = r.changesCatalog;
    const OutcomeView view = ViewOfOutcome(plan, outcome);
    EXPECT_EQ(view.status, QString::fromUtf8(r.status));
    EXPECT_EQ(view.rowsShown, r.rowsShown);
    EXPECT_EQ(view.renderText, r.rowsShown);
    EXPECT_EQ(view.errorReport, r.errorReport);
    EXPECT_EQ(view.refreshTree, r.refreshTree);
    EXPECT_EQ(view.showExplain, r.showExplain);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutcomeViews,
    ::testing::Values(
        OutcomeRow{"RowsAfterLoad", ExecResult::Rows, "3 row(s) loaded.", false, false, true, false,
                   "3 row(s) loaded.", true, false, false, false},
        OutcomeRow{"RowsStopped", ExecResult::Rows, "3 row(s) loaded.", true, false, true, false,
                   "Query executed; the text shows the rows read before Stop.", true, false, false, false},
        OutcomeRow{"ExplainShownAfterRows", ExecResult::Rows, "", false, false, true, true,
                   "Query executed successfully.", true, false, false, true},
        OutcomeRow{"CatalogChangedNoAutoRefresh", ExecResult::NoRows, "", false, true, false, false,
                   "Query compiled successfully.", false, false, false, false},
        OutcomeRow{"FailedKeepsNoMessage", ExecResult::Failed, "3 row(s) loaded.", false, true, true, true,
                   "Query compiled with errors.", false, true, false, false}),
    [](const auto &info) { return std::string(info.param.name); });

struct TokenRow {
    const char *name;
    const char *line;
    int stateIn;
    const char *kinds;  // one letter per token: K keyword, S string, N number, C comment
    int stateOut;
};

class SqlTokens : public ::testing::TestWithParam<TokenRow> {};

TEST_P(SqlTokens, Tokenize)
{
    const TokenRow &r = GetParam();
    QList<SqlToken> tokens;
    const QString line = QString::fromUtf8(r.line);
    EXPECT_EQ(TokenizeSqlLine(line, r.stateIn, tokens), r.stateOut);
    QString kinds;
    for (const SqlToken &t : tokens)
        kinds += QLatin1Char("KSNC"[int(t.kind)]);
    EXPECT_EQ(kinds, QString::fromUtf8(r.kinds));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SqlTokens,
    ::testing::Values(TokenRow{"Plain", "select a, 'x''y' from t where b = 1.5e3", 0, "KSKKN", 0},
                      TokenRow{"NamesWithDigitsAreNoNumbers", "select t1x, 2 from tab2", 0, "KNK", 0},
                      TokenRow{"DashCommentToEnd", "let x = 1; -- select", 0, "KNC", 0},
                      TokenRow{"BraceCommentOpens", "select { note", 0, "KC", SqlStateBraceComment},
                      TokenRow{"BraceCommentCloses", "still } from", SqlStateBraceComment, "CK", 0},
                      TokenRow{"BlockCommentAcrossLine", "/* a */ define /* b", 0, "CKC", SqlStateBlockComment},
                      TokenRow{"StringAcrossLines", "'abc", 0, "S", SqlStateSingleQuote},
                      TokenRow{"SplKeywords", "FOREACH SELECT a INTO v FROM t END FOREACH", 0, "KKKKKK", 0}));

} // namespace
