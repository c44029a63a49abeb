#include "workspace/queryexec.h"

#include "app/externalprograms.h"
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/loadunload.h"
#include "workspace/sqlanalysis.h"
#include "workspace/statementsplitter.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>

#include <exception>

namespace quodlin {

namespace {

void readText(ExecPlan &plan, const QString &sql)
{
    plan.sql = sql;
    plan.statements = SplitSqlStatements(sql);
    plan.clientStatements = HasClientStatement(plan.statements);
    plan.changesCatalog = ChangesCatalogObjects(plan.statements);
}

void readOptions(ExecPlan &plan, const ExecOptions &options)
{
    plan.context = options.context;
    plan.explain = options.explain;
    plan.explainFile = options.explainFile;
    plan.renderText = !options.gridVisible;
    plan.autoRefresh = options.autoRefresh;
    plan.explainImmediate = options.explainImmediate;
}

} // namespace

ExecPlan PrepareExec(ISqlEditor &editor, const ExecOptions &options)
{
    ExecPlan plan;
    plan.context = options.context;
    if (editor.lineCount() == 0) {
        plan.empty = true;
        return plan;
    }
    FixCommentColons(editor);
    readText(plan, editor.text());
    readOptions(plan, options);
    plan.firstLine = editor.line(0);
    plan.objectDdl = IsObjectDDL(editor);
    plan.live = options.liveChecked && options.gridVisible && IsRowReturning(editor);
    return plan;
}

ExecPlan PrepareExec(const QString &sql, const ExecOptions &options)
{
    SqlTextBuffer editor(sql);
    return PrepareExec(editor, options);
}

namespace {

constexpr int kFirstGridRows = 100;

void runWithoutRows(DbQuery &query, const QString &sql)
{
    query.close();
    query.setSql(sql);
    query.setLive(false);
    query.execSQL();
}

void renderRows(const ExecPlan &plan, DbQuery &query, ExecOutcome &outcome, const std::atomic<bool> *stop,
                const RenderProgress &progress)
{
    if (outcome.result != ExecResult::Rows || !plan.renderText)
        return;
    const RenderProgress goOn = [&](int records) {
        if (stop && stop->load()) {
            outcome.textStopped = true;
            return false;
        }
        return !progress || progress(records);
    };
    outcome.textLines = QueryToTextLines(query, goOn);
}

void countRows(DbQuery &query, ExecOutcome &outcome)
{
    if (outcome.result != ExecResult::Rows)
        return;
    outcome.rows = query.fetchedRowCount();
    outcome.moreRows = !query.allFetched();
}

void fail(const ExecPlan &plan, DbQuery &query, ExecOutcome &outcome, const std::exception &failure, int shift)
{
    outcome.result = ExecResult::Failed;
    outcome.report = DbErrorReport(failure, plan.context);
    const FailureSummary summary = SummarizeFailure(failure);
    outcome.errorCode = summary.code;
    outcome.errorMessage = summary.message;
    const int offset = FailureErrorOffset(failure);
    outcome.errorOffset = offset > 0 ? offset + shift : offset;
    query.close();
}

ExecOutcome runWithClientStatements(const ExecPlan &plan, DbQuery &query, const std::atomic<bool> *stop,
                                    const RenderProgress &progress)
{
    ExecOutcome outcome;
    outcome.result = ExecResult::NoRows;
    QStringList messages;
    const QList<SqlStatementSpan> &spans = plan.statements;
    for (qsizetype i = 0; i < spans.size(); ++i) {
        const SqlStatementSpan &span = spans[i];
        try {
            query.close();
            if (const std::optional<ClientStatement> client = ParseClientStatement(span.text)) {
                const ExportProgress goOn = [stop](qint64) { return !(stop && stop->load()); };
                messages << RunClientStatement(query.session(), query.databaseName(), *client, goOn).message;
                continue;
            }
            query.setSql(span.text);
            query.setLive(plan.live && i + 1 == spans.size());
            query.open();
            if (i + 1 < spans.size())
                continue;
            if (!plan.renderText)
                query.fetchMore(kFirstGridRows);
            outcome.result = ExecResult::Rows;
        } catch (const DbNoResultSet &) {
            if (const QString count = RowCountText(span.text, query.rowsAffected()); !count.isEmpty()) {
                messages << count;
                outcome.rows = query.rowsAffected();
            }
        } catch (const std::exception &failure) {
            fail(plan, query, outcome, failure, span.offset);
            outcome.message = messages.join(QLatin1Char(' '));
            return outcome;
        }
    }
    if (outcome.result != ExecResult::Rows)
        query.close();
    outcome.message = messages.join(QLatin1Char(' '));
    outcome.changesCatalog = plan.changesCatalog;
    renderRows(plan, query, outcome, stop, progress);
    countRows(query, outcome);
    return outcome;
}

ExecOutcome runPlan(const ExecPlan &plan, DbQuery &query, DbQuery &explainQuery, const std::atomic<bool> *stop,
                    const RenderProgress &progress)
{
    ExecOutcome outcome;
    if (plan.clientStatements)
        return runWithClientStatements(plan, query, stop, progress);
    try {
        query.close();
        query.setSql(plan.sql);
        query.setLive(plan.live);
        if (plan.explain) {
            runWithoutRows(explainQuery, QStringLiteral("SET EXPLAIN OFF"));
            ForceDeleteFile(plan.explainFile);
            runWithoutRows(explainQuery, QStringLiteral("SET EXPLAIN ON"));
        }
        try {
            query.open();
        } catch (...) {
            // The bracket closes whatever the statement did.
            if (plan.explain) {
                try {
                    runWithoutRows(explainQuery, QStringLiteral("SET EXPLAIN OFF"));
                } catch (const std::exception &) {
                }
            }
            throw;
        }
        if (plan.explain)
            runWithoutRows(explainQuery, QStringLiteral("SET EXPLAIN OFF"));
        // The grid's first screen is read here too, off the window's thread.
        if (!plan.renderText)
            query.fetchMore(kFirstGridRows);
        outcome.result = ExecResult::Rows;
    } catch (const std::exception &failure) {
        const DbError *error = dynamic_cast<const DbError *>(&failure);
        if (error && error->message() == kNoResultSetMessage) {
            outcome.result = ExecResult::NoRows;
            // A text run whole reports the count of its last statement only.
            if (!plan.statements.isEmpty())
                outcome.message = RowCountText(plan.statements.last().text, query.rowsAffected());
            if (!outcome.message.isEmpty())
                outcome.rows = query.rowsAffected();
        } else {
            fail(plan, query, outcome, failure, 0);
            return outcome;
        }
    }
    outcome.changesCatalog = plan.changesCatalog;
    renderRows(plan, query, outcome, stop, progress);
    countRows(query, outcome);
    return outcome;
}

} // namespace

ExecOutcome RunExec(const ExecPlan &plan, DbQuery &query, DbQuery &explainQuery, const std::atomic<bool> *stop,
                    const RenderProgress &progress)
{
    if (plan.empty || plan.objectDdl)
        return {};
    const QDateTime started = QDateTime::currentDateTimeUtc();
    QElapsedTimer clock;
    clock.start();
    ExecOutcome outcome = runPlan(plan, query, explainQuery, stop, progress);
    outcome.started = started;
    outcome.elapsedMs = clock.elapsed();
    return outcome;
}

QString ExecStatusText(ExecResult result)
{
    switch (result) {
    case ExecResult::Rows:
        return QStringLiteral("Query executed successfully.");
    case ExecResult::NoRows:
        return QStringLiteral("Query compiled successfully.");
    case ExecResult::Failed:
        return QStringLiteral("Query compiled with errors.");
    case ExecResult::NotRun:
        break;
    }
    return QStringLiteral("Compile option disabled in this version.");
}

QString QueryCaption(const QString &displayName) { return QStringLiteral("Query [") + displayName + QLatin1Char(']'); }

QString QueryCaption(const QString &displayName, bool live, const QString &firstLine)
{
    return QueryCaption(displayName) + (live ? QStringLiteral(" [Live]") : QString()) + QStringLiteral(" - ")
        + firstLine;
}

int GetErrorOffset(const DbDatabase *db)
{
    try {
        if (!db)
            return -1;
        const int offset = db->errorOffset();
        return offset < 0 ? -1 : offset + 1;
    } catch (const std::exception &) {
        return -1;
    }
}

int FailureErrorOffset(const std::exception &failure)
{
    const auto *engineError = dynamic_cast<const DbEngineError *>(&failure);
    return engineError && engineError->errorOffset() >= 0 ? engineError->errorOffset() + 1 : -1;
}

int ErrorCaretPosition(const QString &editorText, int offset)
{
    if (offset <= 0)
        return -1;
    return CaretFromTextOffset(editorText, offset - 1);
}

void ShowErrorPosition(ISqlEditor &editor, int offset)
{
    const int target = ErrorCaretPosition(editor.text(), offset);
    if (target >= 0 && editor.caret() != target)
        editor.setCaret(target);
}

namespace {

// The statement from its first word on: blanks and comments before it skipped.
QString withoutLeadingComments(const QString &statement)
{
    static const QRegularExpression leadingComments(
        QStringLiteral("^(?:\\s+|--[^\\n]*|\\{[^}]*\\}|/\\*.*?\\*/)*"), QRegularExpression::DotMatchesEverythingOption);
    return statement.mid(leadingComments.match(statement).capturedLength());
}

} // namespace

bool ChangesCatalogObjects(const QList<SqlStatementSpan> &statements)
{
    static const QRegularExpression statement(
        QStringLiteral("^(?:(?:CREATE|DROP)\\s+(?:(?:UNIQUE|DISTINCT|CLUSTER|DBA|PUBLIC|PRIVATE|STANDARD|RAW)\\s+)*"
                       "(?:TABLE|VIEW|SYNONYM|INDEX|SEQUENCE|PROCEDURE|FUNCTION|ROUTINE|TRIGGER|ROLE)"
                       "|RENAME\\s+(?:TABLE|COLUMN|INDEX|SEQUENCE)|ALTER\\s+(?:TABLE|INDEX|FRAGMENT|SEQUENCE)"
                       "|GRANT|REVOKE)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const SqlStatementSpan &span : statements)
        if (statement.match(withoutLeadingComments(span.text)).hasMatch())
            return true;
    return false;
}

QString RowCountText(const QString &statement, qint64 rows)
{
    // UPDATE STATISTICS changes no rows; a table named "statistics" may be updated.
    static const QRegularExpression verb(
        QStringLiteral("^(INSERT|UPDATE(?!\\s+STATISTICS\\b(?!\\s+SET\\b))|DELETE|MERGE)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = verb.match(withoutLeadingComments(statement));
    if (!match.hasMatch())
        return {};
    static const QHash<QString, QString> done = {{QStringLiteral("INSERT"), QStringLiteral("inserted")},
                                                 {QStringLiteral("UPDATE"), QStringLiteral("updated")},
                                                 {QStringLiteral("DELETE"), QStringLiteral("deleted")},
                                                 {QStringLiteral("MERGE"), QStringLiteral("merged")}};
    return QStringLiteral("%1 row(s) %2.").arg(rows).arg(done.value(match.captured(1).toUpper()));
}

OutcomeView ViewOfOutcome(const ExecPlan &plan, const ExecOutcome &outcome)
{
    OutcomeView view;
    const bool rows = outcome.result == ExecResult::Rows;
    const bool failed = outcome.result == ExecResult::Failed;
    view.rowsShown = rows;
    view.renderText = rows && plan.renderText;
    view.errorReport = failed;
    view.refreshTree = plan.autoRefresh && outcome.changesCatalog && !failed;
    view.showExplain = rows && plan.explain && plan.explainImmediate;
    if (rows && outcome.textStopped)
        view.status = QStringLiteral("Query executed; the text shows the rows read before Stop.");
    else if (!failed && !outcome.message.isEmpty())
        view.status = outcome.message;
    else
        view.status = ExecStatusText(outcome.result);
    return view;
}

} // namespace quodlin
