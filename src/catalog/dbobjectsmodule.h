#pragma once
// The catalog module of one open connection. It owns the database component
// dbDb that every query of the connection's windows runs on, the fixed
// catalog queries of the object browser (catalogqueries.h) with their
// declared fields, labels, widths, hidden flags, master/detail links and
// decoded fields (catalogdecoders.h), and qryCompile for compile and drop. It
// also carries the direct connection name, the login user and the explain flag.
//
// The browser window creates one module, names it with SetDatabaseName, opens
// it with Open, and reads its queries: the tree through objecttree.h, the
// detail pages through the Load* operations below, whose queries it binds its
// grids and edit boxes to (visible fields in field order, field labels as
// titles, display texts as cell texts). The module runs no SQL by itself.
#include "app/childwindows.h"
#include "catalog/catalogsnapshot.h"
#include "db/dbdatabase.h"

#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace quodlin {

class DbQuery;
class DbRowRef;
class DbSession;

class TdmDbObjects : public IConnection {
public:
    explicit TdmDbObjects(DbSession &session);
    TdmDbObjects();  // in the default session
    ~TdmDbObjects() override;

    // The unique name of dbDb, set on every query of the module too; raises
    // DbError when another component has it.
    void SetDatabaseName(const QString &name);
    QString GetDatabaseName() const { return m_db->databaseName(); }

    // Opens dbDb: through the alias, or, with an empty alias, directly with the
    // driver INFORMIX; `paramsText` holds NAME=value lines (CR LF or LF).
    // Raises the layer's failures; dbDb stays closed then.
    void Open(const QString &alias, const QString &directName, const QString &user, const QString &paramsText);
    void Close();

    QString ConnectionName() const override;
    QString uniqueDatabaseName() const override { return GetDatabaseName(); }
    QString loginUser() const override { return m_loginUser; }
    QString directConnectionName() const { return m_directName; }
    bool explain() const override { return m_explain; }
    void setExplain(bool on) override;
    bool isConnected() const override { return m_db->connected(); }
    bool finishedConnecting() const override { return m_ready; }
    void setFinishedConnecting(bool ready) { m_ready = ready; }

    // Called after the explain flag changed (the window recomputes its menus).
    void setExplainChanged(std::function<void()> handler) { m_explainChanged = std::move(handler); }

    // The number of user tables (tabid >= 100) in the catalog. Raises the layer's failures.
    int UserTableCount();
    // Whether the database has the Informix system catalog (systables' own
    // row): other servers reached through ODBC have catalogs of their own.
    // Raises the failure of a lost connection; any other failure means no.
    bool HasInformixCatalog();

    // The editors' completion catalog, read again in the background on a
    // connection of its own (the browser asks when its tree loads or
    // refreshes). A component opened over a ready connection has no alias to
    // connect again with and keeps none.
    void refreshCompletionCatalog();
    // The latest complete snapshot; null until the first read ends.
    std::shared_ptr<const CatalogSnapshot> completionCatalog() const { return m_completion.snapshot(); }
    CatalogSnapshotLoader &completionLoader() { return m_completion; }

    DbDatabase &dbDb() { return *m_db; }
    DbSession &session() const { return m_db->session(); }

    // A query of the module by its name ("qryTable"); raises DbError for an unknown name.
    DbQuery &query(const QString &name) const;
    // Runs `sql` (with its :parameters) on the database in a query of its
    // own and calls `row` with the open query at each row; the query reads
    // forward only (DbRowReader reads its rows fast).
    void ForEachRow(const QString &sql, const std::function<void(DbQuery &)> &row, const QVariantMap &params = {});
    // Every query, in the order of CatalogQueries().
    std::vector<DbQuery *> queries() const;

    DbQuery &qryUserTables() const { return query(QStringLiteral("qryUserTables")); }
    DbQuery &qrySystemTables() const { return query(QStringLiteral("qrySystemTables")); }
    DbQuery &qryViews() const { return query(QStringLiteral("qryViews")); }
    DbQuery &qrySystemProcs() const { return query(QStringLiteral("qrySystemProcs")); }
    DbQuery &qryGeneratedProcs() const { return query(QStringLiteral("qryGeneratedProcs")); }
    DbQuery &qryUngeneratedProcs() const { return query(QStringLiteral("qryUngeneratedProcs")); }
    DbQuery &qryInsertTriggers() const { return query(QStringLiteral("qryInsertTriggers")); }
    DbQuery &qryUpdateTriggers() const { return query(QStringLiteral("qryUpdateTriggers")); }
    DbQuery &qryDeleteTriggers() const { return query(QStringLiteral("qryDeleteTriggers")); }
    DbQuery &qrySynonyms() const { return query(QStringLiteral("qrySynonyms")); }
    DbQuery &qryUsers() const { return query(QStringLiteral("qryUsers")); }
    DbQuery &qryRoles() const { return query(QStringLiteral("qryRoles")); }
    DbQuery &qryRoleUsers() const { return query(QStringLiteral("qryRoleUsers")); }
    DbQuery &qryTable() const { return query(QStringLiteral("qryTable")); }
    DbQuery &qryTableColumns() const { return query(QStringLiteral("qryTableColumns")); }
    DbQuery &qryTableIndexes() const { return query(QStringLiteral("qryTableIndexes")); }
    DbQuery &qryTableTriggers() const { return query(QStringLiteral("qryTableTriggers")); }
    DbQuery &qryTableDepends() const { return query(QStringLiteral("qryTableDepends")); }
    DbQuery &qryViewBody() const { return query(QStringLiteral("qryViewBody")); }
    DbQuery &qryProc() const { return query(QStringLiteral("qryProc")); }
    DbQuery &qryProcBody() const { return query(QStringLiteral("qryProcBody")); }
    DbQuery &qryTrigger() const { return query(QStringLiteral("qryTrigger")); }
    DbQuery &qryTrigBody() const { return query(QStringLiteral("qryTrigBody")); }
    DbQuery &qrySyn() const { return query(QStringLiteral("qrySyn")); }
    DbQuery &qrySynLocalTable() const { return query(QStringLiteral("qrySynLocalTable")); }
    // No statement text: compile and drop set theirs.
    DbQuery &qryCompile() const { return query(QStringLiteral("qryCompile")); }

    // The detail load of the browser's pages for a node of that kind
    // (objectkinds.h): close the master's details and the master, set its
    // name and owner parameters, open it (on the row of `id` where rows share
    // the name), then its details in declaration order. Nothing for a kind
    // without a master. Raises the layer's failures.
    void LoadObject(int kind, const QString &name, const QString &owner, int id = 0);
    // The same for a table or view, procedure, trigger, synonym.
    void LoadTable(const QString &name, const QString &owner);
    void LoadProc(const QString &name, const QString &owner);
    void LoadTrigger(const QString &name, const QString &owner);
    void LoadSynonym(const QString &name, const QString &owner);

private:
    void createQueries();
    QString columnTypeText(const DbRowRef &row);
    QString descendingPartName(const DbRowRef &row, int part);

    std::unique_ptr<DbDatabase> m_db;
    std::vector<std::unique_ptr<DbQuery>> m_queries;  // declared after m_db: closed before it goes
    QString m_directName;
    QString m_loginUser;
    bool m_explain = false;
    bool m_ready = false;
    std::function<void()> m_explainChanged;
    // syscolumns.extended_id by column number of the table qryTableColumns
    // shows, read once and only for the opaque codes 40 and 41, which the
    // statement does not select.
    int m_extendedIdsTable = -1;
    std::map<int, int> m_extendedIds;
    // Index parts stored negative (descending) do not meet the key column in
    // qryTableIndexes' joins; their names, by owner.index and part number, of
    // the table qryTableIndexes shows, read once when such a cell is shown.
    int m_descendingTable = -1;
    std::map<std::pair<QString, int>, QString> m_descendingParts;
    CatalogSnapshotLoader m_completion;  // last: its read stops before the rest goes
};

} // namespace quodlin
