// The browser's leave checks and refresh rules over a browser stand-in.
#include "workspace/browseredits.h"
#include "workspace/objectcompile.h"
#include "workspace_fixture.h"

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

class FakeBrowser : public IRefreshHost {
public:
    bool hasCurrentNode() const override { return kind >= 0; }
    int currentNodeKind() const override { return kind; }
    ISqlEditor *objectEditor(int k) override
    {
        return k == KindView ? &view : k == KindProcedure ? &procedure : k == KindTrigger ? &trigger : nullptr;
    }
    ISqlEditor *sqlEditor() override { return &sql; }
    bool saveEditor(ISqlEditor *editor, bool isSql) override
    {
        log << QStringLiteral("save %1 %2").arg(editor == &sql ? "sql" : "object").arg(isSql);
        if (saveWorks)
            editor->setModified(false);
        return saveWorks;
    }
    bool isActiveWindow() const override { return active; }
    void setRefreshPending(bool on) override { pending = on; }
    void setStatus(const QString &text) override { log << text; }
    void reloadTree(const QString &caption) override { log << QStringLiteral("reload ") + caption; }
    QString selectedCaption() const override { return QStringLiteral("parts"); }

    int kind = KindProcedure;
    SqlTextBuffer sql{QStringLiteral("select 1 from t")};
    SqlTextBuffer view, procedure{QStringLiteral("CREATE PROCEDURE p()")}, trigger;
    bool saveWorks = true;
    bool active = true;
    bool pending = false;
    QStringList log;
};

class BrowserEditsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        browser.view.setModified(false);
        browser.trigger.setModified(false);
    }
    ScopedDialogs dialogs;
    FakeBrowser browser;
};

const QString kNote = QStringLiteral(" modified, save to file?\r\n(Note: compile may also be required to apply changes to database)");

TEST_F(BrowserEditsTest, ClosingAsksForTheQueryThenTheProcedure)
{
    dialogs->answers = {DialogAnswer::Cancel};
    EXPECT_FALSE(BrowserCanClose(browser));
    EXPECT_EQ(dialogs->questions, QStringList({"Query" + kNote}));

    dialogs->questions.clear();
    dialogs->answers = {DialogAnswer::No, DialogAnswer::Yes};
    EXPECT_TRUE(BrowserCanClose(browser));
    EXPECT_EQ(dialogs->questions, QStringList({"Query" + kNote, "Stored Procedure" + kNote}));
    EXPECT_EQ(browser.log, QStringList({"save object 0"}));
    EXPECT_FALSE(browser.sql.modified());
}

TEST_F(BrowserEditsTest, FailedSaveKeepsTheUserThere)
{
    browser.saveWorks = false;
    dialogs->answers = {DialogAnswer::Yes};
    bool allow = true;
    EXPECT_FALSE(CheckModifiedEditors(browser, allow, false, true, false, 0));
    EXPECT_FALSE(allow);
    EXPECT_TRUE(browser.procedure.modified());

    // Without a current node nothing is asked.
    browser.kind = -1;
    dialogs->questions.clear();
    EXPECT_TRUE(BrowserCanClose(browser));
    EXPECT_TRUE(dialogs->questions.isEmpty());
}

TEST_F(BrowserEditsTest, RefreshWaitsAsksAndReloads)
{
    browser.active = false;
    RefreshBrowser(browser, false);
    EXPECT_TRUE(browser.pending);
    EXPECT_TRUE(browser.log.isEmpty());

    browser.active = true;
    dialogs->answers = {DialogAnswer::No};
    RefreshBrowser(browser, true);
    EXPECT_FALSE(browser.pending);
    EXPECT_EQ(dialogs->questions, QStringList({"Refresh required, update objects now?"}));
    EXPECT_TRUE(browser.log.isEmpty());

    browser.procedure.setModified(false);
    dialogs->answers = {DialogAnswer::Yes};
    RefreshBrowser(browser, true);
    EXPECT_EQ(browser.log, QStringList({"Refreshing...", "reload parts"}));
}

} // namespace
