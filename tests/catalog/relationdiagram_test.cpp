// Table relations read from a real embedded catalog: which tables a table's
// diagram holds at each depth, the arrows among them (both directions, a
// cycle, a table referencing itself), key marks, and the whole database.
#include "catalog/relationdiagram.h"
#include "output/relationpicture.h"

#include "catalogfixture.h"

#include <gtest/gtest.h>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// dept and emp reference each other; emp references itself; task -> project -> dept.
const char *const kSchema = R"(
create table dept (dept_no integer primary key, name char(20) unique, head_no integer);
create table emp (emp_no integer primary key, dept_no integer references dept (dept_no) constraint fk_emp_dept,
                  mentor_no integer references emp (emp_no) constraint fk_emp_mentor);
alter table dept add constraint foreign key (head_no) references emp (emp_no) constraint fk_dept_head;
create table project (proj_no integer primary key, dept_no integer,
                      foreign key (dept_no) references dept (dept_no) constraint fk_project_dept);
create table task (task_no integer, proj_no integer references project (proj_no) constraint fk_task_project,
                   primary key (task_no, proj_no));
create table loner (x integer);
)";

class RelationDiagramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_fx = new test::CatalogFixture(test::CatalogFixture::Text{QString::fromLatin1(kSchema)}); }
    static void TearDownTestSuite()
    {
        delete s_fx;
        s_fx = nullptr;
    }
    static inline test::CatalogFixture *s_fx = nullptr;
};

QStringList tables(const RelationDiagram &d)
{
    QStringList out;
    for (const DiagramTable &t : d.tables)
        out << t.name + QLatin1Char('@') + QString::number(t.distance);
    return out;
}

QStringList arrows(const RelationDiagram &d)
{
    QStringList out;
    for (const DiagramArrow &a : d.arrows)
        out << d.tables[a.from].name + QStringLiteral("->") + d.tables[a.to].name + QLatin1Char(':') + a.constraintName
                   + QLatin1Char('(') + a.fromColumns.join(QLatin1Char(',')) + QStringLiteral(")(")
                   + a.toColumns.join(QLatin1Char(',')) + QLatin1Char(')');
    out.sort();
    return out;
}

struct DepthCase {
    const char *name;
    const char *table;
    int depth;
    QStringList tables;
    QStringList arrows;
};

class TableDiagramTest : public RelationDiagramTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(TableDiagramTest, HoldsTheTablesWithinTheDepthAndTheArrowsAmongThem)
{
    const DepthCase &c = GetParam();
    const RelationDiagram d = ReadTableDiagram(s_fx->module(), QStringLiteral("tester"), QLatin1String(c.table), c.depth);
    EXPECT_EQ(tables(d), c.tables);
    EXPECT_EQ(arrows(d), c.arrows);
    EXPECT_EQ(d.focus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Catalog, TableDiagramTest,
    ::testing::Values(
        DepthCase{"CycleAndSelfReference", "emp", 1, {"emp@0", "dept@1"},
                  {"dept->emp:fk_dept_head(head_no)(emp_no)", "emp->dept:fk_emp_dept(dept_no)(dept_no)",
                   "emp->emp:fk_emp_mentor(mentor_no)(emp_no)"}},
        DepthCase{"ReferencedAndReferencing", "project", 1, {"project@0", "dept@1", "task@1"},
                  {"project->dept:fk_project_dept(dept_no)(dept_no)", "task->project:fk_task_project(proj_no)(proj_no)"}},
        DepthCase{"TwoSteps", "task", 2, {"task@0", "project@1", "dept@2"},
                  {"project->dept:fk_project_dept(dept_no)(dept_no)", "task->project:fk_task_project(proj_no)(proj_no)"}},
        DepthCase{"NoForeignKeys", "loner", 2, {"loner@0"}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RelationDiagramTest, WholeDatabaseKeyMarksAndPicture)
{
    const RelationDiagram d = ReadDatabaseDiagram(s_fx->module());
    EXPECT_EQ(tables(d), QStringList({"dept@0", "emp@0", "loner@0", "project@0", "task@0"}));
    EXPECT_EQ(d.arrows.size(), 5);
    EXPECT_EQ(d.focus, -1);
    EXPECT_TRUE(ReadDatabaseDiagram(s_fx->module(), QStringLiteral("nobody")).tables.isEmpty());
    EXPECT_EQ(DiagramOwners(s_fx->module()), QStringList{QStringLiteral("tester")});

    const GraphPicture picture = DiagramPicture(ReadTableDiagram(s_fx->module(), QStringLiteral("tester"), QStringLiteral("task")));
    ASSERT_EQ(picture.nodes.size(), 2);
    EXPECT_EQ(picture.nodes[0].title, QStringLiteral("tester.task"));
    EXPECT_TRUE(picture.nodes[0].emphasized);
    EXPECT_FALSE(picture.nodes[1].emphasized);
    QStringList rows;
    for (const GraphRow &r : picture.nodes[0].rows)
        rows << r.mark + QLatin1Char('|') + r.text + QLatin1Char('|') + r.detail;
    EXPECT_EQ(rows, QStringList({"PK|task_no|INTEGER", "PK FK|proj_no|INTEGER"}));
    QStringList deptMarks;
    const GraphPicture whole = DiagramPicture(d);
    for (const GraphRow &r : whole.nodes[0].rows)
        deptMarks << r.mark;
    EXPECT_EQ(deptMarks, QStringList({"PK", "U", "FK"}));
    ASSERT_EQ(picture.edges.size(), 1);
    EXPECT_EQ(picture.edges[0].label, QStringLiteral("fk_task_project"));
    EXPECT_THROW(ReadTableDiagram(s_fx->module(), QStringLiteral("tester"), QStringLiteral("nosuch")), std::runtime_error);
}

} // namespace
