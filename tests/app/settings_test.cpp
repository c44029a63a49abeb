// The settings store over its INI file: addressing, types, listing, deletion,
// key-name escaping, concurrent writers and file permissions.
#include "app/settingdefs.h"
#include "app/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

using namespace quodlin;

namespace {

// Every test gets its own empty QUODLIN_HOME.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("QUODLIN_HOME");
        ASSERT_TRUE(m_home.isValid());
        qputenv("QUODLIN_HOME", m_home.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("QUODLIN_HOME", m_oldHome); }

    QString file() const { return m_home.path() + QStringLiteral("/Quodlin.conf"); }
    QStringList list(const QString &keyPath) const
    {
        QStringList names{QStringLiteral("stale")};
        ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, keyPath), names);
        return names;
    }

    QTemporaryDir m_home;
    QByteArray m_oldHome;
};

const QString kMemo = kMemorizedQueriesKey;

} // namespace

TEST_F(SettingsStore, FreshStoreReadsDefaultsAndCreatesNothing)
{
    EXPECT_EQ(ReadMainString(QStringLiteral("DB Alias"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    EXPECT_EQ(ReadMainInteger(QStringLiteral("MainForm Width"), 640), 640);
    EXPECT_TRUE(ReadMainBool(QStringLiteral("Toolbar Captions"), true));
    EXPECT_EQ(list(kMemo), QStringList());
    EXPECT_FALSE(TWinRegistry(SettingsRoot::CurrentUser, kQuodlinKey).keyExists());
    EXPECT_EQ(QDir(m_home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    EXPECT_EQ(Settings::read(Settings::MainFormHeight), 480);
    EXPECT_EQ(Settings::read(Settings::Initials), QStringLiteral("kmt"));
    EXPECT_EQ(Settings::read(Settings::DisplayOwnerFormat), 1);

    WriteMainInteger(QStringLiteral("MainForm Top"), 12);
    EXPECT_TRUE(QFileInfo::exists(file()));
    EXPECT_TRUE(TWinRegistry(SettingsRoot::CurrentUser, kQuodlinKey).keyExists());
    EXPECT_EQ(ReadMainInteger(QStringLiteral("MainForm Top"), 0), 12);
}

TEST_F(SettingsStore, MainSectionIsTheFileRootAndSectionsAreGroups)
{
    WriteMainBool(QStringLiteral("Auto Connect"), true);
    WriteSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, QStringLiteral("View"),
                       QStringLiteral("v"));
    WriteSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, QStringLiteral("srv\\db"),
                       QStringLiteral("Login User"), QStringLiteral("joe"));
    QSettings ini(file(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Auto Connect")).toInt(), 1);
    EXPECT_EQ(ini.value(QStringLiteral("Templates/View")).toString(), QStringLiteral("v"));
    EXPECT_EQ(ini.value(QStringLiteral("DB Aliases/srv/db/Login User")).toString(), QStringLiteral("joe"));
}

TEST_F(SettingsStore, DirectConnectionNestsUnderAnAliasOfTheServerName)
{
    Settings::writeConnection(QStringLiteral("srv"), Settings::ConnLoginUser, QStringLiteral("alias user"));
    Settings::writeConnection(QStringLiteral("srv\\db"), Settings::ConnLoginUser, QStringLiteral("direct user"));
    Settings::writeConnection(QStringLiteral("other"), Settings::ConnLoginUser, QStringLiteral("x"));

    EXPECT_EQ(list(kDbAliasesKey), (QStringList{QStringLiteral("other"), QStringLiteral("srv")}));
    EXPECT_EQ(list(kDbAliasesKey + QStringLiteral("srv")), QStringList{QStringLiteral("db")});
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv"), Settings::ConnLoginUser), QStringLiteral("alias user"));
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv\\db"), Settings::ConnLoginUser),
              QStringLiteral("direct user"));
}

TEST_F(SettingsStore, TypesRoundTripAndBooleansAreAnyNonZero)
{
    const QString text = QStringLiteral("line 1\r\nline 2, with comma; and = sign\r\n\"quoted\"\r\n@at\r\n");
    WriteMainString(QStringLiteral("Last"), text);
    EXPECT_EQ(ReadMainString(QStringLiteral("Last"), QString()), text);

    WriteMainInteger(QStringLiteral("Neg"), -2147483647 - 1);
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Neg"), 0), -2147483647 - 1);

    WriteMainBool(QStringLiteral("Flag"), true);
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Flag"), 5), 1);
    WriteMainBool(QStringLiteral("Flag"), false);
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Flag"), 5), 0);
    EXPECT_FALSE(ReadMainBool(QStringLiteral("Flag"), true));
    WriteMainInteger(QStringLiteral("Flag"), 7);
    EXPECT_TRUE(ReadMainBool(QStringLiteral("Flag"), false));
    WriteMainInteger(QStringLiteral("Flag"), -1);
    EXPECT_TRUE(ReadMainBool(QStringLiteral("Flag"), false));
}

TEST_F(SettingsStore, WrongTypeRaisesTheRegistryMessage)
{
    WriteMainString(QStringLiteral("MainForm Width"), QStringLiteral("wide"));
    try {
        ReadMainInteger(QStringLiteral("MainForm Width"), 640);
        FAIL() << "no error";
    } catch (const SettingsError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid data type for 'MainForm Width'"));
    }
    EXPECT_THROW(ReadMainBool(QStringLiteral("MainForm Width"), true), SettingsError);
    // Reading a number as text is lenient.
    WriteMainInteger(QStringLiteral("Number"), 42);
    EXPECT_EQ(ReadMainString(QStringLiteral("Number"), QString()), QStringLiteral("42"));
}

TEST_F(SettingsStore, LocalMachineIsAnEmptyReadOnlyStore)
{
    EXPECT_EQ(ReadSettingString(SettingsRoot::LocalMachine, kBorlandKey, kDatabaseEngineSection,
                                QStringLiteral("DLLPATH"), QStringLiteral("none")),
              QStringLiteral("none"));
    try {
        WriteSettingString(SettingsRoot::LocalMachine, kBorlandKey, kDatabaseEngineSection,
                           QStringLiteral("DLLPATH"), QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const SettingsError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Failed to create key SOFTWARE\\Borland\\Database Engine"));
    }
}

TEST_F(SettingsStore, UnwritableStoreRaisesFailedToSetData)
{
    ASSERT_TRUE(QDir().mkpath(file())); // a folder where the file should be
    try {
        WriteMainInteger(QStringLiteral("MainForm Top"), 1);
        FAIL() << "no error";
    } catch (const SettingsError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Failed to set data for 'MainForm Top'"));
    }
}

// Subkey names with the characters the INI file and QSettings treat specially.
class SettingsKeyNames : public SettingsStore, public ::testing::WithParamInterface<const char *> {};

TEST_P(SettingsKeyNames, QuotedNameRoundTripsThroughListing)
{
    const QString name = QString::fromUtf8(GetParam());
    const QString quoted = QuoteSettingKeyName(name);
    WriteSettingString(SettingsRoot::CurrentUser, kMemo, quoted, QStringLiteral("SQL"), QStringLiteral("select 1"));
    const QStringList names = list(kMemo);
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(UnquoteSettingKeyName(names.first()), name);
    EXPECT_EQ(ReadSettingString(SettingsRoot::CurrentUser, kMemo, names.first(), QStringLiteral("SQL"), QString()),
              QStringLiteral("select 1"));
    EXPECT_TRUE(DeleteSettingKey(TWinRegistry(SettingsRoot::CurrentUser, kMemo), names.first()));
    EXPECT_EQ(list(kMemo), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Special, SettingsKeyNames,
                         ::testing::Values("a/b", "a\\b", "100%", "%2F", "x=y", "a;b", "#hash", "[br]acket]",
                                           "two  blanks", " lead and trail ", "Grüße ☃", "@start", "General",
                                           "a,b", "\"q\"", "mixed /\\%=;#[] all"));

TEST_F(SettingsStore, SlashAndPercentRoundTripWithoutQuoting)
{
    for (const QString &name : {QStringLiteral("a/b"), QStringLiteral("50%"), QStringLiteral("x%2Fy")})
        WriteSettingString(SettingsRoot::CurrentUser, kMemo, name, QStringLiteral("SQL"), name);
    EXPECT_EQ(list(kMemo), (QStringList{QStringLiteral("50%"), QStringLiteral("a/b"), QStringLiteral("x%2Fy")}));
    EXPECT_EQ(ReadSettingString(SettingsRoot::CurrentUser, kMemo, QStringLiteral("a/b"), QStringLiteral("SQL"),
                                QString()),
              QStringLiteral("a/b"));
}

TEST_F(SettingsStore, ListingIsInRegistryOrderIgnoringCase)
{
    for (const char *name : {"beta", "Alpha", "gamma", "alpha2", "Beta1"})
        WriteSettingString(SettingsRoot::CurrentUser, kMemo, QString::fromUtf8(name), QStringLiteral("SQL"),
                           QStringLiteral("x"));
    EXPECT_EQ(list(kMemo), (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha2"), QStringLiteral("beta"),
                                        QStringLiteral("Beta1"), QStringLiteral("gamma")}));
    EXPECT_EQ(list(kMemo + QStringLiteral("\\nothing")), QStringList());
}

TEST_F(SettingsStore, DeleteRemovesTheWholeSubtreeOnly)
{
    Settings::writeConnection(QStringLiteral("srv"), Settings::ConnLoginUser, QStringLiteral("a"));
    Settings::writeConnection(QStringLiteral("srv\\db"), Settings::ConnLoginUser, QStringLiteral("b"));
    Settings::writeConnection(QStringLiteral("srv2"), Settings::ConnLoginUser, QStringLiteral("c"));
    WriteMainInteger(QStringLiteral("Keep"), 3);

    const TWinRegistry aliases(SettingsRoot::CurrentUser, kDbAliasesKey);
    EXPECT_TRUE(DeleteSettingKey(aliases, QStringLiteral("srv")));
    EXPECT_FALSE(DeleteSettingKey(aliases, QStringLiteral("srv")));
    EXPECT_EQ(list(kDbAliasesKey), QStringList{QStringLiteral("srv2")});
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv\\db"), Settings::ConnLoginUser), QString());
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Keep"), 0), 3);
}

TEST_F(SettingsStore, OtherWritersValuesSurviveOurWrite)
{
    WriteMainInteger(QStringLiteral("Mine"), 1);
    // Another copy of the program rewrites the file meanwhile.
    QThread::msleep(20);
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::Append | QIODevice::Text));
        f.write("[Templates]\nView=theirs\n");
    }
    WriteMainInteger(QStringLiteral("Mine"), 2);
    EXPECT_EQ(ReadSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, QStringLiteral("View"),
                                QString()),
              QStringLiteral("theirs"));
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Mine"), 0), 2);

    // Two writers on the same value: the last to write wins.
    QSettings first(file(), QSettings::IniFormat);
    QSettings second(file(), QSettings::IniFormat);
    first.setValue(QStringLiteral("Mine"), 10);
    second.setValue(QStringLiteral("Other"), 20);
    first.sync();
    second.setValue(QStringLiteral("Mine"), 30);
    second.sync();
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Mine"), 0), 30);
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Other"), 0), 20);
}

TEST_F(SettingsStore, FileIsPrivateToItsOwner)
{
    const auto otherBits = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    WriteMainString(QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_EQ(QFile::permissions(file()) & otherBits, QFileDevice::Permissions());
    EXPECT_TRUE(QFile::permissions(file()) & QFileDevice::WriteOwner);
    WriteMainString(QStringLiteral("B"), QStringLiteral("2")); // a rewrite keeps the mode
    EXPECT_EQ(QFile::permissions(file()) & otherBits, QFileDevice::Permissions());
}

TEST_F(SettingsStore, FoldersFollowQuodlinHome)
{
    EXPECT_EQ(SettingsFilePath(), file());
    EXPECT_EQ(DataFolder(), m_home.path() + QStringLiteral("/databases"));
    EXPECT_EQ(DefaultExplainFile(QStringLiteral("joe")), m_home.path() + QStringLiteral("/databases/explain/joe.out"));
    // A user name never leads out of the explain folder.
    EXPECT_EQ(ExplainFileIn("/d", "../../etc/x"), QStringLiteral("/d/explain/_.._.._etc_x.out"));
    EXPECT_EQ(ExplainFileIn("/d", ".hidden"), QStringLiteral("/d/explain/_.hidden.out"));
    EXPECT_EQ(ExplainFileIn("/d", "dom\\joe smith"), QStringLiteral("/d/explain/dom_joe_smith.out"));
    EXPECT_EQ(ExplainFileIn("/d", QString()), QStringLiteral("/d/explain/_.out"));
}
