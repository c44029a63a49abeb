// Outside programs: command lines, waiting, temporary files, path and field
// helpers, the external editor round trip and the message boxes.
#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/settingdefs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include "recordingdialogs.h"

using namespace quodlin;

// These cases use /bin/sh, '/' paths and the non-Windows command splitting.
#ifdef Q_OS_WIN
#define SKIP_ON_WINDOWS() GTEST_SKIP() << "POSIX case"
#else
#define SKIP_ON_WINDOWS() (void)0
#endif

namespace {

// A private QUODLIN_HOME and TMPDIR per test.
class ExternalPrograms : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("QUODLIN_HOME");
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("QUODLIN_HOME", m_home.path().toLocal8Bit());
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("QUODLIN_HOME", m_oldHome);
        m_oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", m_oldTmp);
    }
    QStringList tmpEntries() const { return QDir(m_tmp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    QString writeScript(const QString &name, const QByteArray &body)
    {
        const QString path = m_home.path() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(body);
        return path;
    }

    QTemporaryDir m_home;
    QTemporaryDir m_tmp;
    QByteArray m_oldHome;
    QByteArray m_oldTmp;
    ScopedDialogs m_dialogs;
};

} // namespace

TEST_F(ExternalPrograms, CommandLineQuotesAProgramPathWithBlanks)
{
    SKIP_ON_WINDOWS();
    const QString folder = m_home.path() + QStringLiteral("/My Editor");
    QDir().mkpath(folder);
    const QString program = folder + QStringLiteral("/ed it");
    QFile(program).open(QIODevice::WriteOnly);
    EXPECT_EQ(BuildCommandLine(program, QStringLiteral("a.sql")), QLatin1Char('"') + program + QStringLiteral("\" a.sql"));
    EXPECT_EQ(SplitCommandLine(BuildCommandLine(program, QStringLiteral("a.sql"))),
              (QStringList{program, QStringLiteral("a.sql")}));
}

struct CommandLineRow {
    const char *name;
    const char *program;
    const char *parameters;
    const char *line;
};

class CommandLines : public ::testing::TestWithParam<CommandLineRow> {};

TEST_P(CommandLines, Build)
{
    SKIP_ON_WINDOWS();
    const auto &row = GetParam();
    EXPECT_EQ(BuildCommandLine(QString::fromUtf8(row.program), QString::fromUtf8(row.parameters)),
              QString::fromUtf8(row.line));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLines,
    ::testing::Values(
        CommandLineRow{"AlreadyQuotedUnchanged", "\"C:\\Program Files\\Powersoft\\S-Designor 5\\SDDA50.EXE\"", "",
                       "\"C:\\Program Files\\Powersoft\\S-Designor 5\\SDDA50.EXE\""},
        CommandLineRow{"BareProgram", "notepad.exe", "C:\\TEMP\\TMP1.SQL", "notepad.exe C:\\TEMP\\TMP1.SQL"},
        CommandLineRow{"BlanksAndControlsTrimmed", "  vi\t", " x.sql \r\n", "vi  x.sql"},
        CommandLineRow{"CommandWithArguments", "gedit --wait", "/tmp/a.sql", "gedit --wait /tmp/a.sql"},
        CommandLineRow{"NoParameters", "SETNET32.EXE", "", "SETNET32.EXE"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SplitCommandLine, HonoursDoubleQuotes)
{
    EXPECT_EQ(SplitCommandLine(QStringLiteral("\"/opt/a b/ed\" -x \"y z\" w")),
              (QStringList{QStringLiteral("/opt/a b/ed"), QStringLiteral("-x"), QStringLiteral("y z"),
                           QStringLiteral("w")}));
}

TEST_F(ExternalPrograms, RunProgramAndWaitKeepsEventsFlowing)
{
    SKIP_ON_WINDOWS();
    bool timerRan = false;
    QTimer::singleShot(50, [&] { timerRan = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunProgramAndWait(QStringLiteral("/bin/sh"), QStringLiteral("-c \"sleep 0.3\""), QString()), 0);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_TRUE(timerRan);
}

TEST_F(ExternalPrograms, RunProgramAndWaitUsesTheWorkingFolder)
{
    SKIP_ON_WINDOWS();
    EXPECT_EQ(RunProgramAndWait(QStringLiteral("/bin/sh"), QStringLiteral("-c \"pwd > here.txt\""), m_tmp.path()), 0);
    QFile f(m_tmp.path() + QStringLiteral("/here.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(f.readAll()).trimmed()).canonicalFilePath(),
              QFileInfo(m_tmp.path()).canonicalFilePath());
}

TEST_F(ExternalPrograms, MissingProgramGivesANonZeroResult)
{
    EXPECT_EQ(RunProgramAndWait(QStringLiteral("no-such-program-quodlin"), QString(), QString()), 2);
    EXPECT_EQ(RunProgram(QStringLiteral("no-such-program-quodlin"), QStringLiteral("x"), QString()), 2);
    EXPECT_NE(RunProgram(QString(), QString(), QString()), 0);
}

TEST_F(ExternalPrograms, QuitWhileWaitingEndsTheWait)
{
    SKIP_ON_WINDOWS();
    qint64 waited = -1;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, [] { QCoreApplication::exit(7); });
        QElapsedTimer clock;
        clock.start();
        RunProgramAndWait(QStringLiteral("/bin/sh"), QStringLiteral("-c \"sleep 2\""), QString());
        waited = clock.elapsed();
    });
    EXPECT_EQ(QCoreApplication::exec(), 7);
    EXPECT_GE(waited, 0);
    EXPECT_LT(waited, 1500);
}

TEST_F(ExternalPrograms, TempFileNameTakesTheExtensionFolderAndPrefix)
{
    const QString sql = MakeTempFileName(QString(), QString(), QStringLiteral("SQL"));
    EXPECT_TRUE(sql.endsWith(QStringLiteral(".SQL"))) << sql.toStdString();
    EXPECT_TRUE(QFileInfo(sql).fileName().startsWith(QStringLiteral("TMP")));
    EXPECT_EQ(QFileInfo(sql).absolutePath(), QFileInfo(m_tmp.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(sql));
    EXPECT_EQ(QFileInfo(sql).size(), 0);

    const QString tmp = MakeTempFileName(QString(), QString(), QStringLiteral("tmp"));
    EXPECT_TRUE(tmp.endsWith(QStringLiteral(".TMP"))) << tmp.toStdString();
    EXPECT_TRUE(MakeTempFileName(QString(), QString(), QString()).endsWith(QStringLiteral(".TMP")));
    EXPECT_EQ(tmpEntries().size(), 3);
    EXPECT_NE(sql, MakeTempFileName(QString(), QString(), QStringLiteral("SQL")));

    // A folder of its own is made; the prefix is used.
    const QString folder = m_home.path() + QStringLiteral("/a/b");
    const QString name = MakeTempFileName(folder, QStringLiteral("QRY"), QStringLiteral("out"));
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith(QStringLiteral("QRY")));
    EXPECT_TRUE(name.endsWith(QStringLiteral(".out")));
    EXPECT_TRUE(QFileInfo::exists(name));
}

struct JoinRow {
    const char *name;
    const char *folder;
    const char *file;
    const char *joined;
};

class JoinPaths : public ::testing::TestWithParam<JoinRow> {};

TEST_P(JoinPaths, Join)
{
    SKIP_ON_WINDOWS();
    const auto &row = GetParam();
    EXPECT_EQ(JoinPath(QString::fromUtf8(row.folder), QString::fromUtf8(row.file)), QString::fromUtf8(row.joined));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JoinPaths,
    ::testing::Values(JoinRow{"Plain", "/opt/bde", "BDEADMIN.EXE", "/opt/bde/BDEADMIN.EXE"},
                      JoinRow{"TrailingSlash", "/opt/bde/", "BDEADMIN.EXE", "/opt/bde/BDEADMIN.EXE"},
                      JoinRow{"TrailingBackslash", "C:\\BDE\\", "BDEADMIN.EXE", "C:\\BDE\\BDEADMIN.EXE"},
                      JoinRow{"NameWithLeadingSeparator", "/opt/bde", "/x.exe", "/opt/bde/x.exe"},
                      JoinRow{"FolderTrimmed", " /opt/bde ", "x", "/opt/bde/x"},
                      JoinRow{"EmptyFolder", "", "BDECFG32.EXE", "BDECFG32.EXE"},
                      JoinRow{"EmptyName", "/opt", "", "/opt"}),
    [](const auto &info) { return std::string(info.param.name); });

struct FieldRow {
    const char *name;
    int n;
    const char *text;
    const char *field;
};

class DelimitedFields : public ::testing::TestWithParam<FieldRow> {};

TEST_P(DelimitedFields, Extract)
{
    const auto &row = GetParam();
    EXPECT_EQ(ExtractDelimitedField(row.n, QString::fromUtf8(row.text), QStringLiteral(";"), QLatin1Char('"')),
              QString::fromUtf8(row.field));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DelimitedFields,
    ::testing::Values(FieldRow{"QuotedFirst", 1, "\"C:\\Program Files\\BDE\";D:\\X", "C:\\Program Files\\BDE"},
                      FieldRow{"Second", 2, "\"C:\\Program Files\\BDE\";D:\\X", "D:\\X"},
                      FieldRow{"BeyondLast", 3, "\"C:\\Program Files\\BDE\";D:\\X", ""},
                      FieldRow{"DelimiterInsideQuotes", 1, "\"a;b\";c", "a;b"},
                      FieldRow{"EmptyBetweenDelimiters", 2, "a;;c", ""},
                      FieldRow{"AfterEmpty", 3, "a;;c", "c"},
                      FieldRow{"Trimmed", 2, "a;  b  ", "b"},
                      FieldRow{"LoneQuoteKept", 1, "\"", "\""},
                      FieldRow{"EmptyText", 1, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExternalPrograms, ForceDeleteFileAndForceFolders)
{
    const QString path = m_tmp.path() + QStringLiteral("/ro.txt");
    QFile(path).open(QIODevice::WriteOnly);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_TRUE(ForceDeleteFile(path));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(ForceDeleteFile(path));

    const QString deep = m_tmp.path() + QStringLiteral("/one/two/three");
    EXPECT_TRUE(ForceFolders(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(ForceFolders(deep));
    EXPECT_FALSE(ForceFolders(QString()));
}

TEST_F(ExternalPrograms, ExternalEditWithAnUnstartableEditorKeepsTheText)
{
    QString text = QStringLiteral("select *\nfrom systables");
    QString error;
    EXPECT_TRUE(ExternalEditText(text, QStringLiteral("no-such-editor-quodlin"), &error));
    EXPECT_EQ(text, QStringLiteral("select *\nfrom systables"));
    EXPECT_EQ(error, QString());
    EXPECT_EQ(tmpEntries(), QStringList());
}

TEST_F(ExternalPrograms, ExternalEditReadsBackWhatTheEditorSaved)
{
    SKIP_ON_WINDOWS();
    const QString seen = m_home.path() + QStringLiteral("/seen.txt");
    const QString script = writeScript(QStringLiteral("editor.sh"),
                                       "case \"$1\" in *.SQL) ;; *) exit 1;; esac\n"
                                       "cat \"$1\" > '" + seen.toLocal8Bit() + "'\n"
                                       "printf 'select 1\\nfrom t\\n\\n' > \"$1\"\n");
    QString text = QStringLiteral("old\ntext");
    EXPECT_TRUE(ExternalEditText(text, QStringLiteral("/bin/sh ") + script));
    EXPECT_EQ(text, QStringLiteral("select 1\nfrom t\n"));
    QFile f(seen);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old\ntext\n"));
    EXPECT_EQ(tmpEntries(), QStringList());
}

TEST_F(ExternalPrograms, MessageBoxesHaveTheirCaptionsAndNoOwner)
{
    ShowMessageBox(QStringLiteral("hello"));
    ShowErrorBox(QStringLiteral("bad"));
    ASSERT_EQ(m_dialogs->shown.size(), 2u);
    EXPECT_EQ(m_dialogs->shown[0].caption, QStringLiteral("Message"));
    EXPECT_EQ(m_dialogs->shown[0].text, QStringLiteral("hello"));
    EXPECT_EQ(m_dialogs->shown[1].caption, QStringLiteral("Error"));
    for (const auto &s : m_dialogs->shown) {
        EXPECT_EQ(s.icon, MessageIcon::Information);
        EXPECT_EQ(s.owner, nullptr);
    }
}

TEST_F(ExternalPrograms, ExplainViewerNeedsTheFlagAndAFile)
{
    ViewExplainOutput(false, QString(), QString());
    EXPECT_TRUE(m_dialogs->shown.empty());
    ViewExplainOutput(true, QString(), QStringLiteral("viewer"));
    ASSERT_EQ(m_dialogs->shown.size(), 1u);
    EXPECT_EQ(m_dialogs->shown[0].text,
              QStringLiteral("Explain file not specified. See Connection tab in File|Options menu."));
}

TEST_F(ExternalPrograms, ExplainViewerFallsBackToTheEditorSetting)
{
    SKIP_ON_WINDOWS();
    const QString seen = m_home.path() + QStringLiteral("/viewed.txt");
    const QString script = writeScript(QStringLiteral("viewer.sh"), "echo \"$1\" > '" + seen.toLocal8Bit() + "'\n");
    Settings::write(Settings::Editor, QStringLiteral("/bin/sh ") + script);
    ViewExplainOutput(true, QStringLiteral("/tmp/sqexpln.out"), QString());
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(seen) && clock.elapsed() < 5000)
        QThread::msleep(20);
    QThread::msleep(50);
    QFile f(seen);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("/tmp/sqexpln.out\n"));
    EXPECT_TRUE(m_dialogs->shown.empty());
}

TEST_F(ExternalPrograms, NothingToStartIsNotStarted)
{
    Settings::write(Settings::InformixHelpFile, QString());
    EXPECT_EQ(StartInformixHelp(), -1);
    EXPECT_EQ(StartSchemaEditor(QStringLiteral("  ")), -1);
}

TEST_F(ExternalPrograms, DatabaseToolUsesTheInstalledLauncher)
{
    EXPECT_EQ(LocateDatabaseTool(), QStringLiteral("BDECFG32.EXE")); // no DLLPATH outside the registry
    std::vector<bool> calls;
    SetDatabaseToolLauncher([&](bool wait) { calls.push_back(wait); });
    EXPECT_TRUE(StartDatabaseTool(true));
    EXPECT_TRUE(StartDatabaseTool(false));
    SetDatabaseToolLauncher({});
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST_F(ExternalPrograms, EnvironmentChoosesEditorAndSqlhosts)
{
    SKIP_ON_WINDOWS();
    const QByteArray visual = qgetenv("VISUAL");
    qputenv("VISUAL", "myedit --block");
    EXPECT_EQ(DefaultEditorCommand(), QStringLiteral("myedit --block"));
    EXPECT_EQ(Settings::read(Settings::Editor), QStringLiteral("myedit --block"));
    visual.isNull() ? qunsetenv("VISUAL") : qputenv("VISUAL", visual);

    const QByteArray hosts = qgetenv("INFORMIXSQLHOSTS");
    const QByteArray dir = qgetenv("INFORMIXDIR");
    qunsetenv("INFORMIXSQLHOSTS");
    qputenv("INFORMIXDIR", "/opt/informix");
    EXPECT_EQ(SqlHostsFile(), QStringLiteral("/opt/informix/etc/sqlhosts"));
    qputenv("INFORMIXSQLHOSTS", "/etc/my_sqlhosts");
    EXPECT_EQ(SqlHostsFile(), QStringLiteral("/etc/my_sqlhosts"));
    hosts.isNull() ? qunsetenv("INFORMIXSQLHOSTS") : qputenv("INFORMIXSQLHOSTS", hosts);
    dir.isNull() ? qunsetenv("INFORMIXDIR") : qputenv("INFORMIXDIR", dir);
}

TEST(LoginUserName, IsKnown)
{
    EXPECT_FALSE(GetLoginUserName().isEmpty());
}
