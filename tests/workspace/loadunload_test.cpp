#include "workspace/loadunload.h"

#include "catalogfixture.h"
#include "db/dberror.h"
#include "output/exportwriter.h"
#include "output/textrender.h"
#include "workspace/queryexec.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

// Columns: id c vc lv si i i8 bi f sf d dfl m dt dtm dtf iv b tx bt
const QByteArray kEveryType =
    "1||||||||||||||||||||\n"
    "2|\\ |\\ |\\ |0|0|0|0|0|0|0.000|0|0.00|12/31/1899|1900-01-01 00:00:00|00:00:00.000|0 00:00:00|f|\\ ||\n"
    "3|a\\|b|back\\\\slash|two\\\nlines|-32767|2147483647|-9223372036854775807|9223372036854775807|0.1|1.5|"
    "-12345.678|3.14159|99999999.99|02/29/2024|2024-02-29 23:59:59|12:34:56.789|5 01:02:03|t|"
    "pipe \\| backslash \\\\ newline \\\n end|00ff10ab|\n";

class LoadUnloadTest : public ::testing::Test {
protected:
    LoadUnloadTest() : m_fx(QStringLiteral("output/every_type.sql")) {}

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString &name)
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    ClientRunResult run(const QString &statement)
    {
        const std::optional<ClientStatement> st = ParseClientStatement(statement);
        if (!st)
            throw DbError("not a client statement");
        return RunClientStatement(m_fx.session(), m_fx.module().GetDatabaseName(), *st);
    }
    QString count(const QString &table)
    {
        DbQuery q(m_fx.session());
        q.setDatabaseName(m_fx.module().GetDatabaseName());
        q.setSql(QStringLiteral("select count(*) from ") + table);
        q.open();
        return q.field(0).asString();
    }

    QTemporaryDir m_dir;
    test::CatalogFixture m_fx;
};

// Text with trailing blanks and bytes that are not UTF-8 (Latin-1 here):
// only CHAR loses its blanks, as Informix's UNLOAD writes it.
const QByteArray kBlanksAndBytes =
    "4|ab  |ab  |ab  |||||||||||||||||\n"
    "5|caf\xe9 |caf\xe9|caf\xe9  |||||||||||||||caf\xe9 ||\n";
const QByteArray kBlanksAndBytesUnloaded =
    "4|ab|ab  |ab  |||||||||||||||||\n"
    "5|caf\xe9|caf\xe9|caf\xe9  |||||||||||||||caf\xe9 ||\n";

TEST_F(LoadUnloadTest, EveryTypeSurvivesLoadUnloadAndACopy)
{
    writeFile("in.unl", kEveryType + kBlanksAndBytes);
    EXPECT_EQ(run(QStringLiteral("load from '%1' insert into every_type").arg(path("in.unl"))).message,
              "5 row(s) loaded.");
    EXPECT_EQ(run(QStringLiteral("unload to '%1' select * from every_type order by id").arg(path("out.unl"))).rows, 5);
    EXPECT_EQ(readFile("out.unl"), kEveryType + kBlanksAndBytesUnloaded);

    run(QStringLiteral("load from '%1' insert into every_copy").arg(path("out.unl")));
    run(QStringLiteral("unload to '%1' select * from every_copy order by id").arg(path("again.unl")));
    EXPECT_EQ(readFile("again.unl"), kEveryType + kBlanksAndBytesUnloaded);
}

// Read forward only, the script and CSV files keep the bytes and the
// blanks too; the text table and the grid show U+FFFD for the bytes.
TEST_F(LoadUnloadTest, ExportsKeepBlanksAndBytesTheGridShowsReplaced)
{
    writeFile("in.unl", kBlanksAndBytes);
    run(QStringLiteral("load from '%1' insert into every_type").arg(path("in.unl")));
    const QString select = QStringLiteral("select c, vc, lv from every_type order by id");
    const std::pair<ExportFormat, QByteArray> expected[] = {
        {ExportFormat::Csv, "c,vc,lv\r\nab,ab  ,ab  \r\ncaf\xe9,caf\xe9,caf\xe9  \r\n"},
        {ExportFormat::Script, "INSERT INTO every_type (c,vc,lv) \r\n     VALUES ('ab','ab  ','ab  ');\r\n"
                               "INSERT INTO every_type (c,vc,lv) \r\n     VALUES ('caf\xe9','caf\xe9','caf\xe9  ');\r\n"},
        {ExportFormat::Text, "caf\xef\xbf\xbd       caf\xef\xbf\xbd                                     caf\xef\xbf\xbd\n"},
    };
    for (const auto &[format, bytes] : expected) {
        DbQuery q(m_fx.session());
        q.setDatabaseName(m_fx.module().GetDatabaseName());
        q.setSql(select);
        q.setForwardOnly(true);
        q.open();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ExportOptions options;
        options.format = format;
        options.table = ExportTableOf(select);
        ASSERT_TRUE(WriteQuery(q, buffer, options).ok());
        if (format == ExportFormat::Text)  // the last line
            EXPECT_TRUE(buffer.data().endsWith(bytes)) << buffer.data().toStdString();
        else
            EXPECT_EQ(buffer.data(), bytes) << int(format);
    }
    DbQuery grid(m_fx.session());
    grid.setDatabaseName(m_fx.module().GetDatabaseName());
    grid.setSql(select);
    grid.open();
    EXPECT_EQ(grid.field(0).displayText(), QStringLiteral("ab"));
    EXPECT_EQ(grid.field(1).displayText(), QStringLiteral("ab  "));
    grid.next();
    EXPECT_EQ(grid.field(2).displayText(), QStringLiteral("caf\ufffd  "));
}

// Read forward only, rows come as cells without a QVariant per value: every
// writer gives the bytes it gives for the same rows kept as QVariants, the
// values are the same, and the text table is the grid's.
TEST_F(LoadUnloadTest, ForwardOnlyRowsWriteWhatKeptRowsWrite)
{
    writeFile("in.unl", kEveryType + "4|Gr\xc3\xbc\xc3\x9f  |it's \"q\", x|\xe2\x82\xac\\\\|||||||||||||||||\n");
    run(QStringLiteral("load from '%1' insert into every_type").arg(path("in.unl")));
    auto open = [&](DbQuery &q, bool forwardOnly) {
        q.setDatabaseName(m_fx.module().GetDatabaseName());
        q.setSql(QStringLiteral("select * from every_type order by id"));
        q.setForwardOnly(forwardOnly);
        q.open();
    };
    for (const ExportFormat format :
         {ExportFormat::Text, ExportFormat::Script, ExportFormat::Sqd, ExportFormat::Csv, ExportFormat::Unload}) {
        QByteArray bytes[2];
        for (const bool forwardOnly : {false, true}) {
            DbQuery q(m_fx.session());
            open(q, forwardOnly);
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            ExportOptions options;
            options.format = format;
            options.tableName = QStringLiteral("every_type");
            ASSERT_TRUE(WriteQuery(q, buffer, options).ok());
            bytes[forwardOnly] = buffer.data();
        }
        EXPECT_EQ(bytes[0], bytes[1]) << int(format);
        if (format == ExportFormat::Text) {
            DbQuery q(m_fx.session());
            open(q, false);
            EXPECT_EQ(bytes[0], QueryToTextLines(q).join(QLatin1Char('\n')).toUtf8() + '\n');
        }
    }
    DbQuery kept(m_fx.session()), walked(m_fx.session());
    open(kept, false);
    open(walked, true);
    for (; !kept.eof(); kept.next(), walked.next())
        for (int i = 0; i < kept.fieldCount(); ++i)
            EXPECT_EQ(walked.field(i).value(), kept.field(i).value()) << kept.recNo() << " " << i;
    EXPECT_TRUE(walked.eof());
}

TEST_F(LoadUnloadTest, NamedColumnsTakeTheFileInTheirOrder)
{
    writeFile("two.unl", "x|7|\n");
    run(QStringLiteral("load from '%1' insert into every_copy (vc, id)").arg(path("two.unl")));
    run(QStringLiteral("unload to '%1' select id, vc, c from every_copy").arg(path("two_out.unl")));
    EXPECT_EQ(readFile("two_out.unl"), "7|x||\n");
}

struct BadLoadCase {
    const char *name;
    QByteArray file;
    const char *where;  // part of the report
};

class BadLoadTest : public LoadUnloadTest, public ::testing::WithParamInterface<BadLoadCase> {};

TEST_P(BadLoadTest, NamesTheRecordAndLoadsNothing)
{
    writeFile("keep.unl", "100|kept|\n");
    run(QStringLiteral("load from '%1' insert into every_copy (id, vc)").arg(path("keep.unl")));
    writeFile("bad.unl", GetParam().file);
    try {
        run(QStringLiteral("load from '%1' insert into every_copy (id, vc, dt, bt)").arg(path("bad.unl")));
        FAIL() << "the load went through";
    } catch (const DbError &e) {
        const QString report = DbErrorReport(e, "test");
        EXPECT_TRUE(report.contains(QString::fromUtf8(GetParam().where))) << report.toStdString();
        EXPECT_TRUE(report.contains("no rows were loaded")) << report.toStdString();
    }
    EXPECT_EQ(count("every_copy"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadLoadTest,
    ::testing::Values(BadLoadCase{"bad_date", "1|a|01/01/2000||\n2|b|13/45/2000||\n", "line 2, field 3 (dt)"},
                      BadLoadCase{"too_few_values", "1|a|01/01/2000||\n2|b|\n", "line 2"},
                      BadLoadCase{"bad_hex", "1|a\\\nb|01/01/2000|zz|\n", "line 1, field 4 (bt)"},
                      BadLoadCase{"null_into_not_null", "1|a|||\n|b|||\n", "line 2, field 1 (id)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LoadUnloadTest, MissingFileLeavesNoTrace)
{
    EXPECT_THROW(run(QStringLiteral("load from '%1' insert into every_copy").arg(path("none.unl"))), DbError);
    EXPECT_THROW(run(QStringLiteral("unload to '%1' select * from every_copy").arg(path("no/such/dir.unl"))),
                 DbError);
    EXPECT_EQ(count("every_copy"), "0");
}

TEST_F(LoadUnloadTest, QueryWindowRunsClientStatementsInItsText)
{
    writeFile("in.unl", kEveryType);
    ExecOptions options;
    options.context = "TfrmQuery.ExecSQL";
    ExecPlan plan = PrepareExec(QStringLiteral("load from '%1' insert into every_type;\nunload to '%2' select id from every_type;\n"
                                               "update every_type set id = id where id < 3;\nselect count(*) n from every_type")
                                    .arg(path("in.unl"), path("ids.unl")),
                                options);
    DbQuery query(m_fx.session()), explain(m_fx.session());
    query.setDatabaseName(m_fx.module().GetDatabaseName());
    ExecOutcome outcome = RunExec(plan, query, explain);
    ASSERT_EQ(outcome.result, ExecResult::Rows) << outcome.report.toStdString();
    EXPECT_EQ(outcome.message, "3 row(s) loaded. 3 row(s) unloaded. 2 row(s) updated.");
    EXPECT_EQ(outcome.textLines.last().trimmed(), "3");
    EXPECT_EQ(readFile("ids.unl"), "1|\n2|\n3|\n");

    plan = PrepareExec(QStringLiteral("select 1 from every_type;\nunload to '%1' select nosuch from every_type").arg(path("x")),
                       options);
    outcome = RunExec(plan, query, explain);
    EXPECT_EQ(outcome.result, ExecResult::Failed);
    EXPECT_EQ(outcome.errorOffset, plan.sql.indexOf("nosuch") + 1);
}

struct ParseCase {
    const char *name;
    const char *text;
    const char *file;    // empty: not a client statement
    char delimiter;
    const char *rest;    // the SELECT, or the table and columns joined by blanks
};

class ParseClientTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseClientTest, Recognises)
{
    const ParseCase &c = GetParam();
    const std::optional<ClientStatement> st = ParseClientStatement(QString::fromUtf8(c.text));
    ASSERT_EQ(st.has_value(), *c.file != 0);
    if (!st)
        return;
    EXPECT_EQ(st->fileName, QString::fromUtf8(c.file));
    EXPECT_EQ(st->delimiter, QLatin1Char(c.delimiter));
    if (st->kind == ClientStatement::Kind::Unload) {
        EXPECT_EQ(st->select, QString::fromUtf8(c.rest));
        EXPECT_EQ(QString::fromUtf8(c.text).mid(st->selectOffset), st->select);
    } else {
        const QString table = st->owner.isEmpty() ? st->table : st->owner + QLatin1Char('.') + st->table;
        EXPECT_EQ((QStringList{table} + st->columns).join(' '), QString::fromUtf8(c.rest));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ParseClientTest,
    ::testing::Values(
        ParseCase{"unload", "unload to 'a.unl' select * from t", "a.unl", '|', "select * from t"},
        ParseCase{"unload_delimiter", "-- note\nUNLOAD TO \"it's\" DELIMITER ';'\n  SELECT 1 from t", "it's", ';',
                  "SELECT 1 from t"},
        ParseCase{"quote_doubled", "unload to 'it''s' select 1 from t", "it's", '|', "select 1 from t"},
        ParseCase{"load_columns", "load from 'f' delimiter ',' insert into Owner.T (a, \"B\")", "f", ',',
                  "owner.t a B"},
        ParseCase{"load_delimited", "load from 'f' insert into 'Joe' . \"my \"\"t\"\"\" (\"a b\")", "f", '|',
                  "Joe.my \"t\" a b"},
        ParseCase{"load_all", "LOAD FROM '/x/y' INSERT INTO t", "/x/y", '|', "t"},
        ParseCase{"other", "select * from unload", "", '|', ""},
        ParseCase{"word_starting_alike", "loads from 'f'", "", '|', ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct SyntaxCase {
    const char *name;
    const char *text;
    int offset;
};

class ClientSyntaxTest : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(ClientSyntaxTest, FailsAtTheFault)
{
    try {
        ParseClientStatement(QString::fromUtf8(GetParam().text));
        FAIL() << "accepted";
    } catch (const DbEngineError &e) {
        EXPECT_EQ(e.nativeCode(), -201);
        EXPECT_EQ(e.errorOffset(), GetParam().offset);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ClientSyntaxTest,
    ::testing::Values(SyntaxCase{"no_to", "unload 'f' select 1", 7},
                      SyntaxCase{"no_select", "unload to 'f' delete from t", 14},
                      SyntaxCase{"unclosed_name", "unload to 'f select 1", 10},
                      SyntaxCase{"hex_delimiter", "unload to 'f' delimiter 'a' select 1", 24},
                      SyntaxCase{"long_delimiter", "load from 'f' delimiter '||' insert into t", 24},
                      SyntaxCase{"trailing_words", "load from 'f' insert into t extra", 28},
                      SyntaxCase{"other_database", "load from 'f' insert into db:t", 28},
                      SyntaxCase{"unclosed_columns", "load from 'f' insert into t (a, b", 33}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
