#include "catalog/relationdiagram.h"

#include "app/textutil.h"
#include "catalog/catalogdecoders.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <stdexcept>

namespace quodlin {

namespace {

constexpr int kIndexParts = 16;

QString str(DbQuery &q, const char *field)
{
    return TrimTrailingControls(q.fieldByName(QString::fromLatin1(field)).value().toString());
}

int num(DbQuery &q, const char *field) { return q.fieldByName(QString::fromLatin1(field)).value().toInt(); }

struct ForeignKey {
    QString name;
    int tabid = 0, ptabid = 0;
    QString idxname, pidxname;
};

QList<ForeignKey> readForeignKeys(TdmDbObjects &m)
{
    QList<ForeignKey> keys;
    m.ForEachRow(QStringLiteral("select k.constrname, k.tabid, k.idxname, r.ptabid, p.idxname pidxname "
                                "from sysconstraints k, sysreferences r, sysconstraints p "
                                "where k.constrid = r.constrid and p.constrid = r.primary order by k.constrid"),
                 [&](DbQuery &q) {
                     keys << ForeignKey{str(q, "constrname"), num(q, "tabid"), num(q, "ptabid"), str(q, "idxname"),
                                        str(q, "pidxname")};
                 });
    return keys;
}

// "tabid in (...)" for the tables read, or every user table.
QString scope(const QList<int> &tabids)
{
    if (tabids.isEmpty())
        return QStringLiteral("tabid >= 100");
    QStringList ids;
    for (int id : tabids)
        ids << QString::number(id);
    return QStringLiteral("tabid in (") + ids.join(QLatin1Char(',')) + QLatin1Char(')');
}

// Reads the tables (all user tables of `owner` when `tabids` is empty) with
// their columns and key marks, and the arrows among them.
RelationDiagram readDiagram(TdmDbObjects &m, const QList<int> &tabids, const QString &owner,
                            const QHash<int, int> &distance, const QList<ForeignKey> &keys)
{
    RelationDiagram d;
    m.ForEachRow(QStringLiteral("select tabid, tabname, owner from systables where tabtype = 'T' and ") + scope(tabids),
                 [&](DbQuery &q) {
                     DiagramTable t;
                     t.tabid = num(q, "tabid");
                     t.name = str(q, "tabname");
                     t.owner = str(q, "owner");
                     t.distance = distance.value(t.tabid);
                     if (owner.isEmpty() || t.owner == owner)
                         d.tables << t;
                 });
    std::sort(d.tables.begin(), d.tables.end(), [](const DiagramTable &a, const DiagramTable &b) {
        return std::tie(a.distance, a.owner, a.name) < std::tie(b.distance, b.owner, b.name);
    });
    QHash<int, int> index;
    for (qsizetype i = 0; i < d.tables.size(); ++i)
        index.insert(d.tables[i].tabid, int(i));

    m.ForEachRow(QStringLiteral("select tabid, colno, colname, coltype, collength, extended_id from syscolumns where ")
                     + scope(tabids) + QStringLiteral(" order by tabid, colno"),
                 [&](DbQuery &q) {
                     const auto it = index.constFind(num(q, "tabid"));
                     if (it != index.constEnd())
                         d.tables[*it].columns << DiagramColumn{
                             str(q, "colname"),
                             ColumnTypeText(num(q, "coltype"), num(q, "collength"), num(q, "extended_id"))};
                 });
    // Index columns by table and index name; a key's columns are its index's.
    QHash<QPair<int, QString>, QList<int>> parts;
    QString partList;
    for (int i = 1; i <= kIndexParts; ++i)
        partList += QStringLiteral(", part%1").arg(i);
    m.ForEachRow(QStringLiteral("select tabid, idxname") + partList + QStringLiteral(" from sysindexes where ") + scope(tabids),
                 [&](DbQuery &q) {
                     QList<int> cols;
                     for (int i = 1; i <= kIndexParts; ++i)
                         if (const int part = q.fieldByName(QStringLiteral("part%1").arg(i)).value().toInt())
                             cols << std::abs(part);
                     parts.insert({num(q, "tabid"), str(q, "idxname")}, cols);
                 });
    const auto columnsOf = [&](int tabid, const QString &idxname) {
        QStringList names;
        const auto t = index.constFind(tabid);
        for (int colno : parts.value({tabid, idxname}))
            if (t != index.constEnd() && colno >= 1 && colno <= d.tables[*t].columns.size())
                names << d.tables[*t].columns[colno - 1].name;
        return names;
    };
    const auto mark = [&](int tabid, const QStringList &names, bool DiagramColumn::*flag) {
        const auto t = index.constFind(tabid);
        if (t == index.constEnd())
            return;
        for (DiagramColumn &c : d.tables[*t].columns)
            if (names.contains(c.name))
                c.*flag = true;
    };
    m.ForEachRow(QStringLiteral("select tabid, constrtype, idxname from sysconstraints where constrtype in ('P', 'U') and ")
                     + scope(tabids),
                 [&](DbQuery &q) {
                     const int tabid = num(q, "tabid");
                     mark(tabid, columnsOf(tabid, str(q, "idxname")),
                          str(q, "constrtype") == QLatin1String("P") ? &DiagramColumn::primaryKey : &DiagramColumn::unique);
                 });
    for (const ForeignKey &k : keys) {
        const auto from = index.constFind(k.tabid), to = index.constFind(k.ptabid);
        if (from == index.constEnd() || to == index.constEnd())
            continue;
        DiagramArrow arrow{*from, *to, k.name, columnsOf(k.tabid, k.idxname), columnsOf(k.ptabid, k.pidxname)};
        mark(k.tabid, arrow.fromColumns, &DiagramColumn::foreignKey);
        d.arrows << arrow;
    }
    return d;
}

} // namespace

int RelationDiagram::indexOf(const QString &owner, const QString &name) const
{
    for (qsizetype i = 0; i < tables.size(); ++i)
        if (tables[i].owner == owner && tables[i].name == name)
            return int(i);
    return -1;
}

RelationDiagram ReadTableDiagram(TdmDbObjects &module, const QString &owner, const QString &name, int depth)
{
    int start = 0;
    module.ForEachRow(QStringLiteral("select tabid from systables where tabtype = 'T' and tabname = :name and owner = :owner"),
                      [&](DbQuery &q) { start = num(q, "tabid"); },
                      {{QStringLiteral("name"), name}, {QStringLiteral("owner"), owner}});
    if (!start)
        throw std::runtime_error(QStringLiteral("No table %1.%2.").arg(owner, name).toStdString());
    const QList<ForeignKey> keys = readForeignKeys(module);
    // Breadth first along foreign keys in both directions.
    QHash<int, int> distance{{start, 0}};
    QList<int> order{start};
    QList<int> frontier{start};
    for (int step = 1; step <= depth && !frontier.isEmpty(); ++step) {
        QList<int> next;
        for (const ForeignKey &k : keys)
            for (const auto &[here, there] : {std::pair{k.tabid, k.ptabid}, std::pair{k.ptabid, k.tabid}})
                if (frontier.contains(here) && !distance.contains(there)) {
                    distance.insert(there, step);
                    next << there;
                    order << there;
                }
        frontier = next;
    }
    RelationDiagram d = readDiagram(module, order, {}, distance, keys);
    d.focus = 0;
    return d;
}

RelationDiagram ReadDatabaseDiagram(TdmDbObjects &module, const QString &owner)
{
    return readDiagram(module, {}, owner, {}, readForeignKeys(module));
}

QStringList DiagramOwners(TdmDbObjects &module)
{
    QStringList owners;
    module.ForEachRow(QStringLiteral("select distinct owner from systables where tabtype = 'T' and tabid >= 100 order by owner"),
                      [&](DbQuery &q) { owners << str(q, "owner"); });
    return owners;
}

} // namespace quodlin
