#pragma once
// The databases the tests browse and query: the demo, or a script of
// tests/data (run with DELIMIDENT, so quoted names keep their case), each
// built once per test program and copied where a test wants one.
// CatalogFixture connects a catalog module to a copy in a temporary folder;
// AliasedDatabase puts a copy in the test home under an alias of its own.
#include "catalog/dbobjectsmodule.h"
#include "db/aliasconfig.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/demo.h"
#include "engine/engine.h"
#include "workspace/statementsplitter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

namespace quodlin::test {

// The built database of `script` (empty: the demo); made on first use.
inline QString SeedDatabase(const QString &script)
{
    static QTemporaryDir folder;
    static QHash<QString, QString> seeds;
    if (const auto it = seeds.constFind(script); it != seeds.constEnd())
        return *it;
    QString text = QString::fromUtf8(engine::demoScript());
    if (!script.isEmpty()) {
        QFile file(QStringLiteral(QUODLIN_TEST_DATA "/") + script);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + script.toStdString());
        text = QString::fromUtf8(file.readAll());
    }
    const QString path = folder.filePath(QStringLiteral("seed%1.db").arg(seeds.size()));
    engine::Session::createDatabase(path.toStdString(), "tester");
    engine::Environment env;
    env.delimident = !script.isEmpty();
    engine::Session::open(path.toStdString(), "tester", env)->execute(text.toStdString());
    seeds.insert(script, path);
    return path;
}

// A fresh empty embedded database of the test home.
inline QString CreateEmbeddedDatabase(const QString &name)
{
    const QString path = EmbeddedDriver().databasePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    engine::Session::createDatabase(path.toStdString(), "tester");
    return path;
}

// A fresh copy of the seed of `script` in the test home, reached by the alias `name`.
inline QString AliasedDatabase(const QString &name, const QString &script = {})
{
    const QString path = EmbeddedDriver().databasePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    if (!QFile::copy(SeedDatabase(script), path))
        throw std::runtime_error("cannot copy to " + path.toStdString());
    AliasConfig config = AliasConfig::load(AliasConfig::defaultPath());
    if (!config.find(name)) {
        config.aliases << DbAlias{name, QStringLiteral("EMBEDDED"), {QStringLiteral("DATABASE NAME=") + name}};
        config.save(AliasConfig::defaultPath());
    }
    return path;
}

inline void RunSql(TdmDbObjects &module, const QString &sql)
{
    DbQuery q(module.session());
    q.setDatabaseName(module.uniqueDatabaseName());
    q.setSql(sql);
    q.execSQL();
}

inline QString SelectText(TdmDbObjects &module, const QString &sql)
{
    DbQuery q(module.session());
    q.setDatabaseName(module.uniqueDatabaseName());
    q.setSql(sql);
    q.open();
    return q.eof() ? QString() : q.field(0).asString();
}

class CatalogFixture {
public:
    // SQL run as given on an empty database, with the default environment
    // (no DELIMIDENT) unless asked.
    struct Text {
        QString sql;
        bool delimident = false;
    };

    // `script`: a file under tests/data, or empty for the demo database.
    explicit CatalogFixture(const QString &script) : CatalogFixture(script, nullptr) {}
    explicit CatalogFixture(const Text &text) : CatalogFixture(QString(), &text.sql, text.delimident) {}

    void run(const QString &sql) { RunSql(*m_module, sql); }

    TdmDbObjects &module() { return *m_module; }
    DbSession &session() { return *m_session; }
    // The embedded driver's data folder (the database, the explain files).
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("databases")); }

private:
    CatalogFixture(const QString &script, const QString *sql, bool delimident = false)
    {
        m_session = std::make_unique<DbSession>(m_dir.filePath(QStringLiteral("aliases.conf")));
        auto driver = std::make_unique<EmbeddedDriver>(m_dir.filePath(QStringLiteral("databases")));
        const QString path = driver->databasePath(QStringLiteral("fx"));
        m_session->registerDriver(std::move(driver));
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (sql)
            engine::Session::createDatabase(path.toStdString(), "tester");
        else if (!QFile::copy(SeedDatabase(script), path))
            throw std::runtime_error("cannot copy to " + path.toStdString());
        m_module = std::make_unique<TdmDbObjects>(*m_session);
        m_module->SetDatabaseName(QStringLiteral("QuodlinTest"));
        // Scripts may name objects in mixed case; the demo uses double-quoted strings.
        if (!script.isEmpty() || delimident)
            qputenv("DELIMIDENT", "y");
        m_module->Open(QString(), QStringLiteral("local\\fx"), QStringLiteral("tester"),
                       QStringLiteral("SERVER NAME=local\r\nDATABASE NAME=fx\r\nUSER NAME=tester\r\nPASSWORD="));
        qunsetenv("DELIMIDENT");
        if (sql)
            for (const SqlStatementSpan &statement : SplitSqlStatements(*sql))
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
