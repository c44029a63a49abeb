// The object browser window's side of the work on a large generated database
// (10,000 tables, 2,000 procedures, every category filled), measured beside
// the core tree load on the same file so the difference is the widgets' cost:
//   CoreTree           - connect a catalog module and build the object tree
//   WindowConnect      - create the browser window and connect it: the same
//                        tree load plus the tree widget filled and the root shown
//   WindowSelectTable  - select a table node: its Table, Columns and Indexes
//                        pages filled, and the Columns and Indexes cells read
//                        as the grids ask for them
//   WindowDataPage     - select the 1,000,000-row table with the Data page
//                        showing: its first chunk of rows in the grid model
// QUODLIN_BENCH_SCALE=N divides the sizes.
#include "browser/objecttree.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"
#include "shell/mainform.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QAbstractItemModel>
#include <QApplication>
#include "browser_catalog_fixture.h"

#include <QDir>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace quodlin;
namespace fs = std::filesystem;

namespace {

// The database in the data folder of QUODLIN_HOME (set by main).
void createDatabase()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const std::string path = EmbeddedDriver().databasePath(QStringLiteral("big")).toStdString();
    fs::create_directories(fs::path(path).parent_path());
    engine::Session::createDatabase(path, "bench");
    engine::Session::open(path, "bench")->execute(catalogScript());
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO big VALUES (?1, ?2, ?3)", -1, &st, nullptr);
    for (int i = 0; i < kBigRows; ++i) {
        const std::string name = "item " + std::to_string(i);
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 3, i % 97);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

const QString kParams = QStringLiteral("SERVER NAME=local\r\nDATABASE NAME=big\r\nUSER NAME=bench\r\nPASSWORD=");

// The frame the windows report to, made once the application exists.
TMainForm *g_frame = nullptr;

std::unique_ptr<TfrmDbObjects> openWindow()
{
    auto window = std::make_unique<TfrmDbObjects>(*g_frame);
    window->resize(1000, 700);
    window->show();
    window->connectDatabase(QString(), QStringLiteral("local\\big"), QStringLiteral("bench"), kParams);
    return window;
}

void CoreTree(benchmark::State &state)
{
    createDatabase();
    size_t nodes = 0;
    for (auto _ : state) {
        TdmDbObjects module;
        module.SetDatabaseName(QStringLiteral("QuodlinBench"));
        module.Open(QString(), QStringLiteral("local\\big"), QStringLiteral("bench"), kParams);
        nodes = LoadObjectTree(module, QStringLiteral("local\\big"), {}).nodes.size();
    }
    state.counters["nodes"] = double(nodes);
}
BENCHMARK(CoreTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void WindowConnect(benchmark::State &state)
{
    createDatabase();
    int items = 0;
    for (auto _ : state) {
        auto window = openWindow();
        QCoreApplication::processEvents();  // the first paint of the filled tree
        state.PauseTiming();
        if (!window->connected())
            state.SkipWithError("connect failed");
        items = window->findChild<QTreeWidget *>(QStringLiteral("tvwTree"))->topLevelItemCount();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["roots"] = items;
}
BENCHMARK(WindowConnect)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int readCells(const QAbstractItemModel *model)
{
    int chars = 0;
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            chars += int(model->index(r, c).data().toString().size());
    return chars;
}

void WindowSelectTable(benchmark::State &state)
{
    createDatabase();
    auto window = openWindow();
    const auto *columns = window->findChild<QTableView *>(QStringLiteral("gridTableColumns"));
    const auto *indexes = window->findChild<QTableView *>(QStringLiteral("gridTableIndexes"));
    int i = 0;
    for (auto _ : state) {
        window->gotoNode(QStringLiteral("bench.") + QString::fromStdString(numbered("t", (i += 10) % kTables)));
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(readCells(columns->model()) + readCells(indexes->model()));
    }
}
BENCHMARK(WindowSelectTable)->Unit(benchmark::kMillisecond);

void WindowDataPage(benchmark::State &state)
{
    createDatabase();
    auto window = openWindow();
    auto *tab = window->findChild<QTabWidget *>(QStringLiteral("tabTable"));
    const auto *data = window->findChild<QTableView *>(QStringLiteral("gridTableData"));
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window->gotoNode(QStringLiteral("bench.t00000"));
        tab->setCurrentWidget(tab->findChild<QWidget *>(QStringLiteral("pageTableData")));
        state.ResumeTiming();
        window->gotoNode(QStringLiteral("bench.big"));
        QCoreApplication::processEvents();  // the grid lays out, fetches its first chunk and paints
        rows = data->model()->rowCount();
        benchmark::DoNotOptimize(readCells(data->model()));
    }
    state.counters["rows shown"] = rows;
}
BENCHMARK(WindowDataPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Settings and the database under a scratch home; tmpfs where there is one.
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path home = base / ("quodlin_window_bench_" + std::to_string(::getpid()));
    fs::create_directories(home);
    setenv("QUODLIN_HOME", home.c_str(), 1);
    if (!getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        TMainForm frame;
        g_frame = &frame;
        benchmark::RunSpecifiedBenchmarks();
        g_frame = nullptr;
    }
    benchmark::Shutdown();
    fs::remove_all(home);
    return 0;
}
