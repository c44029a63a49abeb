#include "output/unloadreader.h"

#include <gtest/gtest.h>

#include <QBuffer>

using namespace quodlin;

namespace {

// Records as text, "<NULL>" for NULL, and the line each began on.
struct Read {
    QList<QStringList> records;
    QList<qint64> lines;
};

Read readAll(const QByteArray &bytes, QChar delimiter = QLatin1Char('|'))
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    UnloadReader reader(buffer, delimiter);
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

} // namespace
