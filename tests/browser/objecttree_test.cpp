// The object tree built from a real catalog: categories, labels in every
// owner format, roles and their members, reselection.
#include "browser/objecttree.h"

#include "browser/objectdetails.h"
#include "browser/pagesets.h"
#include "catalog/catalogqueries.h"
#include "catalogfixture.h"
#include "workspace/sqlanalysis.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

struct CaptionCase {
    const char *name;
    int kind;
    bool displayOwner;
    int format;
    const char *label;
};

class NodeCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(NodeCaptionTest, FormatsOwnerAndName)
{
    const CaptionCase &c = GetParam();
    EXPECT_EQ(FormatNodeCaption(c.kind, QStringLiteral("t"), QStringLiteral("acct"), {c.displayOwner, c.format}),
              QString::fromLatin1(c.label));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeCaptionTest,
    ::testing::Values(CaptionCase{"OwnerDotName", KindTable, true, 1, "acct.t"},
                      CaptionCase{"QuotedOwner", KindView, true, 2, "\"acct\".t"},
                      CaptionCase{"NameThenOwner", KindProcedure, true, 0, "t (acct)"},
                      CaptionCase{"AnyOtherFormat", KindSynonym, true, 3, "t (acct)"},
                      CaptionCase{"OwnerOff", KindTrigger, false, 1, "t"},
                      CaptionCase{"UserByName", KindUser, true, 1, "t"},
                      CaptionCase{"RoleByName", KindRole, true, 2, "t"}),
    [](const auto &info) { return std::string(info.param.name); });

// "depth label" lines of the tree without the long system lists.
QStringList outline(const ObjectTree &tree)
{
    QStringList lines;
    for (const ObjectTreeNode &node : tree.nodes) {
        const ObjectTreeNode *parent = node.parent < 0 ? nullptr : &tree.nodes[size_t(node.parent)];
        if (parent && parent->label == QLatin1String("System"))
            continue;
        lines << QString(node.depth * 2, QLatin1Char(' ')) + node.label;
    }
    return lines;
}

class ObjectTreeTest : public test::BrowserFixtureTest {
protected:
    static ObjectTree load(const QString &reselect = {}, OwnerDisplay display = {})
    {
        return LoadObjectTree(s_fx->module(), QStringLiteral("conn"), display, reselect);
    }
};

TEST_F(ObjectTreeTest, EveryCategoryInTreeOrder)
{
    QStringList statuses;
    const ObjectTree tree = LoadObjectTree(s_fx->module(), QStringLiteral("conn"), {}, {},
                                           [&](const QString &s) { statuses << s; });
    EXPECT_EQ(outline(tree), QStringList({
        "conn",
        "  Tables", "    System", "    User", "      acct.t", "      tester.audit", "      tester.items",
        "  Views", "    informix.sysindices", "    tester.v1", "    tester.v2",
        "  Synonyms", "    tester.s_local", "    tester.s_remote",
        "  Procedures", "    System", "    Generated", "      tester.PI_x", "      tester.Pu_z", "      tester.pd_y",
        "    User", "      tester.print_x",
        "  Triggers", "    Insert", "      tester.tr_ins", "    Update", "      tester.tr_upd",
        "    Delete", "      tester.tr_del",
        "  Users", "    alice", "    public", "    tester",
        "  Roles", "    empty_role", "    staff", "      alice"}));
    EXPECT_EQ(statuses.first(), QStringLiteral("Loading [System Tables]..."));
    EXPECT_EQ(statuses.last(), QStringLiteral("Loading [Roles]..."));
    EXPECT_EQ(tree.target, 0);
    QStringList expanded;
    for (const ObjectTreeNode &node : tree.nodes)
        if (node.expanded)
            expanded << node.label;
    EXPECT_EQ(expanded, QStringList({"conn", "Tables", "Procedures", "Triggers"}));
}

TEST_F(ObjectTreeTest, RecordsKindsImagesAndCaptions)
{
    const ObjectTree tree = load();
    auto node = [&](const QString &label, const QString &parentLabel) -> const ObjectTreeNode & {
        for (const ObjectTreeNode &n : tree.nodes)
            if (n.label == label && n.parent >= 0 && tree.nodes[size_t(n.parent)].label == parentLabel)
                return n;
        throw std::runtime_error("no node " + label.toStdString());
    };
    const ObjectTreeNode &systemTables = node(QStringLiteral("System"), QStringLiteral("Tables"));
    EXPECT_EQ(systemTables.info.Caption, QStringLiteral("System Tables"));
    EXPECT_EQ(systemTables.info.Kind, KindCategory);
    EXPECT_EQ(tree.nodes[0].image, ImageConnection);
    EXPECT_EQ(tree.children(tree.findByLabel(QStringLiteral("System"))).size(), 66);

    const ObjectTreeNode &table = node(QStringLiteral("acct.t"), QStringLiteral("User"));
    EXPECT_EQ(table.info.Kind, KindTable);
    EXPECT_EQ(table.info.Name, QStringLiteral("t"));
    EXPECT_EQ(table.info.Owner, QStringLiteral("acct"));
    EXPECT_EQ(table.info.Caption, QStringLiteral("acct.t"));

    // A member is labelled by its user name; its record keeps the role's name first.
    const ObjectTreeNode &member = node(QStringLiteral("alice"), QStringLiteral("staff"));
    EXPECT_EQ(member.info.Kind, KindUser);
    EXPECT_EQ(member.info.Name, QStringLiteral("staff"));
    EXPECT_EQ(member.info.Owner, QStringLiteral("alice"));
    EXPECT_EQ(member.image, ImageUser);
    EXPECT_TRUE(tree.children(tree.findByLabel(QStringLiteral("empty_role"))).isEmpty());
}

// Every row of the kinds table is reachable: its category and objects in
// the tree, its command-line word, the pages and catalog queries it names,
// a print title, and compile reading its create words back to the kind.
TEST_F(ObjectTreeTest, EveryKindIsReachableEverywhere)
{
    const ObjectTree tree = load();
    QStringList cliNames;
    for (const ObjectKindDesc &kind : ObjectKinds()) {
        SCOPED_TRACE(kind.cliName.toStdString());
        const int category = tree.findByLabel(kind.category);
        ASSERT_GT(category, 0);
        EXPECT_EQ(tree.nodes[size_t(category)].image, kind.image);
        EXPECT_TRUE(std::any_of(tree.nodes.begin(), tree.nodes.end(), [&](const ObjectTreeNode &n) {
            return n.info.Kind == kind.kind && !n.info.Name.isEmpty() && n.image == kind.image;
        }));
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/icons/node-") + kind.icon + QStringLiteral("-16.png")));

        EXPECT_EQ(FindObjectKindByCliName(kind.cliName.toUpper()), &kind);
        EXPECT_FALSE(cliNames.contains(kind.cliName));
        cliNames << kind.cliName;

        EXPECT_FALSE(kind.title.isEmpty());
        const PageSetDesc *set = FindPageSet(kind.pageSet);
        ASSERT_NE(set, nullptr);
        for (const QString &hidden : kind.hiddenPages)
            EXPECT_GE(set->indexOf(hidden), 0) << hidden.toStdString();
        EXPECT_EQ(DefinitionPage(kind.kind).page != nullptr, kind.definition != DefinitionLayout::None);
        for (const ObjectList &list : kind.lists) {
            const CatalogQuery *query = FindCatalogQuery(list.query);
            ASSERT_NE(query, nullptr) << list.query.toStdString();
            if (!kind.idField.isEmpty()) {
                EXPECT_NE(query->field(kind.idField), nullptr);
            }
        }
        for (const QString &name : {kind.masterQuery, kind.bodyQuery, kind.memberQuery}) {
            if (!name.isEmpty()) {
                EXPECT_NE(FindCatalogQuery(name), nullptr) << name.toStdString();
            }
        }
        if (!kind.masterQuery.isEmpty()) {
            EXPECT_TRUE(FindCatalogQuery(kind.masterQuery)->sql.contains(QLatin1Char(':') + kind.nameParam));
        }

        for (const QString &word : kind.createWords) {
            const SqlTextBuffer text(QStringLiteral("CREATE ") + word + QStringLiteral(" made_here ()"));
            const std::optional<CreatedObject> created = CreatedObjectOf(text);
            ASSERT_TRUE(created) << word.toStdString();
            EXPECT_EQ(created->kind, kind.kind);
            EXPECT_TRUE(DropStatementFor(text).startsWith(QStringLiteral("DROP ") + word + QStringLiteral(" made_here")));
        }
    }
}

TEST_F(ObjectTreeTest, OwnerFormatsApplyToObjectsNotUsers)
{
    const ObjectTree quoted = load({}, {true, 2});
    EXPECT_GE(quoted.findByLabel(QStringLiteral("\"acct\".t")), 0);
    EXPECT_GE(quoted.findByLabel(QStringLiteral("alice")), 0);
    const ObjectTree plain = load({}, {false, 1});
    EXPECT_GE(plain.findByLabel(QStringLiteral("v1")), 0);
    EXPECT_GE(plain.findByLabel(QStringLiteral("staff")), 0);
    EXPECT_GE(load({}, {true, 0}).findByLabel(QStringLiteral("t (acct)")), 0);
}

// The Go buttons lead to a node of the tree, or are disabled.
TEST_F(ObjectTreeTest, GotoButtonsFindTheirTableNode)
{
    TdmDbObjects &m = s_fx->module();
    const ObjectTree tree = load({}, {true, 2});
    auto button = [](const char *set, const char *page) {
        const PageSetDesc *s = FindPageSet(QString::fromLatin1(set));
        return s->pages[s->indexOf(QString::fromLatin1(page))].buttons.first();
    };
    const GotoButton syn = button("tabSyn", "pageSyn");
    m.LoadSynonym(QStringLiteral("s_local"), QStringLiteral("tester"));
    EXPECT_TRUE(GotoEnabled(m, syn));
    EXPECT_GE(tree.findByLabel(GotoTargetLabel(m, syn, {true, 2})), 0);
    m.LoadSynonym(QStringLiteral("s_remote"), QStringLiteral("tester"));
    EXPECT_FALSE(GotoEnabled(m, syn));

    const GotoButton trigger = button("tabTrigger", "pageTrigger");
    m.LoadTrigger(QStringLiteral("tr_del"), QStringLiteral("tester"));
    EXPECT_TRUE(GotoEnabled(m, trigger));
    EXPECT_EQ(GotoTargetLabel(m, trigger, {true, 2}), QStringLiteral("\"tester\".items"));

    const GotoButton depends = button("tabTable", "pageTableDepends");
    m.LoadTable(QStringLiteral("v1"), QStringLiteral("tester"));
    EXPECT_EQ(GotoTargetLabel(m, depends, {false, 1}), QStringLiteral("v2"));
    m.LoadTable(QStringLiteral("v2"), QStringLiteral("tester"));
    EXPECT_FALSE(GotoEnabled(m, depends));
}

struct ReselectCase {
    const char *name;
    const char *caption;
    const char *label;
    const char *parentLabel;
};

class ReselectTest : public ObjectTreeTest, public ::testing::WithParamInterface<ReselectCase> {};

TEST_P(ReselectTest, TargetsTheLastMatchingCaption)
{
    const ObjectTree tree = load(QString::fromLatin1(GetParam().caption));
    const ObjectTreeNode &target = tree.nodes[size_t(tree.target)];
    EXPECT_EQ(target.label, QString::fromLatin1(GetParam().label));
    const QString parent = target.parent < 0 ? QString() : tree.nodes[size_t(target.parent)].label;
    EXPECT_EQ(parent, QString::fromLatin1(GetParam().parentLabel));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReselectTest,
    ::testing::Values(ReselectCase{"CategoryByLongName", "System Tables", "System", "Tables"},
                      ReselectCase{"Object", "tester.tr_del", "tester.tr_del", "Delete"},
                      ReselectCase{"LaterMatchWins", "alice", "alice", "staff"},
                      ReselectCase{"UnknownSelectsRoot", "Gone Tables", "conn", ""},
                      ReselectCase{"RootCaptionIsNoMatch", "conn", "conn", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ObjectTreeDemo, ListsTheDemoObjects)
{
    test::CatalogFixture fx{QString()};
    const ObjectTree tree = LoadObjectTree(fx.module(), fx.module().ConnectionName(), {});
    EXPECT_EQ(tree.nodes[0].label, QStringLiteral("local\\fx"));
    auto childLabels = [&](const QString &label) {
        QStringList labels;
        for (int i : tree.children(tree.findByLabel(label)))
            labels << tree.nodes[size_t(i)].label;
        return labels;
    };
    EXPECT_EQ(childLabels(QStringLiteral("Views")),
              QStringList({"informix.sysindices", "tester.large_orders", "tester.order_summary", "tester.portsmouth_customers",
                           "tester.region_sales"}));
    EXPECT_EQ(childLabels(QStringLiteral("Generated")),
              QStringList({"tester.pd_customer", "tester.pi_customer", "tester.pu_part_price"}));
    EXPECT_EQ(childLabels(QStringLiteral("sales_team")), QStringList({"rachel", "tom"}));
    EXPECT_TRUE(childLabels(QStringLiteral("auditors")).isEmpty());
    EXPECT_EQ(childLabels(QStringLiteral("Insert")), QStringList({"tester.tr_customer_ins"}));
}

} // namespace
