// The Options dialog: defaults on a fresh store, what OK writes, that Cancel
// writes nothing, the Connection page and the label accelerators.
#include "app/settingdefs.h"
#include "app/settings.h"
#include "shell/optionsform.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

class OptionsForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("QUODLIN_HOME");
        qputenv("QUODLIN_HOME", m_home.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("QUODLIN_HOME", m_oldHome); }
    bool storeExists() const { return QFileInfo::exists(m_home.path() + QStringLiteral("/Quodlin.conf")); }

    QTemporaryDir m_home;
    QByteArray m_oldHome;
};

template <class T> T *child(QWidget &form, const char *name)
{
    T *widget = form.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QString text(QWidget &form, const char *name) { return child<QLineEdit>(form, name)->text(); }
bool checked(QWidget &form, const char *name) { return child<QAbstractButton>(form, name)->isChecked(); }

QStringList pages(QTabWidget *tabs)
{
    QStringList names;
    for (int i = 0; i < tabs->count(); ++i)
        names << tabs->widget(i)->objectName();
    return names;
}

} // namespace

TEST_F(OptionsForm, FreshStoreShowsTheDefaults)
{
    TfrmOptions form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Options"));
    auto *tabs = child<QTabWidget>(form, "tabOptions");
    EXPECT_EQ(pages(tabs), (QStringList{QStringLiteral("pageGeneral"), QStringLiteral("pageDisplay")}));
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("pageDisplay"));
    EXPECT_EQ(form.findChild<QWidget *>(QStringLiteral("pageConnection")), nullptr);

    EXPECT_EQ(text(form, "editInitials"), QStringLiteral("kmt"));
    EXPECT_EQ(child<QLineEdit>(form, "editInitials")->maxLength(), 3);
    EXPECT_FALSE(checked(form, "chkAutoConnect"));
    EXPECT_FALSE(checked(form, "chkEditOnDblClick"));
    EXPECT_FALSE(checked(form, "chkEditExplainImmediate"));
    EXPECT_TRUE(checked(form, "chkAutoRefresh"));
    EXPECT_TRUE(checked(form, "chkSaveSettings"));
    EXPECT_FALSE(checked(form, "chkQuerytogrid"));
    EXPECT_TRUE(checked(form, "chkDisplayOwner"));
    EXPECT_FALSE(checked(form, "chkQueryMonoFont"));
    EXPECT_EQ(form.displayOwnerFormatIndex(), 1);
    EXPECT_EQ(child<QSpinBox>(form, "spnHistorySize")->value(), 10000);
    EXPECT_TRUE(child<QPushButton>(form, "btnOK")->isDefault());
    EXPECT_EQ(child<QPushButton>(form, "btnOK")->text(), QStringLiteral("&OK"));
    EXPECT_EQ(child<QPushButton>(form, "btnCancel")->text(), QStringLiteral("&Cancel"));
    EXPECT_FALSE(storeExists());

    // OK stores the defaults as shown, and no connection key.
    child<QPushButton>(form, "btnOK")->click();
    QStringList keys;
    ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, kQuodlinKey), keys);
    EXPECT_EQ(keys, QStringList());
    EXPECT_EQ(ReadMainString(QStringLiteral("Initials"), QString()), QStringLiteral("kmt"));
    EXPECT_EQ(ReadMainInteger(QStringLiteral("Display Owner Format"), -1), 1);
}

TEST_F(OptionsForm, ConnectionPageShowsNameUserAndExplainDefaults)
{
    TfrmOptions form(QStringLiteral("srv\\db"), QStringLiteral("joe"));
    auto *tabs = child<QTabWidget>(form, "tabOptions");
    EXPECT_EQ(pages(tabs), (QStringList{QStringLiteral("pageGeneral"), QStringLiteral("pageDisplay"),
                                        QStringLiteral("pageConnection")}));
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("pageDisplay"));
    EXPECT_EQ(text(form, "editConnID"), QStringLiteral("srv\\db"));
    EXPECT_EQ(text(form, "editConnUser"), QStringLiteral("joe"));
    EXPECT_TRUE(child<QLineEdit>(form, "editConnID")->isReadOnly());
    EXPECT_TRUE(child<QLineEdit>(form, "editConnUser")->isReadOnly());
    EXPECT_FALSE(child<QLineEdit>(form, "editConnSqexplnFile")->isReadOnly());
    EXPECT_EQ(child<QLineEdit>(form, "editConnID")->palette().color(QPalette::Base),
              form.palette().color(QPalette::Button));
    EXPECT_TRUE(text(form, "editConnSqexplnFile").endsWith(QStringLiteral("/databases/explain/joe.out")));

    // Cancel writes nothing.
    child<QLineEdit>(form, "editInitials")->setText(QStringLiteral("xyz"));
    child<QCheckBox>(form, "chkAutoConnect")->setChecked(true);
    child<QPushButton>(form, "btnCancel")->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(storeExists());
}

TEST_F(OptionsForm, OkWritesEveryValueAsTyped)
{
    TfrmOptions form(QStringLiteral("srv\\db"), QStringLiteral("joe"));
    child<QLineEdit>(form, "editEditor")->setText(QStringLiteral(" my editor "));
    child<QLineEdit>(form, "editIfmxHelp")->setText(QStringLiteral("/doc/errs.html"));
    child<QLineEdit>(form, "editEditSchema")->setText(QStringLiteral("\"/opt/schema tool\""));
    child<QLineEdit>(form, "editInitials")->setText(QStringLiteral("abcd"));
    for (const char *name : {"chkAutoConnect", "chkEditOnDblClick", "chkEditExplainImmediate", "chkAutoRefresh",
                             "chkSaveSettings", "chkQuerytogrid", "chkDisplayOwner", "chkQueryMonoFont"})
        child<QCheckBox>(form, name)->toggle();
    child<QRadioButton>(form, "rgrpDisplayOwnerFormat_2")->setChecked(true);
    child<QSpinBox>(form, "spnHistorySize")->setValue(500);
    child<QLineEdit>(form, "editConnSqexplnFile")->setText(QStringLiteral("/tmp/x.out"));
    child<QLineEdit>(form, "editConnSqexplnViewer")->setText(QStringLiteral("less"));
    child<QPushButton>(form, "btnOK")->click();

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Settings::read(Settings::Editor), QStringLiteral(" my editor "));
    EXPECT_EQ(Settings::read(Settings::InformixHelpFile), QStringLiteral("/doc/errs.html"));
    EXPECT_EQ(Settings::read(Settings::SchemaEditor), QStringLiteral("\"/opt/schema tool\""));
    EXPECT_EQ(Settings::read(Settings::Initials), QStringLiteral("abc"));
    EXPECT_TRUE(Settings::read(Settings::AutoConnect));
    EXPECT_TRUE(Settings::read(Settings::EditOnDblClick));
    EXPECT_TRUE(Settings::read(Settings::EditExplainImmediate));
    EXPECT_FALSE(Settings::read(Settings::QueryAutoRefresh));
    EXPECT_FALSE(Settings::read(Settings::SaveSettingsOnExit));
    EXPECT_TRUE(Settings::read(Settings::QueryResultsToGrid));
    EXPECT_FALSE(Settings::read(Settings::DisplayOwner));
    EXPECT_TRUE(Settings::read(Settings::QueryMonoFont));
    EXPECT_EQ(Settings::read(Settings::DisplayOwnerFormat), 2);
    EXPECT_EQ(Settings::read(Settings::HistorySize), 500);
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv\\db"), Settings::ConnSqexplnFile), QStringLiteral("/tmp/x.out"));
    EXPECT_EQ(Settings::readConnection(QStringLiteral("srv\\db"), Settings::ConnSqexplnViewer), QStringLiteral("less"));

    TfrmOptions again(QStringLiteral("srv\\db"), QStringLiteral("joe"));
    EXPECT_EQ(text(again, "editEditor"), QStringLiteral(" my editor "));
    EXPECT_EQ(text(again, "editConnSqexplnViewer"), QStringLiteral("less"));
    EXPECT_EQ(again.displayOwnerFormatIndex(), 2);
}

TEST_F(OptionsForm, StoredValuesAreShownAndAnUnknownOwnerFormatFallsBack)
{
    Settings::write(Settings::Initials, QStringLiteral("jd"));
    Settings::write(Settings::SaveSettingsOnExit, false);
    Settings::write(Settings::DisplayOwnerFormat, 7);
    TfrmOptions form;
    EXPECT_EQ(text(form, "editInitials"), QStringLiteral("jd"));
    EXPECT_FALSE(checked(form, "chkSaveSettings"));
    EXPECT_EQ(form.displayOwnerFormatIndex(), 1);
}
