// The built-in object templates, their reset into the store, the token
// expansion at paste time and the case-insensitive replace it uses.
#include "app/settings.h"
#include "app/templates.h"
#include "app/textutil.h"
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace quodlin;

namespace {

const QString kStars = QStringLiteral("--***************************************************************************");

class Templates : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("QUODLIN_HOME");
        qputenv("QUODLIN_HOME", m_home.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("QUODLIN_HOME", m_oldHome); }
    QTemporaryDir m_home;
    QByteArray m_oldHome;
};

QStringList expectedBanner(const char *placeholder)
{
    const QString p = QString::fromLatin1(placeholder);
    return {kStars,
            QStringLiteral("--***                       Quodlin object template                       ***"),
            kStars,
            QStringLiteral("-- Name...... <") + p + QStringLiteral(">"),
            QStringLiteral("-- File...... <") + p + QStringLiteral(">.sql"),
            QStringLiteral("-- Desc...... <line1>"),
            QStringLiteral("--            <lineN>"),
            QStringLiteral("--"),
            QStringLiteral("-- Outstanding"),
            QStringLiteral("-- Issues.... <none>"),
            QStringLiteral("--"),
            QStringLiteral("-- Change History"),
            QStringLiteral("-- =============="),
            QStringLiteral("-- <curdate> <initials> Created."),
            kStars};
}

} // namespace

TEST(BuiltInTemplates, LineCountsAndBannerShape)
{
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("Stored Procedure")).size(), 37);
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("View")).size(), 19);
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("Trigger")).size(), 20);
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("Synonym")).size(), 17);
    EXPECT_TRUE(BuiltInTemplateLines(QStringLiteral("Index")).isEmpty());
    const QString owner = BuiltInTemplateLines(QStringLiteral("View")).at(1);
    EXPECT_EQ(owner.size(), 77);
    EXPECT_TRUE(owner.startsWith(QStringLiteral("--*** ")));
    EXPECT_TRUE(owner.endsWith(QStringLiteral(" ***")));
    EXPECT_EQ(kStars.size(), 77);
}

TEST(BuiltInTemplates, ViewTriggerAndSynonymLines)
{
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("View")),
              (expectedBanner("vw_new") + QStringList{QStringLiteral("CREATE VIEW <vw_new> AS"),
                                                     QStringLiteral("  SELECT <table>.<col1>,<table>.<col2>"),
                                                     QStringLiteral("    FROM <table>"),
                                                     QStringLiteral("   WHERE <condition>;")}));
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("Trigger")),
              (expectedBanner("tr_new") + QStringList{QStringLiteral("CREATE TRIGGER <tr_new> <mode> ON <table> <referencing>"),
                                                     QStringLiteral("  FOR EACH ROW"), QStringLiteral("  ("),
                                                     QStringLiteral("    EXECUTE PROCEDURE <px_proc()>"),
                                                     QStringLiteral("  );")}));
    EXPECT_EQ(BuiltInTemplateLines(QStringLiteral("Synonym")),
              (expectedBanner("sy_new") + QStringList{QStringLiteral("CREATE SYNONYM <sy_new> FOR <table>;"), QString()}));
}

TEST(BuiltInTemplates, StoredProcedureLines)
{
    const QStringList lines = BuiltInTemplateLines(QStringLiteral("Stored Procedure"));
    ASSERT_EQ(lines.size(), 37);
    EXPECT_EQ(lines[0], QStringLiteral("CREATE PROCEDURE sp_new(<arg> <type>)"));
    EXPECT_EQ(lines[1], QStringLiteral("RETURNING <return_type>;"));
    EXPECT_EQ(lines.mid(2, 3), expectedBanner("sp_new").mid(0, 3));
    EXPECT_EQ(lines.mid(5, 4), expectedBanner("sp_new").mid(3, 4));
    EXPECT_EQ(lines.mid(9, 3), (QStringList{QStringLiteral("-- Params...."),
                                            QStringLiteral("-- Returns... INTEGER (0=success/1=error)"),
                                            QStringLiteral("-- Example...")}));
    EXPECT_EQ(lines.mid(12, 8), expectedBanner("sp_new").mid(7, 8));
    EXPECT_EQ(lines.mid(20), (QStringList{
                                 QStringLiteral("DEFINE errmsg      CHAR(255);"),
                                 QStringLiteral("DEFINE v_esql      INTEGER;"),
                                 QString(),
                                 QStringLiteral("ON EXCEPTION SET v_esql"),
                                 QStringLiteral("  LET errmsg = \"sp_new: Unexpected error (\" || v_esql || \").\";"),
                                 QStringLiteral("  RAISE EXCEPTION -746, 0, errmsg;"),
                                 QStringLiteral("  RETURN <return_error>;"),
                                 QStringLiteral("END EXCEPTION;"),
                                 QString(),
                                 QStringLiteral("  SET LOCK MODE TO WAIT;"),
                                 QString(),
                                 QStringLiteral("  <procedure body>"),
                                 QString(),
                                 QStringLiteral("  RETURN <return_success>;"),
                                 QString(),
                                 QStringLiteral("END PROCEDURE"),
                                 QStringLiteral("WITH LISTING IN '/tmp/sp_new.log';"),
                             }));
}

TEST(BuiltInTemplates, StoredTextEndsEveryLineWithCrLf)
{
    const QString text = BuiltInTemplate(QStringLiteral("Synonym"));
    EXPECT_TRUE(text.endsWith(QStringLiteral("CREATE SYNONYM <sy_new> FOR <table>;\r\n\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 17);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 17);
    EXPECT_TRUE(text.startsWith(kStars + QStringLiteral("\r\n")));
}

TEST_F(Templates, ResetWritesTheFourTemplatesAndTheFlag)
{
    EXPECT_FALSE(TemplatesInitialized());
    WriteTemplate(QStringLiteral("View"), QStringLiteral("my own view"));
    ResetTemplates();
    EXPECT_TRUE(TemplatesInitialized());
    QStringList stored;
    for (const QString &kind : TemplateKinds())
        stored << ReadTemplate(kind);
    EXPECT_EQ(stored, (QStringList{BuiltInTemplate(QStringLiteral("Stored Procedure")), BuiltInTemplate(QStringLiteral("View")),
                                   BuiltInTemplate(QStringLiteral("Trigger")), BuiltInTemplate(QStringLiteral("Synonym"))}));
    EXPECT_EQ(ReadTemplate(QStringLiteral("Index"), QStringLiteral("none")), QStringLiteral("none"));
}

TEST(TemplateTokens, DateAndInitialsAreFilledInWithoutRegardToCase)
{
    const QDate date(2026, 12, 5);
    EXPECT_EQ(ExpandTemplateTokens(QStringLiteral("-- <curdate> <initials> Created."), date, QStringLiteral("kmt"),
                                   QLatin1Char('/')),
              QStringLiteral("-- 12/05/26 kmt Created."));
    EXPECT_EQ(ExpandTemplateTokens(QStringLiteral("<CurDate>|<INITIALS>|<curdate>"), QDate(2007, 3, 9),
                                   QStringLiteral("ab"), QLatin1Char('.')),
              QStringLiteral("03.09.07|ab|03.09.07"));
    // Initials that look like a token are not expanded again; placeholders stay.
    EXPECT_EQ(ExpandTemplateTokens(QStringLiteral("<initials> <sp_new> sp_new <arg>"), date, QStringLiteral("<curdate>"),
                                   QLatin1Char('/')),
              QStringLiteral("<curdate> <sp_new> sp_new <arg>"));
}

TEST(TemplateTokens, ExpandedProcedureTemplate)
{
    const QStringList lines = ExpandTemplateTokens(BuiltInTemplate(QStringLiteral("Stored Procedure")), QDate(2026, 12, 5),
                                                   QStringLiteral("kmt"), QLatin1Char('/'))
                                  .split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 38); // 37 lines and the empty text after the last CR LF
    EXPECT_EQ(lines[18], QStringLiteral("-- 12/05/26 kmt Created."));
}

TEST(TemplateTokens, DateSeparatorComesFromTheLocale)
{
    EXPECT_EQ(DateSeparatorOf(QLocale(QLocale::English, QLocale::UnitedStates)), QLatin1Char('/'));
    EXPECT_EQ(DateSeparatorOf(QLocale(QLocale::German, QLocale::Germany)), QLatin1Char('.'));
    EXPECT_EQ(DateSeparatorOf(QLocale(QLocale::Swedish, QLocale::Sweden)), QLatin1Char('-'));
}

struct ReplaceRow {
    const char *name;
    const char *text;
    const char *from;
    const char *to;
    const char *result;
};

class ReplaceAll : public ::testing::TestWithParam<ReplaceRow> {};

TEST_P(ReplaceAll, Replace)
{
    const auto &r = GetParam();
    EXPECT_EQ(ReplaceAllText(QString::fromUtf8(r.text), QString::fromUtf8(r.from), QString::fromUtf8(r.to)),
              QString::fromUtf8(r.result));
}

INSTANTIATE_TEST_SUITE_P(Rows, ReplaceAll,
                         ::testing::Values(ReplaceRow{"MixedCase", "Sp_New sp_new SP_NEW", "sp_new", "p1", "p1 p1 p1"},
                                           ReplaceRow{"NoRescan", "aAa", "a", "aa", "aaaaaa"},
                                           ReplaceRow{"EmptyFrom", "abc", "", "x", "abc"},
                                           ReplaceRow{"NotFound", "abc", "z", "x", "abc"},
                                           ReplaceRow{"ToEmpty", "a<x>b<X>", "<x>", "", "ab"},
                                           ReplaceRow{"FormedMatchReplacedToo", "aabb", "ab", "", ""},
                                           ReplaceRow{"ReplacementHoldsSearch", "x sp_new", "sp_new", "SP_NEW2",
                                                      "x SP_NEW2"},
                                           ReplaceRow{"EmptyText", "", "a", "b", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

// The procedure template, its placeholders filled, compiles in the embedded
// engine, returns its success value, and turns a failure of its body into
// the -746 its handler raises.
TEST_F(Templates, FilledProcedureTemplateRunsInTheEmbeddedEngine)
{
    QString text = BuiltInTemplate(kTemplateStoredProcedure);
    const std::pair<const char *, const char *> fills[] = {
        {"<arg> <type>", "p_qty INTEGER"}, {"<return_type>", "INTEGER"}, {"<return_error>", "1"},
        {"<procedure body>", "INSERT INTO stock VALUES (p_qty);"}, {"<return_success>", "0"}};
    for (const auto &[from, to] : fills)
        text.replace(QString::fromLatin1(from), QString::fromLatin1(to));
    const std::string path = (m_home.path() + QStringLiteral("/tpl.db")).toStdString();
    engine::Session::createDatabase(path, "ann");
    auto s = engine::Session::open(path, "ann");
    s->execute("create table stock (qty integer)");
    s->execute(text.toStdString());
    auto run = s->prepare("execute procedure sp_new(5)");
    run->execute();
    ASSERT_TRUE(run->next());
    EXPECT_EQ(run->value(0).integer, 0);
    EXPECT_FALSE(run->next());
    s->execute("drop table stock");
    try {
        s->execute("execute procedure sp_new(5)");
        ADD_FAILURE() << "the body's failure was not reported";
    } catch (const engine::EngineError &e) {
        EXPECT_EQ(e.sqlCode(), -746);
        EXPECT_EQ(e.info().message, "sp_new: Unexpected error (-206).");
    }
}
