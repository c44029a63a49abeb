// Connecting through the program's connector: a real embedded database in the
// test's QUODLIN_HOME, the current connection, the combo and Disconnect.
#include "app/connector.h"
#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "db/ui/dblogin.h"
#include "shell/appconnector.h"
#include "shell/mainform.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

#include "catalogfixture.h"
#include "recordingdialogs.h"

using namespace quodlin;

namespace {


class LoginConnectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(SettingsFilePath());
        InstallAppConnector();
        test::AliasedDatabase(QStringLiteral("shop"), QStringLiteral("browser/fixture.sql"));
    }
    void TearDown() override
    {
        SetConnector(nullptr);
        SetDatabaseToolLauncher({});
        QFile::remove(SettingsFilePath());
    }
    static QList<QMdiSubWindow *> windows(TMainForm &form) { return form.mdiArea()->subWindowList(); }

    ScopedDialogs m_dialogs;
};

TEST_F(LoginConnectTest, ConnectsToAnAliasAndDisconnects)
{
    TMainForm form;
    ASSERT_TRUE(form.ConnectDatabase(QStringLiteral("shop"), QString(), QStringLiteral("tester"),
                                     QStringLiteral("USER NAME=tester\r\nPASSWORD=\r\n")))
        << m_dialogs->messages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(windows(form).size(), 1);
    auto *window = dynamic_cast<TfrmDbObjects *>(windows(form).first());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Objects [shop]"));

    IConnection *current = form.CurrentConnection();
    ASSERT_EQ(current, window->connection());
    EXPECT_TRUE(current->isConnected());
    EXPECT_TRUE(current->finishedConnecting());
    EXPECT_EQ(current->loginUser(), QStringLiteral("tester"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^shop \\(Quodlin[0-9A-F]+\\)$"))
                    .match(current->ConnectionDisplayName()).hasMatch())
        << current->ConnectionDisplayName().toStdString();
    // The tree lists the fixture's three user tables under their category.
    const ObjectTree &tree = window->tree();
    ASSERT_FALSE(tree.nodes.empty());
    EXPECT_EQ(tree.nodes[0].label, QStringLiteral("shop"));
    int userTables = 0;
    for (const ObjectTreeNode &node : tree.nodes)
        userTables += node.info.Kind == KindTable && node.parent >= 0
            && tree.nodes[std::size_t(node.parent)].info.Caption == QStringLiteral("User Tables");
    EXPECT_EQ(userTables, 3);

    auto *combo = form.findChild<QComboBox *>(QStringLiteral("cboDatabaseAlias"));
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->currentText(), current->ConnectionDisplayName());

    form.action(Command::Disconnect)->setEnabled(true);
    form.action(Command::Disconnect)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(windows(form).isEmpty());
    EXPECT_EQ(form.CurrentConnection(), nullptr);
}

TEST_F(LoginConnectTest, DirectConnectionAndAFailedOne)
{
    TMainForm form;
    ASSERT_TRUE(form.ConnectDatabase(QString(), QStringLiteral("local\\shop"), QStringLiteral("tester"),
                                     QStringLiteral("SERVER NAME=local\r\nDATABASE NAME=shop\r\n"
                                                    "USER NAME=tester\r\nPASSWORD=\r\n")))
        << m_dialogs->messages.join(QLatin1Char('\n')).toStdString();
    auto *module = dynamic_cast<TdmDbObjects *>(form.CurrentConnection());
    ASSERT_TRUE(module);
    EXPECT_EQ(module->ConnectionName(), QStringLiteral("local\\shop"));
    EXPECT_EQ(module->directConnectionName(), QStringLiteral("local\\shop"));

    // A failed connection adds no window and reports the failure.
    form.action(Command::Disconnect)->setEnabled(true);
    form.action(Command::Disconnect)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form.ConnectDatabase(QStringLiteral("nosuchalias"), QString(), QStringLiteral("tester"),
                                      QStringLiteral("USER NAME=tester\r\nPASSWORD=\r\n")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(windows(form).isEmpty());
    EXPECT_EQ(form.CurrentConnection(), nullptr);
    ASSERT_EQ(m_dialogs->messages.size(), 1);
    EXPECT_TRUE(m_dialogs->messages.first().startsWith(QStringLiteral("Error: Database Error in [TfrmDbObjects.Connect]:")))
        << m_dialogs->messages.first().toStdString();
}

TEST_F(LoginConnectTest, ConnectCommandRunsTheLoginDialog)
{
    TMainForm form;
    // Answer the modal login dialog once it is up (the command lets events run first).
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        auto *login = qobject_cast<TfrmDbLogin *>(QApplication::activeModalWidget());
        if (!login)
            return;
        answer.stop();
        login->findChild<QComboBox *>(QStringLiteral("cboDbName"))->setEditText(QStringLiteral("shop"));
        login->findChild<QLineEdit *>(QStringLiteral("editDbUser"))->setText(QStringLiteral("dave"));
        login->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    });
    answer.start();
    form.action(Command::Connect)->trigger();
    ASSERT_EQ(windows(form).size(), 1) << m_dialogs->messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.CurrentConnection()->ConnectionName(), QStringLiteral("shop"));
    EXPECT_EQ(form.CurrentConnection()->loginUser(), QStringLiteral("dave"));
}

} // namespace
