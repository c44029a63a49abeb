#pragma once
// Comparing two schemas as the Compare Schema window and quodlin-cli compare
// do it: each side a database reached by alias or a schema file run into a
// scratch database; the window's run on a worker that Stop interrupts; the
// differences as a tree (kind, object, property) and the lines of two DDL
// texts that differ.
#include "catalog/schemacompare.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace quodlin {

struct CompareSide {
    QString alias;  // a database by alias; empty: `file`
    QString user;   // the login; for a file, who owns what the file names without owner
    QString params; // the connection's NAME=value lines (LoginParamLines)
    QString file;   // a schema file
    // The alias, or the file's name without its folder.
    QString label() const;
};

// One side ready to read.
class CompareSource {
public:
    // A connection's component is made here, on the thread that owns the
    // session's list of components; `componentName` must be free there.
    CompareSource(const CompareSide &side, const QString &componentName);
    // A side already connected, which open() leaves as it is.
    explicit CompareSource(TdmDbObjects &connected);
    ~CompareSource();
    // Connects, or reads the file and runs its statements (checking `stop`
    // between them). Raises "Cannot read FILE: reason", "FILE: Statement N
    // failed: ..." or the layer's failure to connect.
    void open(const std::atomic<bool> *stop = nullptr);
    // Interrupts the connection's statement from another thread.
    void interrupt();
    TdmDbObjects &module();

private:
    CompareSide m_side;
    TdmDbObjects *m_connected = nullptr;
    std::unique_ptr<TdmDbObjects> m_connection;
    std::unique_ptr<ScratchSchemaDatabase> m_scratch;
};

struct CompareRequest {
    CompareSide source, target;
    CompareOptions options;
};

struct CompareOutcome {
    SchemaComparison comparison;
    QString error;         // the failure's report; empty when the comparison ran
    bool stopped = false;  // Stop ended it
};

// Opens and reads both sides and compares them; `progress` hears each step,
// a failure is reported (DbErrorReport) under `context`.
CompareOutcome RunCompare(CompareSource &source, CompareSource &target, const CompareRequest &request,
                          const std::atomic<bool> &stop, const std::function<void(const QString &)> &progress,
                          const QString &context);

// One comparison at a time on a worker, its outcome handed back on the
// owner's thread.
class SchemaCompareRunner : public QObject {
    Q_OBJECT
public:
    explicit SchemaCompareRunner(QObject *parent = nullptr);
    // Stops a run still going and waits for its end.
    ~SchemaCompareRunner() override;

    // False when a run is going or a side cannot be prepared (`error` says why).
    bool start(const CompareRequest &request, QString *error = nullptr);
    bool running() const { return m_thread != nullptr; }
    void stop();
    // Blocks until the run ends (tests; the window waits for finished).
    void wait();
    // The step under way: "Reading demo...".
    QString progress() const;
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    const CompareOutcome &outcome() const { return m_outcome; }

signals:
    void finished();

private:
    void onThreadFinished();

    QThread *m_thread = nullptr;
    std::unique_ptr<CompareSource> m_source, m_target;
    std::atomic<bool> m_stop{false};
    mutable QMutex m_lock;
    QString m_progress;
    CompareOutcome m_outcome;
    QElapsedTimer m_clock;
};

// The listed differences as the window's tree: one node per kind ("table"),
// under it one per object ("missing in target: informix.audit_log"), under a
// changed object one per property ("type: varchar(60) -> char(30)").
struct DifferenceNode {
    QString text;
    int difference = -1;  // index into comparison.differences; -1 for a kind
    std::vector<DifferenceNode> children;
};
std::vector<DifferenceNode> DifferenceTree(const SchemaComparison &comparison, bool withOwner = true);

// The line numbers (from 0) of each text that are not in a longest run of
// lines the two share in order: what to mark beside the other text.
struct LineDifference {
    std::vector<int> left, right;
};
LineDifference DifferingLines(const QString &left, const QString &right);

} // namespace quodlin
