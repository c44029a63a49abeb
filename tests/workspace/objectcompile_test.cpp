// Compile with restore and drop on a real embedded database.
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

struct DropRow {
    const char *name;
    int kind;
    const char *statement;
};

class DropStatements : public ::testing::TestWithParam<DropRow> {};

TEST_P(DropStatements, Statement)
{
    EXPECT_EQ(DropObjectStatement(GetParam().kind, QStringLiteral("t")), QString::fromUtf8(GetParam().statement));
}

INSTANTIATE_TEST_SUITE_P(Rows, DropStatements,
                         ::testing::Values(DropRow{"Category", KindCategory, ""}, DropRow{"Table", KindTable, "DROP TABLE t"},
                                           DropRow{"View", KindView, "DROP VIEW t"},
                                           DropRow{"Procedure", KindProcedure, "DROP PROCEDURE t"},
                                           DropRow{"Trigger", KindTrigger, "DROP TRIGGER t"},
                                           DropRow{"Synonym", KindSynonym, "DROP SYNONYM t"},
                                           DropRow{"User", KindUser, ""}, DropRow{"Role", KindRole, ""}));

TEST_F(CompileTest, DropRunsOnceAndReportsAMissingObject)
{
    DropObject(compile, DropObjectStatement(KindTable, QStringLiteral("parts")));
    EXPECT_EQ(SelectText(browser->module, QStringLiteral("select count(*) from systables where tabname = 'parts'")),
              QStringLiteral("0"));
    EXPECT_THROW(DropObject(compile, DropObjectStatement(KindTable, QStringLiteral("parts"))), DbEngineError);
    EXPECT_FALSE(compile.isOpen());
}

} // namespace
