// A query window and the object tree over the PostgreSQL data source: a run,
// Stop across the network, the server's restart with the offer to reconnect;
// a catalog that is not Informix's is said so in the tree.
#include "pgfixture.h"

#include "browser/objecttree.h"
#include "workspace/ui/queryform.h"
#include "workspace/workspace_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStatusBar>

using namespace quodlin;
using namespace quodlin::test;

namespace {

class PgWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shell = std::make_unique<FakeShell>();
        const QStringList params = PgServer::params().mid(1);
        browser = new StubBrowser(QLatin1String(PgServer::kDsn), params.join(QLatin1Char('\n')));
        shell->addChild(browser);
        browser->show();
        shell->SetCurrentConnection(&browser->module);
    }
    TfrmQuery *openQuery()
    {
        auto *q = new TfrmQuery(*shell);
        shell->addChild(q);
        q->show();
        q->bindConnection(shell->CurrentConnection());
        return q;
    }
    static void run(TfrmQuery *q, const QString &sql)
    {
        q->sqlEditor()->setPlainText(sql);
        q->ExecSQL();
        q->waitForRun();
    }
    static QString status(TfrmQuery *q) { return q->findChild<QStatusBar *>(QStringLiteral("StatusBar"))->currentMessage(); }
    static QString results(TfrmQuery *q)
    {
        return q->findChild<QPlainTextEdit *>(QStringLiteral("rtfResults"))->toPlainText();
    }

    ScopedDialogs dialogs;
    std::unique_ptr<FakeShell> shell;
    StubBrowser *browser = nullptr;
};

TEST_F(PgWindowTest, QueryWindowRunsStopsAndGoesOnAfterTheServerRestarts)
{
    TfrmQuery *q = openQuery();
    run(q, QStringLiteral("select cast(12345678901234567890.0123456789 as numeric(30,10)) as amount, 'Grüße' as word"));
    EXPECT_EQ(status(q), QStringLiteral("Query executed successfully."));
    EXPECT_TRUE(results(q).contains(QStringLiteral("12345678901234567890.0123456789"))) << results(q).toStdString();
    EXPECT_TRUE(results(q).contains(QStringLiteral("Grüße")));

    q->sqlEditor()->setPlainText(QStringLiteral("select pg_sleep(30)"));
    q->ExecSQL();
    ASSERT_TRUE(q->running());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    q->stop();
    clock.restart();
    while (q->running() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_TRUE(dialogs->messages[0].contains(QStringLiteral("SQLSTATE: 57014"))) << dialogs->messages[0].toStdString();
    EXPECT_TRUE(dialogs->questions.isEmpty());  // a stopped statement leaves the connection as it was

    // The server restarts: the run fails saying so; reconnecting is offered
    // and, declined, offered again on the next run; accepted, it goes on.
    ASSERT_EQ(PgEnvironment::server().stop(), QString());
    ASSERT_EQ(PgEnvironment::server().resume(), QString());
    dialogs->answers = {DialogAnswer::No, DialogAnswer::Yes};
    for (int attempt = 0; attempt < 2; ++attempt) {
        run(q, QStringLiteral("select 1"));
        EXPECT_TRUE(dialogs->messages.last().contains(QStringLiteral("connection to the database server was lost")))
            << dialogs->messages.last().toStdString();
    }
    EXPECT_EQ(dialogs->questions,
              QStringList(2, QStringLiteral("The connection to the database server was lost. Reconnect now?")));
    EXPECT_EQ(status(q), QStringLiteral("Reconnected."));
    run(q, QStringLiteral("select 'back' as word"));
    EXPECT_EQ(status(q), QStringLiteral("Query executed successfully."));
    EXPECT_TRUE(results(q).contains(QStringLiteral("back")));
}

TEST_F(PgWindowTest, TreeSaysTheCatalogIsNotInformixs)
{
    const ObjectTree tree = LoadObjectTree(browser->module, QStringLiteral("pgtest"), OwnerDisplay{});
    ASSERT_EQ(tree.nodes.size(), 2u);
    EXPECT_EQ(tree.nodes[1].label, QStringLiteral("This database has no Informix system catalog"));

    // The command-line tree prints the same.
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/quodlin-cli"),
            {QStringLiteral("-d"), QLatin1String(PgServer::kDsn), QStringLiteral("-u"), QLatin1String(PgServer::kUser),
             QStringLiteral("-p"), QLatin1String(PgServer::kPassword), QStringLiteral("tree")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().contains("This database has no Informix system catalog"));
}

} // namespace
