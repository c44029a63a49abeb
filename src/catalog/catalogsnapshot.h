#pragma once
// What the editors' completion knows of a database: its tables, views and
// synonyms with their columns, and its procedures and functions with their
// parameters, read in one go through the database layer and then kept as
// plain data. The lists come from the object kinds' catalog queries
// (objectkinds.h); columns and parameters are read for the whole database
// at once, as one statement per catalog table is what keeps 10,000 tables
// to a few seconds.
//
// A browser's catalog module reads it on a connection of its own, in the
// background, when its tree is loaded or refreshed (CatalogSnapshotLoader);
// the editors ask for the latest complete snapshot when they complete.
#include "db/sqlname.h"

#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quodlin {

class IDbConnection;

struct SnapshotColumn {
    QString name;
    QString type;   // "CHAR(20)", as the browser's column page shows it
};

struct SnapshotRelation {
    QString name;
    QString owner;
    unsigned char kind = 0;   // KindTable, KindView or KindSynonym
    int id = 0;               // tabid
    int baseId = 0;           // a local synonym's table; 0 otherwise
    QList<SnapshotColumn> columns;
    QString written;          // as completion inserts it: owner-qualified when not the user's, SqlName'd
};

struct SnapshotRoutine {
    QString name;
    QString owner;
    bool function = false;    // created as a FUNCTION
    QString signature;        // "(p_id INTEGER, p_since DATE) RETURNING DECIMAL(12,2)"
    QString written;
};

class CatalogSnapshot {
public:
    QString user;
    SqlNameStyle style = SqlNameStyle::Plain;
    std::vector<SnapshotRelation> relations;
    std::vector<SnapshotRoutine> routines;

    // Fills the written texts and the name index; call once the lists are complete.
    void finish();
    // By name, ignoring case; an empty owner prefers the
    // user's object, then any. Null when none.
    const SnapshotRelation *findRelation(const QString &owner, const QString &name) const;
    // A synonym's columns are its table's.
    const QList<SnapshotColumn> &columnsOf(const SnapshotRelation &relation) const;
    bool hasOwner(const QString &owner) const;

private:
    QMultiHash<QString, int> m_byName;   // lower-case name -> relation index
    QHash<int, int> m_byId;              // tabid -> relation index
    QHash<QString, bool> m_owners;       // lower-case owners
};

// Reads the snapshot through `connection`. Raises the layer's failures.
CatalogSnapshot ReadCatalogSnapshot(IDbConnection &connection);

// Reads snapshots on a worker thread, each on a connection it opens there,
// and keeps the latest complete one. A start while one reads stops that one
// first (the connection's interrupt), and so does the destructor.
class CatalogSnapshotLoader {
public:
    using Connect = std::function<std::unique_ptr<IDbConnection>()>;
    CatalogSnapshotLoader() = default;
    ~CatalogSnapshotLoader();
    CatalogSnapshotLoader(const CatalogSnapshotLoader &) = delete;
    CatalogSnapshotLoader &operator=(const CatalogSnapshotLoader &) = delete;

    void start(Connect connect);
    // The latest complete snapshot; null before the first read ends.
    std::shared_ptr<const CatalogSnapshot> snapshot() const;
    // The failure of the last read, empty when it succeeded.
    QString lastError() const;
    // Waits for the running read (tests, benchmarks).
    void wait();
    // Interrupts the running read and waits for it to end.
    void stop();

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const CatalogSnapshot> m_snapshot;
    QString m_error;
    IDbConnection *m_reading = nullptr;
    std::atomic<bool> m_cancelled{false};
    std::thread m_thread;
};

} // namespace quodlin
