// quodlin-cli as a user runs it: the built program in a temporary home.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_home = new QTemporaryDir;
        // The catalog queries run on a database of their own.
        cli({QStringLiteral("createdb"), QStringLiteral("cat")});
    }
    static void TearDownTestSuite()
    {
        delete s_home;
        s_home = nullptr;
    }

    static CliRun cli(QStringList args, const QByteArray &input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QUODLIN_PASSWORD"));
        p.setProcessEnvironment(env);
        args.prepend(s_home->path());
        args.prepend(QStringLiteral("--home"));
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/quodlin-cli"), args);
        if (!p.waitForStarted())
            return {};
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    static QTemporaryDir *s_home;
};

QTemporaryDir *CliTest::s_home = nullptr;

TEST_F(CliTest, ListsTheAliasesSorted)
{
    const CliRun r = cli({QStringLiteral("aliases")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("cat\ndemo\n"));
}

TEST_F(CliTest, QueriesTheDemoCatalogAsATextTable)
{
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                       QStringLiteral("select first 3 tabname, tabid from systables order by tabid")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^tabname +tabid$")).match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^-+ -+$")).match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^systables +1$")).match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^syscolumns +2$")).match(lines[3]).hasMatch()) << lines[3].toStdString();
}

TEST_F(CliTest, WrongColumnPrintsTheReportAndFails)
{
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                       QStringLiteral("select nosuchcolumn from systables")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Database Error in [quodlin-cli.sql]:\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("  Native Code: -217 (0xFFFFFF27)\n"))) << r.err.toStdString();
}

TEST_F(CliTest, CreatesADatabaseRunsScriptsAndNeverOverwrites)
{
    CliRun r = cli({QStringLiteral("-u"), QStringLiteral("owner1"), QStringLiteral("createdb"), QStringLiteral("shop")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("aliases")}).out, QStringLiteral("cat\ndemo\nshop\n"));

    QFile script(s_home->filePath(QStringLiteral("load.sql")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("create table item (id integer, name char(10)); -- the; table\n"
                 "insert into item values (1, 'a;b');\n"
                 "insert into item values (2, 'c')\n");
    script.close();
    r = cli({QStringLiteral("-d"), QStringLiteral("shop"), QStringLiteral("sql"), QStringLiteral("-f"), script.fileName()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString()); // statements without rows print nothing

    // Two result sets from standard input; the creator is the database's DBA.
    r = cli({QStringLiteral("-d"), QStringLiteral("shop"), QStringLiteral("sql")},
            "select name from item order by id; select username from sysusers where usertype = 'D'");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 8) << r.out.toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("a;b"));
    EXPECT_EQ(lines[3], QStringLiteral("c"));
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(lines[7], QStringLiteral("owner1"));
    EXPECT_EQ(lines.size(), 9);

    r = cli({QStringLiteral("createdb"), QStringLiteral("shop")});
    EXPECT_EQ(r.exitCode, 1);
    r = cli({QStringLiteral("-d"), QStringLiteral("shop"), QStringLiteral("sql"), QStringLiteral("select count(*) from item")});
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("\\n +2\\n|\\n2 *\\n")))) << r.out.toStdString();
}

struct UsageCase {
    const char *name;
    QStringList args;
};

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, ExitsWithTwo)
{
    const CliRun r = cli(GetParam().args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("usage: quodlin-cli"))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageTest,
    ::testing::Values(UsageCase{"NoCommand", {}},
                      UsageCase{"UnknownCommand", {QStringLiteral("frobnicate")}},
                      UsageCase{"UnknownOption", {QStringLiteral("-x"), QStringLiteral("aliases")}},
                      UsageCase{"MissingValue", {QStringLiteral("aliases"), QStringLiteral("-u")}},
                      UsageCase{"SqlWithoutDatabase", {QStringLiteral("sql"), QStringLiteral("select 1 from systables")}},
                      UsageCase{"AliasAndServer", {QStringLiteral("-d"), QStringLiteral("demo"), QStringLiteral("-s"),
                                                   QStringLiteral("local"), QStringLiteral("-D"), QStringLiteral("demo"),
                                                   QStringLiteral("sql"), QStringLiteral("select 1 from systables")}},
                      UsageCase{"CreateDbWithoutName", {QStringLiteral("createdb")}},
                      UsageCase{"InvalidDatabaseName", {QStringLiteral("createdb"), QStringLiteral("../x")}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
