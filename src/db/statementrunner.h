#pragma once
// Runs one piece of database work on a worker thread that owns the
// connection for the run, so the windows keep painting. A connection serves
// one run at a time: IsDatabaseBusy tells the other commands to wait or stay
// disabled. Stop interrupts the statement through the connection (the
// engine's interrupt, ODBC's cancel), which then fails with the server's
// interrupted error; it also raises a flag that long work (text rendering)
// checks between records.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

namespace quodlin {

class DbDatabase;

// Whether a statement runs on the database component of that unique name.
bool IsDatabaseBusy(const QString &uniqueDatabaseName);

// Tells windows sharing a connection when a run on it starts and ends, so
// they hold back what would use the connection meanwhile.
class DatabaseBusyNotifier : public QObject {
    Q_OBJECT
signals:
    void busyChanged(const QString &uniqueDatabaseName, bool busy);
};
DatabaseBusyNotifier &BusyNotifier();

class StatementRunner : public QObject {
    Q_OBJECT
public:
    explicit StatementRunner(QObject *parent = nullptr);
    // Interrupts a run still going and waits for its end.
    ~StatementRunner() override;

    using Work = std::function<void(const std::atomic<bool> &stop)>;
    // Starts `work` on a worker; false (nothing started) when this runner or
    // the database is busy. `finished` is emitted on this object's thread.
    bool start(DbDatabase *database, Work work);
    bool running() const { return m_thread != nullptr; }
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    void stop();
    // Blocks until the run ends (tests and the CLI; windows wait for finished).
    void wait();

signals:
    void finished();

private:
    void onThreadFinished();

    QThread *m_thread = nullptr;
    DbDatabase *m_database = nullptr;
    QString m_databaseName;
    std::atomic<bool> m_stop{false};
    QElapsedTimer m_clock;
};

} // namespace quodlin
