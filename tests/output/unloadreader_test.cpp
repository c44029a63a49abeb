#include "output/unloadreader.h"

#include <gtest/gtest.h>

#include "db/dberror.h"

#include <QBuffer>
#include <QFile>

using namespace quodlin;

namespace {

// Records as text, "<NULL>" for NULL, and the line each began on.
struct Read {
    QList<QStringList> records;
    QList<qint64> lines;
};

Read readAll(const QByteArray &bytes, QChar delimiter = QLatin1Char('|'), qint64 limit = kMaxLoadRecordBytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    UnloadReader reader(buffer, delimiter, limit);
    Read read;
    DbCellRow values;
    while (reader.next(values)) {
        QStringList record;
        for (int i = 0; i < int(values.cells.size()); ++i)
            record << (values.cells[size_t(i)].kind != DbCell::Kind::Null ? values.variant(i).toString()
                                                                         : QStringLiteral("<NULL>"));
        read.records << record;
        read.lines << reader.recordLine();
    }
    return read;
}

struct ReaderCase {
    const char *name;
    QByteArray input;
    QList<QStringList> records;
    QList<qint64> lines;
};

class UnloadReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(UnloadReaderTest, SplitsRecordsAndValues)
{
    const Read read = readAll(GetParam().input);
    EXPECT_EQ(read.records, GetParam().records);
    EXPECT_EQ(read.lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Format, UnloadReaderTest,
    ::testing::Values(
        ReaderCase{"trailing_delimiter", "a|b|\n1|2|\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        ReaderCase{"no_trailing_delimiter", "a|b\n", {{"a", "b"}}, {1}},
        ReaderCase{"null_and_empty_string", "|\\ |x|\n", {{"<NULL>", "", "x"}}, {1}},
        ReaderCase{"single_null", "|\n", {{"<NULL>"}}, {1}},
        ReaderCase{"escapes", "a\\|b|c\\\\d|\n", {{"a|b", "c\\d"}}, {1}},
        ReaderCase{"escaped_newline_spans_lines", "l1\\\nl2|z|\nnext|w|\n", {{"l1\nl2", "z"}, {"next", "w"}}, {1, 3}},
        ReaderCase{"crlf", "a|b|\r\nc|d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        ReaderCase{"empty_lines_skipped", "\n\na|\n\n", {{"a"}}, {3}},
        ReaderCase{"no_final_newline", "a|b|", {{"a", "b"}}, {1}},
        ReaderCase{"blanks_are_values", " |\\  x|\n", {{" ", "  x"}}, {1}},
        ReaderCase{"utf8", "\xc3\xa9t\xc3\xa9|\n", {{QString::fromUtf8("\xc3\xa9t\xc3\xa9")}}, {1}},
        ReaderCase{"empty_file", "", {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(UnloadReader, OtherDelimiterAndEscapeAcrossReadChunks)
{
    EXPECT_EQ(readAll("a|b;c;\n", QLatin1Char(';')).records, QList<QStringList>({{"a|b", "c"}}));
    // The backslash is the last byte of the first 1 MiB read.
    const QByteArray big = QByteArray((1 << 20) - 1, 'x') + "\\|y|\n";
    const Read read = readAll(big);
    ASSERT_EQ(read.records.size(), 1);
    EXPECT_EQ(read.records[0].size(), 1);
    EXPECT_TRUE(read.records[0][0].endsWith("x|y"));
}

struct LongRecordCase {
    const char *name;
    QByteArray input;
    const char *failure;  // empty: read whole
};

class UnloadReaderLimit : public ::testing::TestWithParam<LongRecordCase> {};

// With a limit of 32 bytes per record.
TEST_P(UnloadReaderLimit, RecordOverTheLimitNamesItsLine)
{
    const LongRecordCase &c = GetParam();
    try {
        const Read read = readAll(c.input, QLatin1Char('|'), 32);
        EXPECT_STREQ(c.failure, "") << read.records.size();
    } catch (const DbError &e) {
        EXPECT_EQ(e.message(), QString::fromUtf8(c.failure));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, UnloadReaderLimit,
    ::testing::Values(
        LongRecordCase{"at_the_limit", QByteArray(31, 'x') + "|\n" + QByteArray(32, '\n'), ""},
        LongRecordCase{"long_value", "ok|\n" + QByteArray(33, 'x') + "|\n",
                       "The record on line 2 of the load file is longer than 32 bytes, the most LOAD reads in one record."},
        LongRecordCase{"delimiters_only", "a|\n\n" + QByteArray(40, '|'),
                       "The record on line 3 of the load file is longer than 32 bytes, the most LOAD reads in one record."},
        LongRecordCase{"escaped_newlines", "a|\n" + QByteArray("x\\\n").repeated(20),
                       "The record on line 2 of the load file is longer than 32 bytes, the most LOAD reads in one record."}),
    [](const auto &info) { return std::string(info.param.name); });

// A device of endless NUL bytes stops at the real limit instead of taking all
// memory.
TEST(UnloadReader, EndlessRecordStopsAtTheLimit)
{
    QFile zero(QStringLiteral("/dev/zero"));
    if (!zero.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no /dev/zero";
    UnloadReader reader(zero, QLatin1Char('|'));
    DbCellRow values;
    try {
        reader.next(values);
        ADD_FAILURE() << "read a record of " << values.bytes.size() << " bytes";
    } catch (const DbError &e) {
        EXPECT_EQ(e.message(), "The record on line 1 of the load file is longer than 256 MB, the most LOAD reads in one "
                               "record.");
    }
}

} // namespace
