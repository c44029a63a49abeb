#include "db/dbquerymodel.h"

#include "catalogfixture.h"
#if __has_include(<QAbstractItemModelTester>)
#include <QAbstractItemModelTester>
#define QUODLIN_HAVE_MODEL_TESTER 1
#endif

using namespace quodlin;

namespace {

class DbQueryModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_fx.run("create table t (id integer, name char(8), hidden integer)");
        for (int i = 1; i <= 250; ++i)
            m_fx.run(QStringLiteral("insert into t values (%1, 'n%1', 0)").arg(i));
        m_db = &m_fx.module().dbDb();
        m_query = std::make_unique<DbQuery>(m_fx.session());
        m_query->setDatabaseName(m_fx.module().GetDatabaseName());
        m_query->setSql("select * from t order by id");
        m_query->setFieldVisible("hidden", false);
        m_query->setFieldLabel("name", "Name");
    }

    test::CatalogFixture m_fx{test::CatalogFixture::Text{}};
    DbDatabase *m_db = nullptr;
    std::unique_ptr<DbQuery> m_query;
};

TEST_F(DbQueryModelTest, ReadsRowsInChunksAsTheViewAsks)
{
    DbQueryModel model;
#ifdef QUODLIN_HAVE_MODEL_TESTER
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
#endif
    m_query->open();
    model.setQuery(m_query.get());
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("n1"));
    // While a worker holds the connection the grid reads nothing more.
    m_db->setBusy(true);
    EXPECT_FALSE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(m_query->fetchedRowCount(), 1);
    m_db->setBusy(false);
    while (model.canFetchMore({}))
        model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 250);
    EXPECT_EQ(model.data(model.index(249, 0)).toString(), QStringLiteral("250"));
}

TEST_F(DbQueryModelTest, ClosedOrReopenedQueryNeverCrashesTheView)
{
    DbQueryModel model;
#ifdef QUODLIN_HAVE_MODEL_TESTER
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
#endif
    m_query->open();
    model.setQuery(m_query.get());
    m_query->close();
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
    model.reset();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.canFetchMore({}));
}

TEST_F(DbQueryModelTest, EditsGoThroughTheLiveQuery)
{
    m_fx.run("create unique index t_id on t (id)");
    m_query->setLive(true);
    m_query->open();
    DbQueryModel model(m_query.get());
#ifdef QUODLIN_HAVE_MODEL_TESTER
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
#endif
    ASSERT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), "x1"));
    EXPECT_FALSE(model.lastError().isEmpty());
    EXPECT_TRUE(model.setData(model.index(0, 1), "first"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("first"));
    m_query->post();
    EXPECT_EQ(test::SelectText(m_fx.module(), "select name from t where id = 1").trimmed(), QStringLiteral("first"));
}

} // namespace
