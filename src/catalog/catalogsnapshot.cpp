#include "catalog/catalogsnapshot.h"

#include "catalog/catalogdecoders.h"
#include "catalog/catalogqueries.h"
#include "catalog/objectkinds.h"
#include "db/dbdriver.h"

#include <QVariant>

#include <algorithm>

namespace quodlin {

namespace {

// Every column and every routine parameter of the database, in one statement each.
const QString kAllColumns = QStringLiteral(
    "select tabid, colname, coltype, collength, extended_id from syscolumns order by tabid, colno");
const QString kRoutineKinds = QStringLiteral("select procid, isproc from sysprocedures");
const QString kAllParameters = QStringLiteral(
    "select procid, paramname, paramtype, paramlen, paramxid, paramattr from sysproccolumns"
    " order by procid, paramid");

// Catalog CHAR columns come back blank-padded from some servers.
QString text(const QVariant &value)
{
    QString s = value.toString();
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

// Runs `sql` and hands each row to `row` until the cursor ends or the read is cancelled.
template <typename Row>
void forEachRow(IDbConnection &connection, const QString &sql, const std::atomic<bool> *cancelled, Row row)
{
    std::unique_ptr<IDbCursor> cursor = connection.execute(sql, {});
    QVariantList values;
    while (cursor && (!cancelled || !*cancelled) && cursor->fetch(values))
        row(values);
}

QString writtenName(const QString &owner, const QString &name, const QString &user, SqlNameStyle style)
{
    try {
        if (owner.isEmpty() || owner.compare(user, Qt::CaseInsensitive) == 0)
            return SqlName(name, style);
        return SqlName(owner, name, style);
    } catch (const std::exception &) {
        // A name the session cannot write (delimiting off) is not offered.
        return {};
    }
}

CatalogSnapshot readSnapshot(IDbConnection &connection, const std::atomic<bool> *cancelled)
{
    CatalogSnapshot snapshot;
    snapshot.style = SqlNameStyleOf(&connection);
    try {
        forEachRow(connection, QStringLiteral("select user from systables where tabid = 1"), cancelled,
                   [&](const QVariantList &row) { snapshot.user = text(row.value(0)); });
    } catch (const std::exception &) {
        // Without the user every name is written owner-qualified.
    }

    for (const ObjectKindDesc &kind : ObjectKinds()) {
        const bool relation = kind.kind == KindTable || kind.kind == KindView || kind.kind == KindSynonym;
        if (!relation && kind.kind != KindProcedure)
            continue;
        for (const ObjectList &list : kind.lists) {
            const CatalogQuery *query = FindCatalogQuery(list.query);
            if (!query)
                continue;
            // Name, owner and id come first in every list query; a synonym's
            // local table id is the last column of the synonym list.
            forEachRow(connection, query->sql, cancelled, [&](const QVariantList &row) {
                if (relation) {
                    SnapshotRelation r;
                    r.name = text(row.value(0));
                    r.owner = text(row.value(1));
                    r.kind = kind.kind;
                    r.id = row.value(2).toInt();
                    if (kind.kind == KindSynonym)
                        r.baseId = row.value(query->fields.size() - 1).toInt();
                    snapshot.relations.push_back(std::move(r));
                } else {
                    SnapshotRoutine r;
                    r.name = text(row.value(0));
                    r.owner = text(row.value(1));
                    r.signature = QString::number(row.value(2).toInt());  // the procid until the parameters come
                    snapshot.routines.push_back(std::move(r));
                }
            });
        }
    }

    QHash<int, int> relationById;
    for (int i = 0; i < int(snapshot.relations.size()); ++i)
        relationById.insert(snapshot.relations[std::size_t(i)].id, i);
    forEachRow(connection, kAllColumns, cancelled, [&](const QVariantList &row) {
        const auto it = relationById.constFind(row.value(0).toInt());
        if (it == relationById.cend())
            return;
        snapshot.relations[std::size_t(*it)].columns.append(
            {text(row.value(1)), ColumnTypeText(row.value(2).toInt(), row.value(3).toInt(), row.value(4).toInt())});
    });

    struct Signature {
        QStringList params;
        QStringList returns;
        bool function = false;
    };
    QHash<int, Signature> signatures;
    try {
        // isproc tells a function from a procedure, which may return values too.
        forEachRow(connection, kRoutineKinds, cancelled, [&](const QVariantList &row) {
            signatures[row.value(0).toInt()].function = text(row.value(1)).compare(QLatin1String("f"), Qt::CaseInsensitive) == 0;
        });
        forEachRow(connection, kAllParameters, cancelled, [&](const QVariantList &row) {
            Signature &s = signatures[row.value(0).toInt()];
            const QString type = ColumnTypeText(row.value(2).toInt(), row.value(3).toInt(), row.value(4).toInt());
            // paramattr 3 and 5 are RETURNING values; the rest are arguments.
            const int attr = row.value(5).toInt();
            if (attr == 3 || attr == 5)
                s.returns << type;
            else
                s.params << (text(row.value(1)) + QLatin1Char(' ') + type).trimmed();
        });
    } catch (const std::exception &) {
        // Servers without sysproccolumns: routines are offered without parameters.
    }
    for (SnapshotRoutine &r : snapshot.routines) {
        const Signature s = signatures.value(r.signature.toInt());
        r.function = s.function;
        r.signature = QLatin1Char('(') + s.params.join(QStringLiteral(", ")) + QLatin1Char(')');
        if (!s.returns.isEmpty())
            r.signature += QStringLiteral(" RETURNING ") + s.returns.join(QStringLiteral(", "));
    }
    snapshot.finish();
    return snapshot;
}

} // namespace

void CatalogSnapshot::finish()
{
    // Sorted once here so completion offers them in order without sorting.
    auto byName = [](const auto &a, const auto &b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.owner < b.owner;
    };
    std::sort(relations.begin(), relations.end(), byName);
    std::sort(routines.begin(), routines.end(), byName);
    m_byName.clear();
    m_byId.clear();
    m_owners.clear();
    for (int i = 0; i < int(relations.size()); ++i) {
        SnapshotRelation &r = relations[std::size_t(i)];
        r.written = writtenName(r.owner, r.name, user, style);
        m_byName.insert(r.name.toLower(), i);
        m_byId.insert(r.id, i);
        m_owners.insert(r.owner.toLower(), true);
    }
    for (SnapshotRoutine &r : routines) {
        r.written = writtenName(r.owner, r.name, user, style);
        m_owners.insert(r.owner.toLower(), true);
    }
}

const SnapshotRelation *CatalogSnapshot::findRelation(const QString &owner, const QString &name) const
{
    const SnapshotRelation *found = nullptr;
    const QString key = name.toLower();
    for (auto it = m_byName.constFind(key); it != m_byName.cend() && it.key() == key; ++it) {
        const SnapshotRelation &r = relations[std::size_t(*it)];
        if (!owner.isEmpty()) {
            if (r.owner.compare(owner, Qt::CaseInsensitive) == 0)
                return &r;
            continue;
        }
        if (r.owner.compare(user, Qt::CaseInsensitive) == 0)
            return &r;
        if (!found || r.id < found->id)
            found = &r;
    }
    return found;
}

const QList<SnapshotColumn> &CatalogSnapshot::columnsOf(const SnapshotRelation &relation) const
{
    if (relation.kind == KindSynonym && relation.baseId) {
        const auto it = m_byId.constFind(relation.baseId);
        if (it != m_byId.cend() && relations[std::size_t(*it)].baseId == 0)
            return relations[std::size_t(*it)].columns;
    }
    return relation.columns;
}

bool CatalogSnapshot::hasOwner(const QString &owner) const { return m_owners.contains(owner.toLower()); }

CatalogSnapshot ReadCatalogSnapshot(IDbConnection &connection) { return readSnapshot(connection, nullptr); }

// ---- loader -------------------------------------------------------------------

CatalogSnapshotLoader::~CatalogSnapshotLoader() { stop(); }

void CatalogSnapshotLoader::stop()
{
    m_cancelled = true;
    {
        const std::lock_guard lock(m_mutex);
        if (m_reading)
            m_reading->interrupt();
    }
    if (m_thread.joinable())
        m_thread.join();
    m_cancelled = false;
}

void CatalogSnapshotLoader::start(Connect connect)
{
    stop();
    m_thread = std::thread([this, connect = std::move(connect)] {
        // Forgets the connection under the lock before it goes, so stop()
        // never interrupts one that is being destroyed.
        struct Reading {
            CatalogSnapshotLoader &loader;
            std::unique_ptr<IDbConnection> connection;
            ~Reading()
            {
                const std::lock_guard lock(loader.m_mutex);
                loader.m_reading = nullptr;
            }
        };
        try {
            Reading reading{*this, connect()};
            {
                const std::lock_guard lock(m_mutex);
                m_reading = reading.connection.get();
            }
            auto snapshot = std::make_shared<CatalogSnapshot>(readSnapshot(*reading.connection, &m_cancelled));
            const std::lock_guard lock(m_mutex);
            if (!m_cancelled) {
                m_snapshot = std::move(snapshot);
                m_error.clear();
            }
        } catch (const std::exception &failure) {
            const std::lock_guard lock(m_mutex);
            m_error = QString::fromUtf8(failure.what());
        }
    });
}

std::shared_ptr<const CatalogSnapshot> CatalogSnapshotLoader::snapshot() const
{
    const std::lock_guard lock(m_mutex);
    return m_snapshot;
}

QString CatalogSnapshotLoader::lastError() const
{
    const std::lock_guard lock(m_mutex);
    return m_error;
}

void CatalogSnapshotLoader::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace quodlin
