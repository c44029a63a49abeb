#include "catalog/schemawriter.h"

#include "app/textutil.h"
#include "catalog/catalogdecoders.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/definitiontext.h"
#include "db/dbquery.h"
#include "db/dbrowreader.h"
#include "db/sqlname.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace quodlin {

namespace {

constexpr int kCheckChunkWidth = 32;
constexpr int kIndexParts = 16;
constexpr int kDefaultSequenceCache = 20;

struct Column {
    QString name;
    int coltype = 0;
    int collength = 0;
    int extendedId = 0;
    QString defaultType;
    QString defaultText;
    bool hasDefault = false;
};

struct Index {
    QString name, owner, idxtype, clustered;
    std::vector<int> parts;  // column numbers, negative when descending
};

struct Constraint {
    int id = 0;
    QString name, owner, type, idxname;
    QString checkText;
    int primary = 0, ptabid = 0;
    QString delrule;
};

struct Object {
    int tabid = 0;
    QString name, owner, type;
    int rowsize = 0, ncols = 0;
    std::vector<Column> columns;
    std::vector<Index> indexes;
    std::vector<Constraint> constraints;
    QString text;  // a view's text
    // Synonym target
    QString servername, dbname, synOwner, synTable;
    int btabid = 0;
    // Sequence
    QMap<QString, QVariant> sequence;
};

struct Routine {
    int procid = 0;
    QString name, owner, isproc, paramtypes, text;
};

struct Trigger {
    int trigid = 0, tabid = 0;
    QString name, owner, text;
};

struct Grant {
    QString grantor, grantee, auth;
    int id = 0, colno = 0;
};

struct Catalog {
    std::vector<Object> objects;  // by tabid
    QHash<int, size_t> byTabid;
    std::vector<Routine> routines;
    std::vector<Trigger> triggers;
    struct User {
        QString name, type, defaultRole;
    };
    std::vector<User> users;
    std::vector<Grant> roleGrants;
    // By table or routine id, each in the order read: walking every grant
    // for every table made a 50,000-table schema quadratic.
    QHash<int, std::vector<Grant>> tabGrants, colGrants, procGrants;

    static const std::vector<Grant> &grantsOf(const QHash<int, std::vector<Grant>> &grants, int id)
    {
        static const std::vector<Grant> none;
        const auto it = grants.constFind(id);
        return it == grants.cend() ? none : *it;
    }

    Object *object(int tabid)
    {
        auto it = byTabid.find(tabid);
        return it == byTabid.end() ? nullptr : &objects[*it];
    }
};

// Runs `sql` on the module's database and calls `row` with each row in turn.
void readRows(TdmDbObjects &module, const QString &sql, const std::function<void(const DbRowReader &)> &row,
              const QVariantMap &params = {})
{
    std::optional<DbRowReader> reader;
    module.ForEachRow(
        sql,
        [&](DbQuery &q) {
            if (!reader)
                reader.emplace(q);
            row(*reader);
        },
        params);
}

QString str(const DbRowReader &q, const char *field)
{
    return TrimTrailingControls(q.text(field));
}

int num(const DbRowReader &q, const char *field)
{
    return q.integer(field);
}

// The header and the actions as stored; the browser's text puts a line break
// between them, which compiling again would keep in the actions, so one is
// added only where the actions start with no blank of their own.
QString triggerText(const QList<TriggerBodyRow> &rows)
{
    QString header, actions;
    for (const TriggerBodyRow &row : rows)
        AppendChunk(row.datakey == QLatin1String("D") ? header : actions, row.data, kBodyChunkWidth);
    header = TrimTrailingControls(header);
    if (!actions.isEmpty() && actions.at(0).unicode() > 32)
        header += QLatin1Char('\n');
    return ReplaceAllText(header + actions, QStringLiteral("\t"), QStringLiteral("  "));
}

// Views, synonyms, sequences, routines, users and roles: what a whole database adds.
void loadDatabaseObjects(TdmDbObjects &m, Catalog &c)
{
    readRows(m, QStringLiteral("select tabid, seqno, viewtext from sysviews where tabid >= 100 order by tabid, seqno"),
             [&](const DbRowReader &q) {
                 if (Object *o = c.object(num(q, "tabid")))
                     AppendChunk(o->text, q.text("viewtext"),
                                 kViewChunkWidth);
             });
    readRows(m, QStringLiteral("select tabid, servername, dbname, owner, tabname, btabid from syssyntable"),
             [&](const DbRowReader &q) {
                 Object *o = c.object(num(q, "tabid"));
                 if (!o)
                     return;
                 o->servername = str(q, "servername");
                 o->dbname = str(q, "dbname");
                 o->synOwner = str(q, "owner");
                 o->synTable = str(q, "tabname");
                 o->btabid = num(q, "btabid");
             });
    readRows(m, QStringLiteral("select s.tabid, s.start_val, s.inc_val, s.max_val, s.min_val, s.cycle, s.cache, s.order "
                               "from syssequences s"),
             [&](const DbRowReader &q) {
                 Object *o = c.object(num(q, "tabid"));
                 if (!o)
                     return;
                 for (const char *f : {"start_val", "inc_val", "max_val", "min_val", "cycle", "cache", "order"})
                     o->sequence.insert(QString::fromLatin1(f), q.value(f));
             });
    QHash<int, size_t> routineIndex;
    readRows(m, QStringLiteral("select procid, procname, owner, isproc, paramtypes from sysprocedures "
                               "where mode <> 'P' order by procid"),
             [&](const DbRowReader &q) {
                 routineIndex.insert(num(q, "procid"), c.routines.size());
                 c.routines.push_back({num(q, "procid"), str(q, "procname"), str(q, "owner"), str(q, "isproc"),
                                       str(q, "paramtypes"), {}});
             });
    {
        QHash<int, QStringList> bodies;
        readRows(m, QStringLiteral("select procid, seqno, data from sysprocbody where datakey = 'T' order by procid, seqno"),
                 [&](const DbRowReader &q) { bodies[num(q, "procid")] << q.text("data"); });
        for (Routine &r : c.routines)
            r.text = RebuildProcedureText(bodies.value(r.procid));
    }
    readRows(m, QStringLiteral("select username, usertype, defrole from sysusers order by username"),
             [&](const DbRowReader &q) { c.users.push_back({str(q, "username"), str(q, "usertype"), str(q, "defrole")}); });
    readRows(m, QStringLiteral("select rolename, grantee, is_grantable from sysroleauth order by rolename, grantee"),
             [&](const DbRowReader &q) { c.roleGrants.push_back({str(q, "rolename"), str(q, "grantee"), str(q, "is_grantable"), 0, 0}); });
    readRows(m, QStringLiteral("select grantor, grantee, procid, procauth from sysprocauth order by procid, grantor, grantee"),
             [&](const DbRowReader &q) {
                 if (routineIndex.contains(num(q, "procid")))
                     c.procGrants[num(q, "procid")].push_back(
                         {str(q, "grantor"), str(q, "grantee"), str(q, "procauth"), num(q, "procid"), 0});
             });
}

// `tabids`: the tables to read, or empty for the whole database (then also
// views, synonyms, sequences, routines, users and roles).
Catalog loadCatalog(TdmDbObjects &m, const QList<int> &tabids)
{
    Catalog c;
    const bool whole = tabids.isEmpty();
    QStringList idTexts;
    for (int id : tabids)
        idTexts << QString::number(id);
    // Every per-table statement names its table's id column `tabid` with the alias given.
    const auto scope = [&](const char *alias) {
        const QString column = QString::fromLatin1(alias) + QStringLiteral("tabid");
        return whole ? column + QStringLiteral(" >= 100") : column + QStringLiteral(" in (") + idTexts.join(QLatin1Char(',')) + QLatin1Char(')');
    };
    // For a statement without a tabid of its own, the rows of the tables read
    // through `table`'s `column`: one table's DDL reads its own check texts,
    // keys and trigger bodies, not the whole database's. `joiner`: " where " or " and ".
    const auto ofTables = [&](const char *joiner, const char *column, const char *table) {
        if (whole)
            return QString();
        return QLatin1String(joiner) + QLatin1String(column) + QStringLiteral(" in (select ") + QLatin1String(column) +
               QStringLiteral(" from ") + QLatin1String(table) + QStringLiteral(" where ") + scope("") + QLatin1Char(')');
    };
    readRows(m, QStringLiteral("select tabid, tabname, owner, tabtype, rowsize, ncols from systables "
                               "where ") + scope("") + QStringLiteral(" order by tabid"),
             [&](const DbRowReader &q) {
                 Object o;
                 o.tabid = num(q, "tabid");
                 o.name = str(q, "tabname");
                 o.owner = str(q, "owner");
                 o.type = str(q, "tabtype");
                 o.rowsize = num(q, "rowsize");
                 o.ncols = num(q, "ncols");
                 c.byTabid.insert(o.tabid, c.objects.size());
                 c.objects.push_back(std::move(o));
             });
    readRows(m, QStringLiteral("select tabid, colno, colname, coltype, collength, extended_id from syscolumns "
                               "where ") + scope("") + QStringLiteral(" order by tabid, colno"),
             [&](const DbRowReader &q) {
                 if (Object *o = c.object(num(q, "tabid")))
                     o->columns.push_back({str(q, "colname"), num(q, "coltype"), num(q, "collength"),
                                           num(q, "extended_id"), {}, {}, false});
             });
    readRows(m, QStringLiteral("select d.tabid, d.colno, d.type, d.default from sysdefaults d where ") + scope("d."),
             [&](const DbRowReader &q) {
                 Object *o = c.object(num(q, "tabid"));
                 const int colno = num(q, "colno");
                 if (!o || colno < 1 || colno > int(o->columns.size()))
                     return;
                 Column &col = o->columns[size_t(colno - 1)];
                 col.hasDefault = true;
                 col.defaultType = str(q, "type");
                 col.defaultText = str(q, "default");
             });
    QString parts;
    std::vector<QByteArray> partFields;
    for (int i = 1; i <= kIndexParts; ++i) {
        partFields.push_back("part" + QByteArray::number(i));
        parts += QStringLiteral(", ") + QLatin1String(partFields.back());
    }
    readRows(m, QStringLiteral("select idxname, owner, tabid, idxtype, clustered") + parts +
                    QStringLiteral(" from sysindexes where ") + scope("") + QStringLiteral(" order by tabid, idxname"),
             [&](const DbRowReader &q) {
                 Object *o = c.object(num(q, "tabid"));
                 if (!o)
                     return;
                 Index ix{str(q, "idxname"), str(q, "owner"), str(q, "idxtype"), str(q, "clustered"), {}};
                 for (const QByteArray &field : partFields) {
                     const int part = q.integer(field.constData());
                     if (part)
                         ix.parts.push_back(part);
                 }
                 o->indexes.push_back(std::move(ix));
             });
    // In the order read, each beside the table that owns it, found by id.
    std::vector<Constraint> constraints;
    std::vector<int> owningTable;
    QHash<int, size_t> constraintIndex;
    readRows(m, QStringLiteral("select constrid, constrname, owner, tabid, constrtype, idxname from sysconstraints "
                               "where ") + scope("") + QStringLiteral(" order by constrid"),
             [&](const DbRowReader &q) {
                 Constraint k;
                 k.id = num(q, "constrid");
                 k.name = str(q, "constrname");
                 k.owner = str(q, "owner");
                 k.type = str(q, "constrtype");
                 k.idxname = str(q, "idxname");
                 constraintIndex.insert(k.id, constraints.size());
                 owningTable.push_back(num(q, "tabid"));
                 constraints.push_back(std::move(k));
             });
    const auto constraint = [&](int id) -> Constraint * {
        const auto it = constraintIndex.constFind(id);
        return it == constraintIndex.cend() ? nullptr : &constraints[*it];
    };
    readRows(m, QStringLiteral("select constrid, seqno, checktext from syschecks where type = 'T'") +
                    ofTables(" and ", "constrid", "sysconstraints") + QStringLiteral(" order by constrid, seqno"),
             [&](const DbRowReader &q) {
                 if (Constraint *k = constraint(num(q, "constrid")))
                     AppendChunk(k->checkText, q.text("checktext"), kCheckChunkWidth);
             });
    readRows(m, QStringLiteral("select constrid, primary, ptabid, delrule from sysreferences") +
                    ofTables(" where ", "constrid", "sysconstraints"), [&](const DbRowReader &q) {
        Constraint *k = constraint(num(q, "constrid"));
        if (!k)
            return;
        k->primary = num(q, "primary");
        k->ptabid = num(q, "ptabid");
        k->delrule = str(q, "delrule");
    });
    for (size_t i = 0; i < constraints.size(); ++i) {
        Constraint &k = constraints[i];
        k.checkText = TrimTrailingControls(k.checkText);
        if (Object *o = c.object(owningTable[i]))
            o->constraints.push_back(std::move(k));
    }
    if (whole)
        loadDatabaseObjects(m, c);
    {
        QHash<int, QList<TriggerBodyRow>> bodies;
        readRows(m, QStringLiteral("select trigid, trigname, owner, tabid from systriggers where ") + scope("") +
                        QStringLiteral(" order by trigid"),
                 [&](const DbRowReader &q) {
                     c.triggers.push_back({num(q, "trigid"), num(q, "tabid"), str(q, "trigname"), str(q, "owner"), {}});
                 });
        readRows(m, QStringLiteral("select trigid, datakey, seqno, data from systrigbody where datakey in ('D', 'A')") +
                        ofTables(" and ", "trigid", "systriggers") + QStringLiteral(" order by trigid, datakey desc, seqno"),
                 [&](const DbRowReader &q) {
                     bodies[num(q, "trigid")] << TriggerBodyRow{str(q, "datakey"),
                                                                q.text("data")};
                 });
        for (Trigger &t : c.triggers)
            t.text = triggerText(bodies.value(t.trigid));
    }
    readRows(m, QStringLiteral("select grantor, grantee, tabid, tabauth from systabauth where ") + scope("") +
                    QStringLiteral(" order by tabid, grantor, grantee"),
             [&](const DbRowReader &q) {
                 c.tabGrants[num(q, "tabid")].push_back(
                     {str(q, "grantor"), str(q, "grantee"), str(q, "tabauth"), num(q, "tabid"), 0});
             });
    readRows(m, QStringLiteral("select grantor, grantee, tabid, colno, colauth from syscolauth where ") + scope("") +
                    QStringLiteral(" order by tabid, grantor, grantee, colno"),
             [&](const DbRowReader &q) {
                 c.colGrants[num(q, "tabid")].push_back(
                     {str(q, "grantor"), str(q, "grantee"), str(q, "colauth"), num(q, "tabid"), num(q, "colno")});
             });
    return c;
}

// Names are written for a session with DELIMIDENT on, the only one that can
// run a schema holding names that need delimiting; plain names stay bare.
QString ddlName(const QString &text)
{
    return SqlName(text, SqlNameStyle::Delimident);
}

// The owner always in double quotes, as the server's own texts write it (a
// view's "owner".name): a bare owner is upshifted in an ANSI database.
QString qualified(const QString &owner, const QString &objectName)
{
    const QString text = SqlName(owner, objectName, SqlNameStyle::Delimident);
    if (owner.isEmpty() || text.startsWith(QLatin1Char('"')))
        return text;
    return QLatin1Char('"') + text.left(owner.size()) + QLatin1Char('"') + text.mid(owner.size());
}

bool isCharacterType(int coltype)
{
    switch (coltype & 255) {
    case 0: case 13: case 15: case 16: case 40: case 43: case 7: case 10: case 14: case 41: case 45:
        return true;
    default:
        return false;
    }
}

QString defaultText(const Column &col)
{
    const QString &k = col.defaultType;
    if (k == QLatin1String("L")) {
        // The engine keeps character literals bare; numbers read as themselves.
        if (isCharacterType(col.coltype) && !col.defaultText.startsWith(QLatin1Char('\'')))
            return SqlString(col.defaultText);
        return col.defaultText;
    }
    if (k == QLatin1String("U"))
        return QStringLiteral("user");
    if (k == QLatin1String("C"))
        return QStringLiteral("current") + DateTimeQualifierText(col.collength).toLower();
    if (k == QLatin1String("N"))
        return QStringLiteral("null");
    if (k == QLatin1String("T"))
        return QStringLiteral("today");
    if (k == QLatin1String("S"))
        return QStringLiteral("dbservername");
    return {};
}

QString columnList(const Object &table, const std::vector<int> &parts, bool withOrder)
{
    QStringList names;
    for (int part : parts) {
        const int colno = part < 0 ? -part : part;
        QString name = colno >= 1 && colno <= int(table.columns.size()) ? ddlName(table.columns[size_t(colno - 1)].name)
                                                                        : QString::number(colno);
        if (withOrder && part < 0)
            name += QStringLiteral(" desc");
        names << name;
    }
    return names.join(QStringLiteral(", "));
}

const Index *findIndex(const Object &table, const QString &name)
{
    for (const Index &ix : table.indexes)
        if (ix.name == name)
            return &ix;
    return nullptr;
}

// The storage bytes of a key column, for the table comment's index size.
int keyBytes(const Column &col)
{
    const int len = col.collength;
    switch (col.coltype & 255) {
    case 5: case 8: return ((len >> 8) + 3) / 2;
    case 10: case 14: return (((len >> 8) & 255) + 4) / 2;
    case 13: case 16: return (len & 255) + 1;
    default: return len;
    }
}

class Writer {
public:
    Writer(Catalog &c, const SchemaOptions &o) : m_c(c), m_o(o) {}

    QString run();
    std::vector<SchemaItem> items();

private:
    bool wanted(const QString &owner) const { return m_o.owner.isEmpty() || owner == m_o.owner; }
    void statement(const QString &text)
    {
        m_out += text;
        endStatement(m_out.size() - text.size());
    }
    // Ends the statement appended to m_out from `start` on: trailing blanks
    // and controls go, the semicolon and the blank line follow.
    void endStatement(qsizetype start)
    {
        qsizetype end = m_out.size();
        while (end > start && m_out.at(end - 1).unicode() <= 32)
            --end;
        m_out.truncate(end);
        m_out += QLatin1String(";\n\n");
    }
    // owner.name, or the name alone where owners are left out.
    QString writtenName(const QString &owner, const QString &objectName) const
    {
        return m_o.owners ? qualified(owner, objectName) : ddlName(objectName);
    }
    // A table's (view's, sequence's) written name, made once: every statement on it names it.
    QString tableName(const Object &t) const
    {
        auto it = m_tableNames.constFind(t.tabid);
        if (it == m_tableNames.cend())
            it = m_tableNames.insert(t.tabid, writtenName(t.owner, t.name));
        return *it;
    }
    QString alterTable(const Object &t) const { return QStringLiteral("alter table ") + tableName(t); }
    QString constraintName(const Constraint &k) const { return QStringLiteral(" constraint ") + writtenName(k.owner, k.name); }
    // The column's type as DDL writes it, in lower case; made once per type.
    const QString &typeText(const Column &col) const;
    void appendColumnText(QString &out, const Column &col) const;
    QString columnText(const Column &col) const
    {
        QString text;
        appendColumnText(text, col);
        return text;
    }
    // A primary key, unique or check constraint without its name; empty for others.
    QString keyText(const Object &t, const Constraint &k) const;
    QString foreignKey(const Object &t, const Constraint &k) const;  // without its name
    void appendTableText(QString &out, const Object &t, const std::function<bool(const Constraint &)> &inlineKey) const;
    QString indexText(const Object &t, const Index &ix) const;
    QString sequenceText(const Object &s) const;
    QString synonymText(const Object &s) const;
    // "procedure owner.name(types)"
    QString routineName(const Routine &r) const
    {
        return (r.isproc == QLatin1String("f") ? QStringLiteral("function ") : QStringLiteral("procedure ")) +
               writtenName(r.owner, r.name) + QLatin1Char('(') + r.paramtypes + QLatin1Char(')');
    }
    void tableItems(const Object &t, std::vector<SchemaItem> &out) const;
    void writeTable(const Object &t, bool inlineAllKeys);
    void writeIndexes(const Object &t);
    void writeTableGrants(const Object &t);
    void writeRoutineGrants(const Routine &r);
    void writeDatabaseGrants();

    Catalog &m_c;
    const SchemaOptions &m_o;
    QString m_out;
    QSet<int> m_written;                 // tables written
    mutable QHash<int, QString> m_tableNames;  // by tabid
    mutable std::map<std::tuple<int, int, int>, QString> m_typeTexts;  // by coltype, collength, extended id
    std::vector<std::pair<const Object *, const Constraint *>> m_laterKeys;
};

const QString &Writer::typeText(const Column &col) const
{
    const auto key = std::make_tuple(col.coltype, col.collength, col.extendedId);
    auto it = m_typeTexts.find(key);
    if (it == m_typeTexts.end())
        it = m_typeTexts.emplace(key, DdlColumnTypeText(col.coltype, col.collength, col.extendedId).toLower()).first;
    return it->second;
}

void Writer::appendColumnText(QString &out, const Column &col) const
{
    out += ddlName(col.name);
    out += QLatin1Char(' ');
    out += typeText(col);
    if (col.hasDefault) {
        out += QLatin1String(" default ");
        out += defaultText(col);
    }
    if (col.coltype & 256)
        out += QLatin1String(" not null");
}

QString Writer::keyText(const Object &t, const Constraint &k) const
{
    if (k.type == QLatin1String("P") || k.type == QLatin1String("U")) {
        const Index *ix = findIndex(t, k.idxname);
        return (k.type == QLatin1String("P") ? QStringLiteral("primary key (") : QStringLiteral("unique (")) +
               (ix ? columnList(t, ix->parts, false) : QString()) + QLatin1Char(')');
    }
    if (k.type == QLatin1String("C"))
        return QStringLiteral("check ") + k.checkText;
    return {};
}

QString Writer::foreignKey(const Object &t, const Constraint &k) const
{
    const Index *own = findIndex(t, k.idxname);
    const Object *target = m_c.object(k.ptabid);
    QString targetCols;
    if (target)
        for (const Constraint &pk : target->constraints)
            if (pk.id == k.primary)
                if (const Index *pix = findIndex(*target, pk.idxname))
                    targetCols = columnList(*target, pix->parts, false);
    QString text = QStringLiteral("foreign key (") + (own ? columnList(t, own->parts, false) : QString()) +
                   QStringLiteral(") references ") + (target ? tableName(*target) : QString()) +
                   QStringLiteral(" (") + targetCols + QLatin1Char(')');
    if (k.delrule == QLatin1String("C"))
        text += QStringLiteral(" on delete cascade");
    return text;
}

// CREATE TABLE with the columns and the constraints `inlineKey` takes.
void Writer::appendTableText(QString &out, const Object &t, const std::function<bool(const Constraint &)> &inlineKey) const
{
    out += QLatin1String("create table ") + tableName(t) + QLatin1String("\n  (\n");
    const QLatin1String separator(",\n    ");
    const QLatin1String first("    ");
    bool any = false;
    for (const Column &col : t.columns) {
        out += any ? separator : first;
        appendColumnText(out, col);
        any = true;
    }
    for (const Constraint &k : t.constraints) {
        if (k.type == QLatin1String("N") || !inlineKey(k))
            continue;  // NOT NULL is written on the column
        const QString text = k.type == QLatin1String("R") ? foreignKey(t, k) : keyText(t, k);
        if (text.isEmpty())
            continue;
        out += any ? separator : first;
        out += text;
        out += constraintName(k);
        any = true;
    }
    out += QLatin1String("\n  )");
}

void Writer::writeTable(const Object &t, bool inlineAllKeys)
{
    int indexSize = 0;
    for (const Index &ix : t.indexes)
        for (int part : ix.parts) {
            const int colno = part < 0 ? -part : part;
            if (colno >= 1 && colno <= int(t.columns.size()))
                indexSize += keyBytes(t.columns[size_t(colno - 1)]);
        }
    // A '}' in a name would end the comment early and leave the rest to run.
    m_out += QLatin1String("{ TABLE ") + tableName(t).replace(QLatin1Char('}'), QLatin1Char('?'));
    m_out += QLatin1String(" row size = ") + QString::number(t.rowsize) + QLatin1String(" number of columns = ") +
             QString::number(t.ncols) + QLatin1String(" index size = ") + QString::number(indexSize) +
             QLatin1String(" }\n");
    // A foreign key to a table not written yet waits for an ALTER TABLE.
    const qsizetype start = m_out.size();
    appendTableText(m_out, t, [&](const Constraint &k) {
        if (k.type == QLatin1String("R") && !inlineAllKeys && k.ptabid != t.tabid && !m_written.contains(k.ptabid)) {
            m_laterKeys.emplace_back(&t, &k);
            return false;
        }
        return true;
    });
    endStatement(start);
    m_written.insert(t.tabid);
    writeIndexes(t);
}

QString Writer::indexText(const Object &t, const Index &ix) const
{
    QString text = QStringLiteral("create ");
    if (ix.idxtype == QLatin1String("U"))
        text += QStringLiteral("unique ");
    if (ix.clustered == QLatin1String("C"))
        text += QStringLiteral("cluster ");
    return text + QStringLiteral("index ") + writtenName(ix.owner, ix.name) + QStringLiteral(" on ") + tableName(t) +
           QStringLiteral(" (") + columnList(t, ix.parts, true) + QLatin1Char(')');
}

void Writer::writeIndexes(const Object &t)
{
    QSet<QString> owned;
    for (const Constraint &k : t.constraints)
        owned.insert(k.idxname);
    for (const Index &ix : t.indexes)
        if (!owned.contains(ix.name))
            statement(indexText(t, ix));
}

QString Writer::sequenceText(const Object &s) const
{
    const auto &q = s.sequence;
    const qint64 increment = q.value(QStringLiteral("inc_val")).toLongLong();
    QString text = QStringLiteral("create sequence ") + writtenName(s.owner, s.name) + QStringLiteral(" increment by ") +
                   QString::number(increment) + QStringLiteral(" start with ") +
                   q.value(QStringLiteral("start_val")).toString();
    // Bounds only where they differ from the defaults of the direction: the
    // engine refuses the default maximum written out.
    const qint64 defaultMax = increment > 0 ? std::numeric_limits<qint64>::max() : -1;
    const qint64 defaultMin = increment > 0 ? 1 : std::numeric_limits<qint64>::min() + 1;
    const QVariant max = q.value(QStringLiteral("max_val"));
    const QVariant min = q.value(QStringLiteral("min_val"));
    if (!max.isNull() && max.toLongLong() != defaultMax)
        text += QStringLiteral(" maxvalue ") + max.toString();
    if (!min.isNull() && min.toLongLong() != defaultMin)
        text += QStringLiteral(" minvalue ") + min.toString();
    if (q.value(QStringLiteral("cycle")).toString().trimmed() == QLatin1String("1"))
        text += QStringLiteral(" cycle");
    const QVariant cache = q.value(QStringLiteral("cache"));
    if (cache.isNull() || cache.toInt() == 0)
        text += QStringLiteral(" nocache");
    else if (cache.toInt() != kDefaultSequenceCache)
        text += QStringLiteral(" cache ") + cache.toString();
    if (q.value(QStringLiteral("order")).toString().trimmed() == QLatin1String("1"))
        text += QStringLiteral(" order");
    return text;
}

QString Writer::synonymText(const Object &s) const
{
    QString target;
    if (const Object *local = m_c.object(s.btabid))
        target = writtenName(local->owner, local->name);
    else {
        target = ddlName(s.dbname);
        if (!s.servername.isEmpty())
            target += QLatin1Char('@') + ddlName(s.servername);
        target += QLatin1Char(':') + qualified(s.synOwner, s.synTable);
    }
    return QStringLiteral("create ") + (s.type == QLatin1String("P") ? QStringLiteral("private ") : QString()) +
           QStringLiteral("synonym ") + writtenName(s.owner, s.name) + QStringLiteral(" for ") + target;
}

const std::pair<char, const char *> kTableRights[] = {
    {'s', "select"}, {'u', "update"}, {'i', "insert"}, {'d', "delete"},
    {'x', "index"},  {'a', "alter"},  {'r', "references"}, {'n', "under"}};
const std::pair<char, const char *> kColumnRights[] = {{'s', "select"}, {'u', "update"}, {'r', "references"}};

// User and role names keep their case only as quoted strings; PUBLIC is the keyword.
QString grantee(const QString &name)
{
    if (name == QLatin1String("public") || (!name.isEmpty() && !name.contains(QChar(0)) && ddlName(name) == name))
        return name;
    return SqlString(name);
}

QString grantText(const QString &rights, const QString &on, const QString &to, bool grantable, const QString &grantor)
{
    return QStringLiteral("grant ") + rights + QStringLiteral(" on ") + on + QStringLiteral(" to ") + grantee(to) +
           (grantable ? QStringLiteral(" with grant option") : QString()) + QStringLiteral(" as ") + grantee(grantor);
}

void Writer::writeTableGrants(const Object &t)
{
    for (const Grant &g : Catalog::grantsOf(m_c.tabGrants, t.tabid)) {
        if (g.grantee == t.owner)
            continue;
        for (bool grantable : {false, true}) {
            QString rights;
            for (const auto &[letter, word] : kTableRights) {
                // A right held with the grant option is the upper-case letter.
                const char16_t wanted = grantable ? char16_t(letter - 'a' + 'A') : char16_t(letter);
                for (const QChar c : g.auth)
                    if (c.unicode() == wanted) {
                        if (!rights.isEmpty())
                            rights += QLatin1Char(',');
                        rights += QLatin1String(word);
                    }
            }
            if (rights.isEmpty())
                continue;
            statement(grantText(rights, tableName(t), g.grantee, grantable, g.grantor));
        }
    }
    // Column privileges: one statement per grantor, grantee, right and grant option.
    QMap<std::tuple<QString, QString, int, bool>, QStringList> columns;
    for (const Grant &g : Catalog::grantsOf(m_c.colGrants, t.tabid)) {
        if (g.colno < 1 || g.colno > int(t.columns.size()))
            continue;
        for (int i = 0; i < int(std::size(kColumnRights)); ++i)
            for (const QChar c : g.auth)
                if (c.toLower() == QLatin1Char(kColumnRights[i].first))
                    columns[{g.grantor, g.grantee, i, c.isUpper()}] << ddlName(t.columns[size_t(g.colno - 1)].name);
    }
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        const auto &[grantor, to, right, grantable] = it.key();
        statement(grantText(QString::fromLatin1(kColumnRights[right].second) + QStringLiteral("(") +
                              it.value().join(QStringLiteral(", ")) + QLatin1Char(')'),
                          tableName(t), to, grantable, grantor));
    }
}

void Writer::writeRoutineGrants(const Routine &r)
{
    for (const Grant &g : Catalog::grantsOf(m_c.procGrants, r.procid)) {
        if (g.grantee == r.owner)
            continue;
        statement(grantText(QStringLiteral("execute"), routineName(r), g.grantee, g.auth == QLatin1String("E"), g.grantor));
    }
}

void Writer::writeDatabaseGrants()
{
    static const std::pair<const char *, const char *> levels[] = {{"D", "dba"}, {"R", "resource"}, {"C", "connect"}};
    for (const auto &[type, word] : levels)
        for (const Catalog::User &u : m_c.users)
            if (u.type == QLatin1String(type))
                statement(QStringLiteral("grant %1 to %2").arg(QLatin1String(word), grantee(u.name)));
    for (const Catalog::User &u : m_c.users)
        if (u.type == QLatin1String("G"))
            statement(QStringLiteral("create role ") + grantee(u.name));
    for (const Grant &g : m_c.roleGrants)
        statement(QStringLiteral("grant ") + grantee(g.grantor) + QStringLiteral(" to ") + grantee(g.grantee) +
                  (g.auth == QLatin1String("Y") ? QStringLiteral(" with grant option") : QString()));
    for (const Catalog::User &u : m_c.users)
        if (!u.defaultRole.isEmpty())
            statement(QStringLiteral("grant default role ") + grantee(u.defaultRole) + QStringLiteral(" to ") + grantee(u.name));
}

// Views, procedure texts and trigger texts compare by their words, not by their blanks.
QString wordsOf(const QString &text)
{
    QString t = text.simplified();
    while (t.endsWith(QLatin1Char(';')))
        t = t.left(t.size() - 1).trimmed();
    return t;
}

// A privilege as reports show it beside its object, names as they are.
QString privilegeLabel(const QString &right, const QString &grantee)
{
    return right + QStringLiteral(" to ") + grantee;
}

QString yesNo(bool on)
{
    return on ? QStringLiteral("yes") : QStringLiteral("no");
}

// The engine's names for unnamed constraints (u104_7): two databases give
// the same constraint different ones, so such constraints match by definition.
bool generatedConstraintName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[pucr][0-9]+_[0-9]+$"));
    return pattern.match(name).hasMatch();
}

void Writer::tableItems(const Object &t, std::vector<SchemaItem> &out) const
{
    const QString table = tableName(t);
    const auto child = [&](SchemaItem::Kind kind, const QString &owner, const QString &itemName) {
        SchemaItem item;
        item.kind = kind;
        item.owner = owner;
        item.name = itemName;
        item.tableOwner = t.owner;
        item.tableName = t.name;
        return item;
    };
    SchemaItem tableItem;
    tableItem.kind = SchemaItem::Table;
    tableItem.owner = t.owner;
    tableItem.name = t.name;
    appendTableText(tableItem.create, t, [](const Constraint &k) { return k.type != QLatin1String("R"); });
    tableItem.drop = QStringLiteral("drop table ") + tableName(t);
    out.push_back(std::move(tableItem));
    for (const Column &col : t.columns) {
        SchemaItem item = child(SchemaItem::Column, QString(), col.name);
        item.properties = {{QStringLiteral("type"), typeText(col)},
                           {QStringLiteral("default"), col.hasDefault ? defaultText(col) : QString()},
                           {QStringLiteral("not null"), yesNo(col.coltype & 256)}};
        item.create = alterTable(t) + QStringLiteral(" add (") + columnText(col) + QLatin1Char(')');
        item.modify = alterTable(t) + QStringLiteral(" modify (") + columnText(col) + QLatin1Char(')');
        item.drop = alterTable(t) + QStringLiteral(" drop (") + ddlName(col.name) + QLatin1Char(')');
        item.inTable = true;
        out.push_back(std::move(item));
    }
    for (const Constraint &k : t.constraints) {
        const bool foreign = k.type == QLatin1String("R");
        const QString definition = foreign ? foreignKey(t, k) : keyText(t, k);
        if (definition.isEmpty())
            continue;
        const bool generated = generatedConstraintName(k.name);
        SchemaItem item = child(foreign ? SchemaItem::ForeignKey : SchemaItem::Constraint, generated ? QString() : k.owner,
                                generated ? definition : k.name);
        item.properties = {{QStringLiteral("definition"), definition}};
        item.create = alterTable(t) + QStringLiteral(" add constraint (") + definition +
                      (generated ? QString() : constraintName(k)) + QLatin1Char(')');
        item.drop = alterTable(t) + QStringLiteral(" drop constraint ") + ddlName(k.name);
        item.inTable = !foreign;
        out.push_back(std::move(item));
    }
    QSet<QString> owned;
    for (const Constraint &k : t.constraints)
        owned.insert(k.idxname);
    for (const Index &ix : t.indexes) {
        if (owned.contains(ix.name))
            continue;
        SchemaItem item = child(SchemaItem::Index, ix.owner, ix.name);
        item.properties = {{QStringLiteral("unique"), yesNo(ix.idxtype == QLatin1String("U"))},
                           {QStringLiteral("cluster"), yesNo(ix.clustered == QLatin1String("C"))},
                           {QStringLiteral("columns"), columnList(t, ix.parts, true)}};
        item.create = indexText(t, ix);
        item.drop = QStringLiteral("drop index ") + writtenName(ix.owner, ix.name);
        out.push_back(std::move(item));
    }
    if (!m_o.grants)
        return;
    // One item per right, so that one right revoked is one difference.
    // `column`: a column privilege's column.
    const auto grant = [&](const QString &revokeRight, const Grant &g, bool grantable, const QString &column) {
        const QString right = column.isEmpty() ? revokeRight : revokeRight + QLatin1Char('(') + ddlName(column) + QLatin1Char(')');
        SchemaItem item = child(SchemaItem::Grant, QString(), right + QStringLiteral(" on ") + table +
                                                                 QStringLiteral(" to ") + grantee(g.grantee));
        item.label = privilegeLabel(column.isEmpty() ? right : revokeRight + QLatin1Char('(') + column + QLatin1Char(')'),
                                    g.grantee);
        item.kindName = column.isEmpty() ? QStringLiteral("table privilege") : QStringLiteral("column privilege");
        item.properties = {{QStringLiteral("grant option"), yesNo(grantable)}};
        if (m_o.owners)
            item.properties.emplace_back(QStringLiteral("grantor"), g.grantor);
        item.create = grantText(right, table, g.grantee, grantable, g.grantor);
        item.drop = QStringLiteral("revoke ") + revokeRight + QStringLiteral(" on ") + table + QStringLiteral(" from ") +
                    grantee(g.grantee) + QStringLiteral(" as ") + grantee(g.grantor);
        out.push_back(std::move(item));
    };
    for (const Grant &g : Catalog::grantsOf(m_c.tabGrants, t.tabid)) {
        if (g.grantee == t.owner)
            continue;
        for (const auto &[letter, word] : kTableRights)
            for (const QChar c : g.auth)
                if (c.toLower() == QLatin1Char(letter))
                    grant(QString::fromLatin1(word), g, c.isUpper(), {});
    }
    for (const Grant &g : Catalog::grantsOf(m_c.colGrants, t.tabid)) {
        if (g.colno < 1 || g.colno > int(t.columns.size()))
            continue;
        for (const auto &[letter, word] : kColumnRights)
            for (const QChar c : g.auth)
                if (c.toLower() == QLatin1Char(letter))
                    grant(QString::fromLatin1(word), g, c.isUpper(), t.columns[size_t(g.colno - 1)].name);
    }
}

std::vector<SchemaItem> Writer::items()
{
    std::vector<SchemaItem> out;
    const auto add = [&](SchemaItem::Kind kind, const QString &owner, const QString &itemName,
                         std::vector<std::pair<QString, QString>> properties, const QString &create, const QString &drop) {
        SchemaItem item;
        item.kind = kind;
        item.owner = owner;
        item.name = itemName;
        item.properties = std::move(properties);
        item.create = create;
        item.drop = drop;
        out.push_back(std::move(item));
    };
    const Object *only = nullptr;
    for (const Object &o : m_c.objects)
        if (!m_o.table.isEmpty() && o.type == QLatin1String("T") && o.name == m_o.table && wanted(o.owner) && !only)
            only = &o;
    if (m_o.grants && m_o.owner.isEmpty() && !only) {
        static const std::pair<const char *, const char *> levels[] = {{"D", "dba"}, {"R", "resource"}, {"C", "connect"}};
        for (const Catalog::User &u : m_c.users) {
            for (const auto &[type, word] : levels)
                if (u.type == QLatin1String(type))
                    add(SchemaItem::DatabaseGrant, {}, grantee(u.name), {{QStringLiteral("level"), QLatin1String(word)}},
                        QStringLiteral("grant %1 to %2").arg(QLatin1String(word), grantee(u.name)),
                        QStringLiteral("revoke %1 from %2").arg(QLatin1String(word), grantee(u.name)));
            if (u.type == QLatin1String("G"))
                add(SchemaItem::Role, {}, grantee(u.name), {}, QStringLiteral("create role ") + grantee(u.name),
                    QStringLiteral("drop role ") + grantee(u.name));
            if (!u.defaultRole.isEmpty())
                add(SchemaItem::RoleGrant, {}, QStringLiteral("default role to ") + grantee(u.name),
                    {{QStringLiteral("role"), u.defaultRole}},
                    QStringLiteral("grant default role ") + grantee(u.defaultRole) + QStringLiteral(" to ") + grantee(u.name),
                    QStringLiteral("revoke default role from ") + grantee(u.name));
        }
        for (const Grant &g : m_c.roleGrants)
            add(SchemaItem::RoleGrant, {}, grantee(g.grantor) + QStringLiteral(" to ") + grantee(g.grantee),
                {{QStringLiteral("grant option"), yesNo(g.auth == QLatin1String("Y"))}},
                QStringLiteral("grant ") + grantee(g.grantor) + QStringLiteral(" to ") + grantee(g.grantee) +
                    (g.auth == QLatin1String("Y") ? QStringLiteral(" with grant option") : QString()),
                QStringLiteral("revoke ") + grantee(g.grantor) + QStringLiteral(" from ") + grantee(g.grantee));
    }
    for (const Object &o : m_c.objects) {
        if (!wanted(o.owner) || (only && &o != only))
            continue;
        if (o.type == QLatin1String("T"))
            tableItems(o, out);
        else if (o.type == QLatin1String("Q")) {
            const QString text = sequenceText(o);
            add(SchemaItem::Sequence, o.owner, o.name, {{QStringLiteral("definition"), text}}, text,
                QStringLiteral("drop sequence ") + writtenName(o.owner, o.name));
        } else if (o.type == QLatin1String("V")) {
            const QString text = ReplaceAllText(TrimTrailingControls(o.text), QStringLiteral("\t"), QStringLiteral("  "));
            add(SchemaItem::View, o.owner, o.name, {{QStringLiteral("text"), wordsOf(text)}}, text,
                QStringLiteral("drop view ") + writtenName(o.owner, o.name));
        } else if (o.type == QLatin1String("S") || o.type == QLatin1String("P")) {
            const QString text = synonymText(o);
            add(SchemaItem::Synonym, o.owner, o.name, {{QStringLiteral("definition"), text}}, text,
                QStringLiteral("drop synonym ") + writtenName(o.owner, o.name));
        }
        if (o.type == QLatin1String("V") || o.type == QLatin1String("Q"))
            if (m_o.grants) {
                // Views and sequences take their privileges like tables; keep them beside the object.
                Object bare = o;
                bare.type = QStringLiteral("T");
                std::vector<SchemaItem> table;
                tableItems(bare, table);
                for (SchemaItem &item : table)
                    if (item.kind == SchemaItem::Grant)
                        out.push_back(std::move(item));
            }
    }
    for (const Routine &r : m_c.routines) {
        if (!wanted(r.owner) || only)
            continue;
        add(SchemaItem::Routine, r.owner, r.name + QLatin1Char('(') + r.paramtypes + QLatin1Char(')'),
            {{QStringLiteral("text"), wordsOf(r.text)}}, r.text, QStringLiteral("drop ") + routineName(r));
        if (!m_o.grants)
            continue;
        for (const Grant &g : Catalog::grantsOf(m_c.procGrants, r.procid)) {
            if (g.grantee == r.owner)
                continue;
            const bool grantable = g.auth == QLatin1String("E");
            std::vector<std::pair<QString, QString>> properties{{QStringLiteral("grant option"), yesNo(grantable)}};
            if (m_o.owners)
                properties.emplace_back(QStringLiteral("grantor"), g.grantor);
            add(SchemaItem::Grant, {}, QStringLiteral("execute on ") + routineName(r) + QStringLiteral(" to ") + grantee(g.grantee),
                std::move(properties), grantText(QStringLiteral("execute"), routineName(r), g.grantee, grantable, g.grantor),
                QStringLiteral("revoke execute on ") + routineName(r) + QStringLiteral(" from ") + grantee(g.grantee) +
                    QStringLiteral(" as ") + grantee(g.grantor));
            out.back().tableOwner = r.owner;  // goes with its routine
            out.back().tableName = r.name + QLatin1Char('(') + r.paramtypes + QLatin1Char(')');
            out.back().label = privilegeLabel(QStringLiteral("execute"), g.grantee);
            out.back().kindName = QStringLiteral("routine privilege");
        }
    }
    for (const Trigger &tr : m_c.triggers) {
        if (!wanted(tr.owner) || (only && tr.tabid != only->tabid))
            continue;
        add(SchemaItem::Trigger, tr.owner, tr.name, {{QStringLiteral("text"), wordsOf(tr.text)}}, tr.text,
            QStringLiteral("drop trigger ") + writtenName(tr.owner, tr.name));
        if (const Object *t = m_c.object(tr.tabid)) {
            out.back().tableOwner = t->owner;
            out.back().tableName = t->name;
        }
    }
    for (size_t i = 0; i < out.size(); ++i)
        out[i].order = int(i);
    return out;
}

QString Writer::run()
{
    const Object *only = nullptr;
    if (!m_o.table.isEmpty()) {
        for (const Object &o : m_c.objects)
            if (o.type == QLatin1String("T") && o.name == m_o.table && wanted(o.owner) && !only)
                only = &o;
        if (!only)
            throw std::runtime_error(QStringLiteral("No table named %1.").arg(m_o.table).toStdString());
        writeTable(*only, true);
        for (const Trigger &tr : m_c.triggers)
            if (tr.tabid == only->tabid)
                statement(tr.text);
        if (m_o.grants)
            writeTableGrants(*only);
        return m_out;
    }
    if (m_o.grants && m_o.owner.isEmpty())
        writeDatabaseGrants();
    // Privileges follow in the order the objects are written, which a copy
    // made from this text keeps (its ids are given in that order).
    std::vector<const Object *> written;
    // Tables in creation order; a foreign key to a table written later goes
    // into an ALTER TABLE after all tables.
    for (const Object &o : m_c.objects)
        if (o.type == QLatin1String("T") && wanted(o.owner)) {
            writeTable(o, false);
            written.push_back(&o);
        }
    for (const auto &[t, k] : m_laterKeys)
        statement(alterTable(*t) + QStringLiteral(" add constraint (") +
                  foreignKey(*t, *k) + constraintName(*k) + QLatin1Char(')'));
    for (const Object &o : m_c.objects)
        if (o.type == QLatin1String("Q") && wanted(o.owner)) {
            statement(sequenceText(o));
            written.push_back(&o);
        }
    // Views and synonyms share the creation counter with tables: its order is the dependency order.
    for (const Object &o : m_c.objects) {
        if (!wanted(o.owner))
            continue;
        if (o.type == QLatin1String("V")) {
            statement(ReplaceAllText(TrimTrailingControls(o.text), QStringLiteral("\t"), QStringLiteral("  ")));
            written.push_back(&o);
        } else if (o.type == QLatin1String("S") || o.type == QLatin1String("P"))
            statement(synonymText(o));
    }
    for (const Routine &r : m_c.routines)
        if (wanted(r.owner))
            statement(r.text);
    for (const Trigger &tr : m_c.triggers)
        if (wanted(tr.owner))
            statement(tr.text);
    if (m_o.grants) {
        for (const Object *o : written)
            writeTableGrants(*o);
        for (const Routine &r : m_c.routines)
            if (wanted(r.owner))
                writeRoutineGrants(r);
    }
    return m_out;
}

} // namespace

QString DdlColumnTypeText(int coltype, int collength, int extendedId)
{
    const int t = coltype & 255;
    if ((t == 5 || t == 8) && (collength & 255) == 255)
        return (t == 5 ? QStringLiteral("DECIMAL(%1)") : QStringLiteral("MONEY(%1)")).arg(collength >> 8);
    if (t == 15)
        return QStringLiteral("NCHAR(%1)").arg(collength);
    if (t == 14) {
        // The stored length counts every digit; the fields after the first take (end - start) of them.
        const int start = (collength >> 4) & 15;
        const int end = collength & 15;
        const int leading = ((collength >> 8) & 255) - (end - start);
        const int usual = start == 0 ? 4 : 2;
        if (start < 11 && leading > 0 && leading != usual) {
            const QString text = ColumnTypeText(coltype, collength, extendedId);
            const qsizetype at = text.indexOf(QStringLiteral(" TO "));
            if (at > 0)
                return text.left(at) + QStringLiteral("(%1)").arg(leading) + text.mid(at);
        }
    }
    return ColumnTypeText(coltype, collength, extendedId);
}

namespace {

// One table reads only itself and the tables its foreign keys name; empty: the whole database.
QList<int> tablesToRead(TdmDbObjects &module, const SchemaOptions &options)
{
    QList<int> tabids;
    if (!options.table.isEmpty()) {
        readRows(
            module, QStringLiteral("select tabid, owner from systables where tabtype = 'T' and tabname = :name order by tabid"),
            [&](const DbRowReader &q) {
                if (options.owner.isEmpty() || str(q, "owner") == options.owner)
                    tabids << num(q, "tabid");
            },
            {{QStringLiteral("name"), options.table}});
        if (tabids.isEmpty() && options.absentTableIsEmpty)
            return {};
        if (tabids.isEmpty())
            throw std::runtime_error(QStringLiteral("No table named %1.").arg(options.table).toStdString());
        if (tabids.size() > 1)
            throw std::runtime_error(
                QStringLiteral("Several tables are named %1; give the owner.").arg(options.table).toStdString());
        readRows(module, QStringLiteral("select r.ptabid from sysreferences r, sysconstraints k "
                                        "where k.constrid = r.constrid and k.tabid = %1").arg(tabids.first()),
                 [&](const DbRowReader &q) { tabids << num(q, "ptabid"); });
    }
    return tabids;
}

} // namespace

std::vector<SchemaItem> ReadSchemaItems(TdmDbObjects &module, const SchemaOptions &options)
{
    const QList<int> tabids = tablesToRead(module, options);
    if (!options.table.isEmpty() && tabids.isEmpty())
        return {};
    Catalog catalog = loadCatalog(module, tabids);
    return Writer(catalog, options).items();
}

QString WriteSchema(TdmDbObjects &module, const SchemaOptions &options)
{
    Catalog catalog = loadCatalog(module, tablesToRead(module, options));
    QString text = Writer(catalog, options).run();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace quodlin
