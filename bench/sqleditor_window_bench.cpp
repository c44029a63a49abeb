// The SQL editor's colouring on a 10,000-line SPL script: the core tokenizer
// alone, and the whole highlighter over a text document (what opening or
// pasting such a script costs); and the completion popup over 10,000 tables.
#include "workspace/sqlsyntax.h"
#include "workspace/ui/sqleditwidget.h"
#include "catalog/catalogsnapshot.h"
#include "catalog/objectkinds.h"
#include "workspace/ui/sqlcompleter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QStringList>

namespace {

QStringList scriptLines(int count)
{
    static const char *const body[] = {
        "CREATE PROCEDURE sp_totals(p_customer INTEGER, p_since DATE)",
        "RETURNING DECIMAL(12,2), INTEGER;",
        "-- Totals per customer since a date: orders and their value",
        "DEFINE v_total DECIMAL(12,2);",
        "DEFINE v_count INTEGER; { a brace comment",
        "  that spans two lines }",
        "  LET v_total = 0.0; LET v_count = 0;",
        "  FOREACH SELECT o.amount INTO v_amount FROM orders o WHERE o.customer = p_customer",
        "    AND o.placed >= p_since AND o.note MATCHES '*rush*'",
        "    LET v_total = v_total + v_amount * 1.5e0; /* weighted */",
        "  END FOREACH;",
        "  RETURN v_total, v_count;",
        "END PROCEDURE;",
    };
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines << QString::fromLatin1(body[i % std::size(body)]);
    return lines;
}

void TokenizeScript(benchmark::State &state)
{
    const QStringList lines = scriptLines(10000);
    for (auto _ : state) {
        int lineState = 0;
        qsizetype tokens = 0;
        QList<quodlin::SqlToken> list;
        for (const QString &line : lines) {
            list.clear();
            lineState = quodlin::TokenizeSqlLine(line, lineState, list);
            tokens += list.size();
        }
        benchmark::DoNotOptimize(tokens);
    }
}
BENCHMARK(TokenizeScript)->Unit(benchmark::kMillisecond);

void HighlightEditor(benchmark::State &state)
{
    const QString text = scriptLines(10000).join(QLatin1Char('\n'));
    for (auto _ : state) {
        QPlainTextEdit editor;
        quodlin::SetupSqlEditor(&editor);
        editor.setPlainText(text);
        benchmark::DoNotOptimize(editor.document()->blockCount());
    }
}
BENCHMARK(HighlightEditor)->Unit(benchmark::kMillisecond);

void PlainEditor(benchmark::State &state)
{
    const QString text = scriptLines(10000).join(QLatin1Char('\n'));
    for (auto _ : state) {
        QPlainTextEdit editor;
        quodlin::SetupSqlEditor(&editor, false);
        editor.setPlainText(text);
        benchmark::DoNotOptimize(editor.document()->blockCount());
    }
}
BENCHMARK(PlainEditor)->Unit(benchmark::kMillisecond);

// Ctrl+Space after FROM on a catalog of 10,000 tables of 8 columns: the
// entries computed, the list filled and the popup shown.
void CompletionPopup(benchmark::State &state)
{
    auto catalog = std::make_shared<quodlin::CatalogSnapshot>();
    catalog->user = QStringLiteral("bench");
    for (int i = 0; i < 10000; ++i) {
        quodlin::SnapshotRelation table;
        table.name = QStringLiteral("t%1").arg(i, 5, 10, QLatin1Char('0'));
        table.owner = i % 10 ? QStringLiteral("bench") : QStringLiteral("informix");
        table.kind = quodlin::KindTable;
        table.id = 100 + i;
        for (int c = 0; c < 8; ++c)
            table.columns.append({QStringLiteral("col%1").arg(c), QStringLiteral("INTEGER")});
        catalog->relations.push_back(std::move(table));
    }
    catalog->finish();
    QPlainTextEdit editor;
    quodlin::SetupSqlEditor(&editor);
    auto *completer = new quodlin::SqlCompleter(&editor, [catalog] { return catalog; });
    editor.setPlainText(QStringLiteral("select * from orders o where o.id > 0;\nselect * from "));
    editor.moveCursor(QTextCursor::End);
    editor.show();
    for (auto _ : state) {
        completer->complete();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(completer->popup()->isVisible());
        state.PauseTiming();
        completer->popup()->hide();
        state.ResumeTiming();
    }
    state.counters["entries"] = double(completer->popup()->model()->rowCount());
}
BENCHMARK(CompletionPopup)->Unit(benchmark::kMillisecond);

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
