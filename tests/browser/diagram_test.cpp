// Table relations drawn: the picture's boxes, rows and arrows as scene items,
// its SVG and PNG files, and the browser's Diagram page, depth choice,
// whole-database window and print, on the demo database.
#include "app/dialogs.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/relationdiagram.h"
#include "output/relationpicture.h"
#include "output/ui/graphpicture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QImage>
#include <QPrinter>
#include <QTabWidget>
#include <QTemporaryDir>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

#include "catalogfixture.h"
#include "fakeshell.h"
#include "pdftext.h"
#include "recordingdialogs.h"

using namespace quodlin;

namespace {

// The texts of the scene's items of one part ("node", "row", "label"), sorted.
QStringList items(const QGraphicsScene *scene, const char *part)
{
    QStringList out;
    if (scene)
        for (const QGraphicsItem *item : scene->items())
            if (item->data(kPictureRole).toString() == QLatin1String(part))
                out << item->data(kPictureTextRole).toString();
    out.sort();
    return out;
}

const QStringList kCustomerTables{"tester.customer", "tester.region", "tester.sales_order", "tester.service_call"};

TEST(DiagramPictureTest, SceneFilesAndTheirFailure)
{
    test::CatalogFixture fx{QString()};
    const GraphPicture picture = DiagramPicture(ReadTableDiagram(fx.module(), QStringLiteral("tester"), QStringLiteral("customer")));
    const auto scene = BuildPictureScene(picture, QFont(), QPalette());
    EXPECT_EQ(items(scene.get(), "node"), kCustomerTables);
    EXPECT_EQ(items(scene.get(), "label").size(), picture.edges.size());
    EXPECT_EQ(items(scene.get(), "edge").size(), picture.edges.size());
    EXPECT_TRUE(items(scene.get(), "row").contains(QStringLiteral("region_code")));
    // No two boxes overlap.
    QList<QRectF> boxes;
    for (const QGraphicsItem *item : scene->items())
        if (item->data(kPictureRole).toString() == QLatin1String("node"))
            boxes << item->sceneBoundingRect();
    for (qsizetype i = 0; i < boxes.size(); ++i)
        for (qsizetype j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].adjusted(1, 1, -1, -1).intersects(boxes[j].adjusted(1, 1, -1, -1)));

    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(SavePictureFile(*scene, dir.filePath(QStringLiteral("c.svg")), &error)) << error.toStdString();
    QFile svg(dir.filePath(QStringLiteral("c.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString svgText = QString::fromUtf8(svg.readAll());
    for (const QString &title : kCustomerTables + items(scene.get(), "label"))
        EXPECT_TRUE(svgText.contains(title)) << title.toStdString();
    ASSERT_TRUE(SavePictureFile(*scene, dir.filePath(QStringLiteral("c.png")), &error));
    EXPECT_GT(QImage(dir.filePath(QStringLiteral("c.png"))).width(), scene->sceneRect().width());

    EXPECT_FALSE(SavePictureFile(*scene, dir.filePath(QStringLiteral("no/such/folder/c.png")), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write"))) << error.toStdString();
}

class DiagramWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::AliasedDatabase(QStringLiteral("demo_pic")); }

    ScopedDialogs m_dialogs;
    // Declared after the dialogs: its windows go first.
    std::unique_ptr<test::FakeShell> m_shell = std::make_unique<test::FakeShell>();
};

TEST_F(DiagramWindowTest, PageDepthWholeDatabaseAndPrint)
{
    auto *w = new TfrmDbObjects(*m_shell);
    m_shell->addChild(w);
    w->show();
    w->connectDatabase(QStringLiteral("demo_pic"), {}, QStringLiteral("tester"), {});
    ASSERT_TRUE(w->connected()) << m_dialogs->messages.join('\n').toStdString();
    auto *tab = w->findChild<QTabWidget *>(QStringLiteral("tabTable"));
    auto *view = w->findChild<GraphPictureView *>(QStringLiteral("viewTableDiagram"));
    ASSERT_TRUE(tab && view);
    const int page = tab->indexOf(w->findChild<QWidget *>(QStringLiteral("pageTableDiagram")));

    w->gotoNode(QStringLiteral("tester.customer"));
    tab->setCurrentIndex(page);
    EXPECT_EQ(items(view->scene(), "node"), kCustomerTables);
    w->findChild<QComboBox *>(QStringLiteral("cboDiagramDepth"))->setCurrentIndex(1);
    EXPECT_GT(items(view->scene(), "node").size(), kCustomerTables.size());
    EXPECT_TRUE(items(view->scene(), "node").contains(QStringLiteral("tester.order_line")));

    // Print: the page's title and the tables reach the paper.
    if (test::HavePdfToText()) {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("d.pdf"));
        m_shell->printer().setOutputFormat(QPrinter::PdfFormat);
        m_shell->printer().setOutputFileName(pdf);
        m_dialogs->printAnswer = true;
        w->print();
        const QString paper = test::PdfLines(pdf).join('\n');
        EXPECT_TRUE(paper.contains(QStringLiteral("Diagram for [customer]"))) << paper.toStdString();
        EXPECT_TRUE(paper.contains(QStringLiteral("tester.service_call"))) << paper.toStdString();
    }

    // Views have no diagram; the next table draws afresh.
    w->gotoNode(QStringLiteral("tester.order_summary"));
    EXPECT_FALSE(tab->isTabVisible(page));
    w->gotoNode(QStringLiteral("tester.region"));
    tab->setCurrentIndex(page);
    w->findChild<QComboBox *>(QStringLiteral("cboDiagramDepth"))->setCurrentIndex(0);
    EXPECT_EQ(items(view->scene(), "node"), QStringList({"tester.customer", "tester.region"}));

    w->databaseDiagram();
    auto *window = w->findChild<QDialog *>(QStringLiteral("frmDatabaseDiagram"));
    ASSERT_TRUE(window);
    auto *whole = window->findChild<GraphPictureView *>(QStringLiteral("viewDatabaseDiagram"));
    EXPECT_EQ(items(whole->scene(), "node").size(), 11);
    auto *owners = window->findChild<QComboBox *>(QStringLiteral("cboDiagramOwner"));
    EXPECT_EQ(owners->count(), 2);  // all, tester
    EXPECT_TRUE(m_dialogs->messages.isEmpty()) << m_dialogs->messages.join('\n').toStdString();
}

} // namespace
