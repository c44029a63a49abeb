#include "db/statementrunner.h"

#include "db/dbdatabase.h"

#include <QMutex>
#include <QSet>
#include <QThread>

namespace quodlin {

namespace {

QMutex &busyLock()
{
    static QMutex lock;
    return lock;
}

QSet<QString> &busyDatabases()
{
    static QSet<QString> names;
    return names;
}

bool claim(const QString &name)
{
    {
        QMutexLocker locker(&busyLock());
        if (busyDatabases().contains(name))
            return false;
        busyDatabases().insert(name);
    }
    emit BusyNotifier().busyChanged(name, true);
    return true;
}

void release(const QString &name)
{
    {
        QMutexLocker locker(&busyLock());
        busyDatabases().remove(name);
    }
    emit BusyNotifier().busyChanged(name, false);
}

} // namespace

DatabaseBusyNotifier &BusyNotifier()
{
    static DatabaseBusyNotifier notifier;
    return notifier;
}

bool IsDatabaseBusy(const QString &uniqueDatabaseName)
{
    QMutexLocker locker(&busyLock());
    return busyDatabases().contains(uniqueDatabaseName);
}

StatementRunner::StatementRunner(QObject *parent) : QObject(parent) {}

StatementRunner::~StatementRunner()
{
    if (!m_thread)
        return;
    stop();
    m_thread->wait();
    m_database->setBusy(false);
    release(m_databaseName);
    delete m_thread;
}

bool StatementRunner::start(DbDatabase *database, Work work)
{
    if (m_thread || !database)
        return false;
    m_databaseName = database->databaseName();
    if (!claim(m_databaseName))
        return false;
    m_database = database;
    m_database->setBusy(true);
    m_stop = false;
    m_clock.start();
    m_thread = QThread::create([this, work = std::move(work)] { work(m_stop); });
    connect(m_thread, &QThread::finished, this, &StatementRunner::onThreadFinished, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void StatementRunner::stop()
{
    if (!m_thread)
        return;
    m_stop = true;
    if (m_database)
        m_database->interrupt();
}

void StatementRunner::wait()
{
    if (!m_thread)
        return;
    m_thread->wait();
    onThreadFinished();
}

void StatementRunner::onThreadFinished()
{
    if (!m_thread || !m_thread->isFinished())
        return;
    delete m_thread;
    m_thread = nullptr;
    m_database->setBusy(false);
    m_database = nullptr;
    release(m_databaseName);
    m_clock.invalidate();
    emit finished();
}

} // namespace quodlin
