// The login dialog: both modes, what OK saves, and what the next dialog remembers.
#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "db/aliasconfig.h"
#include "app/programinfo.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "db/scramble.h"
#include "db/ui/dblogin.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QScreen>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

#include "combopick.h"
#include "recordingdialogs.h"

using namespace quodlin;

namespace {

class LoginDialogTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(SettingsFilePath()); }
    void TearDown() override { QFile::remove(SettingsFilePath()); }

    template <class W> static W *child(TfrmDbLogin &d, const char *name)
    {
        W *w = d.findChild<W *>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    static void setText(TfrmDbLogin &d, const char *name, const QString &text)
    {
        if (auto *combo = d.findChild<QComboBox *>(QLatin1String(name)))
            combo->setEditText(text);
        else
            child<QLineEdit>(d, name)->setText(text);
    }
    static QString text(TfrmDbLogin &d, const char *name)
    {
        if (auto *combo = d.findChild<QComboBox *>(QLatin1String(name)))
            return combo->currentText();
        return child<QLineEdit>(d, name)->text();
    }
    static void click(TfrmDbLogin &d, const char *name) { child<QPushButton>(d, name)->click(); }
    static QStringList items(TfrmDbLogin &d, const char *name)
    {
        QStringList list;
        auto *combo = child<QComboBox>(d, name);
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    }
};

TEST_F(LoginDialogTest, FreshDialogOffersTheDemoAliasInAliasMode)
{
    TfrmDbLogin d;
    EXPECT_EQ(d.windowTitle(), kProgramTitle);
    EXPECT_FALSE(d.directMode());
    EXPECT_EQ(text(d, "cboDbName"), QStringLiteral("demo"));
    EXPECT_EQ(text(d, "editDbUser"), GetLoginUserName());
    EXPECT_EQ(text(d, "editDDbUser"), GetLoginUserName());
    EXPECT_EQ(child<QPushButton>(d, "btnDirect")->text(), QStringLiteral("Di&rect >>"));
    EXPECT_TRUE(items(d, "cboDDbServer").isEmpty());
}

// An alias chosen from the list, by mouse or by keyboard, stays in the box and OK takes it.
TEST_F(LoginDialogTest, AliasChosenFromTheListIsTaken)
{
    AliasConfig config = AliasConfig::load(AliasConfig::defaultPath());
    if (!config.find(QStringLiteral("shop")))
        config.aliases << DbAlias{QStringLiteral("shop"), QStringLiteral("EMBEDDED"),
                                  {QStringLiteral("DATABASE NAME=shop")}};
    config.save(AliasConfig::defaultPath());
    for (const test::PickBy by : {test::PickBy::Mouse, test::PickBy::Keyboard}) {
        TfrmDbLogin d;
        d.show();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        auto *combo = child<QComboBox>(d, "cboDbName");
        test::PickFromList(combo, QStringLiteral("shop"), by);
        EXPECT_EQ(combo->currentText(), QStringLiteral("shop"));
        click(d, "btnOK");
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.alias(), QStringLiteral("shop"));
    }
}

struct SaveCase {
    const char *name;
    bool savePassword;
};

class LoginSaveTest : public LoginDialogTest, public ::testing::WithParamInterface<SaveCase> {};

// The password reaches the settings only when the user asked for it; the
// connection itself always gets it.
TEST_P(LoginSaveTest, AliasModeSavesPasswordOnlyWhenAsked)
{
    const bool save = GetParam().savePassword;
    {
        TfrmDbLogin d;
        child<QCheckBox>(d, "chkSavePassword")->setChecked(save);
        setText(d, "cboDbName", QStringLiteral("demo"));
        setText(d, "editDbUser", QStringLiteral("alice"));
        setText(d, "editDbPswd", QStringLiteral("s3cret"));
        click(d, "btnOK");
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.alias(), QStringLiteral("demo"));
        EXPECT_EQ(d.directConnectionName(), QString());
        EXPECT_EQ(d.user(), QStringLiteral("alice"));
        EXPECT_EQ(d.paramsText(), QStringLiteral("USER NAME=alice\r\nPASSWORD=s3cret\r\n"));
    }
    const QString demo = QStringLiteral("demo");
    EXPECT_EQ(Settings::read(Settings::DbAlias), demo);
    EXPECT_EQ(Settings::read(Settings::SavePassword), save);
    EXPECT_FALSE(Settings::read(Settings::LastConnectDirect));
    EXPECT_EQ(Settings::readConnection(demo, Settings::ConnDbAlias), demo);
    EXPECT_EQ(Settings::readConnection(demo, Settings::ConnLoginUser), QStringLiteral("alice"));
    EXPECT_EQ(ReadScrambled(Settings::readConnection(demo, Settings::ConnLoginPassword)),
              save ? QStringLiteral("s3cret") : QString());
    if (!save) {
        EXPECT_EQ(Settings::readConnection(demo, Settings::ConnLoginPassword), QString());
    }
    EXPECT_EQ(ReadScrambled(Settings::readConnection(demo, Settings::ConnParams)),
              save ? QStringLiteral("USER NAME=alice\r\nPASSWORD=s3cret\r\n")
                   : QStringLiteral("USER NAME=alice\r\nPASSWORD=\r\n"));
    QFile file(SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("s3cret"));

    // The next dialog fills in the remembered user, and the password when saved.
    TfrmDbLogin next;
    EXPECT_EQ(text(next, "editDbUser"), QStringLiteral("alice"));
    EXPECT_EQ(text(next, "editDbPswd"), save ? QStringLiteral("s3cret") : QString());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginSaveTest,
                         ::testing::Values(SaveCase{"WithPassword", true}, SaveCase{"WithoutPassword", false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LoginDialogTest, DirectModeRemembersServerAndDatabase)
{
    {
        TfrmDbLogin d;
        click(d, "btnDirect");
        ASSERT_TRUE(d.directMode());
        EXPECT_EQ(child<QPushButton>(d, "btnDirect")->text(), QStringLiteral("<< Standa&rd"));
        setText(d, "cboDDbServer", QStringLiteral("srv"));
        setText(d, "cboDDbDatabase", QStringLiteral("db"));
        setText(d, "editDDbUser", QStringLiteral("bob"));
        setText(d, "editDDbPswd", QStringLiteral("pw"));
        click(d, "btnOK");
        ASSERT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.alias(), QString());
        EXPECT_EQ(d.directConnectionName(), QStringLiteral("srv\\db"));
        EXPECT_EQ(d.user(), QStringLiteral("bob"));
        EXPECT_EQ(text(d, "editDbPswd"), QStringLiteral("pw"));
        EXPECT_EQ(d.paramsText(),
                  QStringLiteral("SERVER NAME=srv\r\nDATABASE NAME=db\r\nUSER NAME=bob\r\nPASSWORD=pw\r\n"));
    }
    EXPECT_TRUE(Settings::read(Settings::LastConnectDirect));
    EXPECT_EQ(Settings::read(Settings::DirectConnect), QStringLiteral("srv\\db"));
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv\\db"), Settings::ConnServerName), QStringLiteral("srv"));

    TfrmDbLogin next;
    EXPECT_TRUE(next.directMode());
    EXPECT_EQ(items(next, "cboDDbServer"), QStringList{QStringLiteral("srv")});
    EXPECT_EQ(text(next, "cboDDbServer"), QStringLiteral("srv"));
    EXPECT_EQ(items(next, "cboDDbDatabase"), QStringList{QStringLiteral("db")});
    EXPECT_EQ(text(next, "cboDDbDatabase"), QStringLiteral("db"));
    EXPECT_EQ(text(next, "editDDbUser"), QStringLiteral("bob"));
    // Aliases have no subkeys, so they never show up as servers.
    EXPECT_FALSE(items(next, "cboDbName").contains(QStringLiteral("srv")));
}

TEST_F(LoginDialogTest, SwitchingBackToAliasModeClearsTheDirectFields)
{
    TfrmDbLogin d;
    click(d, "btnDirect");
    setText(d, "cboDDbServer", QStringLiteral("srv"));
    setText(d, "cboDDbDatabase", QStringLiteral("db"));
    click(d, "btnDirect");
    EXPECT_FALSE(d.directMode());
    EXPECT_EQ(text(d, "cboDDbServer"), QStringLiteral("srv")); // switching clears nothing
    setText(d, "editDbUser", QStringLiteral("carol"));
    setText(d, "editDbPswd", QStringLiteral("x"));
    click(d, "btnOK");
    ASSERT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(text(d, "cboDDbServer"), QString());
    EXPECT_EQ(text(d, "cboDDbDatabase"), QString());
    EXPECT_EQ(text(d, "editDDbUser"), QStringLiteral("carol"));
    EXPECT_EQ(text(d, "editDDbPswd"), QStringLiteral("x"));
    EXPECT_EQ(d.directConnectionName(), QString());
}

struct MissingCase {
    const char *name;
    bool direct;
    const char *emptied;
};

class LoginRequiredTest : public LoginDialogTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(LoginRequiredTest, EmptyRequiredFieldKeepsTheDialogOpenAndSavesNothing)
{
    TfrmDbLogin d;
    if (GetParam().direct) {
        click(d, "btnDirect");
        setText(d, "cboDDbServer", QStringLiteral("srv"));
        setText(d, "cboDDbDatabase", QStringLiteral("db"));
    }
    setText(d, GetParam().emptied, QStringLiteral("   "));
    click(d, "btnOK");
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(Settings::read(Settings::DbAlias), QString());
    EXPECT_EQ(Settings::read(Settings::DirectConnect), QString());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginRequiredTest,
                         ::testing::Values(MissingCase{"Alias", false, "cboDbName"},
                                           MissingCase{"AliasUser", false, "editDbUser"},
                                           MissingCase{"Server", true, "cboDDbServer"},
                                           MissingCase{"Database", true, "cboDDbDatabase"},
                                           MissingCase{"DirectUser", true, "editDDbUser"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A broken alias file is reported once, not at every refill, and direct mode still works.
TEST_F(LoginDialogTest, BrokenAliasFileIsReportedOnce)
{
    const QString path = AliasConfig::defaultPath();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[demo\n");
    }
    auto dialogs = std::make_shared<RecordingDialogs>();
    auto old = SetDialogs(dialogs);
    {
        TfrmDbLogin d;
        d.FillAliasList();
        d.FillAliasList();
        ASSERT_EQ(dialogs->messages.size(), 1) << dialogs->messages.join(QStringLiteral("\n====\n")).toStdString();
        EXPECT_TRUE(dialogs->messages.first().startsWith(QStringLiteral(
            "Error: Borland Database Engine (BDE) or Informix ESQL/C (INET) may not be installed.\r\n"
            "  Error: ")))
            << dialogs->messages.first().toStdString();
        click(d, "btnDirect");
        setText(d, "cboDDbServer", QStringLiteral("local"));
        setText(d, "cboDDbDatabase", QStringLiteral("demo"));
        click(d, "btnOK");
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    SetDialogs(old);
    QFile::remove(path);
}

TEST_F(LoginDialogTest, SitsCentredOnTheScreenAndKeepsItsPlaceInBothModes)
{
    QWidget owner;
    owner.setGeometry(10, 10, 300, 200);  // far from the screen's centre
    owner.show();
    TfrmDbLogin d(&owner);
    d.show();
    const QPoint screenCentre = owner.screen()->availableGeometry().center();
    EXPECT_LE((d.geometry().center() - screenCentre).manhattanLength(), 8);

    const QRect aliasGeometry = d.geometry();
    const QPoint aliasGroup = child<QWidget>(d, "grpStandard")->pos();
    click(d, "btnDirect");
    ASSERT_TRUE(d.directMode());
    QCoreApplication::processEvents();
    EXPECT_EQ(d.geometry(), aliasGeometry);
    EXPECT_EQ(child<QWidget>(d, "grpDirect")->pos(), aliasGroup);
    click(d, "btnDirect");
    QCoreApplication::processEvents();
    EXPECT_EQ(d.geometry(), aliasGeometry);
}

} // namespace
