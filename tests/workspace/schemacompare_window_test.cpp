// The Compare Schema window and the core it stands on: the differences as a
// tree, the lines two DDL texts do not share, a comparison stopped, and the
// window comparing two schema files, showing an object's DDL on both sides
// and handing its script to a file and to a query window.
#include "catalog/dbobjectsmodule.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "recordingdialogs.h"
#include "workspace/schemacomparejob.h"
#include "workspace/ui/schemacompareform.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace quodlin;

namespace {

SchemaItem item(SchemaItem::Kind kind, const char *name, const char *type = nullptr)
{
    SchemaItem i;
    i.kind = kind;
    i.owner = kind == SchemaItem::Column ? QString() : QStringLiteral("o");
    i.name = QString::fromLatin1(name);
    if (kind != SchemaItem::Table) {
        i.tableOwner = QStringLiteral("o");
        i.tableName = QStringLiteral("t");
    }
    if (type)
        i.properties = {{QStringLiteral("type"), QString::fromLatin1(type)}};
    return i;
}

QStringList treeTexts(const std::vector<DifferenceNode> &nodes, const QString &indent = {})
{
    QStringList lines;
    for (const DifferenceNode &node : nodes)
        lines << indent + node.text << treeTexts(node.children, indent + QStringLiteral("  "));
    return lines;
}

SchemaItem privilege(const char *label, const char *kindName)
{
    SchemaItem i = item(SchemaItem::Grant, label);
    i.owner.clear();
    i.label = QString::fromLatin1(label);
    i.kindName = QString::fromLatin1(kindName);
    return i;
}

// Privileges group by what they are on, each shown beside its object.
TEST(SchemaCompareTree, KindsThenObjectsThenProperties)
{
    const SchemaComparison c = CompareSchemaItems(
        {item(SchemaItem::Table, "t"), item(SchemaItem::Column, "a", "integer"), item(SchemaItem::Column, "b", "char(1)")},
        {item(SchemaItem::Table, "t"), item(SchemaItem::Column, "a", "bigint"), item(SchemaItem::Index, "ix"),
         privilege("select to bob", "table privilege"), privilege("update(a) to bob", "column privilege")}, false);
    EXPECT_EQ(treeTexts(DifferenceTree(c)),
              QStringList({"column (2)", "  changed: o.t: a", "    type: bigint -> integer", "  missing in target: o.t: b",
                           "index (1)", "  extra in target: o.t: o.ix", "column privilege (1)",
                           "  extra in target: o.t: update(a) to bob", "table privilege (1)",
                           "  extra in target: o.t: select to bob"}));
}

struct LinesCase {
    const char *name;
    const char *left, *right;
    std::vector<int> leftMarked, rightMarked;
};

void PrintTo(const LinesCase &c, std::ostream *os) { *os << c.name; }

class DifferingLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(DifferingLinesTest, MarksWhatTheOtherLacks)
{
    const LineDifference d = DifferingLines(QString::fromUtf8(GetParam().left), QString::fromUtf8(GetParam().right));
    EXPECT_EQ(d.left, GetParam().leftMarked);
    EXPECT_EQ(d.right, GetParam().rightMarked);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DifferingLinesTest,
    ::testing::Values(LinesCase{"Alike", "a\nb\n", "a\nb  \n", {}, {}},
                      LinesCase{"OneChanged", "create table t\n  (a integer,\n  b char(1)\n  )",
                                "create table t\n  (a bigint,\n  b char(1)\n  )", {1}, {1}},
                      LinesCase{"LineAdded", "a\nc", "a\nb\nc", {}, {1}},
                      LinesCase{"OneSideMissing", "", "a\nb", {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

class CompareWindowTest : public ::testing::Test {
protected:
    QString file(const char *name, const char *text)
    {
        QFile f(m_dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }
    QTemporaryDir m_dir;
    ScopedDialogs m_dialogs;
};

const char *const kSource = "create table t (a integer, b char(4));\ncreate index ix_b on t (b);\n"
                            "create view v (a) as select a from t;\n";
const char *const kTarget = "create table t (a bigint, b char(4));\ncreate view v (a) as select a from t where a > 1;\n"
                            "create table spare (k integer);\n";

TEST_F(CompareWindowTest, StoppedBeforeItBeginsReportsStoppedAndReadsNothing)
{
    CompareRequest request;
    request.source.file = file("s.sql", kSource);
    request.target.file = file("missing.sql", "");
    CompareSource source(request.source, {}), target(request.target, {});
    const std::atomic<bool> stop{true};
    QStringList steps;
    const CompareOutcome outcome = RunCompare(source, target, request, stop, [&](const QString &s) { steps << s; }, {});
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.error, QStringLiteral("Stopped."));
    EXPECT_TRUE(steps.isEmpty());
}

// The sides' connections are the comparison's own: the login does not offer them.
TEST_F(CompareWindowTest, ItsConnectionsStayOutOfTheDatabaseList)
{
    DbSession &session = DbSession::defaultSession();
    static_cast<EmbeddedDriver *>(session.driver(QStringLiteral("EMBEDDED")))
        ->createDatabase(QStringLiteral("cmpside"), QStringLiteral("informix"));
    AliasConfig config = session.aliasConfig();
    config.aliases << DbAlias{QStringLiteral("cmpside"), QStringLiteral("EMBEDDED"), {QStringLiteral("DATABASE NAME=cmpside")}};
    config.save(session.aliasFile());
    CompareSide side;
    side.alias = QStringLiteral("cmpside");
    side.user = QStringLiteral("informix");
    CompareSource source(side, QStringLiteral("QuodlinCompareSource"));
    source.open();
    ASSERT_TRUE(source.module().dbDb().connected());
    EXPECT_TRUE(session.databaseNames().contains(QStringLiteral("cmpside")));
    EXPECT_FALSE(session.databaseNames().contains(QStringLiteral("QuodlinCompareSource")));
}

TEST_F(CompareWindowTest, ComparesTwoFilesShowsTheDdlAndHandsOnTheScript)
{
    QString opened;
    TfrmCompareSchema window([&opened](const QString &text) { opened = text; }, {}, {});
    window.show();
    for (const auto &[prefix, path] : {std::pair{"Source", file("s.sql", kSource)}, std::pair{"Target", file("t.sql", kTarget)}}) {
        window.findChild<QRadioButton *>(QStringLiteral("rb%1File").arg(QLatin1String(prefix)))->setChecked(true);
        window.findChild<QLineEdit *>(QStringLiteral("edit%1File").arg(QLatin1String(prefix)))->setText(path);
    }
    EXPECT_EQ(window.findChild<QPushButton *>(QStringLiteral("btnStop"))->toolTip(),
              QStringLiteral("Stop the comparison (Esc)"));
    auto *save = window.findChild<QPushButton *>(QStringLiteral("btnSaveScript"));
    EXPECT_FALSE(save->isEnabled());
    window.btnCompareClick();
    window.waitForRun();
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("tvDifferences"));
    ASSERT_EQ(tree->topLevelItemCount(), 4) << window.findChild<QLabel *>(QStringLiteral("lblSummary"))->text().toStdString();
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("table (1)"));
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("lblSummary"))->text(), QStringLiteral("4 differences."));

    // The changed column: both sides' table, the differing line marked on each.
    QTreeWidgetItem *column = tree->topLevelItem(1)->child(0);
    ASSERT_TRUE(column->text(0).startsWith(QStringLiteral("changed: "))) << column->text(0).toStdString();
    tree->setCurrentItem(column->child(0));
    auto *sourceDdl = window.findChild<QPlainTextEdit *>(QStringLiteral("rtfSourceDdl"));
    auto *targetDdl = window.findChild<QPlainTextEdit *>(QStringLiteral("rtfTargetDdl"));
    EXPECT_TRUE(sourceDdl->toPlainText().contains(QStringLiteral("create index")));
    EXPECT_TRUE(targetDdl->toPlainText().contains(QStringLiteral("bigint")));
    EXPECT_EQ(sourceDdl->extraSelections().size(), 3);  // the column's line, the blank and the index after the table
    EXPECT_EQ(targetDdl->extraSelections().size(), 1);
    EXPECT_TRUE(sourceDdl->isReadOnly() && targetDdl->isReadOnly());

    // The table only the target has: no source DDL, nothing marked.
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(sourceDdl->toPlainText(), QString());
    EXPECT_TRUE(window.findChild<QLabel *>(QStringLiteral("lblSourceDdl"))->text().endsWith(QStringLiteral("(none)")));

    ASSERT_TRUE(save->isEnabled());
    m_dialogs->savePath = m_dir.filePath(QStringLiteral("mend.sql"));
    save->click();
    QFile written(m_dialogs->savePath);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(written.readAll());
    EXPECT_EQ(script, CompareScript(window.comparison(), false).text);
    EXPECT_TRUE(script.contains(QStringLiteral("modify (a integer)"))) << script.toStdString();
    window.findChild<QPushButton *>(QStringLiteral("btnOpenScript"))->click();
    EXPECT_EQ(opened, script);
}

TEST_F(CompareWindowTest, AFileThatFailsIsReportedAndNothingIsShown)
{
    TfrmCompareSchema window({}, {}, {});
    for (const char *prefix : {"Source", "Target"}) {
        window.findChild<QRadioButton *>(QStringLiteral("rb%1File").arg(QLatin1String(prefix)))->setChecked(true);
        window.findChild<QLineEdit *>(QStringLiteral("edit%1File").arg(QLatin1String(prefix)))
            ->setText(file("bad.sql", "create tabel t (a integer);\n"));
    }
    window.btnCompareClick();
    window.waitForRun();
    ASSERT_EQ(m_dialogs->messages.size(), 1);
    EXPECT_TRUE(m_dialogs->messages.first().contains(QStringLiteral("bad.sql: Statement 1 failed")))
        << m_dialogs->messages.first().toStdString();
    EXPECT_EQ(window.findChild<QTreeWidget *>(QStringLiteral("tvDifferences"))->topLevelItemCount(), 0);
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("btnSaveScript"))->isEnabled());
}

} // namespace
