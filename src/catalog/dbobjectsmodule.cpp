#include "catalog/dbobjectsmodule.h"

#include "db/dbquery.h"
#include "db/dbsession.h"

#include <QRegularExpression>

namespace quodlin {

TdmDbObjects::TdmDbObjects(DbSession &session)
    : m_db(std::make_unique<DbDatabase>(session))
{
}

TdmDbObjects::TdmDbObjects()
    : TdmDbObjects(DbSession::defaultSession())
{
}

TdmDbObjects::~TdmDbObjects() = default;

void TdmDbObjects::SetDatabaseName(const QString &name) { m_db->setDatabaseName(name); }

void TdmDbObjects::Open(const QString &alias, const QString &directName, const QString &user,
                        const QString &paramsText)
{
    m_db->close();
    m_db->setAliasName(alias);
    m_db->setDriverName(QString());
    m_directName.clear();
    m_loginUser = user;
    if (alias.isEmpty()) {
        m_db->setDriverName(kInformixDriverName);
        m_directName = directName;
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
    QStringList lines = paramsText.split(lineEnd);
    lines.removeAll(QString());
    m_db->setParams(lines);
    m_db->open();
}

void TdmDbObjects::Close() { m_db->close(); }

QString TdmDbObjects::ConnectionName() const
{
    return m_db->aliasName().isEmpty() ? m_directName : m_db->aliasName();
}

void TdmDbObjects::setExplain(bool on)
{
    m_explain = on;
    if (m_explainChanged)
        m_explainChanged();
}

int TdmDbObjects::UserTableCount()
{
    DbQuery query(session());
    query.setDatabaseName(GetDatabaseName());
    query.setSql(QStringLiteral("select count(*) from systables where tabid >= 100 and tabtype = 'T'"));
    query.open();
    const int count = query.isEmpty() ? 0 : query.field(0).value().toInt();
    query.close();
    return count;
}

} // namespace quodlin
