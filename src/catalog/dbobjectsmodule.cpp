#include "catalog/dbobjectsmodule.h"

#include "catalog/catalogdecoders.h"
#include "catalog/catalogqueries.h"
#include "catalog/objectkinds.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"

#include <QRegularExpression>

namespace quodlin {

namespace {

QString text(const DbRowRef &row, const char *field)
{
    return row.value(QString::fromLatin1(field)).toString();
}

int number(const DbRowRef &row, const char *field)
{
    return row.value(QString::fromLatin1(field)).toInt();
}

// Calculated fields whose stored value is their decoded text.
using Decoder = QString (*)(const QString &);
DbCalcFunction decoded(const char *field, Decoder decoder)
{
    return [field, decoder](const DbRowRef &row) { return decoder(text(row, field)); };
}

// The row calculation of a decoded field; fields decoded only for display
// keep an empty value.
DbCalcFunction calculation(const QString &queryName, const QString &field)
{
    const QString key = queryName + QLatin1Char('.') + field;
    if (key == QLatin1String("qryTable.tabtypedescr"))
        return decoded("tabtype", TableTypeText);
    if (key == QLatin1String("qryTableColumns.required"))
        return [](const DbRowRef &row) { return RequiredText(number(row, "coltype")); };
    if (key == QLatin1String("qryTableColumns.defaulttypedescr"))
        return decoded("defaulttype", DefaultKindText);
    if (key == QLatin1String("qryTableIndexes.idxtypedescr"))
        return decoded("idxtype", IndexTypeText);
    if (key == QLatin1String("qryTableTriggers.eventdescr") || key == QLatin1String("qryTrigger.eventdescr"))
        return decoded("event", TriggerEventText);
    if (key == QLatin1String("qryProc.modedescr"))
        return decoded("mode", ProcedureModeText);
    if (key == QLatin1String("qryTrigger.modedescr"))
        return decoded("mode", TriggerModeText);
    return [](const DbRowRef &) { return QString(); };
}

} // namespace

TdmDbObjects::TdmDbObjects(DbSession &session)
    : m_db(std::make_unique<DbDatabase>(session))
{
    createQueries();
}

TdmDbObjects::TdmDbObjects()
    : TdmDbObjects(DbSession::defaultSession())
{
}

TdmDbObjects::~TdmDbObjects()
{
    // Details before masters, all before the component.
    for (auto it = m_queries.rbegin(); it != m_queries.rend(); ++it)
        (*it)->close();
}

void TdmDbObjects::createQueries()
{
    for (const CatalogQuery &def : CatalogQueries()) {
        auto q = std::make_unique<DbQuery>(m_db->session());
        q->setSql(def.sql);
        QStringList order;
        for (const CatalogField &f : def.fields) {
            order << f.name;
            if (f.type == CatalogFieldType::Calculated) {
                q->addCalculatedField(f.name, f.label, f.displayWidth ? f.displayWidth : f.size,
                                      calculation(def.name, f.name));
            } else {
                q->setFieldLabel(f.name, f.label);
                if (f.displayWidth)
                    q->setFieldDisplayWidth(f.name, f.displayWidth);
            }
            q->setFieldVisible(f.name, !f.hidden);
            if (f.type == CatalogFieldType::Memo)
                q->setFieldDisplayHook(f.name, [](const QVariant &v, const DbRowRef &) {
                    return MemoPlaceholder(!v.isValid());
                });
        }
        q->setFieldOrder(order);
        m_queries.push_back(std::move(q));
    }
    for (const CatalogQuery &def : CatalogQueries())
        if (!def.master.isEmpty())
            query(def.name).setMaster(&query(def.master));

    // Display texts only: the stored value of these stays empty.
    qryTableColumns().setFieldDisplayHook(QStringLiteral("datatype"), [this](const QVariant &, const DbRowRef &row) {
        return columnTypeText(row);
    });
    qryTableColumns().setFieldDisplayHook(QStringLiteral("defaultvaluedesc"), [](const QVariant &, const DbRowRef &row) {
        return text(row, "defaultvalue");
    });
    qryTableDepends().setFieldDisplayHook(QStringLiteral("dtype"), [](const QVariant &v, const DbRowRef &) {
        return DependTypeText(v.toString());
    });
    qryTableColumns().setAfterOpen([this] { m_extendedIdsTable = -1; });
    for (int part = 1; part <= 16; ++part)
        qryTableIndexes().setFieldDisplayHook(QStringLiteral("colname%1").arg(part),
                                              [this, part](const QVariant &v, const DbRowRef &row) {
                                                  return v.isValid() ? v.toString() : descendingPartName(row, part);
                                              });
    qryTableIndexes().setAfterOpen([this] { m_descendingTable = -1; });
}

QString TdmDbObjects::columnTypeText(const DbRowRef &row)
{
    if (!row.value(QStringLiteral("coltype")).isValid())
        return {};
    const int coltype = number(row, "coltype");
    const int t = coltype & 255;
    int extendedId = 0;
    if (t == 40 || t == 41) {
        const int tabid = number(row, "tabid");
        if (tabid != m_extendedIdsTable) {
            m_extendedIds.clear();
            DbQuery ids(session());
            ids.setDatabaseName(GetDatabaseName());
            ids.setSql(QStringLiteral("select colno, extended_id from syscolumns where tabid = :tabid"));
            ids.setParam(QStringLiteral("tabid"), tabid);
            try {
                ids.open();
                for (; !ids.eof(); ids.next())
                    m_extendedIds[ids.field(0).value().toInt()] = ids.field(1).value().toInt();
            } catch (const std::exception &) {
                // A server without the column: the opaque types stay unnamed.
            }
            m_extendedIdsTable = tabid;
        }
        const auto it = m_extendedIds.find(number(row, "colno"));
        extendedId = it == m_extendedIds.end() ? 0 : it->second;
    }
    return ColumnTypeText(coltype, number(row, "collength"), extendedId);
}

QString TdmDbObjects::descendingPartName(const DbRowRef &row, int part)
{
    const QVariant tabid = row.value(QStringLiteral("tabid"));
    if (!tabid.isValid())
        return {};
    if (tabid.toInt() != m_descendingTable) {
        m_descendingParts.clear();
        m_descendingTable = tabid.toInt();
        QStringList parts;
        for (int i = 1; i <= 16; ++i)
            parts << QStringLiteral("i.part%1").arg(i);
        DbQuery q(session());
        q.setDatabaseName(GetDatabaseName());
        q.setSql(QStringLiteral("select i.owner, i.idxname, ") + parts.join(QStringLiteral(", "))
                 + QStringLiteral(", c.colno, c.colname from sysindexes i, syscolumns c"
                                  " where i.tabid = :tabid and c.tabid = i.tabid"));
        q.setParam(QStringLiteral("tabid"), tabid);
        try {
            std::map<int, QString> names;
            std::map<std::pair<QString, int>, int> negative;
            for (q.open(); !q.eof(); q.next()) {
                names[q.field(18).value().toInt()] = q.field(19).asString();
                const QString index = q.field(0).asString() + QLatin1Char('.') + q.field(1).asString();
                for (int i = 1; i <= 16; ++i)
                    if (q.field(1 + i).value().toInt() < 0)
                        negative[{index, i}] = -q.field(1 + i).value().toInt();
            }
            for (const auto &[key, colno] : negative)
                m_descendingParts[key] = names[colno] + QStringLiteral(" DESC");
        } catch (const std::exception &) {
            // Without the lookup the cell stays empty, as the statement leaves it.
        }
    }
    const QString index = row.value(QStringLiteral("owner")).toString() + QLatin1Char('.')
                        + row.value(QStringLiteral("idxname")).toString();
    const auto it = m_descendingParts.find({index, part});
    return it == m_descendingParts.end() ? QString() : it->second;
}

DbQuery &TdmDbObjects::query(const QString &name) const
{
    const QList<CatalogQuery> &defs = CatalogQueries();
    for (qsizetype i = 0; i < defs.size(); ++i)
        if (defs[i].name == name)
            return *m_queries[size_t(i)];
    throw DbError(QStringLiteral("Unknown catalog query '%1'").arg(name));
}

std::vector<DbQuery *> TdmDbObjects::queries() const
{
    std::vector<DbQuery *> all;
    for (const auto &q : m_queries)
        all.push_back(q.get());
    return all;
}

void TdmDbObjects::SetDatabaseName(const QString &name)
{
    m_db->setDatabaseName(name);
    for (const auto &q : m_queries)
        q->setDatabaseName(name);
}

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

void TdmDbObjects::Close()
{
    m_completion.stop();
    m_db->close();
}

void TdmDbObjects::refreshCompletionCatalog()
{
    if (!m_db->connected())
        return;
    try {
        m_completion.start(m_db->connector());
    } catch (const std::exception &) {
        // Nothing to connect again with: completion offers keywords only.
    }
}

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

bool TdmDbObjects::HasInformixCatalog()
{
    DbQuery query(session());
    query.setDatabaseName(GetDatabaseName());
    query.setSql(QStringLiteral("select tabname from systables where tabid = 1"));
    try {
        query.open();
        return !query.isEmpty();
    } catch (const DbEngineError &) {
        if (m_db->connectionLost())
            throw;
        return false;
    }
}

void TdmDbObjects::LoadObject(int kind, const QString &name, const QString &owner, int id)
{
    const ObjectKindDesc *desc = FindObjectKind(kind);
    if (!desc || desc->masterQuery.isEmpty())
        return;
    DbQuery &master = query(desc->masterQuery);
    std::vector<DbQuery *> details;
    for (const CatalogQuery &q : CatalogQueries())
        if (q.master == desc->masterQuery)
            details.push_back(&query(q.name));
    for (auto d = details.rbegin(); d != details.rend(); ++d)
        (*d)->close();
    master.close();
    master.setParam(desc->nameParam, name);
    master.setParam(QStringLiteral("owner"), owner);
    master.open();
    // Overloaded routines share name and owner: the id picks the node's own row.
    if (const DbField *idField = id && !desc->idField.isEmpty() ? master.findField(desc->idField) : nullptr) {
        master.disableControls();
        for (master.first(); !master.eof() && idField->value().toInt() != id; master.next()) {
        }
        if (master.eof())
            master.first();
        master.enableControls();
    }
    for (DbQuery *d : details)
        d->open();
}

void TdmDbObjects::LoadTable(const QString &name, const QString &owner) { LoadObject(KindTable, name, owner); }
void TdmDbObjects::LoadProc(const QString &name, const QString &owner) { LoadObject(KindProcedure, name, owner); }
void TdmDbObjects::LoadTrigger(const QString &name, const QString &owner) { LoadObject(KindTrigger, name, owner); }
void TdmDbObjects::LoadSynonym(const QString &name, const QString &owner) { LoadObject(KindSynonym, name, owner); }

void TdmDbObjects::ForEachRow(const QString &sql, const std::function<void(DbQuery &)> &row, const QVariantMap &params)
{
    DbQuery q(session());
    q.setDatabaseName(GetDatabaseName());
    q.setSql(sql);
    // Rows are read once, in order: none is kept behind the current one.
    q.setForwardOnly(true);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        q.setParam(it.key(), it.value());
    q.open();
    for (q.first(); !q.eof(); q.next())
        row(q);
    q.close();
}

} // namespace quodlin
