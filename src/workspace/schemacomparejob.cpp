#include "workspace/schemacomparejob.h"

#include "app/externalprograms.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbsession.h"
#include "output/editorfiles.h"
#include "workspace/statementsplitter.h"

#include <QFileInfo>
#include <QThread>

#include <map>
#include <stdexcept>

namespace quodlin {

namespace {

const QString kContext = QStringLiteral("TfrmCompareSchema.Compare");

} // namespace

QString CompareSide::label() const
{
    return alias.isEmpty() ? QFileInfo(file).fileName() : alias;
}

CompareSource::CompareSource(const CompareSide &side, const QString &componentName) : m_side(side)
{
    if (side.alias.isEmpty())
        return;
    m_connection = std::make_unique<TdmDbObjects>(DbSession::defaultSession());
    m_connection->SetDatabaseName(componentName);
    m_connection->dbDb().setListed(false);
}

CompareSource::CompareSource(TdmDbObjects &connected) : m_connected(&connected) {}

CompareSource::~CompareSource() = default;

void CompareSource::open(const std::atomic<bool> *stop)
{
    if (m_connected)
        return;
    if (m_connection) {
        m_connection->Open(m_side.alias, QString(), m_side.user, m_side.params);
        return;
    }
    QString text, error;
    if (!ReadEditorText(m_side.file, text, &error))
        throw std::runtime_error(QStringLiteral("Cannot read %1: %2").arg(m_side.file, error).toStdString());
    QStringList statements;
    for (const SqlStatementSpan &statement : SplitSqlStatements(text))
        statements << statement.text;
    try {
        m_scratch = ScratchSchemaDatabase::fromStatements(
            statements, m_side.user.isEmpty() ? GetLoginUserName() : m_side.user, stop);
    } catch (const std::exception &failure) {
        if (stop && *stop)
            throw;
        throw std::runtime_error((m_side.file + QStringLiteral(": ") + QString::fromUtf8(failure.what())).toStdString());
    }
}

void CompareSource::interrupt()
{
    if (TdmDbObjects *connection = m_connected ? m_connected : m_connection.get())
        connection->dbDb().interrupt();
}

TdmDbObjects &CompareSource::module()
{
    if (m_connected)
        return *m_connected;
    return m_connection ? *m_connection : m_scratch->module();
}

CompareOutcome RunCompare(CompareSource &source, CompareSource &target, const CompareRequest &request,
                          const std::atomic<bool> &stop, const std::function<void(const QString &)> &progress,
                          const QString &context)
{
    CompareOutcome outcome;
    const auto step = [&](const QString &text) {
        if (stop)
            throw std::runtime_error("Stopped.");
        progress(text);
    };
    try {
        step(QStringLiteral("Opening %1...").arg(request.source.label()));
        source.open(&stop);
        step(QStringLiteral("Opening %1...").arg(request.target.label()));
        target.open(&stop);
        outcome.comparison = CompareSchemas(source.module(), target.module(), request.options, [&](bool sourceSide) {
            step(QStringLiteral("Reading %1...").arg((sourceSide ? request.source : request.target).label()));
        });
    } catch (const std::exception &failure) {
        outcome.stopped = stop;
        outcome.error = outcome.stopped ? QStringLiteral("Stopped.") : DbErrorReport(failure, context);
    }
    return outcome;
}

SchemaCompareRunner::SchemaCompareRunner(QObject *parent) : QObject(parent) {}

SchemaCompareRunner::~SchemaCompareRunner()
{
    if (!m_thread)
        return;
    stop();
    m_thread->wait();
    delete m_thread;
}

bool SchemaCompareRunner::start(const CompareRequest &request, QString *error)
{
    if (m_thread)
        return false;
    try {
        m_source = std::make_unique<CompareSource>(request.source, QStringLiteral("QuodlinCompareSource"));
        m_target = std::make_unique<CompareSource>(request.target, QStringLiteral("QuodlinCompareTarget"));
    } catch (const std::exception &failure) {
        m_source.reset();
        m_target.reset();
        if (error)
            *error = DbErrorReport(failure, kContext);
        return false;
    }
    m_stop = false;
    m_outcome = CompareOutcome{};
    m_clock.start();
    m_thread = QThread::create([this, request] {
        CompareOutcome outcome = RunCompare(*m_source, *m_target, request, m_stop, [this](const QString &text) {
            QMutexLocker locker(&m_lock);
            m_progress = text;
        }, kContext);
        m_outcome = std::move(outcome);
    });
    connect(m_thread, &QThread::finished, this, &SchemaCompareRunner::onThreadFinished, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void SchemaCompareRunner::stop()
{
    if (!m_thread)
        return;
    m_stop = true;
    m_source->interrupt();
    m_target->interrupt();
}

void SchemaCompareRunner::wait()
{
    if (!m_thread)
        return;
    m_thread->wait();
    onThreadFinished();
}

QString SchemaCompareRunner::progress() const
{
    QMutexLocker locker(&m_lock);
    return m_progress;
}

void SchemaCompareRunner::onThreadFinished()
{
    if (!m_thread || !m_thread->isFinished())
        return;
    delete m_thread;
    m_thread = nullptr;
    // The connections close here, on the thread that made them.
    m_source.reset();
    m_target.reset();
    m_clock.invalidate();
    {
        QMutexLocker locker(&m_lock);
        m_progress.clear();
    }
    emit finished();
}

std::vector<DifferenceNode> DifferenceTree(const SchemaComparison &c, bool withOwner)
{
    std::map<std::pair<int, QString>, DifferenceNode> kinds;  // in the script's order of kinds
    for (int i = 0; i < int(c.differences.size()); ++i) {
        const SchemaDifference &d = c.differences[size_t(i)];
        if (!d.listed)
            continue;
        const SchemaItem &item = c.item(d);
        DifferenceNode &kind = kinds[{item.kind, SchemaKindName(item)}];
        kind.text = SchemaKindName(item);
        DifferenceNode object{DifferenceTypeText(d.type) + QStringLiteral(": ") + SchemaItemLabel(item, withOwner), i, {}};
        for (const QString &change : DifferenceChanges(c, d))
            object.children.push_back({change, i, {}});
        kind.children.push_back(std::move(object));
    }
    std::vector<DifferenceNode> tree;
    for (auto &[kind, node] : kinds) {
        node.text += QStringLiteral(" (%1)").arg(node.children.size());
        tree.push_back(std::move(node));
    }
    return tree;
}

LineDifference DifferingLines(const QString &left, const QString &right)
{
    const auto linesOf = [](const QString &text) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &line : lines) {
            while (!line.isEmpty() && line.back().isSpace())
                line.chop(1);
        }
        return lines;
    };
    const QStringList a = linesOf(left), b = linesOf(right);
    const size_t n = size_t(a.size()), m = size_t(b.size());
    // Longest common subsequence of lines; DDL texts are short.
    std::vector<std::vector<int>> length(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            length[i][j] = a[qsizetype(i)] == b[qsizetype(j)] ? length[i + 1][j + 1] + 1
                                                              : std::max(length[i + 1][j], length[i][j + 1]);
    LineDifference out;
    size_t i = 0, j = 0;
    while (i < n && j < m) {
        if (a[qsizetype(i)] == b[qsizetype(j)]) {
            ++i;
            ++j;
        } else if (length[i + 1][j] >= length[i][j + 1]) {
            out.left.push_back(int(i++));
        } else {
            out.right.push_back(int(j++));
        }
    }
    for (; i < n; ++i)
        out.left.push_back(int(i));
    for (; j < m; ++j)
        out.right.push_back(int(j));
    // The object missing on one side: nothing to set beside it.
    return left.isEmpty() || right.isEmpty() ? LineDifference{} : out;
}

} // namespace quodlin
