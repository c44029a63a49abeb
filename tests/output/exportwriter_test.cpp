#include "output/exportwriter.h"

#include "db/dbformat.h"
#include "output/memoryquery.h"
#include "output/textrender.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <random>

using namespace quodlin;

namespace {

class ExportTest : public test::MemoryQueryTest {
protected:
    QByteArray write(const ExportOptions &options)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const ExportResult result = WriteQuery(m_query, buffer, options);
        EXPECT_TRUE(result.ok()) << result.message().toStdString();
        return buffer.data();
    }
    static ExportOptions as(ExportFormat format, const QString &table = {})
    {
        ExportOptions o;
        o.format = format;
        o.tableName = table;
        o.table.name = table;
        return o;
    }
    void openCustomers(const QList<QVariantList> &rows)
    {
        m_query.setSql("select * from customer");
        open({{text("id", DbFieldType::Integer), 5}, {text("name"), 8}}, rows);
    }
};

TEST_F(ExportTest, ScriptDoublesQuotesAndKeepsNullApartFromEmpty)
{
    openCustomers({{qlonglong(1), QVariant()}, {qlonglong(2), "Brien"}, {qlonglong(3), "O'Brien"}, {qlonglong(4), ""}});
    m_query.next();
    EXPECT_EQ(write(as(ExportFormat::Script, "customer")),
              "INSERT INTO customer (id,name) \r\n     VALUES (1,NULL);\r\n"
              "INSERT INTO customer (id,name) \r\n     VALUES (2,'Brien');\r\n"
              "INSERT INTO customer (id,name) \r\n     VALUES (3,'O''Brien');\r\n"
              "INSERT INTO customer (id,name) \r\n     VALUES (4,'');\r\n");
    EXPECT_EQ(m_query.recNo(), 1);  // back where it was
}

TEST_F(ExportTest, ScriptQuotesEveryTypeSqlNeedsQuotedAndNamesHiddenFields)
{
    m_query.setFieldVisible("d", false);
    open({{text("d", DbFieldType::Date), 10}, {text("f", DbFieldType::Float), 17},
          {DbColumn{"m", DbFieldType::Money, 8, 2, true, {}}, 10}, {text("b", DbFieldType::Boolean), 1},
          {text("i", DbFieldType::Interval), 10}},
         {{QDate(2024, 1, 15), 0.1, "5", true, "1 02:03:04"}});
    EXPECT_EQ(write(as(ExportFormat::Script)),
              "INSERT INTO unknown (d,f,m,b,i) \r\n     VALUES ('01/15/2024',0.1,5.00,'t','1 02:03:04');\r\n");
}

// Names are written through SqlName, a bare table name as the server folds it.
TEST_F(ExportTest, ScriptWritesTableAndFieldNamesAsNames)
{
    m_query.setSql("select * from t");
    open({{text("a) values (9); drop table victim; insert into t (a"), 5}, {text("select"), 5}, {text("k"), 5}},
         {{"x", "y", "z"}});
    ExportOptions o = as(ExportFormat::Script);
    o.table = ExportTableOf("select * from Stores@Srv:\"Owner\".\"my \"\"t\"\"\" where 1=1");
    EXPECT_EQ(write(o), "INSERT INTO stores@srv:\"Owner\".\"my \"\"t\"\"\" "
                        "(\"a) values (9); drop table victim; insert into t (a\",\"select\",k) \r\n"
                        "     VALUES ('x','y','z');\r\n");
    o.table = ExportTableOf("select * from Informix.Customer");
    EXPECT_TRUE(write(o).startsWith("INSERT INTO informix.customer ("));
}

TEST_F(ExportTest, ScriptOfNoRowsIsEmpty)
{
    openCustomers({});
    EXPECT_EQ(write(as(ExportFormat::Script, "customer")), QByteArray());
}

struct TableNameCase {
    const char *name;
    const char *sql;
    const char *table;     // ExportTableName
    ExportTable resolved;  // ExportTableOf
};

class TableNameTest : public ::testing::TestWithParam<TableNameCase> {};

TEST_P(TableNameTest, FirstWordAfterFrom)
{
    const TableNameCase &c = GetParam();
    EXPECT_EQ(ExportTableName(QString::fromUtf8(c.sql)), QString::fromUtf8(c.table));
    const ExportTable t = ExportTableOf(QString::fromUtf8(c.sql));
    EXPECT_EQ(QStringList({t.database, t.server, t.owner, t.name}),
              QStringList({c.resolved.database, c.resolved.server, c.resolved.owner, c.resolved.name}));
    EXPECT_EQ(t.alone, c.resolved.alone);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, TableNameTest,
    ::testing::Values(TableNameCase{"plain", "select * from customer", "customer", {{}, {}, {}, "customer", true}},
                      TableNameCase{"two_spaces", "select * from  customer", "", {}},
                      TableNameCase{"from_starts_a_line", "select *\r\nfrom customer", "", {}},
                      TableNameCase{"ends_at_line_end", "select * FROM Customer\r\nwhere 1=1", "Customer",
                                    {{}, {}, {}, "customer", true}},
                      TableNameCase{"owner", "select * from informix.systables where tabid > 99",
                                    "informix.systables", {{}, {}, "informix", "systables", true}},
                      TableNameCase{"join", "select * from a, b", "a", {{}, {}, {}, "a", false}},
                      TableNameCase{"alias", "select * from a x", "a", {{}, {}, {}, "a", false}},
                      TableNameCase{"quoted_whole", "select * from \"my table\" where 1=1", "my table",
                                    {{}, {}, {}, "my table", true}},
                      TableNameCase{"quoted_quotes", "select * from 'Own'.\"say \"\"hi\"\"\";", "'Own'.\"say \"\"hi\"\"\";",
                                    {{}, {}, "Own", "say \"hi\"", true}},
                      TableNameCase{"quoted_part", "select * from \"my table\"x y", "\"my table\"x", {}},
                      TableNameCase{"unclosed", "select * from \"my table", "\"my table", {}},
                      TableNameCase{"database", "select * from Db@Srv:o.t order by 1", "Db@Srv:o.t",
                                    {"db", "srv", "o", "t", true}},
                      TableNameCase{"none", "execute procedure p()", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ExportNames, DefaultFileNameAndStatusTexts)
{
    EXPECT_EQ(ExportDefaultFileName("informix.systables", ExportFormat::Script), "informix.systables.sql");
    EXPECT_EQ(ExportDefaultFileName("customer", ExportFormat::Sqd), "customer.sqd");
    EXPECT_EQ(ExportDefaultFileName("", ExportFormat::Script), "");
    EXPECT_EQ(ExportSavedStatusText("/tmp/a.sql"), "Query saved to file [/tmp/a.sql].");
}

const QByteArray kBanner = ";" + QByteArray(76, '*');

TEST_F(ExportTest, SqdWorkedExample)
{
    openCustomers({{qlonglong(1), QVariant()}, {qlonglong(2), "O'Brien"}});
    ExportOptions o = as(ExportFormat::Sqd, "customer");
    // The key is asked for under the name the catalog has.
    o.table = ExportTableOf("select * from \"Customer\"");
    QString askedFor;
    o.primaryKey = [&](const QString &table) {
        askedFor = table;
        return QStringList{"id"};
    };
    EXPECT_EQ(write(o), "ZRTSQD1\r\n\r\n" + kBanner + "\r\n; customer\r\n" + kBanner
                            + "\r\nTable: customer\r\nPrimaryKey: id\r\n"
                              "id   , name\r\n1    , NULL\r\n2    , 'O'Brien'\r\n");
    EXPECT_EQ(askedFor, "Customer");
}

TEST_F(ExportTest, SqdKeyLineFormsAndWidenedColumns)
{
    open({{text("a_long_name"), 3}, {text("b"), 4}}, {});
    ExportOptions o = as(ExportFormat::Sqd);
    EXPECT_EQ(write(o), "ZRTSQD1\r\n\r\n" + kBanner + "\r\n; unknown\r\n" + kBanner
                            + "\r\nTable: unknown\r\nPrimaryKey: \r\na_long_name, b\r\n");
    o.primaryKey = [](const QString &) -> QStringList { throw DbError("no such field"); };
    EXPECT_TRUE(write(o).contains("\r\nTable: unknown\r\n;PrimaryKey: unknown\r\na_long_name, b\r\n"));
    o.primaryKey = [](const QString &) { return QStringList{"k1", "k2"}; };
    EXPECT_TRUE(write(o).contains("\r\nPrimaryKey: k1,k2\r\n"));
}

TEST_F(ExportTest, CsvQuotesOnlyWhereNeeded)
{
    open({{text("a"), 5}, {text("b,c"), 5}, {text("n", DbFieldType::Integer), 5}},
         {{"x,y", "say \"hi\"", QVariant()}, {"", "two\nlines", qlonglong(-3)}});
    EXPECT_EQ(write(as(ExportFormat::Csv)),
              "a,\"b,c\",n\r\n\"x,y\",\"say \"\"hi\"\"\",\r\n\"\",\"two\nlines\",-3\r\n");
}

TEST_F(ExportTest, UnloadEscapesAndFormatsEveryType)
{
    DbFormatting fmt;
    fmt.dbdate = "DMY4.";
    open({{text("s"), 10},
          {text("n", DbFieldType::Integer), 5},
          {DbColumn{"d", DbFieldType::Decimal, 8, 2, true, {}}, 10},
          {DbColumn{"m", DbFieldType::Money, 8, 2, true, {}}, 10},
          {text("dt", DbFieldType::Date), 10},
          {text("f", DbFieldType::Float), 10},
          {text("by", DbFieldType::Blob), 10},
          {text("tx", DbFieldType::Memo), 10},
          {text("b", DbFieldType::Boolean), 1}},
         {{QString::fromUtf8("a|b\\c\u00a7"), qlonglong(7), "12.5", "3", QDate(2024, 1, 15), 0.1, QByteArray("\x01\xab", 2), "l1\nl2 ", false},
          {"", QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), "", QVariant()}},
         -1, fmt);
    EXPECT_EQ(write(as(ExportFormat::Unload)),
              "a\\|b\\\\c\xc2\xa7|7|12.50|3.00|15.01.2024|0.1|01ab|l1\\\nl2 |f|\n"
              "\\ |||||||\\ ||\n");
    ExportOptions semicolon = as(ExportFormat::Unload);
    semicolon.delimiter = ';';
    EXPECT_TRUE(write(semicolon).startsWith("a|b\\\\c\xc2\xa7;7;"));
    // A delimiter of two UTF-8 bytes is escaped where it occurs.
    ExportOptions section = as(ExportFormat::Unload);
    section.delimiter = QChar(0xa7);
    EXPECT_TRUE(write(section).startsWith("a|b\\\\c\\\xc2\xa7\xc2\xa7" "7\xc2\xa7"));
}

// Only CHAR's trailing blanks are padding: VARCHAR and TEXT values keep
// theirs in the grid and in every file, read forward only or kept.
class TrailingBlankTest : public ExportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TrailingBlankTest, GoOnlyFromCharValues)
{
    DbColumn padded = text("c");
    padded.blankPadded = true;
    m_query.setSql("select * from t");
    m_query.setForwardOnly(GetParam());
    open({{padded, 4}, {text("v"), 4}, {text("x", DbFieldType::Memo), 4}}, {{"ab  ", "ab  ", "ab  "}});
    EXPECT_EQ(m_query.field(0).displayText(), QStringLiteral("ab"));
    EXPECT_EQ(m_query.field(1).displayText(), QStringLiteral("ab  "));
    EXPECT_EQ(m_query.field(2).value(), QVariant("ab  "));
    const std::pair<ExportFormat, QByteArray> expected[] = {
        {ExportFormat::Csv, "c,v,x\r\nab,ab  ,ab  \r\n"},
        {ExportFormat::Script, "INSERT INTO t (c,v,x) \r\n     VALUES ('ab','ab  ','ab  ');\r\n"},
        {ExportFormat::Unload, "ab|ab  |ab  |\n"},
    };
    for (const auto &[format, bytes] : expected) {
        m_query.open();  // forward only, each walk reads anew
        EXPECT_EQ(write(as(format, "t")), bytes) << int(format);
    }
}

INSTANTIATE_TEST_SUITE_P(Reading, TrailingBlankTest, ::testing::Values(false, true),
                         [](const auto &info) { return std::string(info.param ? "ForwardOnly" : "Kept"); });

// Floats and dates are formatted without QString and QDate where they can
// be: the files keep QString::number's shortest text and the text table the
// grid's, also where the two ways part (ties, subnormals, years out of range).
TEST_F(ExportTest, FloatsAndDatesKeepTheQtTexts)
{
    QList<double> floats{0.0, -0.0, 0.1, -2.5, 1e-4, 1.5e-5, 1e15, 1e16, 123456789012345678.0, 1.0 / 3, 1e300,
                               -1e-300, 5e-324, 11014.20751953125, 1e14 + 0.5, 999999999999999.9, qInf(), qQNaN(),
                               0.1 + 0.2, 2.675, 1e8 + 0.1, 100.0, 0.00015, 99999999999999.98};
    // Short decimals (a fast path) and their neighbours (the general one).
    std::mt19937_64 random(7);
    for (int i = 0; i < 400; ++i) {
        const double v = double(random() % 2000000000) / std::pow(10.0, double(random() % 12)) - 1e4;
        floats << v << std::nextafter(v, 1e300) << std::nextafter(v, -1e300);
    }
    const QList<QDate> dates{QDate(1, 1, 1), QDate(1899, 12, 31), QDate(2000, 2, 29), QDate(9999, 12, 31),
                             QDate(10000, 1, 1), QDate(-5, 3, 1), QDate()};
    QList<QVariantList> rows;
    QByteArray expected = "f,d\r\n";
    for (qsizetype i = 0; i < floats.size(); ++i) {
        const QDate date = dates[i % dates.size()];
        rows << QVariantList{floats[i], date};
        const QByteArray dateText = FormatDbDate(date, QStringLiteral("DMY4-")).toUtf8();
        expected += QString::number(floats[i], 'g', QLocale::FloatingPointShortest).toUtf8() + ','
            + (dateText.isEmpty() ? QByteArray("\"\"") : dateText) + "\r\n";
    }
    DbFormatting fmt;
    fmt.dbdate = QStringLiteral("DMY4-");
    open({{text("f", DbFieldType::Float), 17}, {text("d", DbFieldType::Date), 10}}, rows, -1, fmt);
    EXPECT_EQ(write(as(ExportFormat::Csv)), expected);
    EXPECT_EQ(write(as(ExportFormat::Text)), QueryToTextLines(m_query).join(QLatin1Char('\n')).toUtf8() + '\n');
}

TEST_F(ExportTest, TextWriterStreamsTheTextTable)
{
    open({{text("id", DbFieldType::Integer), 5}, {text("name"), 4}}, {{qlonglong(7), "Smith"}, {QVariant(), "Li"}});
    EXPECT_EQ(write(as(ExportFormat::Text)), "id    name\n----- ----\n7     Smit\n      Li\n");
}

TEST_F(ExportTest, ForwardOnlyQueryIsWrittenWholeAndCannotGoBack)
{
    m_query.setForwardOnly(true);
    QList<QVariantList> rows;
    for (int i = 0; i < 1000; ++i)
        rows << QVariantList{qlonglong(i)};
    open({{text("n", DbFieldType::Integer), 5}}, rows);
    const QByteArray csv = write(as(ExportFormat::Csv));
    EXPECT_EQ(csv.count('\n'), 1001);
    EXPECT_TRUE(csv.endsWith("\r\n999\r\n"));
    EXPECT_TRUE(m_query.eof());
    EXPECT_THROW(m_query.first(), DbError);
}

// A device that refuses every write, as a full disk does.
// Forward only, rows are formatted on a writing thread while the next are
// read: a device failing there (/dev/full, written where it is) is reported
// with its name and the system's reason and stops the reading, and a stop
// leaves exactly the rows counted.
TEST_F(ExportTest, DeviceFailureIsReportedAndAStopWritesTheRowsCounted)
{
    QList<QVariantList> rows;
    for (int i = 0; i < 20000; ++i)
        rows << QVariantList{qlonglong(i), QString("name %1").arg(i)};
    open({{text("n", DbFieldType::Integer), 5}, {text("name"), 10}}, rows);
    for (const bool forwardOnly : {false, true}) {
        if (!QFileInfo::exists("/dev/full"))
            break;
        m_query.close();
        m_query.setForwardOnly(forwardOnly);
        m_query.open();
        const ExportResult result = WriteQueryToFile(m_query, "/dev/full", as(ExportFormat::Script));
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.message(), "Cannot write /dev/full: No space left on device");
        EXPECT_TRUE(result.report("TMainForm.QueryToScriptFile").contains("Cannot write /dev/full: No space left on device"));
        EXPECT_FALSE(QFileInfo("/dev/full").isFile());
    }
    m_query.close();
    m_query.open();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const ExportResult result =
        WriteQuery(m_query, buffer, as(ExportFormat::Unload), [](qint64 n) { return n < 512; });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.records, 512);
    EXPECT_EQ(buffer.data().count('\n'), 512);
    EXPECT_TRUE(buffer.data().endsWith("511|name 511|\n"));
}

struct KeepOldCase {
    const char *name;
    int failAt;          // row whose fetch fails; -1 none
    bool stop;           // the progress callback says stop
    bool forwardOnly = false;
};

class KeepOldFileTest : public test::MemoryQueryTest, public ::testing::WithParamInterface<KeepOldCase> {};

TEST_P(KeepOldFileTest, OldFileStaysAndFailureIsReported)
{
    const KeepOldCase &c = GetParam();
    QList<QVariantList> rows;
    for (int i = 0; i < 600; ++i)
        rows << QVariantList{qlonglong(i)};
    m_query.setForwardOnly(c.forwardOnly);
    open({{text("n", DbFieldType::Integer), 5}}, rows, c.failAt);
    const QString path = m_dir.filePath("out.sql");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents\n");
    }
    ExportOptions o;
    const ExportResult result =
        WriteQueryToFile(m_query, path, o, [&](qint64) { return !c.stop; });
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.stopped, c.stop);
    EXPECT_EQ(bool(result.failure), !c.stop);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old contents\n");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(m_dir.path()).entryList({"out.sql*"}, QDir::Files | QDir::Hidden).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Failures, KeepOldFileTest,
                         ::testing::Values(KeepOldCase{"cursor_fails", 300, false},
                                           KeepOldCase{"stopped", -1, true},
                                           KeepOldCase{"cursor_fails_forward_only", 300, false, true},
                                           KeepOldCase{"stopped_forward_only", -1, true, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ExportDelimiter, RefusesCharactersTheFormatNeeds)
{
    for (const char c : {'\\', '\n', ' ', '0', '9', 'a', 'F'})
        EXPECT_FALSE(IsValidUnloadDelimiter(QLatin1Char(c))) << c;
    for (const char c : {'|', ',', ';', '\t', 'g'})
        EXPECT_TRUE(IsValidUnloadDelimiter(QLatin1Char(c))) << c;
}

} // namespace
