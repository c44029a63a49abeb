// quodlin-cli as a user runs it: the built program in a temporary home.
#include "app/programinfo.h"
#include "db/sqlname.h"
#include "engine/engine.h"
#include "hostilenames.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

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
        return cliRun(std::move(args), input, QProcessEnvironment::systemEnvironment());
    }

public:
    static CliRun cliRun(QStringList args, const QByteArray &input = {},
                         QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
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

protected:
    // The fixture database of the browser tests, loaded once per home.
    static void loadBrowserFixture()
    {
        static QString loadedHome;
        if (loadedHome == s_home->path())
            return;
        loadedHome = s_home->path();
        cliRun({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("createdb"), QStringLiteral("brw")});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DELIMIDENT"), QStringLiteral("y"));
        cliRun({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"), QStringLiteral("brw"),
                QStringLiteral("sql"), QStringLiteral("-f"), QStringLiteral(QUODLIN_TEST_DATA "/browser/fixture.sql")},
               {}, env);
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

TEST_F(CliTest, TreePrintsOneIndentedLinePerNode)
{
    loadBrowserFixture();
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("tree")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.takeLast(), QString());
    // The system tables are left out of the comparison.
    const qsizetype user = lines.indexOf(QStringLiteral("    User"));
    ASSERT_GT(user, 3);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"brw", "  Tables", "    System"}));
    EXPECT_EQ(lines[3], QStringLiteral("      informix.sysaggregates"));
    const QStringList rest = lines.mid(user);
    EXPECT_EQ(rest.mid(0, 4), QStringList({"    User", "      acct.t", "      tester.audit", "      tester.items"}));
    EXPECT_EQ(rest.mid(rest.size() - 4), QStringList({"  Roles", "    empty_role", "    staff", "      alice"}));

    // The owner settings of the browser apply.
    QSettings settings(s_home->filePath(QStringLiteral("Quodlin.conf")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Display Owner Format"), 0);
    settings.sync();
    EXPECT_TRUE(cli({QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("tree")}).out.contains(
        QStringLiteral("\n      t (acct)\n")));
    settings.setValue(QStringLiteral("Display Owner"), 0);
    settings.sync();
    EXPECT_TRUE(cli({QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("tree")}).out.contains(
        QStringLiteral("\n    User\n      t\n      audit\n")));
    settings.remove(QStringLiteral("Display Owner"));
    settings.remove(QStringLiteral("Display Owner Format"));
}

TEST_F(CliTest, ShowPrintsTheTablePages)
{
    loadBrowserFixture();
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("show"), QStringLiteral("table"),
                          QStringLiteral("items"), QStringLiteral("--owner"), QStringLiteral("tester")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString expectedStart = QStringLiteral(
        "Table: tester.items\n"
        "\n"
        "Table\n"
        "Name: items\n"
        "Owner: tester\n");
    EXPECT_TRUE(r.out.startsWith(expectedStart)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral(
        "\nColumns\n"
        "Col No. Name Data Type Reqd Type defaultvalue Default Min Max\n"
        "------- ---- --------- ---- ---- ------------ ------- --- ---\n"
        "1       a    INTEGER             (Memo)\n"
        "2       b    CHAR(4)             (Memo)\n")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("\nTriggers\nID +Name +Event\n[- ]+\n(\\d+ +tr_(del +Delete|ins +Insert|upd +Update)\n){3}"))))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\nDepends\nName Table ID Type\n---- -------- ----\nv1   ")))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("\nEdit\n")));
}

TEST_F(CliTest, ShowPrintsAViewWithItsText)
{
    loadBrowserFixture();
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("show"), QStringLiteral("view"),
                          QStringLiteral("v1")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("View: tester.v1\n\nView\nName: v1\n"))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("\nIndexes\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("\nEdit\nCREATE VIEW v1 (a) AS\n  SELECT a\n   FROM items\n")))
        << r.out.toStdString();
}

struct ShowCase {
    const char *name;
    QStringList args;
    int exitCode;
    const char *out;  // the start of standard output
    const char *err;  // a part of standard error
};

class CliShowTest : public CliTest, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(CliShowTest, PrintsOrRefuses)
{
    loadBrowserFixture();
    const ShowCase &c = GetParam();
    QStringList args{QStringLiteral("-d"), QStringLiteral("brw"), QStringLiteral("show")};
    const CliRun r = cli(args + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    const QString out = QString::fromUtf8(c.out);
    EXPECT_EQ(r.out.left(out.size()), out) << r.out.toStdString();
    EXPECT_TRUE(QString(r.err).contains(QString::fromUtf8(c.err))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliShowTest,
    ::testing::Values(
        ShowCase{"Procedure", {"procedure", "print_x"}, 0,
                 "Proc: tester.print_x\n\nProcedure\nName: print_x\nOwner: tester\n", ""},
        ShowCase{"Trigger", {"trigger", "tr_upd"}, 0,
                 "Trigger: tester.tr_upd\n\nTrigger\nName: tr_upd\nOwner: tester\n", ""},
        ShowCase{"RemoteSynonym", {"synonym", "s_remote"}, 0,
                 "Synonym: tester.s_remote\n\nSynonym\nName: s_remote\nOwner: tester\n", ""},
        ShowCase{"RoleWithMembers", {"role", "staff"}, 0,
                 "Role: staff\n\nRole\nName: staff\nType: G\nPriority: 5\n\nItems\n"
                 "Role Name User Name Is Grantable\n--------- --------- ------------\nstaff     alice     N\n", ""},
        ShowCase{"User", {"user", "alice"}, 0, "User: alice\n\nUser\nName: alice\n", ""},
        ShowCase{"UnknownObject", {"table", "nosuch"}, 1, "", "No table named nosuch."},
        ShowCase{"UnknownObjectEscaped", {"table", "no\nsuch\x1b[2J"}, 1, "", "No table named no\\nsuch\\x1b[2J."},
        ShowCase{"WrongOwner", {"table", "t", "--owner", "nobody"}, 1, "", "No table named t owned by nobody."},
        ShowCase{"OwnerFoundWithoutOption", {"table", "t"}, 0, "Table: acct.t\n", ""},
        ShowCase{"UnknownKind", {"index", "ix3"}, 2, "", "usage: quodlin-cli"},
        ShowCase{"MissingName", {"table"}, 2, "", "usage: quodlin-cli"}),
    [](const auto &info) { return std::string(info.param.name); });

// Names holding line breaks and terminal controls print escaped, one node a line.
TEST_F(CliTest, TreeAndShowPrintNamesEscaped)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DELIMIDENT"), QStringLiteral("y"));
    const QStringList db{QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"), QStringLiteral("esc")};
    ASSERT_EQ(cli({QStringLiteral("createdb"), QStringLiteral("esc")}).exitCode, 0);
    const QString name = QStringLiteral("two\nlines\x1b[2J\\");
    const QString shown = QStringLiteral("two\\nlines\\x1b[2J\\\\");
    CliRun r = cliRun(db + QStringList{QStringLiteral("sql"), QStringLiteral("create table \"%1\" (\"c\tx\" integer)").arg(name)},
                      {}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = cli(db + QStringList{QStringLiteral("tree")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n    User\n      tester.") + shown + QLatin1Char('\n'))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));

    r = cli(db + QStringList{QStringLiteral("show"), QStringLiteral("table"), name});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Table: tester.") + shown + QStringLiteral("\n\nTable\nName: ") + shown + QLatin1Char('\n')))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n1       c\\tx "))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));
}

TEST_F(CliTest, HelpAndVersionPrintToStandardOutput)
{
    for (const char *option : {"--help", "-h"}) {
        const CliRun r = cli({QString::fromLatin1(option)});
        EXPECT_EQ(r.exitCode, 0) << option;
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("usage: quodlin-cli"))) << option;
        EXPECT_EQ(r.err, QString());
    }
    const CliRun r = cli({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("quodlin-cli %1 (Quodlin v2.2c (06/07/97))\n").arg(quodlin::kVersion));
}

TEST_F(CliTest, DoubleDashEndsTheOptions)
{
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"), QStringLiteral("--"),
                          QStringLiteral("-- a comment\nselect count(*) from systables where tabid = 1")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("\\n *1\\n$")))) << r.out.toStdString();
}

TEST_F(CliTest, DelimidentFromTheEnvironment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DELIMIDENT"), QStringLiteral("y"));
    const CliRun made = cliRun({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                                QStringLiteral("create procedure \"PI_Mixed\"() end procedure")}, {}, env);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const CliRun shown = cliRun({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                                 QStringLiteral("select procname from sysprocedures where procname = 'PI_Mixed'")},
                                {}, env);
    EXPECT_TRUE(shown.out.contains(QStringLiteral("\nPI_Mixed\n"))) << shown.out.toStdString() << shown.err.toStdString();
    // Without it the double quotes make a string: the name is no identifier.
    const CliRun plain = cli({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                              QStringLiteral("create procedure \"PI_Other\"() end procedure")});
    EXPECT_EQ(plain.exitCode, 1);
}

TEST_F(CliTest, DbcenturyFromTheEnvironment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBCENTURY"), QStringLiteral("P"));
    const CliRun r = cliRun({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                             QStringLiteral("select year(date('01/01/99')) from systables where tabid = 1")}, {}, env);
    EXPECT_TRUE(r.out.contains(QStringLiteral("1999"))) << r.out.toStdString() << r.err.toStdString();
    env.insert(QStringLiteral("DBCENTURY"), QStringLiteral("F"));
    const CliRun f = cliRun({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                             QStringLiteral("select year(date('01/01/25')) from systables where tabid = 1")}, {}, env);
    // The nearest future year; the default (R) would give 2025.
    EXPECT_TRUE(f.out.contains(QStringLiteral("2125"))) << f.out.toStdString();
}

TEST_F(CliTest, CompilesRestoresAndDropsObjects)
{
    QTemporaryDir files;
    auto write = [&files](const char *name, const char *text) {
        const QString path = files.filePath(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    };
    const QStringList db{QStringLiteral("-d"), QStringLiteral("cat")};
    ASSERT_EQ(cli(db + QStringList{"sql", "create table bins (id integer, shelf char(4))"}).exitCode, 0);

    // A new view: the DROP before it fails silently.
    CliRun r = cli(db + QStringList{"compile", write("v.sql", "CREATE VIEW v_bins AS\n  SELECT id FROM bins;")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Dropping object...\nCompiling object...\nObject compiled successfully.\n"));

    // A broken new text: reported, and the view loaded from the catalog comes back.
    r = cli(db + QStringList{"compile", write("bad.sql", "CREATE VIEW v_bins AS\n  SELECT nosuch FROM bins;")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringLiteral("Dropping object...\nCompiling object...\nRestoring object...\n"
                                    "Object compiled with errors.\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Database Error in [TfrmDbObjects.ExecDropCreate]:"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Native Code: -217"))) << r.err.toStdString();
    r = cli(db + QStringList{"sql", "select id from v_bins"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = cli(db + QStringList{"drop", "view", "v_bins"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(db + QStringList{"drop", "view", "v_bins"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Database Error in [TfrmDbObjects.mnuTreeDropClick (DROP VIEW v_bins)]:")))
        << r.err.toStdString();
    r = cli(db + QStringList{"drop", "table", "bins", "--owner", "nobody"});
    EXPECT_EQ(r.exitCode, 1);
    r = cli(db + QStringList{"drop", "TABLE", "bins"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("DROP TABLE bins\n"));
}

// Script files are read as the editors read them: UTF-8, else Latin-1.
TEST_F(CliTest, LatinOneScriptsAndCompiledFilesKeepTheirCharacters)
{
    QTemporaryDir files;
    auto write = [&files](const char *name, const QByteArray &bytes) {
        const QString path = files.filePath(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    };
    const QStringList db{QStringLiteral("-d"), QStringLiteral("cat")};
    CliRun r = cli(db + QStringList{"sql", "-f", write("latin.sql", "create table words (w varchar(10));\n"
                                                                   "insert into words values ('caf\xe9');\n")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(db + QStringList{"compile", write("p.sql", "CREATE PROCEDURE p_word() RETURNING VARCHAR(10);\n"
                                                      "  RETURN 'na\xefve';\nEND PROCEDURE;\n")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(db + QStringList{"sql", "--format", "unload", "select w from words; execute procedure p_word()"});
    EXPECT_EQ(r.out, QStringLiteral("caf\u00e9|\nna\u00efve|\n"));
}

// Drop and compile with the legal names that break SQL pasted from names
// (DELIMIDENT set): the statement names the object alone, and a table named
// victim survives every step.
TEST_F(CliTest, DropAndCompileTouchTheNamedObjectAlone)
{
    using quodlin::SqlName;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DELIMIDENT"), QStringLiteral("y"));
    const auto run = [&env](const QStringList &args) {
        return cliRun(QStringList{QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"),
                                  QStringLiteral("hostile")} + args, {}, env);
    };
    const auto unload = [&run](const QString &select) {
        const CliRun r = run({QStringLiteral("sql"), QStringLiteral("--format"), QStringLiteral("unload"), select});
        return r.exitCode == 0 ? r.out : QStringLiteral("failed: ") + r.err;
    };
    ASSERT_EQ(cliRun({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("createdb"), QStringLiteral("hostile")}).exitCode, 0);
    ASSERT_EQ(run({QStringLiteral("sql"), QStringLiteral("create table victim (id integer); insert into victim values (7)")}).exitCode, 0);
    const QString tables = QStringLiteral("select count(*) from systables where tabid >= 100");
    for (const quodlin::testing::HostileName &h : quodlin::testing::HostileNames()) {
        SCOPED_TRACE(h.label);
        const QString quoted = SqlName(h.name);
        ASSERT_EQ(run({QStringLiteral("sql"), QStringLiteral("create table ") + quoted + QStringLiteral(" (id integer)")}).exitCode, 0);
        // Every other name is given with its owner.
        const bool withOwner = (&h - &quodlin::testing::HostileNames().first()) % 2 == 1;
        QStringList args{QStringLiteral("drop"), QStringLiteral("table"), h.name};
        if (withOwner)
            args << QStringLiteral("--owner") << QStringLiteral("tester");
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("DROP TABLE ") + (withOwner ? QStringLiteral("tester.") : QString()) + quoted
                             + QLatin1Char('\n'));
        EXPECT_EQ(unload(tables), QStringLiteral("1|\n"));
        EXPECT_EQ(unload(QStringLiteral("select id from victim")), QStringLiteral("7|\n"));
    }

    // A function is dropped as one, by its parameter types; a name that
    // routines share drops nothing.
    ASSERT_EQ(run({QStringLiteral("sql"), QStringLiteral(
                       "create function solo(a integer) returning integer; return a; end function;"
                       "create function twin(a integer) returning integer; return a; end function;"
                       "create function twin(a char(10)) returning integer; return 1; end function")}).exitCode, 0);
    CliRun routine = run({QStringLiteral("drop"), QStringLiteral("procedure"), QStringLiteral("solo")});
    EXPECT_EQ(routine.out, QStringLiteral("DROP FUNCTION solo(INTEGER)\n")) << routine.err.toStdString();
    routine = run({QStringLiteral("drop"), QStringLiteral("procedure"), QStringLiteral("twin")});
    EXPECT_EQ(routine.exitCode, 1);
    EXPECT_TRUE(routine.err.contains(QStringLiteral("Several routines are named twin"))) << routine.err.toStdString();
    EXPECT_EQ(unload(QStringLiteral("select count(*) from sysprocedures where procname in ('solo', 'twin')")),
              QStringLiteral("2|\n"));

    // A view, a trigger and a synonym whose names hold blanks compile again and again.
    QTemporaryDir files;
    const auto compile = [&](const QString &text) {
        const QString path = files.filePath(QStringLiteral("object.sql"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
        f.close();
        return run({QStringLiteral("compile"), path});
    };
    ASSERT_EQ(run({QStringLiteral("sql"), QStringLiteral("create table log (v integer); create table \" victim\" (id integer)")}).exitCode, 0);
    for (int round = 1; round <= 2; ++round) {
        const QString n = QString::number(round);
        for (const QString &text : {QStringLiteral("CREATE VIEW \"my view\" (v) AS SELECT ") + n + QStringLiteral(" FROM victim"),
                                    QStringLiteral("CREATE TRIGGER 'tester'.\"my \"\"trigger\"\"\" INSERT ON \" victim\"\n"
                                                   "  FOR EACH ROW (INSERT INTO log VALUES (") + n + QStringLiteral("))"),
                                    QStringLiteral("CREATE SYNONYM \"a; drop table victim\" FOR victim")}) {
            const CliRun r = compile(text);
            EXPECT_EQ(r.exitCode, 0) << text.toStdString() << '\n' << r.err.toStdString();
        }
    }
    EXPECT_EQ(unload(QStringLiteral("select v from \"my view\"")), QStringLiteral("2|\n"));
    EXPECT_EQ(run({QStringLiteral("sql"), QStringLiteral("insert into \" victim\" values (1)")}).exitCode, 0);
    EXPECT_EQ(unload(QStringLiteral("select v from log")), QStringLiteral("2|\n"));
    EXPECT_EQ(unload(QStringLiteral("select id from \"a; drop table victim\"")), QStringLiteral("7|\n"));

    // Without DELIMIDENT such a name cannot be written: a report naming it, exit 1, nothing dropped.
    const CliRun plain = cliRun({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"), QStringLiteral("hostile"),
                                 QStringLiteral("drop"), QStringLiteral("table"), QStringLiteral(" victim")});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_TRUE(plain.err.contains(QStringLiteral("\" victim\"")) && plain.err.contains(QStringLiteral("DELIMIDENT")))
        << plain.err.toStdString();
    EXPECT_EQ(unload(QStringLiteral("select count(*) from \" victim\"")), QStringLiteral("1|\n"));
}

// compile replaces a procedure in one transaction: killed at any moment after
// "Compiling object..." (printed once the old procedure is dropped), the
// database holds the old text or the new one, never neither.
TEST_F(CliTest, CompileKilledAtAnyMomentKeepsTheProcedure)
{
    const QStringList db{QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"), QStringLiteral("crash")};
    ASSERT_EQ(cli({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("createdb"), QStringLiteral("crash")}).exitCode, 0);
    QTemporaryDir files;
    // A long body, so that creating it takes a while to be killed in.
    QString body;
    for (int i = 0; i < 2000; ++i)
        body += QStringLiteral("  LET x = x + %1;\n").arg(i);
    const auto source = [&](int value) {
        const QString path = files.filePath(QStringLiteral("p%1.sql").arg(value));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("CREATE PROCEDURE p() RETURNING INTEGER;\n  DEFINE x INTEGER;\n  LET x = 0;\n%1"
                               "  RETURN %2;\nEND PROCEDURE\n").arg(body).arg(value).toUtf8());
        return path;
    };
    const auto value = [&db]() {
        const CliRun r = cli(db + QStringList{QStringLiteral("sql"), QStringLiteral("--format"), QStringLiteral("unload"),
                                              QStringLiteral("execute procedure p()")});
        return r.exitCode == 0 ? r.out.section(QLatin1Char('|'), 0, 0).toInt() : -1;
    };
    ASSERT_EQ(cli(db + QStringList{QStringLiteral("compile"), source(0)}).exitCode, 0);
    int before = 0;
    int replaced = 0;
    for (int attempt = 1; attempt <= 16; ++attempt) {
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/quodlin-cli"),
                QStringList{QStringLiteral("--home"), s_home->path()} + db
                    + QStringList{QStringLiteral("compile"), source(attempt)});
        ASSERT_TRUE(p.waitForStarted());
        QByteArray out;
        while (!out.contains("Compiling object...") && p.state() == QProcess::Running) {
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        // Staggered: the first kills land before the create ends, the last after the commit.
        QThread::usleep(static_cast<unsigned long>((attempt - 1) * 6000));
        p.kill();
        p.waitForFinished(10000);
        const int now = value();
        EXPECT_TRUE(now == before || now == attempt) << "attempt " << attempt << ": " << now;
        replaced += now == attempt;
        before = now;
    }
    RecordProperty("replaced_before_kill", replaced);
}

// Another session holds the write lock longer than compile waits (5 seconds
// before any SET LOCK MODE): compile fails with -244 before dropping anything.
TEST_F(CliTest, CompileThatCannotHaveTheLockLeavesTheProcedure)
{
    const QStringList db{QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("-d"), QStringLiteral("locked")};
    ASSERT_EQ(cli({QStringLiteral("-u"), QStringLiteral("tester"), QStringLiteral("createdb"), QStringLiteral("locked")}).exitCode, 0);
    ASSERT_EQ(cli(db + QStringList{QStringLiteral("sql"), QStringLiteral("create table t (id integer);\n"
                                                                      "create procedure p() returning integer; return 1; end procedure")})
                  .exitCode,
              0);
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("p.sql"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("CREATE PROCEDURE p() RETURNING INTEGER;\n  RETURN 2;\nEND PROCEDURE\n");
    f.close();

    const auto value = [&db]() {
        const CliRun r = cli(db + QStringList{QStringLiteral("sql"), QStringLiteral("--format"), QStringLiteral("unload"),
                                              QStringLiteral("execute procedure p()")});
        return r.exitCode == 0 ? r.out : r.err;
    };
    auto holder = quodlin::engine::Session::open((s_home->path() + QStringLiteral("/databases/locked.db")).toStdString(), "other");
    holder->execute("BEGIN WORK");
    holder->execute("insert into t values (1)");
    QElapsedTimer waited;
    waited.start();
    CliRun r = cli(db + QStringList{QStringLiteral("compile"), path});
    const qint64 ms = waited.elapsed();
    holder->execute("ROLLBACK WORK");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Native Code: -244")) && r.err.contains(QStringLiteral("Native Code: -154")))
        << r.err.toStdString();
    EXPECT_GE(ms, 4500);  // it waited for the lock, as SET LOCK MODE's default says
    EXPECT_EQ(r.out, QStringLiteral("Dropping object...\nObject compiled with errors.\n"));
    EXPECT_EQ(value(), QStringLiteral("1|\n"));

    // A lock given up within the wait: the compile goes on and replaces the procedure.
    holder->execute("BEGIN WORK");
    holder->execute("insert into t values (1)");
    std::thread release([&holder] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        holder->execute("ROLLBACK WORK");
    });
    r = cli(db + QStringList{QStringLiteral("compile"), path});
    release.join();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(value(), QStringLiteral("2|\n"));
}

TEST_F(CliTest, WritesTheExportFormatsAndRunsUnloadAndLoad)
{
    const auto sql = [](const QStringList &more, const QByteArray &input = {}) {
        return cli(QStringList{QStringLiteral("-d"), QStringLiteral("fmt"), QStringLiteral("sql")} + more, input);
    };
    ASSERT_EQ(cli({QStringLiteral("createdb"), QStringLiteral("fmt")}).exitCode, 0);
    CliRun r = sql({}, "create table t (id integer, name char(10));\n"
                       "create unique index t_name on t (name, id);\n"
                       "create table t_copy (id integer, name char(10));\n"
                       "insert into t values (1, 'a''b');\n"
                       "insert into t values (2, null)");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString select = QStringLiteral("select * from t order by id");
    // The bytes of each format are the writer's test; --format picks the writer.
    for (const auto &[format, start] : {std::pair{"text", "id          name\n"}, {"script", "INSERT INTO t (id,name) \r\n"},
                                        {"sqd", "ZRTSQD1\r\n"}, {"csv", "id,name\r\n1,a'b\r\n"}}) {
        r = sql({QStringLiteral("--format"), QString::fromUtf8(format), select});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(start))) << format << r.out.toStdString();
    }
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("\r\n2,\r\n"))) << r.out.toStdString();

    const QString out = s_home->filePath(QStringLiteral("t.unl"));
    r = sql({QStringLiteral("--format"), QStringLiteral("unload"), QStringLiteral("--out"), out, select});
    EXPECT_EQ(r.out, QString());
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "1|a'b|\n2||\n");
    // A failing run leaves the file it was to replace alone.
    r = sql({QStringLiteral("--out"), out, QStringLiteral("select nosuch from t")});
    EXPECT_EQ(r.exitCode, 1);
    written.seek(0);
    EXPECT_EQ(written.readAll(), "1|a'b|\n2||\n");

    r = sql({QStringLiteral("load from '%1' insert into t_copy; select count(*) from t_copy where name = 'a''b'").arg(out)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("2 row(s) loaded.\n"));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("\n1\n"))) << r.out.toStdString();

    // The key line of a table named in double quotes.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DELIMIDENT"), QStringLiteral("y"));
    const QStringList fmt{QStringLiteral("-d"), QStringLiteral("fmt"), QStringLiteral("sql")};
    r = cliRun(fmt + QStringList{QStringLiteral("create table \"My \"\"t\"\"\" (k integer, v char(3), primary key (k))")}, {}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cliRun(fmt + QStringList{QStringLiteral("--format"), QStringLiteral("sqd"), QStringLiteral("select * from \"My \"\"t\"\"\"")},
               {}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\r\nPrimaryKey: k\r\n"))) << r.out.toStdString();
}


TEST_F(CliTest, SchemaOfTheDemoRebuildsACopyWithTheSameSchema)
{
    const QString file = s_home->filePath(QStringLiteral("demo-schema.sql"));
    CliRun r = cli({QStringLiteral("-d"), QStringLiteral("demo"), QStringLiteral("schema"), QStringLiteral("--out"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("create table \"")));

    ASSERT_EQ(cli({QStringLiteral("createdb"), QStringLiteral("copy")}).exitCode, 0);
    r = cli({QStringLiteral("-d"), QStringLiteral("copy"), QStringLiteral("sql"), QStringLiteral("-f"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli({QStringLiteral("-d"), QStringLiteral("copy"), QStringLiteral("schema")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, text);

    r = cli({QStringLiteral("-d"), QStringLiteral("demo"), QStringLiteral("schema"), QStringLiteral("-t"),
             QStringLiteral("no_such_table")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no_such_table"))) << r.err.toStdString();

    r = cli({QStringLiteral("-d"), QStringLiteral("demo"), QStringLiteral("schema"), QStringLiteral("-t"),
             QStringLiteral("customer"), QStringLiteral("--no-grants")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("create table")), 1);
    EXPECT_FALSE(r.out.contains(QStringLiteral("grant ")));
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
                      UsageCase{"OptionTwice", {QStringLiteral("-d"), QStringLiteral("a"), QStringLiteral("-d"),
                                                QStringLiteral("b"), QStringLiteral("tree")}},
                      UsageCase{"TreeWithoutDatabase", {QStringLiteral("tree")}},
                      UsageCase{"InvalidDatabaseName", {QStringLiteral("createdb"), QStringLiteral("../x")}},
                      UsageCase{"CompileWithoutFile", {QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("compile")}},
                      UsageCase{"DropUnknownKind", {QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("drop"),
                                                    QStringLiteral("index"), QStringLiteral("i1")}},
                      UsageCase{"DropWithoutDatabase", {QStringLiteral("drop"), QStringLiteral("table"), QStringLiteral("t")}},
                      UsageCase{"SchemaWithArgument", {QStringLiteral("-d"), QStringLiteral("demo"),
                                                       QStringLiteral("schema"), QStringLiteral("x")}},
                      UsageCase{"UnknownFormat", {QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"),
                                                  QStringLiteral("--format"), QStringLiteral("xml"), QStringLiteral("select 1 from systables")}}),
    [](const auto &info) { return std::string(info.param.name); });

#ifndef _WIN32

struct DeviceCase {
    const char *name;
    QStringList args;  // after "-d fmt2"; %1 is the device
};

class CliDeviceTest : public CliTest, public ::testing::WithParamInterface<DeviceCase> {};

// A device is written where it is, and its failure names it and the system's
// reason; before, a regular file took the device's place.
TEST_P(CliDeviceTest, FullDeviceNamesTheFileAndTheReason)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    static bool made = false;
    if (!made) {
        made = cli({QStringLiteral("createdb"), QStringLiteral("fmt2")}).exitCode == 0;
        cli({QStringLiteral("-d"), QStringLiteral("fmt2"), QStringLiteral("sql"),
             QStringLiteral("create table t (id integer); insert into t values (1)")});
    }
    QStringList args{QStringLiteral("-d"), QStringLiteral("fmt2")};
    for (const QString &arg : GetParam().args)
        args << QString(arg).replace(QStringLiteral("%1"), QStringLiteral("/dev/full"));
    const CliRun r = cli(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot write /dev/full: No space left on device"))) << r.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, CliDeviceTest,
    ::testing::Values(
        DeviceCase{"sql_out", {QStringLiteral("sql"), QStringLiteral("--out"), QStringLiteral("%1"),
                               QStringLiteral("select * from t")}},
        DeviceCase{"unload_to", {QStringLiteral("sql"), QStringLiteral("unload to '%1' select * from t")}},
        DeviceCase{"schema_out", {QStringLiteral("schema"), QStringLiteral("--out"), QStringLiteral("%1")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CliTest, OutToAFifoWritesThroughIt)
{
    const QString fifo = s_home->filePath(QStringLiteral("rows.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Open without waiting for a writer; the rows wait in the pipe's buffer.
    QFile in;
    ASSERT_TRUE(in.open(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK), QIODevice::ReadOnly,
                        QFileDevice::AutoCloseHandle));
    const CliRun r = cli({QStringLiteral("-d"), QStringLiteral("cat"), QStringLiteral("sql"), QStringLiteral("--format"),
                          QStringLiteral("unload"), QStringLiteral("--out"), fifo,
                          QStringLiteral("select tabname from systables where tabid = 1")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(in.readAll(), "systables|\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// createdb --demo killed at moments spread over its run leaves either nothing
// (and createdb then succeeds) or the whole database; never a part of one or
// an alias without its database.
TEST(CliCreateDb, KilledMidwayLeavesNothingOrTheWholeDemo)
{
    QTemporaryDir home;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/quodlin-cli");
    const auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(program, QStringList{QStringLiteral("--home"), home.path()} + args);
        p.waitForFinished(300000);
        return CliRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                      QString::fromUtf8(p.readAllStandardError())};
    };
    const QString counts = QStringLiteral(
        "select count(*) from systables; select count(*) from sysprocedures; select count(*) from systriggers; "
        "select count(*) from order_line; select count(*) from audit_log");
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(run({QStringLiteral("createdb"), QStringLiteral("whole"), QStringLiteral("--demo")}).exitCode, 0);
    const qint64 duration = timer.elapsed();
    const CliRun whole = run({QStringLiteral("-d"), QStringLiteral("whole"), QStringLiteral("sql"), counts});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();

    const QDir databases(home.filePath(QStringLiteral("databases")));
    constexpr int kKills = 6;
    for (int i = 0; i < kKills; ++i) {
        const QString name = QStringLiteral("killed%1").arg(i);
        QProcess p;
        p.start(program, {QStringLiteral("--home"), home.path(), QStringLiteral("createdb"), name, QStringLiteral("--demo")});
        ASSERT_TRUE(p.waitForStarted());
        // From at once to after the run would have ended.
        const qint64 delay = duration * i * 6 / (5 * (kKills - 1));
        p.waitForFinished(int(delay) + 1);
        p.kill();
        p.waitForFinished();
        const bool alias = run({QStringLiteral("aliases")}).out.split(QLatin1Char('\n')).contains(name);
        const bool database = databases.exists(name + QStringLiteral(".db"));
        SCOPED_TRACE(QStringLiteral("%1 killed after %2 ms: alias %3, database %4")
                         .arg(name).arg(delay).arg(alias).arg(database).toStdString());
        EXPECT_TRUE(database || !alias);
        if (!database) {
            const CliRun again = run({QStringLiteral("createdb"), name, QStringLiteral("--demo")});
            EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        }
        // A database there is whole, whichever run made it (reached without
        // the alias, which a kill just after the rename has not written yet).
        const CliRun now = run({QStringLiteral("-s"), QStringLiteral("local"), QStringLiteral("-D"), name,
                                QStringLiteral("sql"), counts});
        EXPECT_EQ(now.out, whole.out) << now.err.toStdString();
        EXPECT_EQ(databases.entryList({name + QStringLiteral(".db*")}, QDir::Files | QDir::Hidden).size(), 1)
            << databases.entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' ')).toStdString();
    }
}

#endif

} // namespace
