#include "db/aliasconfig.h"
#include "db/dberror.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

TEST(AliasConfig, FirstLoadWritesTheDemoAlias)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/aliases.conf");
    const AliasConfig config = AliasConfig::load(path);
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_NE(config.find("DEMO"), nullptr);
    EXPECT_EQ(config.find("demo")->driver, QStringLiteral("EMBEDDED"));
    EXPECT_EQ(config.find("demo")->params,
              QStringList({"DATABASE NAME=demo", "CREATE DEMO=YES"}));
    EXPECT_EQ(config.embeddedServerName, QStringLiteral("local"));
    EXPECT_EQ(config.informixOdbcDriver, QStringLiteral("IBM INFORMIX ODBC DRIVER"));
}

TEST(AliasConfig, ReadsAHandWrittenFile)
{
    // CRLF line ends, one of them converted twice.
    const AliasConfig config = AliasConfig::parse(
        "# mine\r\n"
        "embedded server = ifx_local\r\n"
        "INFORMIX ODBC DRIVER=Informix 4.50\r\n"
        "\r\n"
        "[ stores ]\r\n"
        "driver=odbc\r\n"
        "DSN=stores_dsn\r\r\n"
        "CONNECTION STRING=A=b;C= d \r\n");
    EXPECT_EQ(config.embeddedServerName, QStringLiteral("ifx_local"));
    EXPECT_EQ(config.informixOdbcDriver, QStringLiteral("Informix 4.50"));
    ASSERT_EQ(config.aliases.size(), 1);
    EXPECT_EQ(config.aliases[0].name, QStringLiteral("stores"));
    EXPECT_EQ(config.aliases[0].driver, QStringLiteral("ODBC"));
    EXPECT_EQ(config.aliases[0].params, QStringList({"DSN=stores_dsn", "CONNECTION STRING=A=b;C= d "}));
}

TEST(AliasConfig, SaveAndLoadKeepEverything)
{
    QTemporaryDir dir;
    AliasConfig config = AliasConfig::defaults();
    config.embeddedServerName = "here";
    config.aliases << DbAlias{"x y", "ODBC", {"DSN=a=b"}};
    config.save(dir.filePath("aliases.conf"));
    const AliasConfig back = AliasConfig::load(dir.filePath("aliases.conf"));
    EXPECT_EQ(back.embeddedServerName, QStringLiteral("here"));
    ASSERT_EQ(back.aliases.size(), 2);
    EXPECT_EQ(back.aliases[1].name, QStringLiteral("x y"));
    EXPECT_EQ(back.aliases[1].params, QStringList({"DSN=a=b"}));
}

struct BadCase {
    const char *name;
    QString text;
    QString message;
};

class AliasConfigBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(AliasConfigBad, NamesTheLine)
{
    try {
        AliasConfig::parse(GetParam().text);
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AliasConfigBad,
    ::testing::Values(
        BadCase{"NoEquals", "[a]\nDRIVER=ODBC\njunk\n", "aliases.conf, line 3: expected NAME=value"},
        BadCase{"UnknownOption", "COLOR=red\n", "aliases.conf, line 1: unknown option COLOR"},
        BadCase{"Duplicate", "[a]\nDRIVER=ODBC\n[A]\n", "aliases.conf, line 3: the alias A is defined twice"},
        BadCase{"BadDriver", "[a]\nDRIVER=BDE\n", "aliases.conf, line 2: DRIVER must be EMBEDDED or ODBC"},
        BadCase{"UnclosedName", "[a\n", "aliases.conf, line 1: an alias line must end with ']'"},
        BadCase{"NoDriver", "[a]\nDSN=x\n", "aliases.conf: the alias a has no DRIVER line"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AliasConfig, MalformedFileIsLeftAsItIs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("aliases.conf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[a]\njunk\n");
    f.close();
    EXPECT_THROW(AliasConfig::load(path), DbError);
    QFile g(path);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), QByteArray("[a]\njunk\n"));
}

} // namespace
