// The query history over a full store of 10,000 entries (statements of a few
// lines over 50 connections, a tenth failed), as the dialog and
// `quodlin-cli history` read it:
//   SearchText        - a part of the text, every match (the dialog's list)
//   SearchRare        - a part that few statements hold
//   SearchFiltered    - text, connection and outcome together
//   NewestTwenty      - the CLI's default
//   Record            - one entry added with the store's trimming to 10,000
//   DialogOpen        - the Query History dialog built and filled with all
//   DialogFilter      - a text typed into its Find box: the list filled anew
// QUODLIN_BENCH_SCALE=N divides the entries.
#include "benchscale.h"
#include "shell/mainform.h"
#include "workspace/queryhistory.h"
#include "workspace/ui/queryhistoryform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

const int kEntries = 10000 / quodlin::bench::benchScale();

HistoryEntry generated(int i)
{
    HistoryEntry e;
    e.text = QStringLiteral("select o.order_num, o.order_date, c.company, sum(i.total_price)\n"
                            "  from orders o, customer c, items i\n"
                            " where o.customer_num = c.customer_num and i.order_num = o.order_num\n"
                            "   and c.customer_num = %1 and o.ship_weight > %2\n"
                            " group by 1, 2, 3 order by 4 desc")
                 .arg(i)
                 .arg(i % 97);
    if (i % 250 == 0)
        e.text += QStringLiteral(" -- rare_marker");
    e.connection = QStringLiteral("server%1\\stores").arg(i % 50);
    e.started = QDateTime::currentDateTimeUtc();
    e.durationMs = i % 1000;
    e.rows = i % 300;
    if (i % 10 == 0) {
        e.outcome = HistoryOutcome::Error;
        e.errorCode = -217;
        e.errorMessage = QStringLiteral("Column (x) not found in any table in the query (or SLV is undefined).");
    }
    return e;
}

TMainForm *g_frame = nullptr;

// The store the program uses, in QUODLIN_HOME (a scratch folder, set by main).
struct FullStore {
    QString path = HistoryStorePath();
    FullStore()
    {
        HistoryStore store(path);
        for (int i = 0; i < kEntries; ++i)
            store.add(generated(i), kEntries);
    }
};

FullStore &fullStore()
{
    static FullStore store;
    return store;
}

HistoryFilter filterOf(const QString &text, const QString &connection = {},
                       std::optional<HistoryOutcome> outcome = std::nullopt, int limit = 0)
{
    HistoryFilter filter;
    filter.text = text;
    filter.connection = connection;
    filter.outcome = outcome;
    filter.limit = limit;
    return filter;
}

void search(benchmark::State &state, const HistoryFilter &filter)
{
    HistoryStore store(fullStore().path);
    qsizetype found = 0;
    for (auto _ : state) {
        found = store.find(filter).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["entries"] = double(found);
}

void SearchText(benchmark::State &state) { search(state, filterOf(QStringLiteral("CUSTOMER_NUM = 1"))); }
void SearchRare(benchmark::State &state) { search(state, filterOf(QStringLiteral("rare_marker"))); }
void SearchFiltered(benchmark::State &state)
{
    search(state, filterOf(QStringLiteral("order by"), QStringLiteral("server7\\stores"), HistoryOutcome::Ok));
}
void NewestTwenty(benchmark::State &state) { search(state, filterOf({}, {}, std::nullopt, 20)); }

void Record(benchmark::State &state)
{
    HistoryStore store(fullStore().path);
    int i = kEntries;
    for (auto _ : state)
        store.add(generated(i++), kEntries);
}

void DialogOpen(benchmark::State &state)
{
    fullStore();
    int rows = 0;
    for (auto _ : state) {
        TfrmQueryHistory dialog(*g_frame);
        rows = dialog.findChild<QTableView *>(QStringLiteral("lvHistory"))->model()->rowCount();
    }
    state.counters["entries"] = rows;
}

void DialogFilter(benchmark::State &state)
{
    fullStore();
    TfrmQueryHistory dialog(*g_frame);
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("edtFilter"));
    int i = 0;
    for (auto _ : state) {
        filter->setText(QStringLiteral("customer_num = %1").arg(++i % 100));
        dialog.refill();
    }
    state.counters["entries"] = dialog.findChild<QTableView *>(QStringLiteral("lvHistory"))->model()->rowCount();
}

BENCHMARK(SearchText)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchRare)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchFiltered)->Unit(benchmark::kMillisecond);
BENCHMARK(NewestTwenty)->Unit(benchmark::kMillisecond);
BENCHMARK(Record)->Unit(benchmark::kMillisecond);
BENCHMARK(DialogOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(DialogFilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("QUODLIN_HOME", home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        TMainForm frame;
        g_frame = &frame;
        benchmark::RunSpecifiedBenchmarks();
        g_frame = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
