// The alias editor: which aliases it accepts, and that it serves as the
// database configuration tool the login dialog waits for.
#include "app/externalprograms.h"
#include "db/aliasconfig.h"
#include "db/ui/aliaseditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace quodlin;

namespace {

struct AliasCase {
    const char *name;
    DbAlias alias;
    QString original;
    bool accepted;
};

class AliasCheckTest : public ::testing::TestWithParam<AliasCase> {};

TEST_P(AliasCheckTest, Check)
{
    AliasConfig config;
    config.aliases << DbAlias{QStringLiteral("demo"), QStringLiteral("EMBEDDED"), {QStringLiteral("DATABASE NAME=demo")}};
    const QString problem = TfrmAliasEditor::checkAlias(config, GetParam().alias, GetParam().original);
    EXPECT_EQ(problem.isEmpty(), GetParam().accepted) << problem.toStdString();
}

const QString kEmb = QStringLiteral("EMBEDDED");
const QString kOdbc = QStringLiteral("ODBC");
const QStringList kDb{QStringLiteral("DATABASE NAME=shop")};

INSTANTIATE_TEST_SUITE_P(
    Cases, AliasCheckTest,
    ::testing::Values(
        AliasCase{"NewEmbedded", {QStringLiteral("shop"), kEmb, kDb}, {}, true},
        AliasCase{"NewOdbcWithDsn", {QStringLiteral("pg"), kOdbc, {QStringLiteral("DSN=pg")}}, {}, true},
        AliasCase{"OdbcWithoutSource", {QStringLiteral("pg"), kOdbc, {QStringLiteral("USER NAME=x")}}, {}, false},
        AliasCase{"EmbeddedWithoutDatabase", {QStringLiteral("shop"), kEmb, {}}, {}, false},
        AliasCase{"EmptyName", {QStringLiteral("  "), kEmb, kDb}, {}, false},
        AliasCase{"BracketInName", {QStringLiteral("a]b"), kEmb, kDb}, {}, false},
        AliasCase{"DuplicateIgnoringCase", {QStringLiteral("DEMO"), kEmb, kDb}, {}, false},
        AliasCase{"EditKeepsItsOwnName", {QStringLiteral("demo"), kEmb, kDb}, QStringLiteral("demo"), true},
        AliasCase{"LineWithoutEquals", {QStringLiteral("shop"), kEmb, {QStringLiteral("DATABASE NAME=shop"), QStringLiteral("junk")}}, {}, false},
        AliasCase{"DriverAsParameter", {QStringLiteral("shop"), kEmb, {QStringLiteral("DATABASE NAME=shop"), QStringLiteral("DRIVER=ODBC")}}, {}, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AliasEditorTool, IsTheDatabaseToolAndListsTheConfiguration)
{
    InstallAliasEditorAsDatabaseTool();
    QStringList listed;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *editor = qobject_cast<TfrmAliasEditor *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        answer.stop();
        auto *list = editor->findChild<QListWidget *>(QStringLiteral("lvwAliases"));
        for (int i = 0; list && i < list->count(); ++i)
            listed << list->item(i)->text();
        editor->findChild<QPushButton *>(QStringLiteral("btnClose"))->click();
    });
    answer.start();
    EXPECT_TRUE(StartDatabaseTool(true));
    SetDatabaseToolLauncher({});
    EXPECT_TRUE(listed.contains(QStringLiteral("demo  (EMBEDDED)"))) << listed.join(QLatin1Char(',')).toStdString();
}

} // namespace
