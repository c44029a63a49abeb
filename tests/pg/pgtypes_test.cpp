// Values of every common type through the ODBC driver and the layer: read
// back exactly, written back through parameters, exported exactly by
// quodlin-cli in each format. Numbers with 30 digits never pass a double.
#include "pgfixture.h"

#include "db/dberror.h"

#include <QProcess>

using namespace quodlin;
using namespace quodlin::test;

namespace {

const auto *const pgEnvironment = ::testing::AddGlobalTestEnvironment(new PgEnvironment);

class PgTypesTest : public PgTest {
protected:
    void SetUp() override
    {
        PgTest::SetUp();
        run("drop table if exists kinds");
        run("create table kinds (id integer, big bigint, amount numeric(30,10), ratio float8, note text,"
            " code char(6), born date, seen timestamp, span interval, raw bytea, flag boolean)");
        run("insert into kinds values (1, 9223372036854775807, 12345678901234567890.0123456789, 0.1,"
            " 'Grüße, €uro ✓', 'ab', '2024-02-29', '2024-02-29 13:14:15.123456', '1 day 02:03:04',"
            " '\\x00ff41', true)");
        run("insert into kinds (id) values (2)");
    }
};

TEST_F(PgTypesTest, EveryCommonTypeReadsBackExactly)
{
    auto q = query("select * from kinds order by id");
    q->open();
    const std::pair<const char *, QVariant> expected[] = {
        {"id", qlonglong(1)},
        {"big", qlonglong(9223372036854775807LL)},
        {"amount", QStringLiteral("12345678901234567890.0123456789")},
        {"ratio", 0.1},
        {"note", QStringLiteral("Grüße, €uro ✓")},
        {"code", QStringLiteral("ab")},
        {"born", QDate(2024, 2, 29)},
        {"seen", QStringLiteral("2024-02-29 13:14:15.123456")},
        {"span", QStringLiteral("1 day 02:03:04")},
        {"raw", QByteArray("\x00\xff\x41", 3)},
        {"flag", true},
    };
    for (const auto &[name, value] : expected) {
        SCOPED_TRACE(name);
        EXPECT_EQ(q->fieldByName(QLatin1String(name)).value(), value);
    }
    EXPECT_EQ(q->fieldByName("amount").displayText(), QStringLiteral("12345678901234567890.0123456789"));
    q->next();
    for (const auto &[name, value] : expected)
        EXPECT_EQ(q->fieldByName(QLatin1String(name)).isNull(), QLatin1String(name) != QLatin1String("id")) << name;

    // The same values written through parameters come back equal.
    auto ins = query("insert into kinds (id, big, amount, note, born, raw, flag)"
                     " values (3, :big, cast(:amount as numeric), :note, :born, :raw, :flag)");
    ins->setParam("big", qlonglong(-9223372036854775807LL));
    ins->setParam("amount", QStringLiteral("-98765432109876543210.9876543210"));
    ins->setParam("note", QStringLiteral("Ærø ☃"));
    ins->setParam("born", QDate(1899, 12, 31));
    ins->setParam("raw", QByteArray("\x01\x00\x02", 3));
    ins->setParam("flag", false);
    ins->execSQL();
    auto back = query("select big, amount, note, born, raw, flag from kinds where id = 3");
    back->open();
    EXPECT_EQ(back->field(0).value(), qlonglong(-9223372036854775807LL));
    EXPECT_EQ(back->field(1).value(), QStringLiteral("-98765432109876543210.9876543210"));
    EXPECT_EQ(back->field(2).value(), QStringLiteral("Ærø ☃"));
    EXPECT_EQ(back->field(3).value(), QDate(1899, 12, 31));
    EXPECT_EQ(back->field(4).value(), QByteArray("\x01\x00\x02", 3));
    EXPECT_EQ(back->field(5).value(), false);
}

struct ExportCase {
    const char *name;
    const char *format;
    const char *expected;
};

class PgExportTest : public PgTypesTest, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(PgExportTest, CliWritesEveryValueExactly)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/quodlin-cli"),
            {QStringLiteral("--home"), m_dir.path(), QStringLiteral("-d"), QLatin1String(PgServer::kDsn),
             QStringLiteral("-u"), QLatin1String(PgServer::kUser), QStringLiteral("-p"),
             QLatin1String(PgServer::kPassword), QStringLiteral("sql"), QStringLiteral("--format"),
             QLatin1String(GetParam().format),
             QStringLiteral("select id, big, amount, ratio, note, code, born, seen, span, raw, flag from kinds order by id")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.endsWith(QString::fromUtf8(GetParam().expected))) << out.toStdString();
}

// Text shows its data row (the header pads to the columns' widths).
INSTANTIATE_TEST_SUITE_P(
    Formats, PgExportTest,
    ::testing::Values(
        ExportCase{"Text", "text",
                   "\n1           9223372036854775807  12345678901234567890.0123456789  0.1               "
                   "Grüße, €uro ✓                                      ab     02/29/2024 2024-02-29 13:14:15.123456 "
                   "1 day 02:03:04                   (BYTE) t\n2\n"},
        ExportCase{"Script", "script",
                   "INSERT INTO kinds (id,big,amount,ratio,note,code,born,seen,span,raw,flag) \r\n     VALUES "
                   "(1,9223372036854775807,12345678901234567890.0123456789,0.1,'Grüße, €uro ✓','ab','02/29/2024',"
                   "'2024-02-29 13:14:15.123456','1 day 02:03:04',(BYTE),'t');\r\nINSERT INTO kinds "
                   "(id,big,amount,ratio,note,code,born,seen,span,raw,flag) \r\n     VALUES "
                   "(2,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL);\r\n"},
        ExportCase{"Csv", "csv",
                   "id,big,amount,ratio,note,code,born,seen,span,raw,flag\r\n1,9223372036854775807,"
                   "12345678901234567890.0123456789,0.1,\"Grüße, €uro ✓\",ab,02/29/2024,2024-02-29 13:14:15.123456,"
                   "1 day 02:03:04,00ff41,t\r\n2,,,,,,,,,,\r\n"},
        ExportCase{"Unload", "unload",
                   "1|9223372036854775807|12345678901234567890.0123456789|0.1|Grüße, €uro ✓|ab|02/29/2024|"
                   "2024-02-29 13:14:15.123456|1 day 02:03:04|00ff41|t|\n2|||||||||||\n"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
