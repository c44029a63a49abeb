// Splitting a text into statements at the semicolons that end them.
#include "workspace/statementsplitter.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace quodlin;

namespace {

struct SplitCase {
    const char *name;
    const char *text;
    QStringList expected;
};

QStringList texts(const QList<SqlStatementSpan> &spans)
{
    QStringList out;
    for (const SqlStatementSpan &s : spans)
        out << s.text;
    return out;
}

class StatementSplitterTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(StatementSplitterTest, Splits)
{
    const SplitCase &c = GetParam();
    EXPECT_EQ(texts(SplitSqlStatements(QString::fromUtf8(c.text))).join(QStringLiteral("|")),
              c.expected.join(QStringLiteral("|")));
}

const SplitCase kCases[] = {
    {"Empty", "  \n ; ;", {}},
    {"TrailingWithoutSemicolon", "select 1 from t; select 2 from t",
     {"select 1 from t", "select 2 from t"}},
    {"SemicolonInStrings", "insert into t values ('a;b', \"c;d\"); select 1 from t",
     {"insert into t values ('a;b', \"c;d\")", "select 1 from t"}},
    {"DoubledQuoteStaysInString", "select 'it''s;' from t; select 2 from t",
     {"select 'it''s;' from t", "select 2 from t"}},
    {"SemicolonInComments", "select 1 -- one; two\nfrom t; {x;y} select 2 /* ; */ from t;",
     {"select 1 -- one; two\nfrom t", "{x;y} select 2 /* ; */ from t"}},
    {"OnlyCommentsDropped", "select 1 from t; -- done;\n{ nothing; }", {"select 1 from t"}},
    {"ProcedureBody",
     "create procedure p(a int) returning int;\n  define x int;\n  let x = a + 1;\n  if x > 1 then return x; end if;\n"
     "end procedure;\nexecute procedure p(1)",
     {"create procedure p(a int) returning int;\n  define x int;\n  let x = a + 1;\n  if x > 1 then return x; end if;\n"
      "end procedure",
      "execute procedure p(1)"}},
    {"DbaFunctionWithDocument",
     "CREATE DBA FUNCTION f() RETURNING INT; RETURN 1; END FUNCTION DOCUMENT 'x;y' WITH LISTING IN 'f.out'; SELECT 1 FROM t",
     {"CREATE DBA FUNCTION f() RETURNING INT; RETURN 1; END FUNCTION DOCUMENT 'x;y' WITH LISTING IN 'f.out'",
      "SELECT 1 FROM t"}},
    {"ProcedureFromFile", "create procedure from 'p.sql'; select 1 from t",
     {"create procedure from 'p.sql'", "select 1 from t"}},
    {"TriggerBodyInParentheses",
     "create trigger tr insert on t referencing new as n for each row "
     "(insert into log values (n.a); update c set k = k + 1); select 1 from t",
     {"create trigger tr insert on t referencing new as n for each row "
      "(insert into log values (n.a); update c set k = k + 1)",
      "select 1 from t"}},
    {"EndProcedureWordsInStringDoNotEnd",
     "create procedure p(); define s char(20); let s = 'end procedure;'; end procedure; select 1 from t",
     {"create procedure p(); define s char(20); let s = 'end procedure;'; end procedure", "select 1 from t"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, StatementSplitterTest, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(StatementSplitterOffsets, PointAtEachStatementsFirstCharacter)
{
    const QString text = QStringLiteral("  select 1 from t;\n\nselect 2 from t");
    const QList<SqlStatementSpan> spans = SplitSqlStatements(text);
    ASSERT_EQ(spans.size(), 2);
    EXPECT_EQ(spans[0].offset, 2);
    EXPECT_EQ(spans[1].offset, text.indexOf(QStringLiteral("select 2")));
}

} // namespace
