#include "catalog/objectkinds.h"

#include <algorithm>

namespace quodlin {

namespace {

QString s(const char *text) { return QString::fromLatin1(text); }

ObjectList list(const char *label, const char *caption, const char *query)
{
    return ObjectList{s(label), s(caption), s(query)};
}

QList<ObjectKindDesc> buildKinds()
{
    QList<ObjectKindDesc> kinds;

    ObjectKindDesc table;
    table.kind = KindTable;
    table.cliName = s("table");
    table.category = s("Tables");
    table.image = ImageTable;
    table.icon = s("0-table");
    table.lists = {list("System", "System Tables", "qrySystemTables"), list("User", "User Tables", "qryUserTables")};
    table.pageSet = s("tabTable");
    table.hiddenPages = {s("pageTableEdit")};
    table.firstTabCaption = s("T&able");
    table.captionPrefix = s("Table: ");
    table.title = s("Table");
    table.masterQuery = s("qryTable");
    table.nameParam = s("tabname");
    table.idField = s("tabid");
    table.dropWord = s("TABLE");
    kinds << table;

    ObjectKindDesc view = table;
    view.kind = KindView;
    view.cliName = s("view");
    view.category = s("Views");
    view.image = ImageView;
    view.icon = s("1-view");
    view.lists = {list("", "Views", "qryViews")};
    view.hiddenPages = {s("pageTableIndexes"), s("pageTableTriggers"), s("pageTableDDL"), s("pageTableDiagram")};
    view.firstTabCaption = s("&View");
    view.captionPrefix = s("View: ");
    view.title = s("View");
    view.definition = DefinitionLayout::View;
    view.bodyQuery = s("qryViewBody");
    view.createWords = {s("VIEW")};
    view.dropWord = s("VIEW");
    kinds << view;

    ObjectKindDesc synonym;
    synonym.kind = KindSynonym;
    synonym.cliName = s("synonym");
    synonym.category = s("Synonyms");
    synonym.image = ImageSynonym;
    synonym.icon = s("4-synonym");
    synonym.lists = {list("", "Synonyms", "qrySynonyms")};
    synonym.pageSet = s("tabSyn");
    synonym.captionPrefix = s("Synonym: ");
    synonym.title = s("Synonym");
    synonym.masterQuery = s("qrySyn");
    synonym.nameParam = s("synname");
    synonym.idField = s("tabid");
    synonym.createWords = {s("SYNONYM")};
    synonym.dropWord = s("SYNONYM");
    kinds << synonym;

    // Functions are listed, shown and compiled with the procedures; the
    // catalog's isproc flag tells which word drops one.
    ObjectKindDesc procedure;
    procedure.kind = KindProcedure;
    procedure.cliName = s("procedure");
    procedure.category = s("Procedures");
    procedure.image = ImageProcedure;
    procedure.icon = s("2-procedure");
    procedure.lists = {list("System", "System Procedures", "qrySystemProcs"),
                       list("Generated", "Generated Procedures", "qryGeneratedProcs"),
                       list("User", "User Procedures", "qryUngeneratedProcs")};
    procedure.pageSet = s("tabProc");
    procedure.captionPrefix = s("Proc: ");
    procedure.title = s("Stored Procedure");
    procedure.masterQuery = s("qryProc");
    procedure.nameParam = s("procname");
    procedure.idField = s("procid");
    procedure.definition = DefinitionLayout::Routine;
    procedure.bodyQuery = s("qryProcBody");
    procedure.createWords = {s("PROCEDURE"), s("FUNCTION")};
    procedure.dropWord = s("PROCEDURE");
    kinds << procedure;

    ObjectKindDesc trigger;
    trigger.kind = KindTrigger;
    trigger.cliName = s("trigger");
    trigger.category = s("Triggers");
    trigger.image = ImageTrigger;
    trigger.icon = s("3-trigger");
    trigger.lists = {list("Insert", "Insert Triggers", "qryInsertTriggers"),
                     list("Update", "Update Triggers", "qryUpdateTriggers"),
                     list("Delete", "Delete Triggers", "qryDeleteTriggers")};
    trigger.pageSet = s("tabTrigger");
    trigger.captionPrefix = s("Trigger: ");
    trigger.title = s("Trigger");
    trigger.masterQuery = s("qryTrigger");
    trigger.nameParam = s("trigname");
    trigger.idField = s("trigid");
    trigger.definition = DefinitionLayout::Trigger;
    trigger.bodyQuery = s("qryTrigBody");
    trigger.createWords = {s("TRIGGER")};
    trigger.dropWord = s("TRIGGER");
    kinds << trigger;

    // Users and roles have no detail load: their list row is the record.
    ObjectKindDesc user;
    user.kind = KindUser;
    user.cliName = s("user");
    user.category = s("Users");
    user.image = ImageUser;
    user.icon = s("6-user");
    user.lists = {list("", "Users", "qryUsers")};
    user.labelledByName = true;
    user.pageSet = s("tabOther");
    user.captionPrefix = s("User: ");
    user.title = s("User");
    kinds << user;

    ObjectKindDesc role;
    role.kind = KindRole;
    role.cliName = s("role");
    role.category = s("Roles");
    role.image = ImageRole;
    role.icon = s("7-role");
    role.lists = {list("", "Roles", "qryRoles")};
    role.labelledByName = true;
    role.memberQuery = s("qryRoleUsers");
    role.memberParam = s("rolename");
    role.memberKind = KindUser;
    role.pageSet = s("tabList");
    role.captionPrefix = s("Role: ");
    role.title = s("Role");
    kinds << role;
    return kinds;
}

} // namespace

const QList<ObjectKindDesc> &ObjectKinds()
{
    static const QList<ObjectKindDesc> kinds = buildKinds();
    return kinds;
}

const ObjectKindDesc *FindObjectKind(int kind)
{
    for (const ObjectKindDesc &desc : ObjectKinds())
        if (desc.kind == kind)
            return &desc;
    return nullptr;
}

const ObjectKindDesc *FindObjectKindByCliName(const QString &word)
{
    for (const ObjectKindDesc &desc : ObjectKinds())
        if (desc.cliName.compare(word, Qt::CaseInsensitive) == 0)
            return &desc;
    return nullptr;
}

const ObjectKindDesc *FindObjectKindByCreateWord(const QString &word)
{
    for (const ObjectKindDesc &desc : ObjectKinds())
        if (desc.createWords.contains(word))
            return &desc;
    return nullptr;
}

QString CliKindNames(bool droppableOnly)
{
    // In kind order, the order the command line has always listed them in.
    QList<const ObjectKindDesc *> kinds;
    for (const ObjectKindDesc &desc : ObjectKinds())
        if (!droppableOnly || !desc.dropWord.isEmpty())
            kinds << &desc;
    std::sort(kinds.begin(), kinds.end(), [](auto *a, auto *b) { return a->kind < b->kind; });
    QStringList names;
    for (const ObjectKindDesc *desc : kinds)
        names << desc->cliName;
    return names.join(QStringLiteral(", "));
}

} // namespace quodlin
