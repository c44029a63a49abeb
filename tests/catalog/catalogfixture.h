#pragma once
// A catalog module connected to an embedded database in a temporary folder,
// filled from a script of tests/data (or the demo). Shared by the catalog
// and browser tests.
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/demo.h"
#include "engine/engine.h"
#include "workspace/statementsplitter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

namespace quodlin::test {

class CatalogFixture {
public:
    // SQL run as given, with the default environment (no DELIMIDENT) unless asked.
    struct Text {
        QString sql;
        bool delimident = false;
    };

    // `script`: a file under tests/data, or empty for the demo database.
    explicit CatalogFixture(const QString &script) : CatalogFixture(script, nullptr) {}
    explicit CatalogFixture(const Text &text) : CatalogFixture(QString(), &text.sql, text.delimident) {}

    void run(const QString &sql)
    {
        DbQuery q(*m_session);
        q.setDatabaseName(m_module->GetDatabaseName());
        q.setSql(sql);
        q.execSQL();
    }

    TdmDbObjects &module() { return *m_module; }
    DbSession &session() { return *m_session; }

private:
    CatalogFixture(const QString &script, const QString *sql, bool delimident = false)
    {
        m_session = std::make_unique<DbSession>(m_dir.filePath(QStringLiteral("aliases.conf")));
        auto driver = std::make_unique<EmbeddedDriver>(m_dir.filePath(QStringLiteral("databases")));
        EmbeddedDriver *embedded = driver.get();
        m_session->registerDriver(std::move(driver));
        QDir().mkpath(m_dir.filePath(QStringLiteral("databases")));
        engine::Session::createDatabase(embedded->databasePath(QStringLiteral("fx")).toStdString(), "tester");
        m_module = std::make_unique<TdmDbObjects>(*m_session);
        m_module->SetDatabaseName(QStringLiteral("QuodlinTest"));
        // Scripts may name objects in mixed case; the demo uses double-quoted strings.
        if (!script.isEmpty() || delimident)
            qputenv("DELIMIDENT", "y");
        m_module->Open(QString(), QStringLiteral("local\\fx"), QStringLiteral("tester"),
                       QStringLiteral("SERVER NAME=local\r\nDATABASE NAME=fx\r\nUSER NAME=tester\r\nPASSWORD="));
        qunsetenv("DELIMIDENT");
        QString text;
        if (sql) {
            text = *sql;
        } else if (script.isEmpty()) {
            text = QString::fromUtf8(engine::demoScript());
        } else {
            QFile file(QStringLiteral(QUODLIN_TEST_DATA "/") + script);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read " + script.toStdString());
            text = QString::fromUtf8(file.readAll());
        }
        for (const SqlStatementSpan &statement : SplitSqlStatements(text))
            run(statement.text);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<TdmDbObjects> m_module;
};

// Suites that only read the browser fixture build it once.
class BrowserFixtureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_fx = new CatalogFixture(QStringLiteral("browser/fixture.sql")); }
    static void TearDownTestSuite()
    {
        delete s_fx;
        s_fx = nullptr;
    }
    static inline CatalogFixture *s_fx = nullptr;
};

} // namespace quodlin::test
