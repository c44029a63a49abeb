#include "catalog/catalogqueries.h"

namespace quodlin {

namespace {

// A field as a module designer declares it.
struct FieldDecl {
    CatalogField field;
    FieldDecl hide() const { FieldDecl d = *this; d.field.hidden = true; return d; }
    FieldDecl width(int w) const { FieldDecl d = *this; d.field.displayWidth = w; return d; }
    operator CatalogField() const { return field; }
};

FieldDecl S(const char *name, int size, const char *label)
{
    return {{QString::fromLatin1(name), CatalogFieldType::String, size, QString::fromLatin1(label), 0, false}};
}
FieldDecl I(const char *name, const char *label)
{
    return {{QString::fromLatin1(name), CatalogFieldType::Integer, 0, QString::fromLatin1(label), 0, false}};
}
FieldDecl SI(const char *name, const char *label)
{
    return {{QString::fromLatin1(name), CatalogFieldType::SmallInt, 0, QString::fromLatin1(label), 0, false}};
}
// A memo field has no label of its own: its title is the field name.
FieldDecl M(const char *name, int size)
{
    return {{QString::fromLatin1(name), CatalogFieldType::Memo, size, QString::fromLatin1(name), 0, false}};
}
FieldDecl C(const char *name, int size, const char *label, int displayWidth = 0)
{
    return {{QString::fromLatin1(name), CatalogFieldType::Calculated, size, QString::fromLatin1(label), displayWidth,
             false}};
}

// The shape the table, view and procedure lists share.
QList<CatalogField> objectList(const char *name, const char *id)
{
    return {S(name, 18, "Name"), S("owner", 8, "Owner"), I(id, "ID")};
}

QList<CatalogField> triggerList()
{
    return {S("trigname", 18, "Name"), S("owner", 8, "Owner"), I("trigid", "ID"), S("event", 1, "Event")};
}

// qrySynonyms and qrySyn.
QList<CatalogField> synonymFields()
{
    return {S("synname", 18, "Name"),        S("owner", 8, "Owner"),        I("tabid", "ID"),
            S("sservername", 18, "Server"),  S("sdbname", 18, "Database"),  S("sowner", 8, "Table Owner"),
            S("stabname", 18, "Table Name"), I("sbtabid", "Table ID")};
}

// Stored text rows of a procedure or trigger.
QList<CatalogField> bodyRows(const char *id)
{
    return {I(id, "ID"), S("datakey", 1, "Data Key"), I("seqno", "Seq No."), M("data", 256)};
}

QList<CatalogQuery> buildQueries()
{
    QList<CatalogQuery> q;
    q << CatalogQuery{QStringLiteral("qryUserTables"), QString(), QString(),
                      QStringLiteral(R"sql(select tabname, owner, tabid
 from systables 
 where tabid >= 100 and tabtype = 'T'
 order by owner, tabname)sql"),
                      objectList("tabname", "tabid")};
    q << CatalogQuery{QStringLiteral("qrySystemTables"), QString(), QString(),
                      QStringLiteral(R"sql(select tabname, owner, tabid
 from systables 
 where tabid < 100 and tabtype = 'T'
 order by owner, tabname)sql"),
                      objectList("tabname", "tabid")};
    q << CatalogQuery{QStringLiteral("qryViews"), QString(), QString(),
                      QStringLiteral(R"sql(select tabname, owner, tabid
 from systables 
 where tabtype = 'V'
 order by owner, tabname)sql"),
                      objectList("tabname", "tabid")};
    q << CatalogQuery{QStringLiteral("qrySystemProcs"), QString(), QString(),
                      QStringLiteral(R"sql(select procname, owner, procid
 from sysprocedures
 where mode = 'P'
 order by owner, procname)sql"),
                      objectList("procname", "procid")};
    q << CatalogQuery{QStringLiteral("qryGeneratedProcs"), QString(), QString(),
                      QStringLiteral(R"sql(select procname, owner, procid
 from sysprocedures
 where mode <> 'P' and (procname matches '[Pp][Ii]*' or procname matches '[Pp][Dd]*' or procname matches '[Pp][Uu]*')
 order by owner, procname)sql"),
                      objectList("procname", "procid")};
    q << CatalogQuery{QStringLiteral("qryUngeneratedProcs"), QString(), QString(),
                      QStringLiteral(R"sql(select procname, owner, procid
 from sysprocedures
 where mode <> 'P' and (procname not matches '[Pp][Ii]*' and procname not matches '[Pp][Dd]*' and procname not matches '[Pp][Uu]*')
 order by owner, procname)sql"),
                      objectList("procname", "procid")};
    q << CatalogQuery{QStringLiteral("qryInsertTriggers"), QString(), QString(),
                      QStringLiteral(R"sql(select trigname, owner, trigid, event
 from systriggers
 where event = 'I'
 order by owner, trigname)sql"),
                      triggerList()};
    q << CatalogQuery{QStringLiteral("qryUpdateTriggers"), QString(), QString(),
                      QStringLiteral(R"sql(select trigname, owner, trigid, event
 from systriggers
 where event = 'U'
 order by owner, trigname)sql"),
                      triggerList()};
    q << CatalogQuery{QStringLiteral("qryDeleteTriggers"), QString(), QString(),
                      QStringLiteral(R"sql(select trigname, owner, trigid, event
 from systriggers
 where event = 'D'
 order by owner, trigname)sql"),
                      triggerList()};
    q << CatalogQuery{QStringLiteral("qrySynonyms"), QString(), QString(),
                      QStringLiteral(R"sql(select z.tabname synname, z.owner owner, z.tabid tabid,
       t.servername sservername, t.dbname sdbname, t.owner sowner, t.tabname stabname, t.btabid sbtabid
 from systables z,
      OUTER syssyntable t
 where z.tabid = t.tabid and z.tabtype in ('P', 'S')
 order by z.owner, z.tabname)sql"),
                      synonymFields()};
    q << CatalogQuery{QStringLiteral("qryUsers"), QString(), QString(),
                      QStringLiteral(R"sql(select username, usertype, priority
 from sysusers
 where usertype <> 'G'
 order by username)sql"),
                      {S("username", 8, "Name"),
                       S("usertype", 1, "Type"),
                       SI("priority", "Priority")}};
    q << CatalogQuery{QStringLiteral("qryRoles"), QStringLiteral("dsRoles"), QString(),
                      QStringLiteral(R"sql(select username rolename, usertype, priority
 from sysusers
 where usertype = 'G'
 order by username)sql"),
                      {S("rolename", 8, "Name"),
                       S("usertype", 1, "Type"),
                       SI("priority", "Priority")}};
    q << CatalogQuery{QStringLiteral("qryRoleUsers"), QString(), QStringLiteral("qryRoles"),
                      QStringLiteral(R"sql(select a.rolename, a.grantee username, a.is_grantable
 from sysroleauth a,
      OUTER sysusers u
 where a.rolename = :rolename and a.grantee = u.username
 order by a.rolename, a.grantee)sql"),
                      {S("rolename", 8, "Role Name"),
                       S("username", 8, "User Name"),
                       S("is_grantable", 1, "Is Grantable")}};
    q << CatalogQuery{QStringLiteral("qryTable"), QStringLiteral("dsTable"), QString(),
                      QStringLiteral(R"sql(select tabname, owner, tabid, rowsize, tabtype
 from systables 
 where tabname = :tabname and owner = :owner)sql"),
                      {S("tabname", 18, "Name"),
                       S("owner", 8, "Owner"),
                       I("tabid", "ID"),
                       SI("rowsize", "Size"),
                       S("tabtype", 1, "Type").hide(),
                       C("tabtypedescr", 15, "Type", 15)}};
    q << CatalogQuery{QStringLiteral("qryTableColumns"), QStringLiteral("dsTableColumns"), QStringLiteral("qryTable"),
                      QStringLiteral(R"sql(select c.tabid tabid, c.colno colno, c.colname colname, c.coltype coltype,
       c.collength collength, c.colmin colmin, c.colmax colmax,
       d.type defaulttype, d.default defaultvalue
 from syscolumns c,
      OUTER sysdefaults d
 where c.tabid = :tabid and
       d.tabid = c.tabid and d.colno = c.colno
 order by c.colno)sql"),
                      {SI("colno", "Col No."),
                       S("colname", 18, "Name"),
                       I("tabid", "Table ID").hide(),
                       C("datatype", 18, "Data Type", 35),
                       C("required", 3, "Reqd", 5),
                       SI("coltype", "Type").hide(),
                       SI("collength", "Length").hide(),
                       S("defaulttype", 1, "Type").hide(),
                       C("defaulttypedescr", 64, "Type", 15),
                       M("defaultvalue", 256),
                       C("defaultvaluedesc", 15, "Default"),
                       I("colmin", "Min"),
                       I("colmax", "Max")}};
    q << CatalogQuery{QStringLiteral("qryTableIndexes"), QStringLiteral("dsTableIndexes"), QStringLiteral("qryTable"),
                      QStringLiteral(R"sql(select i.idxname, i.owner, i.tabid, i.idxtype, i.clustered,
       c1.colname colname1, c2.colname colname2, c3.colname colname3, c4.colname colname4, c5.colname colname5,
       c6.colname colname6, c7.colname colname7, c8.colname colname8, c9.colname colname9, c10.colname colname10,
       c11.colname colname11, c12.colname colname12, c13.colname colname13, c14.colname colname14,
       c15.colname colname15, c16.colname colname16
 from sysindexes i,
      OUTER syscolumns c1, OUTER syscolumns c2,
      OUTER syscolumns c3, OUTER syscolumns c4,
      OUTER syscolumns c5, OUTER syscolumns c6,
      OUTER syscolumns c7, OUTER syscolumns c8,
      OUTER syscolumns c9, OUTER syscolumns c10,
      OUTER syscolumns c11,OUTER syscolumns c12,
      OUTER syscolumns c13,OUTER syscolumns c14,
      OUTER syscolumns c15,OUTER syscolumns c16
 where i.tabid = :tabid and
       i.tabid = c1.tabid  and i.part1 = c1.colno and
       i.tabid = c2.tabid  and i.part2 = c2.colno and
       i.tabid = c3.tabid  and i.part3 = c3.colno and
       i.tabid = c4.tabid  and i.part4 = c4.colno and
       i.tabid = c5.tabid  and i.part5 = c5.colno and
       i.tabid = c6.tabid  and i.part6 = c6.colno and
       i.tabid = c7.tabid  and i.part7 = c7.colno and
       i.tabid = c8.tabid  and i.part8 = c8.colno and
       i.tabid = c9.tabid  and i.part9 = c9.colno and
       i.tabid = c10.tabid and i.part10= c10.colno and
       i.tabid = c11.tabid and i.part11= c11.colno and
       i.tabid = c12.tabid and i.part12= c12.colno and
       i.tabid = c13.tabid and i.part13= c13.colno and
       i.tabid = c14.tabid and i.part14= c14.colno and
       i.tabid = c15.tabid and i.part15= c15.colno and
       i.tabid = c16.tabid and i.part16= c16.colno
 order by i.clustered, i.idxtype desc)sql"),
                      {S("idxname", 18, "Name"),
                       S("owner", 8, "Owner").hide(),
                       I("tabid", "Table ID").hide(),
                       S("clustered", 1, "Clustered").width(8),
                       S("idxtype", 1, "Type").hide(),
                       C("idxtypedescr", 10, "Type"),
                       S("colname1", 18, "Col #1"),
                       S("colname2", 18, "Col #2"),
                       S("colname3", 18, "Col #3"),
                       S("colname4", 18, "Col #4"),
                       S("colname5", 18, "Col #5"),
                       S("colname6", 18, "Col #6"),
                       S("colname7", 18, "Col #7"),
                       S("colname8", 18, "Col #8"),
                       S("colname9", 18, "Col #9"),
                       S("colname10", 18, "Col #10"),
                       S("colname11", 18, "Col #11"),
                       S("colname12", 18, "Col #12"),
                       S("colname13", 18, "Col #13"),
                       S("colname14", 18, "Col #14"),
                       S("colname15", 18, "Col #15"),
                       S("colname16", 18, "Col #16")}};
    q << CatalogQuery{QStringLiteral("qryTableTriggers"), QStringLiteral("dsTableTriggers"), QStringLiteral("qryTable"),
                      QStringLiteral(R"sql(select trigname, tabid, trigid, event
 from systriggers
 where tabid = :tabid)sql"),
                      {I("trigid", "ID"),
                       S("trigname", 18, "Name"),
                       C("eventdescr", 10, "Event"),
                       I("tabid", "Table ID").hide(),
                       S("event", 1, "Event").hide()}};
    q << CatalogQuery{QStringLiteral("qryTableDepends"), QStringLiteral("dsTableDepends"), QStringLiteral("qryTable"),
                      QStringLiteral(R"sql(select d.btabid, tb.tabname btabname, tb.owner bowner, d.btype,
       td.tabname dtabname, td.owner downer, d.dtabid, d.dtype
  from sysdepend d,
       outer systables tb,
       outer systables td
 where d.btabid = :tabid and
       tb.tabid = d.btabid and
       td.tabid = d.dtabid)sql"),
                      {I("btabid", "Table ID").hide(),
                       S("btabname", 18, "Name").hide(),
                       S("bowner", 8, "Owner").hide(),
                       S("btype", 1, "Type").hide(),
                       S("dtabname", 18, "Name"),
                       S("downer", 8, "Owner").hide(),
                       I("dtabid", "Table ID"),
                       S("dtype", 1, "Type").width(10)}};
    q << CatalogQuery{QStringLiteral("qryViewBody"), QStringLiteral("dsViewBody"), QStringLiteral("qryTable"),
                      QStringLiteral(R"sql(select tabid, seqno, viewtext data
 from sysviews
 where tabid = :tabid
 order by seqno)sql"),
                      {I("tabid", "ID"),
                       SI("seqno", "Seq No."),
                       S("data", 64, "Data")}};
    q << CatalogQuery{QStringLiteral("qryProc"), QStringLiteral("dsProc"), QString(),
                      QStringLiteral(R"sql(select procid, procname, owner, mode, retsize, numargs
 from sysprocedures
 where procname = :procname and owner = :owner)sql"),
                      {I("procid", "ID"),
                       S("procname", 18, "Name"),
                       S("owner", 8, "Owner"),
                       S("mode", 1, "Mode").hide(),
                       I("numargs", "No. Args"),
                       C("modedescr", 10, "Mode")}};
    q << CatalogQuery{QStringLiteral("qryProcBody"), QStringLiteral("dsProcBody"), QStringLiteral("qryProc"),
                      QStringLiteral(R"sql(select procid, datakey, seqno, data
 from sysprocbody
 where datakey = 'T' and
       procid = :procid
 order by seqno)sql"),
                      bodyRows("procid")};
    q << CatalogQuery{QStringLiteral("qryTrigger"), QStringLiteral("dsTrigger"), QString(),
                      QStringLiteral(R"sql(select s.trigid, s.trigname, s.owner, s.tabid, s.event, s.old, s.new, s.mode,
       t.tabname, t.owner towner
 from systriggers s,
      OUTER systables t
 where s.trigname = :trigname and s.owner = :owner and
       t.tabid = s.tabid)sql"),
                      {I("trigid", "ID"),
                       S("trigname", 18, "Name"),
                       S("owner", 8, "Owner"),
                       I("tabid", "Table ID"),
                       S("event", 1, "Event").hide(),
                       S("old", 18, "Old"),
                       S("new", 18, "New"),
                       S("mode", 1, "Mode").hide(),
                       C("modedescr", 10, "Mode"),
                       C("eventdescr", 10, "Event"),
                       S("tabname", 18, "Table Name"),
                       S("towner", 8, "Table Owner")}};
    q << CatalogQuery{QStringLiteral("qryTrigBody"), QStringLiteral("dsTrigBody"), QStringLiteral("qryTrigger"),
                      QStringLiteral(R"sql(select trigid, datakey, seqno, data from systrigbody
 where datakey in ('A', 'D') and
       trigid = :trigid
 order by datakey desc, seqno)sql"),
                      bodyRows("trigid")};
    q << CatalogQuery{QStringLiteral("qrySyn"), QStringLiteral("dsSyn"), QString(),
                      QStringLiteral(R"sql(select z.tabname synname, z.owner owner, z.tabid tabid,
       t.servername sservername, t.dbname sdbname, t.owner sowner, t.tabname stabname, t.btabid sbtabid
 from systables z,
      OUTER syssyntable t
 where z.tabname = :synname and z.owner = :owner and z.tabtype in ('P', 'S') and
       z.tabid = t.tabid)sql"),
                      synonymFields()};
    q << CatalogQuery{QStringLiteral("qrySynLocalTable"), QStringLiteral("dsSynLocalTable"), QStringLiteral("qrySyn"),
                      QStringLiteral(R"sql(select tabname stabname, owner sowner, tabid
 from systables
 where tabid = :sbtabid)sql"),
                      {S("stabname", 18, "Table Name"),
                       S("sowner", 8, "Table Owner"),
                       I("tabid", "Table ID")}};
    q << CatalogQuery{QStringLiteral("qryCompile"), {}, {}, {}, {}};
    return q;
}

} // namespace

const CatalogField *CatalogQuery::field(const QString &fieldName) const
{
    for (const CatalogField &f : fields)
        if (f.name == fieldName)
            return &f;
    return nullptr;
}

QStringList CatalogQuery::visibleLabels() const
{
    QStringList labels;
    for (const CatalogField &f : fields)
        if (!f.hidden)
            labels << f.label;
    return labels;
}

const QList<CatalogQuery> &CatalogQueries()
{
    static const QList<CatalogQuery> queries = buildQueries();
    return queries;
}

const CatalogQuery *FindCatalogQuery(const QString &name)
{
    for (const CatalogQuery &q : CatalogQueries())
        if (q.name == name)
            return &q;
    return nullptr;
}

} // namespace quodlin
