// The built-in object templates, their reset into the store, the token
// expansion at paste time and the case-insensitive replace it uses.
#include "app/settings.h"
#include "app/templates.h"
#include "app/textutil.h"
#include "catalogfixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace quodlin;

namespace {

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

} // namespace

TEST(BuiltInTemplates, StoredTextEndsEveryLineWithCrLf)
{
    for (const QString &kind : TemplateKinds()) {
        const QString text = BuiltInTemplate(kind);
        EXPECT_EQ(text, BuiltInTemplateLines(kind).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\n'))) << kind.toStdString();
    }
    EXPECT_TRUE(BuiltInTemplateLines(QStringLiteral("Index")).isEmpty());
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
    EXPECT_EQ(ExpandTemplateTokens(QStringLiteral("<CurDate>|<INITIALS>|<curdate>"), QDate(2007, 3, 9),
                                   QStringLiteral("ab"), QLatin1Char('.')),
              QStringLiteral("03.09.07|ab|03.09.07"));
    // Initials that look like a token are not expanded again; placeholders stay.
    EXPECT_EQ(ExpandTemplateTokens(QStringLiteral("<initials> <sp_new> sp_new <arg>"), date, QStringLiteral("<curdate>"),
                                   QLatin1Char('/')),
              QStringLiteral("<curdate> <sp_new> sp_new <arg>"));
    // The banner's history line of a built-in template.
    const QStringList lines = ExpandTemplateTokens(BuiltInTemplate(QStringLiteral("Stored Procedure")), date,
                                                   QStringLiteral("kmt"), QLatin1Char('/'))
                                  .split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), BuiltInTemplateLines(QStringLiteral("Stored Procedure")).size() + 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("-- 12/05/26 kmt Created.")));
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

// Every template, its placeholders filled, compiles in the embedded engine
// banner and all; the procedure returns its success value and turns a
// failure of its body into the -746 its handler raises.
TEST_F(Templates, FilledTemplatesCompileInTheEmbeddedEngine)
{
    const std::pair<const char *, const char *> fills[] = {
        {"<arg> <type>", "p_qty INTEGER"}, {"<return_type>", "INTEGER"}, {"<return_error>", "1"},
        {"<procedure body>", "INSERT INTO stock VALUES (p_qty, 'x');"}, {"<return_success>", "0"},
        {"<vw_new>", "vw_new"}, {"<col1>", "qty"}, {"<col2>", "name"}, {"<condition>", "qty > 0"},
        {"<tr_new>", "tr_new"}, {"<mode>", "INSERT"}, {"<referencing>", ""}, {"<px_proc()>", "px_log()"},
        {"<sy_new>", "sy_new"}, {"<table>", "stock"}};
    auto s = engine::Session::open(test::CreateEmbeddedDatabase(QStringLiteral("tpl")).toStdString(), "tester");
    s->execute("create table stock (qty integer, name char(8))");
    s->execute("create procedure px_log() end procedure");
    for (const QString &kind : TemplateKinds()) {
        QString text = BuiltInTemplate(kind);
        for (const auto &[from, to] : fills)
            text.replace(QString::fromLatin1(from), QString::fromLatin1(to));
        EXPECT_NO_THROW(s->execute(text.toStdString())) << kind.toStdString();
    }
    const auto first = [&s](const char *sql) {
        auto st = s->prepare(sql);
        st->execute();
        return st->next() ? st->value(0).integer : -1;
    };
    EXPECT_EQ(first("execute procedure sp_new(5)"), 0);
    EXPECT_EQ(first("select count(*) from sy_new, vw_new"), 1);
    s->execute("drop view vw_new");
    s->execute("drop table stock");
    try {
        s->execute("execute procedure sp_new(5)");
        ADD_FAILURE() << "the body's failure was not reported";
    } catch (const engine::EngineError &e) {
        EXPECT_EQ(e.sqlCode(), -746);
        EXPECT_EQ(e.info().message, "sp_new: Unexpected error (-206).");
    }
}
