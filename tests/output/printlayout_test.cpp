// The printed document's layout in characters: tables keep every value whole
// by shrinking the type, then wrapping inside narrowed columns, then going on
// in a further band of columns; editor lines wrap at the page edge.
#include "output/printlayout.h"

#include <gtest/gtest.h>

using namespace quodlin;

namespace {

struct LayoutCase {
    const char *name;
    QList<PrintBlock> blocks;
    int pageChars;
    double scale;
    QStringList lines;
};

class PrintLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PrintLayoutTest, LinesAndTypeSize)
{
    const LayoutCase &c = GetParam();
    const PrintedDocument doc = LayoutForPrint(c.blocks, c.pageChars);
    EXPECT_NEAR(doc.scale, c.scale, 0.001);
    EXPECT_EQ(doc.lines, c.lines);
}

const QString kSentence = QStringLiteral("the quick brown fox jumps over the lazy dog again and again");
const QStringList kTen(5, QStringLiteral("abcdefghij"));

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintLayoutTest,
    ::testing::Values(
        LayoutCase{"ColumnsAsWideAsTheirWidestValueOrHeading",
                   {QStringList{"Columns"}, PrintTable{{"id", "name"}, {{"7", "Smith"}, {"", "Li"}}}},
                   80,
                   1,
                   {"Columns", "", "id name", "-- -----", "7  Smith", "   Li"}},
        LayoutCase{"TooWideShrinksTheType",
                   {PrintTable{{"a", "b"}, {{QString(30, 'x'), QString(30, 'y')}}}},
                   50,
                   50.0 / 61,
                   {"a" + QString(30, ' ') + "b", QString(30, '-') + ' ' + QString(30, '-'),
                    QString(30, 'x') + ' ' + QString(30, 'y')}},
        LayoutCase{"PastTheSmallestTypeTheWidestColumnWrapsAtBlanks",
                   {PrintTable{{"name", "note"}, {{"short", kSentence}}}},
                   30,
                   kPrintSmallestScale,
                   {"name  note", "----- " + QString(36, '-'), "short the quick brown fox jumps over the",
                    "      lazy dog again and again"}},
        LayoutCase{"ColumnsThatCannotFitGoOnInABandBelow",
                   {PrintTable{{"c1", "c2", "c3", "c4", "c5"}, {kTen}}},
                   20,
                   kPrintSmallestScale,
                   {"c1       c2        c3", "-------- --------- ---------", "abcdefgh abcdefghi abcdefghi",
                    "ij       j         j", "", "c4         c5", "---------- ----------", "abcdefghij abcdefghij"}},
        LayoutCase{"EditorLinesWrapWithoutShrinking",
                   {QStringList{"select a,", "  b from t where x = 'one two'"}},
                   16,
                   1,
                   {"select a,", "  b from t where", "x = 'one two'"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WrapText, KeepsEveryCharacterOfLongWordsAndLineBreaks)
{
    EXPECT_EQ(WrapText("abcdefgh", 3), QStringList({"abc", "def", "gh"}));
    EXPECT_EQ(WrapText("ab\n\ncd", 5), QStringList({"ab", "", "cd"}));
    EXPECT_EQ(WrapText("", 5), QStringList({""}));
    EXPECT_EQ(WrapText("a\tb", 10), QStringList({"a    b"}));
}

} // namespace
