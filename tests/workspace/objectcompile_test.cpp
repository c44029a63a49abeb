// Compile with restore and drop on a real embedded database, also for the
// legal names that break SQL pasted from names.
#include "browser/objectdetails.h"
#include "hostilenames.h"
#include "workspace/objectcompile.h"
#include "workspace/sqlanalysis.h"
#include "db/dberror.h"
#include "workspace_fixture.h"

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;
using namespace quodlin::test;

namespace {

class CompileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateEmbeddedDatabase(QStringLiteral("compiles"));
        browser = std::make_unique<StubBrowser>(QStringLiteral("compiles"));
        compile.setDatabaseName(browser->module.uniqueDatabaseName());
        RunSql(browser->module, QStringLiteral("create table parts (id integer, name char(20))"));
        hooks.status = [this](const QString &t) { log << t; };
        hooks.showError = [this](const QString &r) { log << QStringLiteral("error: ") + r.section(QStringLiteral("\r\n"), 0, 0); errors << r; };
        hooks.showErrorPosition = [this](int offset) { log << QStringLiteral("at %1").arg(offset); };
    }
    int count(const QString &sql) { return SelectText(browser->module, sql).toInt(); }
    int procedures(const QString &name)
    {
        return SelectText(browser->module, QStringLiteral("select count(*) from sysprocedures where procname = '")
                                               + name + QLatin1Char('\''))
            .toInt();
    }

    std::unique_ptr<StubBrowser> browser;
    DbQuery compile{DbSession::defaultSession()};
    CompileHooks hooks;
    QStringList log;
    QStringList errors;
};

const QString kP1 = QStringLiteral("CREATE PROCEDURE p1() RETURNING INTEGER;\n  RETURN 1;\nEND PROCEDURE");

TEST_F(CompileTest, NewProcedureCompilesAfterASilentDrop)
{
    SqlTextBuffer editor(kP1);
    QString loaded;
    const CompileResult r = ExecDropCreate(editor, compile, loaded, hooks);
    EXPECT_TRUE(r.compiled);
    EXPECT_FALSE(r.dropped);
    EXPECT_EQ(log, QStringList({"Dropping object...", "Compiling object...", "Object compiled successfully."}));
    EXPECT_EQ(loaded, editor.text());
    EXPECT_EQ(procedures("p1"), 1);
    EXPECT_FALSE(compile.isOpen());
}

TEST_F(CompileTest, BrokenChangeIsReportedAndTheLoadedDefinitionRestored)
{
    RunSql(browser->module, kP1);
    const std::optional<TNodeInfo> node = FindObjectNode(browser->module, KindProcedure, QStringLiteral("p1"));
    ASSERT_TRUE(node.has_value());
    QString loaded = LoadObjectDefinition(browser->module, *node);
    ASSERT_TRUE(loaded.startsWith(QStringLiteral("CREATE PROCEDURE p1()"))) << loaded.toStdString();
    SqlTextBuffer editor(QStringLiteral("CREATE PROCEDURE p1() RETURNING INTEGER;\n  RETURN 1 +;\nEND PROCEDURE"));
    const QString before = loaded;
    const CompileResult r = ExecDropCreate(editor, compile, loaded, hooks);
    EXPECT_FALSE(r.compiled);
    EXPECT_TRUE(r.dropped);
    EXPECT_FALSE(r.restoreFailed);
    ASSERT_EQ(log.size(), 6) << log.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(log[2], QStringLiteral("error: Database Error in [TfrmDbObjects.ExecDropCreate]:"));
    EXPECT_TRUE(log[3].startsWith(QStringLiteral("at ")));
    EXPECT_GT(log[3].mid(3).toInt(), 40);  // on the second line, not at the start
    EXPECT_EQ(log.mid(4), QStringList({"Restoring object...", "Object compiled with errors."}));
    EXPECT_EQ(loaded, before);
    EXPECT_EQ(procedures("p1"), 1);
    EXPECT_TRUE(editor.text().contains(QStringLiteral("RETURN 1 +;")));  // the failing text stays
}

TEST_F(CompileTest, TemplateNamesFollowTheCreateLine)
{
    // Still named sp_new: nothing renamed, DROP PROCEDURE sp_new fails silently.
    SqlTextBuffer kept(QStringLiteral("CREATE PROCEDURE sp_new()\n-- Name...... <sp_new>\nEND PROCEDURE"));
    QString loaded;
    EXPECT_FALSE(ExecDropCreate(kept, compile, loaded, hooks).dropped);
    EXPECT_TRUE(kept.text().contains(QStringLiteral("<sp_new>")));
    EXPECT_EQ(procedures("sp_new"), 1);

    // Renamed in the CREATE line: every placeholder follows before the CREATE runs.
    SqlTextBuffer renamed(QStringLiteral("CREATE PROCEDURE p_renamed()\n-- Name...... <sp_new>\n"
                                         "-- File...... <sp_new>.sql\n-- Note: sp_new\nEND PROCEDURE"));
    EXPECT_TRUE(ExecDropCreate(renamed, compile, loaded, hooks).compiled);
    EXPECT_EQ(renamed.lines(), QStringList({"CREATE PROCEDURE p_renamed()", "-- Name...... p_renamed",
                                            "-- File...... p_renamed.sql", "-- Note- p_renamed", "END PROCEDURE"}));
    EXPECT_EQ(procedures("p_renamed"), 1);
}

TEST_F(CompileTest, LowerCaseCreateLineIsNotDroppedFirst)
{
    RunSql(browser->module, kP1);
    SqlTextBuffer editor(QStringLiteral("create procedure p1() returning integer;\n  return 2;\nend procedure"));
    QString loaded = QStringLiteral("unused");
    const CompileResult r = ExecDropCreate(editor, compile, loaded, hooks);
    EXPECT_FALSE(r.dropped);
    EXPECT_FALSE(r.compiled);
    EXPECT_FALSE(log.contains(QStringLiteral("Restoring object...")));
    EXPECT_EQ(log.last(), QStringLiteral("Object compiled with errors."));
    EXPECT_EQ(procedures("p1"), 1);
}

// A transaction the user opened on the connection is theirs: compile runs in
// it without committing, and a failed text is followed by the old one.
TEST_F(CompileTest, InTheUsersTransactionCompileNeitherBeginsNorCommits)
{
    RunSql(browser->module, kP1);
    const QString run = QStringLiteral("execute procedure p1()");
    RunSql(browser->module, QStringLiteral("BEGIN WORK"));
    SqlTextBuffer two(QStringLiteral("CREATE PROCEDURE p1() RETURNING INTEGER;\n  RETURN 2;\nEND PROCEDURE"));
    QString loaded = kP1;
    EXPECT_TRUE(ExecDropCreate(two, compile, loaded, hooks).compiled);
    EXPECT_EQ(SelectText(browser->module, run), QStringLiteral("2"));
    RunSql(browser->module, QStringLiteral("ROLLBACK WORK"));
    EXPECT_EQ(SelectText(browser->module, run), QStringLiteral("1"));

    RunSql(browser->module, QStringLiteral("BEGIN WORK"));
    SqlTextBuffer broken(QStringLiteral("CREATE PROCEDURE p1() RETURNING INTEGER;\n  RETURN 2 +;\nEND PROCEDURE"));
    loaded = kP1;
    const CompileResult r = ExecDropCreate(broken, compile, loaded, hooks);
    EXPECT_FALSE(r.compiled);
    EXPECT_TRUE(r.dropped);
    EXPECT_FALSE(r.restoreFailed);
    RunSql(browser->module, QStringLiteral("COMMIT WORK"));
    EXPECT_EQ(SelectText(browser->module, run), QStringLiteral("1"));
    EXPECT_EQ(procedures(QStringLiteral("p1")), 1);
}

struct DropRow {
    const char *name;
    int kind;
    const char *owner;
    const char *object;
    const char *statement;
};

class DropStatements : public ::testing::TestWithParam<DropRow> {};

TEST_P(DropStatements, Statement)
{
    const DropRow &r = GetParam();
    EXPECT_EQ(DropObjectStatement(r.kind, QString::fromUtf8(r.owner), QString::fromUtf8(r.object),
                                  SqlNameStyle::Delimident),
              QString::fromUtf8(r.statement));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DropStatements,
    ::testing::Values(DropRow{"Category", KindCategory, "", "t", ""}, DropRow{"Table", KindTable, "", "t", "DROP TABLE t"},
                      DropRow{"View", KindView, "", "t", "DROP VIEW t"},
                      DropRow{"Procedure", KindProcedure, "", "t", "DROP PROCEDURE t"},
                      DropRow{"Trigger", KindTrigger, "", "t", "DROP TRIGGER t"},
                      DropRow{"Synonym", KindSynonym, "", "t", "DROP SYNONYM t"},
                      DropRow{"User", KindUser, "", "t", ""}, DropRow{"Role", KindRole, "", "t", ""},
                      DropRow{"Statement", KindTable, "", "a; drop table victim", "DROP TABLE \"a; drop table victim\""},
                      DropRow{"Owner", KindView, "Joe Smith", "v", "DROP VIEW \"Joe Smith\".v"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CompileTest, DropRunsOnceAndReportsAMissingObject)
{
    const QString drop = DropObjectStatement(KindTable, {}, QStringLiteral("parts"), SqlNameStyle::Delimident);
    DropObject(compile, drop);
    EXPECT_EQ(SelectText(browser->module, QStringLiteral("select count(*) from systables where tabname = 'parts'")),
              QStringLiteral("0"));
    EXPECT_THROW(DropObject(compile, drop), DbEngineError);
    EXPECT_FALSE(compile.isOpen());
    // Built text of two statements never runs.
    RunSql(browser->module, QStringLiteral("create table victim (id integer)"));
    EXPECT_THROW(DropObject(compile, QStringLiteral("DROP TABLE a; DROP TABLE victim")), DbError);
    EXPECT_EQ(count(QStringLiteral("select count(*) from systables where tabname = 'victim'")), 1);
    // Without DELIMIDENT a name that needs quotes is refused with its name, not pasted.
    try {
        DropObjectStatement(KindTable, {}, QStringLiteral("my table"), SqlNameStyle::Plain);
        FAIL() << "written";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"my table\""))) << e.message().toStdString();
    }
}

// Every object kind under each legal name that breaks pasted SQL, with
// DELIMIDENT on: the data page reads the right table, drop drops it alone, and
// compile replaces views, procedures, triggers and synonyms, a table named
// victim surviving every step.
class HostileNameTest : public ::testing::TestWithParam<quodlin::testing::HostileName> {
protected:
    void SetUp() override
    {
        qputenv("DELIMIDENT", "y");
        CreateEmbeddedDatabase(QStringLiteral("hostile"));
        browser = std::make_unique<StubBrowser>(QStringLiteral("hostile"));
        compile.setDatabaseName(browser->module.uniqueDatabaseName());
        for (const char *sql : {"create table victim (id integer)", "insert into victim values (7)",
                                "create table parts (id integer)", "create table bins (id integer)",
                                "insert into bins values (5)", "create table log (v integer)"})
            RunSql(browser->module, QString::fromLatin1(sql));
        name = GetParam().name;
    }
    void TearDown() override { qunsetenv("DELIMIDENT"); }
    QString quoted() const { return SqlName(name, SqlNameStyle::Delimident); }
    // The name as a compiled editor text writes it: its lines end in CR LF.
    QString compiledName() const { return SqlName(QString(name).replace(QStringLiteral("\n"), QStringLiteral("\r\n"))); }
    int number(const QString &sql) { return SelectText(browser->module, sql).toInt(); }
    void victimSurvives() { EXPECT_EQ(number(QStringLiteral("select id from victim")), 7); }
    void compileText(const QString &text)
    {
        SqlTextBuffer editor(text);
        QString loaded;
        CompileHooks hooks;
        QStringList errors;
        hooks.showError = [&errors](const QString &r) { errors << r; };
        const CompileResult r = ExecDropCreate(editor, compile, loaded, hooks);
        EXPECT_TRUE(r.compiled) << errors.join('\n').toStdString();
    }

    std::unique_ptr<StubBrowser> browser;
    DbQuery compile{DbSession::defaultSession()};
    QString name;
};

TEST_P(HostileNameTest, DataPageAndDropTouchTheNamedTableAlone)
{
    RunSql(browser->module, QStringLiteral("create table ") + quoted() + QStringLiteral(" (id integer)"));
    RunSql(browser->module, QStringLiteral("insert into ") + quoted() + QStringLiteral(" values (3)"));
    DbQuery data(browser->module.session());
    data.setDatabaseName(browser->module.uniqueDatabaseName());
    data.setSql(TableDataStatement(name, SqlNameStyle::Delimident));
    data.setLive(true);
    data.open();
    EXPECT_EQ(data.field(0).asString(), QStringLiteral("3"));
    EXPECT_TRUE(data.canModify());
    data.edit();
    data.setFieldValue(QStringLiteral("id"), 4);
    data.post();
    data.close();
    EXPECT_EQ(number(QStringLiteral("select id from ") + quoted()), 4);

    DropObject(compile, DropObjectStatement(KindTable, QStringLiteral("tester"), name, SqlNameStyle::Delimident));
    EXPECT_THROW(SelectText(browser->module, QStringLiteral("select id from ") + quoted()), DbEngineError);
    victimSurvives();
    EXPECT_EQ(number(QStringLiteral("select count(*) from systables where tabid >= 100")), 4);
}

TEST_P(HostileNameTest, CompileReplacesEachKindUnderTheName)
{
    const QString n = quoted();
    struct Step {
        const char *kind;
        QString first, second, check;
        int expected;
    };
    const Step steps[] = {
        {"view", "CREATE VIEW " + n + " (v) AS SELECT 1 FROM bins", "CREATE VIEW " + n + " (v) AS SELECT 2 FROM bins",
         "select v from " + compiledName(), 2},
        {"procedure", "CREATE PROCEDURE " + n + "() RETURNING INTEGER;\n  RETURN 1;\nEND PROCEDURE",
         "CREATE PROCEDURE " + n + "() RETURNING INTEGER;\n  RETURN 2;\nEND PROCEDURE",
         "execute procedure " + compiledName() + "()", 2},
        {"trigger", "CREATE TRIGGER " + n + " INSERT ON parts FOR EACH ROW (INSERT INTO log VALUES (1))",
         "CREATE TRIGGER " + n + " INSERT ON parts FOR EACH ROW (INSERT INTO log VALUES (2))", QString(), 2},
        {"synonym", "CREATE SYNONYM " + n + " FOR parts", "CREATE SYNONYM " + n + " FOR bins",
         "select max(id) from " + compiledName(), 5},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.kind);
        compileText(step.first);
        compileText(step.second);
        if (step.check.isEmpty()) {
            RunSql(browser->module, QStringLiteral("insert into parts values (1)"));
            EXPECT_EQ(number(QStringLiteral("select max(v) from log")), step.expected);
            EXPECT_EQ(number(QStringLiteral("select count(*) from log")), 1);
        } else {
            EXPECT_EQ(number(step.check), step.expected);
        }
        victimSurvives();
        // Views and synonyms share the tables' names: the view goes before the synonym comes.
        if (QLatin1String(step.kind) == QLatin1String("view"))
            DropObject(compile, DropObjectStatement(KindView, {}, QString(name).replace(QStringLiteral("\n"), QStringLiteral("\r\n")),
                                                    SqlNameStyle::Delimident));
    }
    // One of each: the second compile replaced the first, nothing else was made or dropped.
    EXPECT_EQ(number(QStringLiteral("select count(*) from systables where tabid >= 100")), 5);
    EXPECT_EQ(number(QStringLiteral("select count(*) from systriggers")), 1);
    EXPECT_EQ(number(QStringLiteral("select count(*) from sysprocedures where mode in ('O', 'o', 'D', 'd')")), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNameTest, ::testing::ValuesIn(quodlin::testing::HostileNames()),
                         [](const auto &info) { return std::string(info.param.label); });

} // namespace
