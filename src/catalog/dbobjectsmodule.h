#pragma once
// The catalog module of one open connection: it owns the database component
// (dbDb) that every query of the connection's windows runs on, and carries
// the direct connection name, the login user and the explain flag. For now it
// opens the connection and answers the few questions the connection window
// asks; the catalog statements join it with the object browser.
#include "app/childwindows.h"
#include "db/dbdatabase.h"

#include <functional>
#include <memory>

namespace quodlin {

class DbSession;

class TdmDbObjects : public IConnection {
public:
    explicit TdmDbObjects(DbSession &session);
    TdmDbObjects();  // in the default session
    ~TdmDbObjects() override;

    // The unique name of dbDb; raises DbError when another component has it.
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

    DbDatabase &dbDb() { return *m_db; }
    DbSession &session() const { return m_db->session(); }

private:
    std::unique_ptr<DbDatabase> m_db;
    QString m_directName;
    QString m_loginUser;
    bool m_explain = false;
    bool m_ready = false;
    std::function<void()> m_explainChanged;
};

} // namespace quodlin
