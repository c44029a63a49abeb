// The pictures: a 200-table database's diagram (every table with its key
// columns, each referencing up to two tables before it) read from the
// catalog, laid out and drawn into an offscreen image; and the plan of a
// 10-table join read from its explain text, laid out and drawn.
//   DatabaseDiagram - catalog read, layout and drawing, as the window does
//   DiagramLayout   - layout and drawing of the same diagram alone
//   JoinPlan        - explain text parsed, plan laid out and drawn
// QUODLIN_BENCH_SCALE=N divides the table count.
#include "benchscale.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/relationdiagram.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"
#include "output/relationpicture.h"
#include "output/ui/graphpicture.h"
#include "workspace/queryplan.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

const int kTables = 200 / bench::benchScale();

std::string schemaScript()
{
    std::string s;
    for (int i = 0; i < kTables; ++i) {
        const std::string t = "t" + std::to_string(i);
        s += "create table " + t + " (id integer primary key, name char(20), amount decimal(10,2), since date";
        for (int k = 1; k <= 2 && i - k * 7 >= 0; ++k)
            s += ", ref" + std::to_string(k) + " integer references t" + std::to_string(i - k * 7) + " (id)";
        s += ");";
    }
    return s;
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<TdmDbObjects> module;

    Fixture()
    {
        const QString folder = dir.filePath(QStringLiteral("databases"));
        QDir().mkpath(folder);
        const std::string path = (folder + QStringLiteral("/pic.db")).toStdString();
        engine::Session::createDatabase(path, "bench");
        engine::Session::open(path, "bench")->execute(schemaScript());
        session = std::make_unique<DbSession>(dir.filePath(QStringLiteral("aliases.conf")));
        session->registerDriver(std::make_unique<EmbeddedDriver>(folder));
        module = std::make_unique<TdmDbObjects>(*session);
        module->SetDatabaseName(QStringLiteral("QuodlinPictureBench"));
        module->Open(QString(), QStringLiteral("local\\pic"), QStringLiteral("bench"),
                     QStringLiteral("SERVER NAME=local\nDATABASE NAME=pic\nUSER NAME=bench\nPASSWORD="));
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Laid out, built as the window's scene and painted into an image of its size.
QSize draw(const GraphPicture &picture)
{
    const auto scene = BuildPictureScene(picture, QApplication::font(), QApplication::palette());
    QImage image(scene->sceneRect().size().toSize(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    scene->render(&painter);
    return image.size();
}

void DatabaseDiagram(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(draw(DiagramPicture(ReadDatabaseDiagram(*f.module))));
}
BENCHMARK(DatabaseDiagram)->Unit(benchmark::kMillisecond);

void DiagramLayout(benchmark::State &state)
{
    const GraphPicture picture = DiagramPicture(ReadDatabaseDiagram(*fixture().module));
    for (auto _ : state)
        benchmark::DoNotOptimize(draw(picture));
    state.counters["tables"] = double(picture.nodes.size());
    state.counters["arrows"] = double(picture.edges.size());
}
BENCHMARK(DiagramLayout)->Unit(benchmark::kMillisecond);

QString joinExplainText(int tables)
{
    QString text = QStringLiteral("QUERY: (OPTIMIZATION TIMESTAMP: 12-08-2026 01:00:00)\n------\nselect * from t0");
    for (int i = 1; i < tables; ++i)
        text += QStringLiteral(", t%1").arg(i);
    text += QStringLiteral(" where ...\n\nEstimated Cost: 4821\nEstimated # of Rows Returned: 1200\n"
                           "Temporary Files Required For: Order By  Group By\n\n"
                           "  1) informix.t0: SEQUENTIAL SCAN\n\n        Filters: informix.t0.amount > 100 \n\n");
    for (int i = 1; i < tables; ++i)
        text += QStringLiteral("  %1) informix.t%2: INDEX PATH\n\n    (1) Index Name: informix. 1%2_1\n"
                               "        Index Keys: id   (Serial, fragments: ALL)\n"
                               "        Lower Index Filter: informix.t%2.id = informix.t%3.ref1 \n%4\n")
                    .arg(i + 1)
                    .arg(i)
                    .arg(i - 1)
                    .arg(i % 3 ? QStringLiteral("NESTED LOOP JOIN")
                               : QStringLiteral("DYNAMIC HASH JOIN\n    Dynamic Hash Filters: informix.t%1.id = informix.t%2.id")
                                     .arg(i)
                                     .arg(i - 1));
    return text;
}

void JoinPlan(benchmark::State &state)
{
    const QString text = joinExplainText(10);
    for (auto _ : state)
        benchmark::DoNotOptimize(draw(PlanPicture(ParseExplainText(text).first())));
}
BENCHMARK(JoinPlan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
