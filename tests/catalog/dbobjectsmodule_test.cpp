// The catalog module's queries on a real embedded catalog: declared fields,
// decoded texts, detail links and the edge cases of the lists.
#include "catalogfixture.h"

#include "db/dberror.h"
#include "db/dbquery.h"

#include <gtest/gtest.h>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

QStringList visibleLabels(const DbQuery &q)
{
    QStringList labels;
    for (int i = 0; i < q.fieldCount(); ++i)
        if (q.field(i).visible())
            labels << q.field(i).label();
    return labels;
}

// One line per row: the display texts of the named fields joined by '|'.
QStringList rows(DbQuery &q, const QStringList &fields)
{
    QStringList lines;
    for (q.first(); !q.eof(); q.next()) {
        QStringList cells;
        for (const QString &f : fields)
            cells << q.fieldByName(f).displayText();
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

QStringList names(DbQuery &q)
{
    q.close();
    q.open();
    QStringList result;
    for (q.first(); !q.eof(); q.next())
        result << q.field(1).asString() + QLatin1Char('.') + q.field(0).asString();
    q.close();
    return result;
}

class ModuleTest : public test::BrowserFixtureTest {
protected:
    TdmDbObjects &module() { return s_fx->module(); }
};

TEST_F(ModuleTest, NamesConnectionAndEveryQueryAfterTheComponent)
{
    EXPECT_EQ(module().ConnectionName(), QStringLiteral("local\\fx"));
    EXPECT_EQ(module().ConnectionDisplayName(), QStringLiteral("local\\fx (QuodlinTest)"));
    for (DbQuery *q : module().queries())
        EXPECT_EQ(q->databaseName(), QStringLiteral("QuodlinTest"));
    EXPECT_TRUE(module().qryCompile().sql().isEmpty());
    EXPECT_THROW(module().query(QStringLiteral("qryNoSuch")), DbError);
}

TEST_F(ModuleTest, TableDetailGridsShowTheDeclaredColumns)
{
    module().LoadTable(QStringLiteral("t"), QStringLiteral("acct"));
    EXPECT_EQ(visibleLabels(module().qryTableColumns()),
              QStringList({"Col No.", "Name", "Data Type", "Reqd", "Type", "defaultvalue", "Default", "Min", "Max"}));
    QStringList indexColumns{"Name", "Clustered", "Type"};
    for (int i = 1; i <= 16; ++i)
        indexColumns << QStringLiteral("Col #%1").arg(i);
    EXPECT_EQ(visibleLabels(module().qryTableIndexes()), indexColumns);
    EXPECT_EQ(visibleLabels(module().qryTableTriggers()), QStringList({"ID", "Name", "Event"}));
    EXPECT_EQ(visibleLabels(module().qryTableDepends()), QStringList({"Name", "Table ID", "Type"}));
    // The selected retsize has no field.
    module().LoadProc(QStringLiteral("print_x"), QStringLiteral("tester"));
    EXPECT_EQ(module().qryProc().findField(QStringLiteral("retsize")), nullptr);
    EXPECT_EQ(visibleLabels(module().qryProc()), QStringList({"ID", "Name", "Owner", "No. Args", "Mode"}));
}

TEST_F(ModuleTest, ColumnsReadAsWords)
{
    module().LoadTable(QStringLiteral("t"), QStringLiteral("acct"));
    EXPECT_EQ(module().qryTable().fieldByName(QStringLiteral("tabtypedescr")).displayText(), QStringLiteral("Table"));
    EXPECT_EQ(rows(module().qryTableColumns(),
                   {"colname", "datatype", "required", "defaulttypedescr", "defaultvalue", "defaultvaluedesc"}),
              QStringList({"id|SERIAL|Reqd||(Memo)|",
                           "amount|DECIMAL(10,2)|||(Memo)|",
                           "price|MONEY(16,2)||Literal|(MEMO)|0",
                           "stamp|DATETIME YEAR TO SECOND||Current|(Memo)|",
                           "tm|DATETIME HOUR TO SECOND|||(Memo)|",
                           "name|CHAR(20)|Reqd||(Memo)|",
                           "note|VARCHAR(255)|||(Memo)|",
                           "flag|BOOLEAN|||(Memo)|",
                           "big|INT8|||(Memo)|",
                           "lv|LVARCHAR(300)|||(Memo)|",
                           "since|DATE||Today|(Memo)|",
                           "who|CHAR(8)||User|(Memo)|"}));
    // The decoded stored values equal the display texts; the type text is display only.
    DbQuery &columns = module().qryTableColumns();
    columns.first();
    EXPECT_EQ(columns.fieldByName(QStringLiteral("required")).value().toString(), QStringLiteral("Reqd"));
    EXPECT_EQ(columns.fieldByName(QStringLiteral("datatype")).value().toString(), QString());
}

// A descending part is stored negative and misses its column in the join;
// its cell still names it.
TEST_F(ModuleTest, IndexesUniqueFirstWithTheirParts)
{
    module().LoadTable(QStringLiteral("t"), QStringLiteral("acct"));
    EXPECT_EQ(rows(module().qryTableIndexes(), {"idxname", "idxtypedescr", "colname1", "colname2", "colname3",
                                                "colname4", "colname16"}),
              QStringList({"ixu|Unique|id||||", "ix3|Duplicates|amount|name DESC|note||"}));
}

TEST_F(ModuleTest, TableTriggersAndDependents)
{
    module().LoadTable(QStringLiteral("items"), QStringLiteral("tester"));
    QStringList triggers = rows(module().qryTableTriggers(), {"trigname", "eventdescr"});
    triggers.sort();  // the statement has no ordering clause
    EXPECT_EQ(triggers, QStringList({"tr_del|Delete", "tr_ins|Insert", "tr_upd|Update"}));
    EXPECT_EQ(rows(module().qryTableDepends(), {"dtabname", "downer", "dtype"}), QStringList({"v1|tester|View"}));
    EXPECT_TRUE(module().qryViewBody().isEmpty());

    // The details follow qryTable to another table.
    module().LoadTable(QStringLiteral("audit"), QStringLiteral("tester"));
    EXPECT_TRUE(module().qryTableDepends().isEmpty());
    EXPECT_TRUE(module().qryTableTriggers().isEmpty());
    EXPECT_EQ(rows(module().qryTableColumns(), {"colname"}), QStringList({"a"}));
}

TEST_F(ModuleTest, ProceduresSplitByNamePrefixInAnyCase)
{
    EXPECT_EQ(names(module().qryGeneratedProcs()),
              QStringList({"tester.PI_x", "tester.Pu_z", "tester.pd_y"}));
    EXPECT_EQ(names(module().qryUngeneratedProcs()), QStringList({"tester.print_x"}));
}

TEST_F(ModuleTest, SynonymsLocalAndRemote)
{
    module().LoadSynonym(QStringLiteral("s_remote"), QStringLiteral("tester"));
    EXPECT_EQ(rows(module().qrySyn(), {"sservername", "sdbname", "sowner", "stabname"}),
              QStringList({"far|otherdb|informix|stock"}));
    EXPECT_TRUE(module().qrySynLocalTable().isEmpty());

    module().LoadSynonym(QStringLiteral("s_local"), QStringLiteral("tester"));
    EXPECT_EQ(rows(module().qrySynLocalTable(), {"sowner", "stabname"}), QStringList({"acct|t"}));
}

TEST_F(ModuleTest, TriggerWithItsTable)
{
    module().LoadTrigger(QStringLiteral("tr_upd"), QStringLiteral("tester"));
    EXPECT_EQ(rows(module().qryTrigger(), {"trigname", "eventdescr", "tabname", "towner"}),
              QStringList({"tr_upd|Update|items|tester"}));
    EXPECT_FALSE(module().qryTrigBody().isEmpty());
}

TEST_F(ModuleTest, RoleMembersFollowTheRoleRow)
{
    DbQuery &roles = module().qryRoles();
    DbQuery &members = module().qryRoleUsers();
    roles.open();
    members.open();
    QStringList seen;
    for (roles.first(); !roles.eof(); roles.next())
        seen << roles.field(0).asString() + QLatin1Char(':') + rows(members, {"username"}).join(QLatin1Char(','));
    EXPECT_EQ(seen, QStringList({"empty_role:", "staff:alice"}));
    members.close();
    roles.close();
}

} // namespace
