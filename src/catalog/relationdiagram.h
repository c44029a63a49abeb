#pragma once
// Table relations as a picture's content: which tables, their columns with
// key marks, and the foreign keys between them as arrows from the
// referencing table to the referenced one, labelled with the constraint's
// name. Read from the catalog through the connection (embedded or ODBC).
#include <QList>
#include <QString>
#include <QStringList>

namespace quodlin {

class TdmDbObjects;

struct DiagramColumn {
    QString name;
    QString type;
    bool primaryKey = false;
    bool foreignKey = false;
    bool unique = false;
};

struct DiagramTable {
    int tabid = 0;
    QString owner;
    QString name;
    QList<DiagramColumn> columns;
    int distance = 0;  // steps from the diagram's table; 0 for it (and in a whole-database diagram)
};

struct DiagramArrow {
    int from = 0;  // the referencing table (index into tables)
    int to = 0;    // the referenced table
    QString constraintName;
    QStringList fromColumns;
    QStringList toColumns;
};

struct RelationDiagram {
    QList<DiagramTable> tables;  // the diagram's table first, then by distance, owner and name
    QList<DiagramArrow> arrows;
    int focus = -1;  // the table a table's diagram is about; -1 for a whole database
    int indexOf(const QString &owner, const QString &name) const;
};

// The table, the tables it references and those that reference it, up to
// `depth` steps (1 or 2) away, with every foreign key among them. Raises
// std::runtime_error when no table of that owner and name exists, and the
// layer's failures.
RelationDiagram ReadTableDiagram(TdmDbObjects &module, const QString &owner, const QString &name, int depth = 1);
// Every user table of `owner` (empty: of every owner) with the foreign keys among them.
RelationDiagram ReadDatabaseDiagram(TdmDbObjects &module, const QString &owner = {});
// The owners of user tables, sorted.
QStringList DiagramOwners(TdmDbObjects &module);

} // namespace quodlin
