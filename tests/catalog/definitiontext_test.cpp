// Definition texts rebuilt from catalog rows: the hand-made rows of the
// known cases, then the rows a real catalog stores.
#include "catalog/definitiontext.h"

#include "catalogfixture.h"

#include <gtest/gtest.h>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

QString blanks(qsizetype n) { return QString(n, QLatin1Char(' ')); }

// Cuts a statement into stored rows and drops each row's trailing blanks, as the layer returns them.
QStringList storedRows(const QString &statement, int width)
{
    QStringList rows;
    for (qsizetype i = 0; i < statement.size(); i += width) {
        QString row = statement.mid(i, width);
        while (row.endsWith(QLatin1Char(' ')))
            row.chop(1);
        rows << row;
    }
    return rows;
}

TEST(ViewText, RestoresTheBlankThatEndedAChunk)
{
    // Row 1 holds 63 characters ending in "a, b" and a blank at position 64,
    // which the layer drops; row 2 begins with "from t1".
    const QString head = QStringLiteral("create view vb (xa, b) as select x");
    const QString row1 = head + QString(63 - head.size() - 4, QLatin1Char('x')) + QStringLiteral("a, b");
    ASSERT_EQ(row1.size(), 63);
    const QString text = RebuildViewText(QStringList{row1, QStringLiteral("from t1")});
    EXPECT_TRUE(text.contains(QStringLiteral("a, b\r\n   FROM t1"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("bfrom")));
}

TEST(ViewText, FiveLinesWithTheLastChunkPadded)
{
    const QString stored = QStringLiteral("create view va (a) as select a from t1 where a > 0 group by a");
    const QString text = RebuildViewText(storedRows(stored, kViewChunkWidth));
    EXPECT_EQ(text, QStringLiteral("CREATE VIEW va (a) AS\r\n"
                                   "  SELECT a\r\n"
                                   "   FROM t1\r\n"
                                   "   WHERE a > 0\r\n"
                                   "   GROUP BY a")
                        + blanks(64 - stored.size()));
}

TEST(ViewText, ChunksAreCountedInBytes)
{
    // 60 bytes in 58 characters: the row is padded with 4 blanks, not 6.
    const QString row = QStringLiteral("create view v (a) as select \"caf") + QChar(0xe9) + QChar(0xe9)
                        + QString(60 - 36, QLatin1Char('x'));
    ASSERT_EQ(row.toUtf8().size(), 60);
    EXPECT_EQ(RebuildViewText(QStringList{row, QStringLiteral("\"")}),
              QStringLiteral("CREATE VIEW v (a) AS\r\n  SELECT ") + row.mid(28) + blanks(4) + QStringLiteral("\"")
                  + blanks(63));
}

struct LayoutCase {
    const char *name;
    const char *stored;
    const char *text;
};

class ViewLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ViewLayoutTest, LaysOutKeywordsWithOneBlankEachSide)
{
    const QString stored = QString::fromLatin1(GetParam().stored);
    const QString text = RebuildViewText(storedRows(stored, kViewChunkWidth));
    EXPECT_EQ(text.trimmed(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewLayoutTest,
    ::testing::Values(
        LayoutCase{"AsAndSelectOnTwoLines", "create view v as\nselect a from t", "CREATE VIEW v as\nselect a\r\n   FROM t"},
        LayoutCase{"LiteralsAndCommentsKeptWhole",
                   "create view v as select 'a from b', 'it''s from' x from t -- all from t\nwhere a = \"b where\"",
                   "CREATE VIEW v AS\r\n  SELECT 'a from b', 'it''s from' x\r\n   FROM t -- all from t\nwhere a = \"b where\""},
        LayoutCase{"OrderByAndCheckOption", "create view v as select a from t order by a with check option",
                   "CREATE VIEW v AS\r\n  SELECT a\r\n   FROM t\r\n   ORDER BY a\r\n  WITH CHECK OPTION"},
        LayoutCase{"TwoBlanksInsideAKeywordDoNotMatch", "create view v as select a from t group  by a",
                   "CREATE VIEW v AS\r\n  SELECT a\r\n   FROM t group  by a"},
        LayoutCase{"TabBesideAKeywordStays", "create view v as select a\tfrom t", "CREATE VIEW v AS\r\n  SELECT a  from t"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TriggerText, HeaderJoinedAndTrimmedThenActionsPadded)
{
    const QString header1 = QStringLiteral("create trigger tr update of a on t referencing old as o new as n ");
    const QString header2 = QStringLiteral("for each row");
    const QStringList actions{QStringLiteral("when (n.a > 0)"), QStringLiteral("(insert into log values (1),"),
                              QStringLiteral("\tinsert into log values (2))")};
    const QList<TriggerBodyRow> rows{{QStringLiteral("D"), header1.trimmed()}, {QStringLiteral("D"), header2},
                                     {QStringLiteral("A"), actions[0]}, {QStringLiteral("A"), actions[1]},
                                     {QStringLiteral("A"), actions[2]}};
    QString expected = header1 + blanks(256 - header1.size()) + header2 + QStringLiteral("\r\n");
    for (const QString &action : actions)
        expected += QString(action).replace(QLatin1Char('\t'), QStringLiteral("  ")) + blanks(256 - action.size());
    EXPECT_EQ(RebuildTriggerText(rows), expected);
    EXPECT_EQ(RebuildTriggerText(QList<TriggerBodyRow>{}), QStringLiteral("\r\n"));
}

TEST(ProcedureText, TabsBecomeTwoBlanksAndChunksArePadded)
{
    const QString text = RebuildProcedureText(QStringList{QStringLiteral("create procedure p()\n\tlet a = 1;"),
                                                          QStringLiteral("end procedure")});
    EXPECT_FALSE(text.contains(QLatin1Char('\t')));
    const QString first = QStringLiteral("create procedure p()\n\tlet a = 1;");
    EXPECT_EQ(text, QStringLiteral("create procedure p()\n  let a = 1;") + blanks(256 - first.size())
                        + QStringLiteral("end procedure") + blanks(256 - 13));
    EXPECT_EQ(RebuildProcedureText(QStringList{}), QString());
}

// The texts the engine stores come back as written.
TEST(DefinitionTextFromCatalog, ViewProcedureAndTrigger)
{
    test::CatalogFixture fx(QStringLiteral("browser/fixture.sql"));
    TdmDbObjects &m = fx.module();
    m.LoadTable(QStringLiteral("v1"), QStringLiteral("tester"));
    EXPECT_EQ(RebuildViewText(m.qryViewBody()).trimmed(),
              QStringLiteral("CREATE VIEW v1 (a) AS\r\n  SELECT a\r\n   FROM items\r\n   WHERE a > 0\r\n   GROUP BY a"));

    m.LoadProc(QStringLiteral("print_x"), QStringLiteral("tester"));
    EXPECT_EQ(RebuildProcedureText(m.qryProcBody()).trimmed(),
              QStringLiteral("create procedure print_x(p integer)\n  define v integer;\n  let v = p;\nend procedure"));

    m.LoadTrigger(QStringLiteral("tr_ins"), QStringLiteral("tester"));
    EXPECT_EQ(RebuildTriggerText(m.qryTrigBody()).trimmed(),
              QStringLiteral("create trigger tr_ins insert on items\r\nafter (insert into audit values (1))"));
}

// Letters beyond ASCII that fall on a row boundary stay whole.
TEST(DefinitionTextFromCatalog, TextsBeyondAsciiComeBackWhole)
{
    test::CatalogFixture fx(QStringLiteral("schema/everything.sql"));
    TdmDbObjects &m = fx.module();
    m.LoadTable(QStringLiteral("vue_café"), QStringLiteral("tester"));
    EXPECT_TRUE(RebuildViewText(m.qryViewBody())
                    .contains(QStringLiteral("\r\n   WHERE prix_ñ <> 'déjà vu €€€ ééé ¿qué? ★★★ ñandú — fin'")));

    m.LoadProc(QStringLiteral("procédure"), QStringLiteral("tester"));
    const QString procedure = RebuildProcedureText(m.qryProcBody());
    EXPECT_TRUE(procedure.contains(QStringLiteral("'Ελληνικά κείμενα · русский текст · 日本語のテキスト';\n")))
        << procedure.toStdString();
    EXPECT_TRUE(procedure.trimmed().endsWith(QStringLiteral("values (a, x);\nend procedure")));

    m.LoadTrigger(QStringLiteral("déclencheur"), QStringLiteral("tester"));
    const QString trigger = RebuildTriggerText(m.qryTrigBody());
    for (const QString &literal : {QStringLiteral("'Ελληνικά κείμενα · русский текст · 日本語のテキスト · ñandú €€€ ✓✓✓ ¿qué?'"),
                                   QStringLiteral("'ÀÉÎÕÜ àéîõü ÇÑ çñ ßẞ ŒÆ œæ ★☆ ♠♣♥♦ ✓✗ ←→↑↓ €£¥ ‰ … “” ‘’ ¡¿ fin'))")})
        EXPECT_TRUE(trigger.contains(literal)) << trigger.toStdString();
}

} // namespace
