// Memorized queries in the settings store and the paste dialog over them.
#include "app/settingdefs.h"
#include "app/templates.h"
#include "workspace/memorizedqueries.h"
#include "workspace/ui/memorizedqueriesform.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

class MemorizedQueriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QString &d : MemorizedQueryDescriptions())
            RemoveMemorizedQuery(d);
        ResetTemplates();
    }
};

TEST_F(MemorizedQueriesTest, DescriptionsRoundTripWhateverTheyHold)
{
    const QStringList descriptions = {"plain", "a/b and c\\d", "100% sure", "My Template: x"};
    for (const QString &d : descriptions)
        MemorizeQuery(d, QStringLiteral("select '") + d + QStringLiteral("' from t"));
    MemorizeQuery(QStringLiteral("plain"), QStringLiteral("select 2 from t"));  // replaced, listed once

    QStringList listed = MemorizedQueryDescriptions();
    listed.sort();
    QStringList expected = descriptions;
    expected.sort();
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(EntryText(QStringLiteral("plain"), {}), QStringLiteral("select 2 from t"));
    EXPECT_EQ(EntryText(QStringLiteral("a/b and c\\d"), {}), QStringLiteral("select 'a/b and c\\d' from t"));
    EXPECT_EQ(EntryText(QStringLiteral("My Template: x"), {}), QStringLiteral("select 'My Template: x' from t"));
    EXPECT_EQ(EntryText(QStringLiteral("missing"), {}), QString());

    EXPECT_TRUE(CanRemoveEntry(QStringLiteral("a/b and c\\d")));
    EXPECT_FALSE(CanRemoveEntry(QStringLiteral("My Template: x")));
    EXPECT_FALSE(CanRemoveEntry(QStringLiteral("Template: View")));
    EXPECT_TRUE(RemoveMemorizedQuery(QStringLiteral("a/b and c\\d")));
    EXPECT_FALSE(MemorizedQueryDescriptions().contains(QStringLiteral("a/b and c\\d")));
}

TEST_F(MemorizedQueriesTest, TemplateEntriesFillDateAndInitials)
{
    WriteTemplate(kTemplateSynonym, QStringLiteral("-- <curdate> <INITIALS>\r\n"));
    Settings::write(Settings::Initials, QStringLiteral("abc"));
    const QDate fixed(2026, 12, 5);
    const QString text = EntryText(QStringLiteral("Template: Synonym"), fixed);
    const QChar sep = DateSeparatorOf(QLocale::system());
    EXPECT_EQ(text, QStringLiteral("-- 12") + sep + QStringLiteral("05") + sep + QStringLiteral("26 abc\r\n"));
    EXPECT_EQ(TemplateTextForPaste(QStringLiteral("Nonesuch"), QStringLiteral("keep <initials>"), fixed),
              QStringLiteral("keep abc"));
    EXPECT_EQ(EntryText(QStringLiteral("Template: Nonesuch"), fixed), QString());
}

TEST_F(MemorizedQueriesTest, DialogListsTemplatesFirstAndGuardsRemove)
{
    MemorizeQuery(QStringLiteral("My Template: x"), QStringLiteral("select 1 from t"));
    MemorizeQuery(QStringLiteral("daily"), QStringLiteral("select 2 from t"));
    TfrmMemorizedQueries dialog;
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("lstItems"));
    auto *paste = dialog.findChild<QPushButton *>(QStringLiteral("btnPaste"));
    auto *remove = dialog.findChild<QPushButton *>(QStringLiteral("btnRemove"));
    ASSERT_EQ(list->count(), 6);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Template: Stored Procedure"));
    EXPECT_EQ(list->item(3)->text(), QStringLiteral("Template: Synonym"));
    EXPECT_FALSE(paste->isEnabled());

    const auto select = [list](const QString &text) { list->setCurrentItem(list->findItems(text, Qt::MatchExactly).first()); };
    select(QStringLiteral("My Template: x"));
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    select(QStringLiteral("daily"));
    EXPECT_TRUE(remove->isEnabled());
    dialog.btnRemoveClick();
    EXPECT_EQ(list->count(), 5);

    select(QStringLiteral("My Template: x"));
    dialog.btnPasteClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenText(), QStringLiteral("select 1 from t"));
}

} // namespace
