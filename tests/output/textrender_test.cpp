#include "output/textrender.h"

#include "output/memoryquery.h"

using namespace quodlin;

namespace {

using TextRenderTest = quodlin::test::MemoryQueryTest;

TEST_F(TextRenderTest, WorkedExample)
{
    open({{text("id", DbFieldType::Integer), 5}, {text("name"), 4}},
         {{qlonglong(7), "Smith"}, {QVariant(), "Li"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"id    name", "----- ----", "7     Smit", "      Li"}));
}

TEST_F(TextRenderTest, EmptyResultGivesHeaderAndDashes)
{
    open({{text("a"), 3}}, {});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"a", "---"}));
}

TEST_F(TextRenderTest, AllHiddenGivesEmptyLines)
{
    m_query.setFieldVisible("a", false);
    open({{text("a"), 3}}, {{"x"}, {"y"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"", "", "", ""}));
}

TEST_F(TextRenderTest, LongLabelWidensTheColumnButValuesStillCut)
{
    m_query.setFieldLabel("d", "description");
    open({{text("d"), 4}, {text("n"), 1}}, {{"abcdefgh", "z"}});
    EXPECT_EQ(QueryToTextLines(m_query),
              QStringList({"description n", "----------- -", "abcd        z"}));
}

TEST_F(TextRenderTest, TrailingBlanksOnlyLeaveTheLastColumn)
{
    // Memo values keep their blanks in the layer, so the line trimming shows.
    open({{text("a", DbFieldType::Memo), 4}, {text("b", DbFieldType::Memo), 6}}, {{"x  ", "y  "}});
    EXPECT_EQ(QueryToTextLines(m_query).last(), QStringLiteral("x    y"));
}

TEST_F(TextRenderTest, HiddenFieldsSkippedInEveryLine)
{
    m_query.setFieldVisible("b", false);
    open({{text("a"), 2}, {text("b"), 2}, {text("c"), 2}}, {{"1", "2", "3"}});
    EXPECT_EQ(QueryToTextLines(m_query), QStringList({"a  c", "-- --", "1  3"}));
}

TEST_F(TextRenderTest, PositionIsRestored)
{
    open({{text("a"), 2}}, {{"1"}, {"2"}, {"3"}});
    m_query.next();
    QueryToTextLines(m_query);
    EXPECT_EQ(m_query.recNo(), 1);
    EXPECT_EQ(m_query.field(0).displayText(), QStringLiteral("2"));
}

TEST_F(TextRenderTest, ErrorEndsTheWalkSilentlyAndRestoresPosition)
{
    open({{text("a"), 2}}, {{"1"}, {"2"}, {"3"}, {"4"}}, 3);
    m_query.next();
    QStringList lines;
    EXPECT_NO_THROW(lines = QueryToTextLines(m_query));
    EXPECT_EQ(lines, QStringList({"a", "--", "1", "2", "3"}));
    EXPECT_EQ(m_query.recNo(), 1);
}

TEST_F(TextRenderTest, ClosedQueryGivesNothing)
{
    EXPECT_EQ(QueryToTextLines(m_query), QStringList());
}

} // namespace
