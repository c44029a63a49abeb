#pragma once
// Two schemas compared object by object, and the script that makes the
// target like the source. Both sides are read as the schema writer reads a
// database (ReadSchemaItems), from a connection or from a schema file run
// into a scratch embedded database; objects match by kind, table, owner and
// name (or without owners), and the script reuses the writer's DDL.
#include "catalog/schemawriter.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

namespace quodlin {

class TdmDbObjects;

struct CompareOptions {
    QString table;             // only this table with what belongs to it
    QString owner;             // only this owner's objects
    bool ignoreOwners = false; // match by name alone; the script writes names without owners
};

struct SchemaDifference {
    enum Type { MissingInTarget, ExtraInTarget, Changed };
    Type type = Changed;
    int source = -1;  // index into SchemaComparison::source, -1 when missing there
    int target = -1;
    QStringList properties;  // Changed: the properties that differ
    // False for the parts of a table missing or extra as a whole: the
    // table's own difference covers them, the script still makes them.
    bool listed = true;
};

struct SchemaComparison {
    std::vector<SchemaItem> source, target;
    std::vector<SchemaDifference> differences;  // in the source's order, then the target's extras
    bool ignoreOwners = false;

    // The listed differences.
    int count() const;
    bool equal() const { return count() == 0; }
    const SchemaItem &item(const SchemaDifference &d) const { return d.source >= 0 ? source[size_t(d.source)] : target[size_t(d.target)]; }
    // A property's value on one side; empty when that side has no such item.
    QString value(const SchemaDifference &d, const QString &property, bool sourceSide) const;
    // The DDL of the difference's object on one side: a table with its
    // indexes, foreign keys and triggers, also for a difference in one of
    // them; empty when that side has none.
    QString ddl(const SchemaDifference &d, bool sourceSide) const;
};

SchemaComparison CompareSchemaItems(std::vector<SchemaItem> source, std::vector<SchemaItem> target, bool ignoreOwners);
// Reads both modules and compares them; `reading` hears each side's turn
// (true: the source). Raises the layer's failures, and "No table named"
// when `options.table` names a table neither side has.
SchemaComparison CompareSchemas(TdmDbObjects &source, TdmDbObjects &target, const CompareOptions &options,
                                const std::function<void(bool source)> &reading = {});

// "table", "column", ... for reports and the window's tree.
QString SchemaKindName(SchemaItem::Kind kind);
// The item's kind as reports name it: a privilege's "table privilege", ...
QString SchemaKindName(const SchemaItem &item);
// The object's name as reports show it: owner.name, a table's part as
// "table: part", a privilege as "object: right to grantee".
QString SchemaItemLabel(const SchemaItem &item, bool withOwner = true);
// "missing in target", "extra in target", "changed".
QString DifferenceTypeText(SchemaDifference::Type type);
// A changed object's properties as "type: integer -> bigint" (target's value,
// then the source's); long texts (views, routines) by the property's name.
QStringList DifferenceChanges(const SchemaComparison &comparison, const SchemaDifference &difference);
// One line per listed difference: "missing in target: table a.t",
// "changed: column a.t.c (type: integer -> bigint)".
QString DifferenceReport(const SchemaComparison &comparison, bool withOwner = true);

struct SchemaScript {
    QString text;            // statements ended by ";" and a blank line
    QStringList leftAlone;   // what the script does not change (extra objects without `drop`)
};
// The statements that turn the target into the source: what is missing is
// created, what changed is altered (columns) or dropped and made again,
// views and routines in the source's order with the views that use a
// remade view; what is extra is dropped only with `drop`.
SchemaScript CompareScript(const SchemaComparison &comparison, bool drop);

// An embedded database in a temporary folder filled from the statements of
// a schema file, split by the caller (the workspace's statement splitter),
// for comparing a file with a database. Statements run with DELIMIDENT on,
// as the schema writer's text needs.
class ScratchSchemaDatabase {
public:
    // Raises std::runtime_error naming the file or the statement that failed.
    // `user` creates what the text does not give an owner, as it did where
    // the text was written (a view's grants name its owner).
    static std::unique_ptr<ScratchSchemaDatabase> fromStatements(const QStringList &statements,
                                                                 const QString &user = QStringLiteral("informix"),
                                                                 const std::atomic<bool> *stop = nullptr);
    ~ScratchSchemaDatabase();
    TdmDbObjects &module();

private:
    explicit ScratchSchemaDatabase(const QString &user);
    struct Data;
    std::unique_ptr<Data> d;
};

// Runs the statements on the module's database in one transaction; raises
// the first failure with the statement's number. `stop` set: "Stopped." before the next one.
void RunSchemaScript(TdmDbObjects &module, const QStringList &statements, const std::atomic<bool> *stop = nullptr);

} // namespace quodlin
