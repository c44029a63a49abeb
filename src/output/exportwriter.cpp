#include "output/exportwriter.h"

#include "app/externalprograms.h"
#include "app/outputfile.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "output/formatwriter.h"

#include <QRegularExpression>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quodlin {

namespace {

std::unique_ptr<exporting::FormatWriter> makeWriter(const ExportOptions &o)
{
    switch (o.format) {
    case ExportFormat::Text: return exporting::MakeTextWriter(o);
    case ExportFormat::Script: return exporting::MakeScriptWriter(o);
    case ExportFormat::Sqd: return exporting::MakeSqdWriter(o);
    case ExportFormat::Csv: return exporting::MakeCsvWriter(o);
    case ExportFormat::Unload: break;
    }
    return exporting::MakeUnloadWriter(o);
}

} // namespace

QString ExportTableName(const QString &sql)
{
    const qsizetype at = sql.toUpper().indexOf(QStringLiteral(" FROM "));
    if (at < 0)
        return {};
    return ExtractDelimitedField(1, sql.mid(at + 6), QStringLiteral(" ,\r\n"), QLatin1Char('"'));
}

ExportTable ExportTableOf(const QString &sql)
{
    const qsizetype at = sql.toUpper().indexOf(QStringLiteral(" FROM "));
    if (at < 0)
        return {};
    qsizetype i = at + 6;
    const auto charAt = [&](qsizetype k) { return k < sql.size() ? sql.at(k) : QChar(); };
    // One part: bare, or in double (an owner also single) quotes.
    const auto part = [&](QString &out) {
        const QChar quote = charAt(i);
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            for (++i; i < sql.size(); ++i) {
                if (sql.at(i) != quote) {
                    out += sql.at(i);
                } else if (charAt(i + 1) == quote) {
                    out += quote;
                    ++i;
                } else {
                    ++i;
                    return !out.isEmpty();
                }
            }
            return false;
        }
        const qsizetype start = i;
        while (i < sql.size() && (sql.at(i).isLetterOrNumber() || sql.at(i) == QLatin1Char('_') || sql.at(i) == QLatin1Char('$')))
            ++i;
        out = sql.mid(start, i - start).toLower();
        return !out.isEmpty();
    };
    ExportTable t;
    QString first;
    if (!part(first))
        return {};
    if (charAt(i) == QLatin1Char('@') || charAt(i) == QLatin1Char(':')) {
        t.database = first;
        first.clear();
        if (charAt(i) == QLatin1Char('@')) {
            ++i;
            if (!part(t.server))
                return {};
        }
        if (charAt(i) != QLatin1Char(':'))
            return {};
        ++i;
        if (!part(first))
            return {};
    }
    if (charAt(i) == QLatin1Char('.')) {
        t.owner = first;
        ++i;
        if (!part(t.name))
            return {};
    } else {
        t.name = first;
    }
    const QChar end = charAt(i);
    if (!end.isNull() && !end.isSpace() && end != QLatin1Char(';') && end != QLatin1Char(',') && end != QLatin1Char(')'))
        return {};
    static const QRegularExpression clause(QStringLiteral("^\\s*(;|$|(where|order|group|having|into|for)\\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    t.alone = clause.match(sql.mid(i)).hasMatch();
    return t;
}

QString ExportDefaultFileName(const QString &tableName, ExportFormat format)
{
    if (tableName.isEmpty())
        return {};
    switch (format) {
    case ExportFormat::Script: return tableName + QStringLiteral(".sql");
    case ExportFormat::Sqd: return tableName + QStringLiteral(".sqd");
    case ExportFormat::Csv: return tableName + QStringLiteral(".csv");
    case ExportFormat::Unload: return tableName + QStringLiteral(".unl");
    case ExportFormat::Text: break;
    }
    return tableName + QStringLiteral(".txt");
}

QString ExportSavingStatusText() { return QStringLiteral("Saving query to file..."); }

QString ExportSavedStatusText(const QString &fileName)
{
    return QStringLiteral("Query saved to file [") + fileName + QStringLiteral("].");
}

QString ExportResult::message() const
{
    if (!failure)
        return {};
    try {
        std::rethrow_exception(failure);
    } catch (const DbError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

QString ExportResult::report(const QString &context) const
{
    if (!failure)
        return {};
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return DbErrorReport(e, context);
    } catch (...) {
        return DbErrorReport(DbError(QStringLiteral("Unknown failure")), context);
    }
}

namespace {

// Rows read on the caller's thread are formatted and written on another:
// reading and formatting take about as long each, so a large export takes
// the time of the slower one instead of both. Copies of the rows go over in
// batches, a few in flight, so memory stays flat.
class WritingThread {
public:
    WritingThread(exporting::FormatWriter &writer, exporting::Sink &sink)
        : m_thread([this, &writer, &sink] { run(writer, sink); })
    {
    }
    ~WritingThread() { finish(); }
    WritingThread(const WritingThread &) = delete;
    WritingThread &operator=(const WritingThread &) = delete;

    // Takes a copy of the row; false once writing has failed.
    bool add(const DbCellRow &row)
    {
        if (m_filling.size() == m_used)
            m_filling.emplace_back();
        m_filling[m_used++] = row;  // into a buffer used before: no allocation
        return m_used < kBatch ? !m_failed : hand();
    }
    // Writes what was added and waits; the failure of the writing side.
    std::exception_ptr finish()
    {
        if (m_thread.joinable()) {
            hand();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_done = true;
            }
            m_ready.notify_all();
            m_thread.join();
        }
        return m_failure;
    }

private:
    static constexpr size_t kBatch = 256;
    static constexpr size_t kInFlight = 4;
    struct Batch {
        std::vector<DbCellRow> rows;
        size_t used = 0;
    };

    bool hand()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_space.wait(lock, [this] { return m_queue.size() < kInFlight || m_failed; });
        if (m_failed)
            return false;
        if (m_used > 0) {
            m_queue.push_back({std::move(m_filling), m_used});
            m_filling.clear();
            m_used = 0;
            if (!m_spare.empty()) {
                m_filling = std::move(m_spare.back());
                m_spare.pop_back();
            }
            m_ready.notify_one();
        }
        return true;
    }
    void run(exporting::FormatWriter &writer, exporting::Sink &sink)
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_done; });
                if (m_queue.empty())
                    break;
                batch = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_space.notify_one();
            if (!m_failed) {
                try {
                    for (size_t i = 0; i < batch.used; ++i)
                        writer.record(batch.rows[i], sink);
                } catch (...) {
                    fail(std::current_exception());
                }
            }
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_spare.push_back(std::move(batch.rows));
        }
        if (!m_failed) {
            try {
                sink.flush();
            } catch (...) {
                fail(std::current_exception());
            }
        }
    }
    void fail(std::exception_ptr failure)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_failure = std::move(failure);
            m_failed = true;
        }
        m_space.notify_all();
    }

    std::vector<DbCellRow> m_filling;  // the caller's batch
    size_t m_used = 0;
    std::mutex m_mutex;
    std::condition_variable m_ready;  // a batch to write, or the end
    std::condition_variable m_space;  // room for a batch, or a failure
    std::deque<Batch> m_queue;
    std::vector<std::vector<DbCellRow>> m_spare;  // written batches' buffers
    bool m_done = false;
    std::atomic<bool> m_failed{false};
    std::exception_ptr m_failure;
    std::thread m_thread;  // last: starts once the rest is made
};

// Whether every value of a record comes from the query's cells: a computed
// field or a display hook reads the query's current row, which moves on
// while the writing thread works.
bool cellsOnly(const DbQuery &query)
{
    for (int i = 0; i < query.fieldCount(); ++i)
        if (query.field(i).isCalculated() || query.field(i).hasDisplayHook())
            return false;
    return true;
}

} // namespace

ExportResult WriteQuery(DbQuery &query, QIODevice &out, const ExportOptions &options, const ExportProgress &progress)
{
    ExportResult result;
    DbBookmark mark = -1;
    bool controlsDisabled = false;
    exporting::Sink sink(out);
    try {
        std::unique_ptr<exporting::FormatWriter> writer = makeWriter(options);
        if (!query.forwardOnly())
            mark = query.bookmark();
        query.disableControls();
        controlsDisabled = true;
        query.first();
        writer->begin(query, sink);
        const bool threaded = query.forwardOnly() && query.currentCells() && cellsOnly(query);
        if (threaded) {
            WritingThread writing(*writer, sink);
            std::exception_ptr readFailure;
            try {
                while (!query.eof()) {
                    const DbCellRow *cells = query.currentCells();
                    if (!cells)
                        throw DbError(QStringLiteral("The row is not available"));
                    if (!writing.add(*cells))
                        break;
                    if (++result.records % 256 == 0 && progress && !progress(result.records)) {
                        result.stopped = true;
                        break;
                    }
                    query.next();
                }
            } catch (...) {
                readFailure = std::current_exception();
            }
            if (std::exception_ptr writeFailure = writing.finish())
                std::rethrow_exception(writeFailure);
            if (readFailure)
                std::rethrow_exception(readFailure);
        }
        while (!threaded && !query.eof()) {
            writer->record(sink);
            if (++result.records % 256 == 0 && progress && !progress(result.records)) {
                result.stopped = true;
                break;
            }
            query.next();
        }
        sink.flush();
    } catch (...) {
        result.failure = std::current_exception();
        try {
            sink.flush();  // what was made stays, as for a failure while writing
        } catch (...) {
        }
    }
    try {
        if (mark >= 0)
            query.gotoBookmark(mark);
    } catch (...) {
    }
    try {
        if (controlsDisabled)
            query.enableControls();
    } catch (...) {
    }
    return result;
}

ExportResult WriteQueryToFile(DbQuery &query, const QString &fileName, const ExportOptions &options,
                              const ExportProgress &progress)
{
    OutputFile file(fileName);
    if (!file.open()) {
        ExportResult result;
        result.failure = std::make_exception_ptr(
            DbError(QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString())));
        return result;
    }
    ExportResult result = WriteQuery(query, file, options, progress);
    if (!result.ok()) {
        file.cancel();
        return result;
    }
    if (!file.commit())
        result.failure = std::make_exception_ptr(
            DbError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString())));
    return result;
}

QStringList SqdKeyColumns(const DbQuery *table, const DbQuery *indexes, const QString &tableName)
{
    if (!table || !indexes || !table->isOpen() || !indexes->isOpen())
        return {};
    if (table->fieldByName(QStringLiteral("tabname")).asString() != tableName)
        return {};
    QStringList key;
    for (int i = 1; i <= 16; ++i) {
        const DbField &part = indexes->fieldByName(QStringLiteral("colname") + QString::number(i));
        if (part.isNull())
            break;
        key << part.asString();
    }
    return key;
}

bool IsValidUnloadDelimiter(QChar c)
{
    if (c.isNull() || c == QLatin1Char('\\') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
        || c == QLatin1Char(' '))
        return false;
    const char16_t u = c.unicode();
    return !((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'));
}

QChar DefaultUnloadDelimiter()
{
    const QString env = qEnvironmentVariable("DBDELIMITER");
    return env.size() == 1 && IsValidUnloadDelimiter(env[0]) ? env[0] : QLatin1Char('|');
}

} // namespace quodlin
