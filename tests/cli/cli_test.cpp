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

const QString kProgram = QStringLiteral("/../bin/quodlin-cli");
const QStringList kDelimident{"DELIMIDENT=y"};

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_home = new QTemporaryDir;
        cli({"createdb", "cat"});  // the catalog queries run on a database of their own
    }
    static void TearDownTestSuite()
    {
        delete s_home;
        s_home = nullptr;
    }

    // quodlin-cli in the suite's home; `env` adds variables ("NAME=value").
    static CliRun cli(QStringList args, const QByteArray &input = {}, const QStringList &env = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove(QStringLiteral("QUODLIN_PASSWORD"));
        for (const QString &v : env)
            e.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(QCoreApplication::applicationDirPath() + kProgram, QStringList{"--home", s_home->path()} + args);
        if (!p.waitForStarted())
            return {};
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    // A file in the home; its path.
    static QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(s_home->filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return f.fileName();
    }
    // The fixture database of the browser tests, loaded once per home.
    static void loadBrowserFixture()
    {
        static QString loadedHome;
        if (loadedHome == s_home->path())
            return;
        loadedHome = s_home->path();
        cli({"-u", "tester", "createdb", "brw"});
        cli({"-u", "tester", "-d", "brw", "sql", "-f", QUODLIN_TEST_DATA "/browser/fixture.sql"}, {}, kDelimident);
    }

    static QTemporaryDir *s_home;
};

QTemporaryDir *CliTest::s_home = nullptr;

TEST_F(CliTest, SqlPrintsATextTableOrTheReport)
{
    CliRun r = cli({"-d", "cat", "sql", "select first 3 tabname, tabid from systables order by tabid"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
    for (const auto &[line, pattern] : {std::pair{0, "^tabname +tabid$"}, {1, "^-+ -+$"}, {2, "^systables +1$"},
                                        {3, "^syscolumns +2$"}})
        EXPECT_TRUE(QRegularExpression(QLatin1String(pattern)).match(lines[line]).hasMatch()) << lines[line].toStdString();

    r = cli({"-d", "cat", "sql", "select nosuchcolumn from systables"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.startsWith("Database Error in [quodlin-cli.sql]:\n")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("  Native Code: -217 (0xFFFFFF27)\n")) << r.err.toStdString();

    // A double dash ends the options.
    r = cli({"-d", "cat", "sql", "--", "-- a comment\nselect count(*) from systables where tabid = 1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression("\\n *1\\n$"))) << r.out.toStdString();
}

// `sql` records each text it ran, a secret statement without its literals;
// `history` prints the newest matching entries, oldest first.
TEST_F(CliTest, HistoryPrintsTheNewestMatchingRuns)
{
    for (const char *sql : {"select tabid from systables where tabname = 'hist_a'",
                            "select nosuch from systables where tabname = 'hist_b'",
                            "select tabid from systables where tabname = 'hist_c'",
                            "select 'Tiger' as password from systables where tabid = 1"})
        cli({"-d", "cat", "sql", sql});
    const QRegularExpression header("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  cat  \\d+ ms  ",
                                    QRegularExpression::MultilineOption);
    CliRun r = cli({"history", "--grep", "HIST_", "-n", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(header), 2) << r.out.toStdString();
    EXPECT_EQ(r.out.remove(header),
              "error -217: Column (nosuch) not found in any table in the query (or SLV is undefined).\n"
              "    select nosuch from systables where tabname = 'hist_b'\n"
              "0 rows  ok\n"
              "    select tabid from systables where tabname = 'hist_c'\n");
    r = cli({"history", "--grep", "password"});
    EXPECT_EQ(r.out.remove(header), "1 row  ok\n    select ? as password from systables where tabid = ?\n");
}

TEST_F(CliTest, CreatesADatabaseRunsScriptsAndNeverOverwrites)
{
    EXPECT_EQ(cli({"aliases"}).out, "cat\ndemo\n");
    CliRun r = cli({"-u", "owner1", "createdb", "shop"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(cli({"aliases"}).out, "cat\ndemo\nshop\n");

    const QString script = writeFile("load.sql", "create table item (id integer, name char(10)); -- the; table\n"
                                                 "insert into item values (1, 'a;b');\n"
                                                 "insert into item values (2, 'c')\n");
    r = cli({"-d", "shop", "sql", "-f", script});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString()); // statements without rows print nothing

    // Two result sets from standard input; the creator is the database's DBA.
    r = cli({"-d", "shop", "sql"}, "select name from item order by id; select username from sysusers where usertype = 'D'");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9) << r.out.toStdString();
    EXPECT_EQ(lines.mid(2, 3), QStringList({"a;b", "c", ""}));
    EXPECT_EQ(lines[7], "owner1");

    EXPECT_EQ(cli({"createdb", "shop"}).exitCode, 1);
    r = cli({"-d", "shop", "sql", "select count(*) from item"});
    EXPECT_TRUE(r.out.contains(QRegularExpression("\\n +2\\n|\\n2 *\\n"))) << r.out.toStdString();
}

// The outline itself is objecttree_test.cpp's: here its lines are indented
// two blanks a level, and the browser's owner settings apply.
TEST_F(CliTest, TreePrintsOneIndentedLinePerNode)
{
    loadBrowserFixture();
    const CliRun r = cli({"-d", "brw", "tree"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("brw\n  Tables\n    System\n      informix.sysaggregates\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\n    User\n      acct.t\n      tester.audit\n      tester.items\n  Views\n"));
    EXPECT_TRUE(r.out.endsWith("\n  Roles\n    empty_role\n    staff\n      alice\n"));

    QSettings settings(s_home->filePath("Quodlin.conf"), QSettings::IniFormat);
    settings.setValue("Display Owner Format", 0);
    settings.sync();
    EXPECT_TRUE(cli({"-d", "brw", "tree"}).out.contains("\n      t (acct)\n"));
    settings.setValue("Display Owner", 0);
    settings.sync();
    EXPECT_TRUE(cli({"-d", "brw", "tree"}).out.contains("\n    User\n      t\n      audit\n"));
    settings.remove("Display Owner");
    settings.remove("Display Owner Format");
}

TEST_F(CliTest, ShowPrintsTheTableAndViewPages)
{
    loadBrowserFixture();
    CliRun r = cli({"-d", "brw", "show", "table", "items", "--owner", "tester"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Table: tester.items\n\nTable\nName: items\nOwner: tester\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nColumns\n"
                               "Col No. Name Data Type Reqd Type defaultvalue Default Min Max\n"
                               "------- ---- --------- ---- ---- ------------ ------- --- ---\n"
                               "1       a    INTEGER             (Memo)\n"
                               "2       b    CHAR(4)             (Memo)\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(
        "\nTriggers\nID +Name +Event\n[- ]+\n(\\d+ +tr_(del +Delete|ins +Insert|upd +Update)\n){3}")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nDepends\nName Table ID Type\n---- -------- ----\nv1   ")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("\nEdit\n"));

    r = cli({"-d", "brw", "show", "view", "v1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("View: tester.v1\n\nView\nName: v1\n")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("\nIndexes\n"));
    EXPECT_TRUE(r.out.contains("\nEdit\nCREATE VIEW v1 (a) AS\n  SELECT a\n   FROM items\n")) << r.out.toStdString();
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
    const CliRun r = cli(QStringList{"-d", "brw", "show"} + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    const QString out = QString::fromUtf8(c.out);
    EXPECT_EQ(r.out.left(out.size()), out) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
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
    const QStringList db{"-u", "tester", "-d", "esc"};
    ASSERT_EQ(cli({"createdb", "esc"}).exitCode, 0);
    const QString name = QStringLiteral("two\nlines\x1b[2J\\");
    const QString shown = QStringLiteral("two\\nlines\\x1b[2J\\\\");
    CliRun r = cli(db + QStringList{"sql", QStringLiteral("create table \"%1\" (\"c\tx\" integer)").arg(name)}, {}, kDelimident);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = cli(db + QStringList{"tree"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\n    User\n      tester." + shown + '\n')) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));

    r = cli(db + QStringList{"show", "table", name});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Table: tester." + shown + "\n\nTable\nName: " + shown + '\n')) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\n1       c\\tx ")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));
}

TEST_F(CliTest, HelpAndVersionPrintToStandardOutput)
{
    for (const char *option : {"--help", "-h"}) {
        const CliRun r = cli({option});
        EXPECT_EQ(r.exitCode, 0) << option;
        EXPECT_TRUE(r.out.startsWith("usage: quodlin-cli")) << option;
        EXPECT_EQ(r.err, QString());
    }
    const CliRun r = cli({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("quodlin-cli %1 (Quodlin v2.2c (06/07/97))\n").arg(quodlin::kVersion));
}

TEST_F(CliTest, DelimidentAndDbcenturyFromTheEnvironment)
{
    const QStringList sql{"-d", "cat", "sql"};
    const CliRun made = cli(sql + QStringList{"create procedure \"PI_Mixed\"() end procedure"}, {}, kDelimident);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const CliRun shown = cli(sql + QStringList{"select procname from sysprocedures where procname = 'PI_Mixed'"}, {}, kDelimident);
    EXPECT_TRUE(shown.out.contains("\nPI_Mixed\n")) << shown.out.toStdString() << shown.err.toStdString();
    // Without it the double quotes make a string: the name is no identifier.
    EXPECT_EQ(cli(sql + QStringList{"create procedure \"PI_Other\"() end procedure"}).exitCode, 1);

    CliRun r = cli(sql + QStringList{"select year(date('01/01/99')) from systables where tabid = 1"}, {}, {"DBCENTURY=P"});
    EXPECT_TRUE(r.out.contains("1999")) << r.out.toStdString() << r.err.toStdString();
    // The nearest future year; the default (R) would give 2025.
    r = cli(sql + QStringList{"select year(date('01/01/25')) from systables where tabid = 1"}, {}, {"DBCENTURY=F"});
    EXPECT_TRUE(r.out.contains("2125")) << r.out.toStdString();
}

// The compile and drop paths; what a compile does is objectcompile_test.cpp's.
TEST_F(CliTest, CompilesRestoresAndDropsObjects)
{
    const QStringList db{"-d", "cat"};
    ASSERT_EQ(cli(db + QStringList{"sql", "create table bins (id integer, shelf char(4))"}).exitCode, 0);

    // A new view: the DROP before it fails silently.
    CliRun r = cli(db + QStringList{"compile", writeFile("v.sql", "CREATE VIEW v_bins AS\n  SELECT id FROM bins;")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Dropping object...\nCompiling object...\nObject compiled successfully.\n");

    // A broken new text: reported, and the view loaded from the catalog comes back.
    r = cli(db + QStringList{"compile", writeFile("bad.sql", "CREATE VIEW v_bins AS\n  SELECT nosuch FROM bins;")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Dropping object...\nCompiling object...\nRestoring object...\nObject compiled with errors.\n");
    EXPECT_TRUE(r.err.contains("Database Error in [TfrmDbObjects.ExecDropCreate]:")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Native Code: -217")) << r.err.toStdString();
    EXPECT_EQ(cli(db + QStringList{"sql", "select id from v_bins"}).exitCode, 0);

    EXPECT_EQ(cli(db + QStringList{"drop", "view", "v_bins"}).exitCode, 0);
    r = cli(db + QStringList{"drop", "view", "v_bins"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("Database Error in [TfrmDbObjects.mnuTreeDropClick (DROP VIEW v_bins)]:"))
        << r.err.toStdString();
    EXPECT_EQ(cli(db + QStringList{"drop", "table", "bins", "--owner", "nobody"}).exitCode, 1);
    r = cli(db + QStringList{"drop", "TABLE", "bins"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "DROP TABLE bins\n");
}

// Script files are read as the editors read them: UTF-8, else Latin-1.
TEST_F(CliTest, LatinOneScriptsAndCompiledFilesKeepTheirCharacters)
{
    const QStringList db{"-d", "cat"};
    CliRun r = cli(db + QStringList{"sql", "-f", writeFile("latin.sql", "create table words (w varchar(10));\n"
                                                                        "insert into words values ('caf\xe9');\n")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(db + QStringList{"compile", writeFile("p.sql", "CREATE PROCEDURE p_word() RETURNING VARCHAR(10);\n"
                                                           "  RETURN 'na\xefve';\nEND PROCEDURE;\n")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(db + QStringList{"sql", "--format", "unload", "select w from words; execute procedure p_word()"});
    EXPECT_EQ(r.out, QStringLiteral("caf\u00e9|\nna\u00efve|\n"));
}

// Drop with the legal names that break SQL pasted from names (DELIMIDENT
// set): the statement names the object alone, and a table named victim
// survives every step. Compile under such names is objectcompile_test.cpp's.
TEST_F(CliTest, DropTouchesTheNamedObjectAlone)
{
    using quodlin::SqlName;
    const QStringList db{"-u", "tester", "-d", "hostile"};
    const auto run = [&db](const QStringList &args) { return cli(db + args, {}, kDelimident); };
    const auto unload = [&run](const QString &select) {
        const CliRun r = run({"sql", "--format", "unload", select});
        return r.exitCode == 0 ? r.out : "failed: " + r.err;
    };
    ASSERT_EQ(cli({"-u", "tester", "createdb", "hostile"}).exitCode, 0);
    ASSERT_EQ(run({"sql", "create table victim (id integer); insert into victim values (7)"}).exitCode, 0);
    for (const quodlin::testing::HostileName &h : quodlin::testing::HostileNames()) {
        SCOPED_TRACE(h.label);
        const QString quoted = SqlName(h.name);
        ASSERT_EQ(run({"sql", "create table " + quoted + " (id integer)"}).exitCode, 0);
        // Every other name is given with its owner.
        const bool withOwner = (&h - &quodlin::testing::HostileNames().first()) % 2 == 1;
        const CliRun r = run(withOwner ? QStringList{"drop", "table", h.name, "--owner", "tester"}
                                       : QStringList{"drop", "table", h.name});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, "DROP TABLE " + (withOwner ? QStringLiteral("tester.") : QString()) + quoted + '\n');
        EXPECT_EQ(unload("select count(*) from systables where tabid >= 100"), "1|\n");
        EXPECT_EQ(unload("select id from victim"), "7|\n");
    }

    // A function is dropped as one, by its parameter types; a name that
    // routines share drops nothing.
    ASSERT_EQ(run({"sql", "create function solo(a integer) returning integer; return a; end function;"
                          "create function twin(a integer) returning integer; return a; end function;"
                          "create function twin(a char(10)) returning integer; return 1; end function"}).exitCode, 0);
    CliRun routine = run({"drop", "procedure", "solo"});
    EXPECT_EQ(routine.out, "DROP FUNCTION solo(INTEGER)\n") << routine.err.toStdString();
    routine = run({"drop", "procedure", "twin"});
    EXPECT_EQ(routine.exitCode, 1);
    EXPECT_TRUE(routine.err.contains("Several routines are named twin")) << routine.err.toStdString();
    EXPECT_EQ(unload("select count(*) from sysprocedures where procname in ('solo', 'twin')"), "2|\n");

    // Without DELIMIDENT such a name cannot be written: a report naming it, exit 1, nothing dropped.
    ASSERT_EQ(run({"sql", "create table \" victim\" (id integer)"}).exitCode, 0);
    const CliRun plain = cli(db + QStringList{"drop", "table", " victim"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_TRUE(plain.err.contains("\" victim\"") && plain.err.contains("DELIMIDENT")) << plain.err.toStdString();
    EXPECT_EQ(unload("select count(*) from systables where tabname = ' victim'"), "1|\n");
}

// compile replaces a procedure in one transaction: killed at any moment after
// "Compiling object..." (printed once the old procedure is dropped), the
// database holds the old text or the new one, never neither.
TEST_F(CliTest, CompileKilledAtAnyMomentKeepsTheProcedure)
{
    const QStringList db{"-u", "tester", "-d", "crash"};
    ASSERT_EQ(cli({"-u", "tester", "createdb", "crash"}).exitCode, 0);
    // A long body, so that creating it takes a while to be killed in.
    QString body;
    for (int i = 0; i < 2000; ++i)
        body += QStringLiteral("  LET x = x + %1;\n").arg(i);
    const auto source = [&](int value) {
        return writeFile(QStringLiteral("p%1.sql").arg(value),
                         QStringLiteral("CREATE PROCEDURE p() RETURNING INTEGER;\n  DEFINE x INTEGER;\n  LET x = 0;\n%1"
                                        "  RETURN %2;\nEND PROCEDURE\n").arg(body).arg(value).toUtf8());
    };
    const auto value = [&db]() {
        const CliRun r = cli(db + QStringList{"sql", "--format", "unload", "execute procedure p()"});
        return r.exitCode == 0 ? r.out.section(QLatin1Char('|'), 0, 0).toInt() : -1;
    };
    ASSERT_EQ(cli(db + QStringList{"compile", source(0)}).exitCode, 0);
    int before = 0;
    int replaced = 0;
    for (int attempt = 1; attempt <= 16; ++attempt) {
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + kProgram,
                QStringList{"--home", s_home->path()} + db + QStringList{"compile", source(attempt)});
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
    const QStringList db{"-u", "tester", "-d", "locked"};
    ASSERT_EQ(cli({"-u", "tester", "createdb", "locked"}).exitCode, 0);
    ASSERT_EQ(cli(db + QStringList{"sql", "create table t (id integer);\n"
                                          "create procedure p() returning integer; return 1; end procedure"})
                  .exitCode,
              0);
    const QString path = writeFile("p2.sql", "CREATE PROCEDURE p() RETURNING INTEGER;\n  RETURN 2;\nEND PROCEDURE\n");
    const auto value = [&db]() {
        const CliRun r = cli(db + QStringList{"sql", "--format", "unload", "execute procedure p()"});
        return r.exitCode == 0 ? r.out : r.err;
    };
    auto holder = quodlin::engine::Session::open(s_home->filePath("databases/locked.db").toStdString(), "other");
    holder->execute("BEGIN WORK");
    holder->execute("insert into t values (1)");
    QElapsedTimer waited;
    waited.start();
    CliRun r = cli(db + QStringList{"compile", path});
    const qint64 ms = waited.elapsed();
    holder->execute("ROLLBACK WORK");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Native Code: -244") && r.err.contains("Native Code: -154")) << r.err.toStdString();
    EXPECT_GE(ms, 4500);  // it waited for the lock, as SET LOCK MODE's default says
    EXPECT_EQ(r.out, "Dropping object...\nObject compiled with errors.\n");
    EXPECT_EQ(value(), "1|\n");

    // A lock given up within the wait: the compile goes on and replaces the procedure.
    holder->execute("BEGIN WORK");
    holder->execute("insert into t values (1)");
    std::thread release([&holder] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        holder->execute("ROLLBACK WORK");
    });
    r = cli(db + QStringList{"compile", path});
    release.join();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(value(), "2|\n");
}

// The bytes of each format are the writer's test: here --format picks the
// writer, --out goes through the file writer, the key line comes from the
// table's index, and UNLOAD and LOAD run as client statements.
TEST_F(CliTest, WritesTheExportFormatsAndRunsUnloadAndLoad)
{
    const QStringList sql{"-d", "fmt", "sql"};
    ASSERT_EQ(cli({"createdb", "fmt"}).exitCode, 0);
    CliRun r = cli(sql, "create table t (id integer, name char(10));\n"
                        "create unique index t_name on t (name, id);\n"
                        "create table t_copy (id integer, name char(10));\n"
                        "insert into t values (1, 'a''b');\n"
                        "insert into t values (2, null)");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString select = QStringLiteral("select * from t order by id");
    for (const auto &[format, start] : {std::pair{"text", "id          name\n"}, {"script", "INSERT INTO t (id,name) \r\n"},
                                        {"sqd", "ZRTSQD1\r\n"}, {"csv", "id,name\r\n1,a'b\r\n"}}) {
        r = cli(sql + QStringList{"--format", format, select});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(start))) << format << r.out.toStdString();
        if (QLatin1String(format) == QLatin1String("sqd")) {
            EXPECT_TRUE(r.out.contains("\r\nPrimaryKey: name,id\r\n")) << r.out.toStdString();
        }
    }
    EXPECT_TRUE(r.out.endsWith("\r\n2,\r\n")) << r.out.toStdString();

    const QString out = s_home->filePath("t.unl");
    r = cli(sql + QStringList{"--format", "unload", "--out", out, select});
    EXPECT_EQ(r.out, QString());
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "1|a'b|\n2||\n");
    // A failing run leaves the file it was to replace alone.
    EXPECT_EQ(cli(sql + QStringList{"--out", out, "select nosuch from t"}).exitCode, 1);
    written.seek(0);
    EXPECT_EQ(written.readAll(), "1|a'b|\n2||\n");

    r = cli(sql + QStringList{QStringLiteral("load from '%1' insert into t_copy; select count(*) from t_copy where name = 'a''b'").arg(out)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "2 row(s) loaded.\n");
    EXPECT_TRUE(r.out.endsWith("\n1\n")) << r.out.toStdString();

    // The key line of a table named in double quotes.
    r = cli(sql + QStringList{"create table \"My \"\"t\"\"\" (k integer, v char(3), primary key (k))"}, {}, kDelimident);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(sql + QStringList{"--format", "sqd", "select * from \"My \"\"t\"\"\""}, {}, kDelimident);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\r\nPrimaryKey: k\r\n")) << r.out.toStdString();
}

// BLOB and CLOB columns beside BYTE and TEXT: CLOB is text in every format,
// BLOB has no SQL literal (the script statement fails on its placeholder
// rather than insert something else), UNLOAD writes it in hex and LOAD
// reads it back byte for byte.
TEST_F(CliTest, LargeObjectColumnsExportAndLoadBack)
{
    const QStringList sql{"-d", "lob", "sql"};
    ASSERT_EQ(cli({"createdb", "lob"}).exitCode, 0);
    const QString picture = writeFile("pic.bin", QByteArray("GIF\0\x01|\\\n\xff", 9));
    CliRun r = cli(sql, "create table pics (id integer, picture blob, notes clob, b byte);\n"
                        "create table back (id integer, picture blob, notes clob, b byte);\n"
                        "insert into pics values (1, filetoblob('" + picture.toUtf8() + "', 'client'), 'it''s|here',"
                        " filetoblob('" + picture.toUtf8() + "', 'client'));\n"
                        "insert into pics (id) values (2)");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString select = QStringLiteral("select * from pics order by id");
    r = cli(sql + QStringList{"--format", "script", select});
    EXPECT_EQ(r.out, "INSERT INTO pics (id,picture,notes,b) \r\n     VALUES (1,(BLOB),'it''s|here',(BYTE));\r\n"
                     "INSERT INTO pics (id,picture,notes,b) \r\n     VALUES (2,NULL,NULL,NULL);\r\n");
    r = cli(sql + QStringList{"--format", "sqd", select});
    EXPECT_TRUE(r.out.contains("\r\n1          , (BLOB)")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("it's|here")) << r.out.toStdString();

    const QString out = s_home->filePath("pics.unl");
    r = cli(sql + QStringList{"--format", "unload", "--out", out, select});
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "1|47494600017c5c0aff|it's\\|here|47494600017c5c0aff|\n2||||\n");
    r = cli(sql + QStringList{QStringLiteral("load from '%1' insert into back;"
                                             " select count(*) from pics p, back k where k.id = p.id and k.picture = p.picture"
                                             " and k.notes = p.notes and k.b = p.b").arg(out)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("\n1\n")) << r.out.toStdString();
}

// A collection's or row's text is as long as its elements make it, whatever
// the column's storage size says.
TEST_F(CliTest, CollectionAndRowValuesShowWhole)
{
    const QStringList sql{"-d", "rows", "sql"};
    ASSERT_EQ(cli({"createdb", "rows"}).exitCode, 0);
    CliRun r = cli(sql, "create table c (s set(integer not null), r row(n varchar(10), a int));\n"
                        "insert into c values (SET{300, 1, 20}, ROW('abcdefghij', 1234567890))");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli(sql + QStringList{"select * from c"});
    EXPECT_TRUE(r.out.contains("SET{1,20,300}")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("ROW('abcdefghij',1234567890)")) << r.out.toStdString();
}

// The round trip of the demo is schemawriter_test.cpp's; here the command
// writes it to --out, picks a table and leaves the grants out.
TEST_F(CliTest, SchemaWritesTheDatabaseOrOneTable)
{
    const QString file = s_home->filePath("demo-schema.sql");
    CliRun r = cli({"-d", "demo", "schema", "--out", file});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), cli({"-d", "demo", "schema"}).out);

    r = cli({"-d", "demo", "schema", "-t", "no_such_table"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no_such_table")) << r.err.toStdString();
    r = cli({"-d", "demo", "schema", "-t", "customer", "--no-grants"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count("create table"), 1);
    EXPECT_FALSE(r.out.contains("grant "));
}

// The demo and a copy changed in ten ways: the differences listed, the
// script makes the copy alike, and a schema file compares like its database.
TEST_F(CliTest, CompareListsTheDemoCopysChangesAndItsScriptMendsThem)
{
    const auto q = [](const char *text) { return QString::fromUtf8(text); };
    const QString schema = s_home->filePath(q("compare-demo.sql"));
    ASSERT_EQ(cli({q("-d"), q("demo"), q("schema"), q("--out"), schema}).exitCode, 0);
    ASSERT_EQ(cli({q("createdb"), q("changed")}).exitCode, 0);
    ASSERT_EQ(cli({q("-d"), q("changed"), q("sql"), q("-f"), schema}).exitCode, 0);
    const QString changes =
        "alter table customer add (mobile char(18));\n"                          // a column added
        "alter table part modify (description varchar(60));\n"                   // a type widened
        "drop index ix_customer_postcode;\n"                                     // an index dropped
        "drop view large_orders;\n"                                              // a view changed
        "create view large_orders as select order_num, company, invoice_total from order_summary "
        "where invoice_total > 5000;\n"
        "drop procedure pd_customer(integer);\n"                                 // a procedure changed
        "create procedure pd_customer(p_num integer) delete from customer where cust_num = p_num + 0; "
        "end procedure;\n"
        "revoke select on order_line from public;\n"                             // a grant revoked
        "rename table audit_log to audit_trail;\n";                              // a table renamed
    CliRun r = cli({q("-d"), q("changed"), q("sql"), changes});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString script = s_home->filePath(q("mend.sql"));
    r = cli({q("-d"), q("demo"), q("compare"), q("--to"), q("changed"), q("--script"), script, q("--drop"),
             q("--ignore-owner")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.out, q("changed: column part: description (type: varchar(60) -> char(30))\n"
                       "missing in target: index customer: ix_customer_postcode\n"
                       "missing in target: table privilege order_line: select to public\n"
                       "missing in target: table audit_log\n"
                       "changed: view large_orders (text)\n"
                       "changed: routine pd_customer(integer) (text)\n"
                       "extra in target: column customer: mobile\n"
                       "extra in target: table audit_trail\n"));
    r = cli({q("-d"), q("changed"), q("sql"), q("-f"), script});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = cli({q("-d"), q("demo"), q("compare"), q("--to"), q("changed")});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
}

struct CompareCase {
    const char *name;
    QStringList args;  // %1: the demo's schema file, %2: a file that does not run, %3: a script file
    int exitCode;
    const char *out;     // all of standard output
    const char *err;     // in standard error
    const char *script;  // in the script written
};

void PrintTo(const CompareCase &c, std::ostream *os) { *os << c.name; }

class CliCompareTest : public CliTest, public ::testing::WithParamInterface<CompareCase> {};

// Exit codes: 0 alike, 1 different, 2 when the comparison cannot run; a
// table on one side alone is a difference, on neither an error.
TEST_P(CliCompareTest, ReportsAndExits)
{
    static bool made = false;
    if (!made) {
        made = cli({"-d", "demo", "schema", "--out", s_home->filePath("compare-demo.sql")}).exitCode == 0 &&
               cli({"createdb", "cmpnone"}).exitCode == 0;
        writeFile("bad.sql", "create tabel t (x integer);\n");
    }
    ASSERT_TRUE(made);
    QStringList args;
    for (const QString &arg : GetParam().args)
        args << QString(arg).replace("%1", s_home->filePath("compare-demo.sql"))
                    .replace("%2", s_home->filePath("bad.sql"))
                    .replace("%3", s_home->filePath("compare-script.sql"));
    QFile::remove(s_home->filePath("compare-script.sql"));
    const CliRun r = cli(args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8(GetParam().out));
    EXPECT_TRUE(r.err.contains(QString(QString::fromUtf8(GetParam().err)).replace("%2", s_home->filePath("bad.sql"))))
        << r.err.toStdString();
    QFile script(s_home->filePath("compare-script.sql"));
    if (*GetParam().script) {
        ASSERT_TRUE(script.open(QIODevice::ReadOnly));
        EXPECT_TRUE(script.readAll().contains(GetParam().script));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliCompareTest,
    ::testing::Values(
        CompareCase{"SchemaFileAlike", {"-d", "demo", "compare", "--to-file", "%1"}, 0, "", "", ""},
        CompareCase{"TableMissingInTarget",
                    {"-d", "demo", "compare", "-t", "audit_log", "--to", "cmpnone", "--ignore-owner", "--script", "%3"},
                    1, "missing in target: table audit_log\n", "", "create table audit_log"},
        CompareCase{"TableOnlyInTarget",
                    {"-d", "cmpnone", "compare", "-t", "audit_log", "--to", "demo", "--ignore-owner", "--script", "%3", "--drop"},
                    1, "extra in target: table audit_log\n", "", "drop table audit_log"},
        CompareCase{"TableInNeither", {"-d", "demo", "compare", "-t", "no_such_table", "--to", "cmpnone"}, 2, "",
                    "No table named no_such_table", ""},
        CompareCase{"FileThatFails", {"-d", "demo", "compare", "--to-file", "%2"}, 2, "", "%2", ""},
        CompareCase{"UnknownAlias", {"-d", "demo", "compare", "--to", "no_such_alias"}, 2, "", "no_such_alias", ""},
        CompareCase{"NoTarget", {"-d", "demo", "compare"}, 2, "", "usage: quodlin-cli", ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct UsageCase {
    const char *name;
    QStringList args;
};

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, ExitsWithTwo)
{
    const CliRun r = cli(GetParam().args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("usage: quodlin-cli")) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageTest,
    ::testing::Values(UsageCase{"NoCommand", {}}, UsageCase{"UnknownCommand", {"frobnicate"}},
                      UsageCase{"UnknownOption", {"-x", "aliases"}}, UsageCase{"MissingValue", {"aliases", "-u"}},
                      UsageCase{"SqlWithoutDatabase", {"sql", "select 1 from systables"}},
                      UsageCase{"AliasAndServer", {"-d", "demo", "-s", "local", "-D", "demo", "sql", "select 1 from systables"}},
                      UsageCase{"CreateDbWithoutName", {"createdb"}},
                      UsageCase{"OptionTwice", {"-d", "a", "-d", "b", "tree"}},
                      UsageCase{"TreeWithoutDatabase", {"tree"}},
                      UsageCase{"InvalidDatabaseName", {"createdb", "../x"}},
                      UsageCase{"CompileWithoutFile", {"-d", "cat", "compile"}},
                      UsageCase{"DropUnknownKind", {"-d", "cat", "drop", "index", "i1"}},
                      UsageCase{"DropWithoutDatabase", {"drop", "table", "t"}},
                      UsageCase{"SchemaWithArgument", {"-d", "demo", "schema", "x"}},
                      UsageCase{"HistoryCountNotANumber", {"history", "-n", "x"}},
                      UsageCase{"UnknownFormat", {"-d", "cat", "sql", "--format", "xml", "select 1 from systables"}}),
    [](const auto &info) { return std::string(info.param.name); });

#ifndef _WIN32

struct DeviceCase {
    const char *name;
    QStringList args;  // after "-d fmt2"; %1 is the device
};

class CliDeviceTest : public CliTest, public ::testing::WithParamInterface<DeviceCase> {};

// Each path that writes a file goes through the file writer: a device is
// written where it is, and its failure names it and the system's reason.
TEST_P(CliDeviceTest, FullDeviceNamesTheFileAndTheReason)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    static bool made = false;
    if (!made) {
        made = cli({"createdb", "fmt2"}).exitCode == 0;
        cli({"-d", "fmt2", "sql", "create table t (id integer); insert into t values (1)"});
    }
    QStringList args{"-d", "fmt2"};
    for (const QString &arg : GetParam().args)
        args << QString(arg).replace("%1", "/dev/full");
    const CliRun r = cli(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot write /dev/full: No space left on device")) << r.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

INSTANTIATE_TEST_SUITE_P(Writers, CliDeviceTest,
                         ::testing::Values(DeviceCase{"sql_out", {"sql", "--out", "%1", "select * from t"}},
                                           DeviceCase{"unload_to", {"sql", "unload to '%1' select * from t"}},
                                           DeviceCase{"schema_out", {"schema", "--out", "%1"}}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CliTest, OutToAFifoWritesThroughIt)
{
    const QString fifo = s_home->filePath("rows.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Open without waiting for a writer; the rows wait in the pipe's buffer.
    QFile in;
    ASSERT_TRUE(in.open(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK), QIODevice::ReadOnly,
                        QFileDevice::AutoCloseHandle));
    const CliRun r = cli({"-d", "cat", "sql", "--format", "unload", "--out", fifo,
                          "select tabname from systables where tabid = 1"});
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
    const QString program = QCoreApplication::applicationDirPath() + kProgram;
    const auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(program, QStringList{"--home", home.path()} + args);
        p.waitForFinished(300000);
        return CliRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    };
    const QString counts = QStringLiteral(
        "select count(*) from systables; select count(*) from sysprocedures; select count(*) from systriggers; "
        "select count(*) from order_line; select count(*) from audit_log");
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(run({"createdb", "whole", "--demo"}).exitCode, 0);
    const qint64 duration = timer.elapsed();
    const CliRun whole = run({"-d", "whole", "sql", counts});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();

    const QDir databases(home.filePath(QStringLiteral("databases")));
    constexpr int kKills = 6;
    for (int i = 0; i < kKills; ++i) {
        const QString name = QStringLiteral("killed%1").arg(i);
        QProcess p;
        p.start(program, {"--home", home.path(), "createdb", name, "--demo"});
        ASSERT_TRUE(p.waitForStarted());
        // From at once to after the run would have ended.
        const qint64 delay = duration * i * 6 / (5 * (kKills - 1));
        p.waitForFinished(int(delay) + 1);
        p.kill();
        p.waitForFinished();
        const bool alias = run({"aliases"}).out.split(QLatin1Char('\n')).contains(name);
        const bool database = databases.exists(name + QStringLiteral(".db"));
        SCOPED_TRACE(QStringLiteral("%1 killed after %2 ms: alias %3, database %4")
                         .arg(name).arg(delay).arg(alias).arg(database).toStdString());
        EXPECT_TRUE(database || !alias);
        if (!database) {
            const CliRun again = run({"createdb", name, "--demo"});
            EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        }
        // A database there is whole, whichever run made it (reached without
        // the alias, which a kill just after the rename has not written yet).
        const CliRun now = run({"-s", "local", "-D", name, "sql", counts});
        EXPECT_EQ(now.out, whole.out) << now.err.toStdString();
        EXPECT_EQ(databases.entryList({name + QStringLiteral(".db*")}, QDir::Files | QDir::Hidden).size(), 1)
            << databases.entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' ')).toStdString();
    }
}

#endif

} // namespace
