#include "catalog/schemacompare.h"

#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/engine.h"

#include <QDir>
#include <QHash>
#include <QTemporaryDir>

#include <atomic>
#include <stdexcept>

namespace quodlin {

namespace {

QString keyOf(const SchemaItem &item, bool ignoreOwners)
{
    const QChar sep(0x1f);
    return QString::number(item.kind) + sep + (ignoreOwners ? QString() : item.tableOwner) + sep + item.tableName + sep +
           (ignoreOwners ? QString() : item.owner) + sep + item.name;
}

bool isParentKind(SchemaItem::Kind kind)
{
    return kind == SchemaItem::Table || kind == SchemaItem::View || kind == SchemaItem::Sequence ||
           kind == SchemaItem::Routine;
}

// The key of the object an item belongs to (table, view, sequence or routine), or empty.
QStringList parentKeys(const SchemaItem &item, bool ignoreOwners)
{
    if (item.tableName.isEmpty())
        return {};
    QStringList keys;
    for (SchemaItem::Kind kind : {SchemaItem::Table, SchemaItem::View, SchemaItem::Sequence, SchemaItem::Routine}) {
        SchemaItem parent;
        parent.kind = kind;
        parent.owner = item.tableOwner;
        parent.name = item.tableName;
        keys << keyOf(parent, ignoreOwners);
    }
    return keys;
}

constexpr int kShownValue = 40;

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

} // namespace

SchemaComparison CompareSchemaItems(std::vector<SchemaItem> source, std::vector<SchemaItem> target, bool ignoreOwners)
{
    SchemaComparison c;
    c.source = std::move(source);
    c.target = std::move(target);
    c.ignoreOwners = ignoreOwners;
    QHash<QString, int> targetByKey;
    for (int i = 0; i < int(c.target.size()); ++i)
        targetByKey.insert(keyOf(c.target[size_t(i)], ignoreOwners), i);
    std::vector<bool> matched(c.target.size(), false);
    QHash<QString, SchemaDifference::Type> wholeObjects;  // parents missing or extra as a whole
    for (int i = 0; i < int(c.source.size()); ++i) {
        const SchemaItem &s = c.source[size_t(i)];
        const QString key = keyOf(s, ignoreOwners);
        const auto it = targetByKey.constFind(key);
        if (it == targetByKey.cend()) {
            c.differences.push_back({SchemaDifference::MissingInTarget, i, -1, {}, true});
            if (isParentKind(s.kind))
                wholeObjects.insert(key, SchemaDifference::MissingInTarget);
            continue;
        }
        matched[size_t(*it)] = true;
        const SchemaItem &t = c.target[size_t(*it)];
        QStringList changed;
        for (const auto &[property, value] : s.properties) {
            QString other;
            for (const auto &[p, v] : t.properties)
                if (p == property)
                    other = v;
            if (other != value)
                changed << property;
        }
        if (!changed.isEmpty())
            c.differences.push_back({SchemaDifference::Changed, i, *it, changed, true});
    }
    for (int i = 0; i < int(c.target.size()); ++i)
        if (!matched[size_t(i)]) {
            c.differences.push_back({SchemaDifference::ExtraInTarget, -1, i, {}, true});
            if (isParentKind(c.target[size_t(i)].kind))
                wholeObjects.insert(keyOf(c.target[size_t(i)], ignoreOwners), SchemaDifference::ExtraInTarget);
        }
    for (SchemaDifference &d : c.differences)
        for (const QString &parent : parentKeys(c.item(d), ignoreOwners))
            if (d.type != SchemaDifference::Changed && wholeObjects.contains(parent) && wholeObjects.value(parent) == d.type)
                d.listed = false;
    return c;
}

int SchemaComparison::count() const
{
    int n = 0;
    for (const SchemaDifference &d : differences)
        n += d.listed;
    return n;
}

QString SchemaComparison::value(const SchemaDifference &d, const QString &property, bool sourceSide) const
{
    const int index = sourceSide ? d.source : d.target;
    if (index < 0)
        return {};
    for (const auto &[p, v] : (sourceSide ? source : target)[size_t(index)].properties)
        if (p == property)
            return v;
    return {};
}

QString SchemaComparison::ddl(const SchemaDifference &d, bool sourceSide) const
{
    const std::vector<SchemaItem> &items = sourceSide ? source : target;
    int index = sourceSide ? d.source : d.target;
    // A part of a table shows its table on either side, the part there or not.
    const SchemaItem &of = item(d);
    if (of.kind == SchemaItem::Column || of.kind == SchemaItem::Constraint || of.kind == SchemaItem::Index ||
        of.kind == SchemaItem::ForeignKey || of.kind == SchemaItem::Trigger) {
        index = -1;
        for (int i = 0; i < int(items.size()) && index < 0; ++i) {
            const SchemaItem &t = items[size_t(i)];
            if (t.kind == SchemaItem::Table && t.name == of.tableName && (ignoreOwners || t.owner == of.tableOwner))
                index = i;
        }
    }
    if (index < 0)
        return {};
    const SchemaItem &item = items[size_t(index)];
    QString text = item.create + QStringLiteral(";\n");
    if (item.kind == SchemaItem::Table)
        for (const SchemaItem &part : items)
            if (!part.inTable && part.kind != SchemaItem::Grant && part.tableName == item.name &&
                part.tableOwner == item.owner)
                text += QLatin1Char('\n') + part.create + QStringLiteral(";\n");
    return text;
}

SchemaComparison CompareSchemas(TdmDbObjects &source, TdmDbObjects &target, const CompareOptions &options,
                                const std::function<void(bool source)> &reading)
{
    // A table on one side alone is a difference; on neither, a mistyped name.
    const SchemaOptions read{options.table, options.owner, true, !options.ignoreOwners, true};
    if (reading)
        reading(true);
    std::vector<SchemaItem> sourceItems = ReadSchemaItems(source, read);
    if (reading)
        reading(false);
    std::vector<SchemaItem> targetItems = ReadSchemaItems(target, read);
    if (!options.table.isEmpty() && sourceItems.empty() && targetItems.empty())
        throw std::runtime_error(QStringLiteral("No table named %1.").arg(options.table).toStdString());
    return CompareSchemaItems(std::move(sourceItems), std::move(targetItems), options.ignoreOwners);
}

QString SchemaKindName(SchemaItem::Kind kind)
{
    static const char *const names[] = {"role", "database privilege", "role grant", "sequence", "table", "column",
                                        "constraint", "index", "foreign key", "synonym", "view", "routine",
                                        "trigger", "privilege"};
    static_assert(std::size(names) == SchemaItem::KindCount);
    return QString::fromLatin1(names[kind]);
}

QString SchemaKindName(const SchemaItem &item)
{
    return item.kindName.isEmpty() ? SchemaKindName(item.kind) : item.kindName;
}

QString SchemaItemLabel(const SchemaItem &item, bool withOwner)
{
    const auto qualified = [&](const QString &owner, const QString &name) {
        return withOwner && !owner.isEmpty() ? owner + QLatin1Char('.') + name : name;
    };
    const QString own = item.label.isEmpty() ? qualified(item.owner, item.name) : item.label;
    if (item.tableName.isEmpty())
        return oneLine(own);
    return oneLine(qualified(item.tableOwner, item.tableName) + QStringLiteral(": ") + own);
}

QString DifferenceTypeText(SchemaDifference::Type type)
{
    static const char *const types[] = {"missing in target", "extra in target", "changed"};
    return QString::fromLatin1(types[type]);
}

QStringList DifferenceChanges(const SchemaComparison &c, const SchemaDifference &d)
{
    QStringList changes;
    for (const QString &p : d.properties) {
        const QString from = oneLine(c.value(d, p, false)), to = oneLine(c.value(d, p, true));
        changes << (from.size() > kShownValue || to.size() > kShownValue ? p : p + QStringLiteral(": ") + from +
                                                                                   QStringLiteral(" -> ") + to);
    }
    return changes;
}

QString DifferenceReport(const SchemaComparison &c, bool withOwner)
{
    QString text;
    for (const SchemaDifference &d : c.differences) {
        if (!d.listed)
            continue;
        const SchemaItem &item = c.item(d);
        text += DifferenceTypeText(d.type) + QStringLiteral(": ") + SchemaKindName(item) + QLatin1Char(' ') +
                SchemaItemLabel(item, withOwner);
        const QStringList changes = DifferenceChanges(c, d);
        if (!changes.isEmpty())
            text += QStringLiteral(" (") + changes.join(QStringLiteral("; ")) + QLatin1Char(')');
        text += QLatin1Char('\n');
    }
    return text;
}

SchemaScript CompareScript(const SchemaComparison &c, bool drop)
{
    SchemaScript script;
    std::vector<bool> create(c.source.size(), false), remove(c.target.size(), false), modify(c.source.size(), false);
    QHash<QString, int> sourceByKey, targetByKey;  // objects that can own others, keyed by owner and name
    const auto parentKey = [](const QString &owner, const QString &name) { return owner + QChar(0x1f) + name; };
    for (const SchemaDifference &d : c.differences) {
        const SchemaItem &item = c.item(d);
        switch (d.type) {
        case SchemaDifference::MissingInTarget:
            // A new table's columns and keys come with its CREATE TABLE.
            if (d.listed || !item.inTable)
                create[size_t(d.source)] = true;
            break;
        case SchemaDifference::Changed:
            if (item.kind == SchemaItem::Column)
                modify[size_t(d.source)] = true;
            else {
                create[size_t(d.source)] = true;
                remove[size_t(d.target)] = true;
            }
            break;
        case SchemaDifference::ExtraInTarget:
            if (!d.listed)
                break;  // goes with its table
            if (drop)
                remove[size_t(d.target)] = true;
            else
                script.leftAlone << QStringLiteral("extra in target: ") + SchemaKindName(item) + QLatin1Char(' ') +
                                        SchemaItemLabel(item);
            break;
        }
    }
    QHash<QString, int> targetIndex;
    for (int i = 0; i < int(c.target.size()); ++i)
        targetIndex.insert(keyOf(c.target[size_t(i)], c.ignoreOwners), i);
    const auto remake = [&](size_t i) {
        create[i] = true;
        const int t = targetIndex.value(keyOf(c.source[i], c.ignoreOwners), -1);
        if (t >= 0)
            remove[size_t(t)] = true;
    };
    // MODIFY drops the constraints on the column it does not restate: the
    // table's keys that name the column are dropped first and made again,
    // with the foreign keys that point at a key made again.
    QStringList remadeKeyTables;
    for (size_t i = 0; i < c.source.size(); ++i) {
        if (!modify[i])
            continue;
        const SchemaItem &column = c.source[i];
        for (size_t k = 0; k < c.source.size(); ++k) {
            const SchemaItem &key = c.source[k];
            if ((key.kind == SchemaItem::Constraint || key.kind == SchemaItem::ForeignKey) &&
                key.tableOwner == column.tableOwner && key.tableName == column.tableName &&
                key.properties.front().second.contains(column.name, Qt::CaseInsensitive)) {
                remake(k);
                if (key.kind == SchemaItem::Constraint)
                    remadeKeyTables << column.tableName;
            }
        }
    }
    for (size_t k = 0; k < c.source.size(); ++k)
        for (const QString &table : remadeKeyTables)
            if (c.source[k].kind == SchemaItem::ForeignKey && c.source[k].properties.front().second.contains(table))
                remake(k);
    // Views made again take the views that use them along, in the source's order.
    QStringList remadeViews;
    for (int i = 0; i < int(c.source.size()); ++i) {
        const SchemaItem &s = c.source[size_t(i)];
        if (s.kind != SchemaItem::View)
            continue;
        const int t = targetIndex.value(keyOf(s, c.ignoreOwners), -1);
        bool remade = create[size_t(i)];
        for (const QString &name : remadeViews)
            if (!remade && s.create.contains(name, Qt::CaseInsensitive)) {
                remade = true;
                create[size_t(i)] = true;
                if (t >= 0)
                    remove[size_t(t)] = true;
            }
        if (remade && t >= 0)
            remadeViews << s.name;
    }
    // A view, sequence or routine dropped and made again loses its privileges: grant them again.
    for (int i = 0; i < int(c.target.size()); ++i)
        if (remove[size_t(i)] && isParentKind(c.target[size_t(i)].kind))
            targetByKey.insert(parentKey(c.target[size_t(i)].owner, c.target[size_t(i)].name), i);
    for (int i = 0; i < int(c.source.size()); ++i) {
        const SchemaItem &s = c.source[size_t(i)];
        if (s.kind == SchemaItem::Grant && targetByKey.contains(parentKey(s.tableOwner, s.tableName)) &&
            c.target[size_t(targetByKey.value(parentKey(s.tableOwner, s.tableName)))].kind != SchemaItem::Table)
            create[size_t(i)] = true;
    }
    // What goes with a dropped object is not dropped on its own.
    for (int i = 0; i < int(c.target.size()); ++i) {
        const SchemaItem &t = c.target[size_t(i)];
        if (remove[size_t(i)] && !t.tableName.isEmpty() && targetByKey.contains(parentKey(t.tableOwner, t.tableName)) &&
            (t.kind == SchemaItem::Grant || t.kind == SchemaItem::Trigger || t.inTable || t.kind == SchemaItem::Index ||
             t.kind == SchemaItem::ForeignKey))
            remove[size_t(i)] = false;
    }
    Q_UNUSED(sourceByKey);

    const auto statement = [&](const QString &text) { script.text += text + QStringLiteral(";\n\n"); };
    // Drops: privileges first, then from what depends on others to what others depend on.
    static const SchemaItem::Kind dropOrder[] = {
        SchemaItem::Grant, SchemaItem::Trigger, SchemaItem::View, SchemaItem::Routine, SchemaItem::Synonym,
        SchemaItem::ForeignKey, SchemaItem::Index, SchemaItem::Constraint, SchemaItem::Column, SchemaItem::Table,
        SchemaItem::Sequence, SchemaItem::RoleGrant, SchemaItem::DatabaseGrant, SchemaItem::Role};
    for (SchemaItem::Kind kind : dropOrder)
        for (int i = int(c.target.size()) - 1; i >= 0; --i)
            if (remove[size_t(i)] && c.target[size_t(i)].kind == kind)
                statement(c.target[size_t(i)].drop);
    for (int kind = 0; kind < SchemaItem::KindCount; ++kind)
        for (size_t i = 0; i < c.source.size(); ++i) {
            const SchemaItem &s = c.source[i];
            if (s.kind != kind)
                continue;
            if (create[i])
                statement(s.create);
            else if (modify[i])
                statement(s.modify);
        }
    if (!script.leftAlone.isEmpty()) {
        QString note = QStringLiteral("-- Left as it is (run the comparison with dropping to remove):\n");
        for (const QString &line : script.leftAlone)
            note += QStringLiteral("--   ") + oneLine(line) + QLatin1Char('\n');
        script.text = note + QLatin1Char('\n') + script.text;
    }
    return script;
}

void RunSchemaScript(TdmDbObjects &module, const QStringList &statements, const std::atomic<bool> *stop)
{
    DbQuery q(module.session());
    q.setDatabaseName(module.GetDatabaseName());
    const auto run = [&](const QString &sql) {
        q.setSql(sql);
        q.execSQL();
    };
    run(QStringLiteral("begin work"));
    int number = 0;
    try {
        for (const QString &statement : statements) {
            ++number;
            if (stop && *stop)
                throw std::runtime_error("Stopped.");
            run(statement);
        }
        run(QStringLiteral("commit work"));
    } catch (const std::exception &failure) {
        try {
            run(QStringLiteral("rollback work"));
        } catch (const std::exception &) {
            // the first failure is the one to report
        }
        if (stop && *stop)
            throw std::runtime_error("Stopped.");
        throw std::runtime_error(QStringLiteral("Statement %1 failed: %2").arg(number).arg(QString::fromUtf8(failure.what())).toStdString());
    }
}

struct ScratchSchemaDatabase::Data {
    QTemporaryDir dir;
    std::unique_ptr<DbSession> session;
    std::unique_ptr<TdmDbObjects> module;
};

ScratchSchemaDatabase::ScratchSchemaDatabase(const QString &user) : d(std::make_unique<Data>())
{
    if (!d->dir.isValid())
        throw std::runtime_error("Cannot make a temporary folder for the scratch database.");
    const QString folder = d->dir.filePath(QStringLiteral("databases"));
    QDir().mkpath(folder);
    d->session = std::make_unique<DbSession>(d->dir.filePath(QStringLiteral("aliases.conf")));
    auto driver = std::make_unique<EmbeddedDriver>(folder);
    // The engine keeps what it read of a catalog by database name: each scratch database has its own.
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("scratch%1").arg(++counter);
    driver->createDatabase(name, user);
    d->session->registerDriver(std::move(driver));
    d->module = std::make_unique<TdmDbObjects>(*d->session);
    d->module->SetDatabaseName(QStringLiteral("QuodlinScratchSchema"));
    const QByteArray before = qgetenv("DELIMIDENT");
    const bool had = qEnvironmentVariableIsSet("DELIMIDENT");
    qputenv("DELIMIDENT", "y");
    try {
        d->module->Open(QString(), QStringLiteral("local\\") + name, user,
                        QStringLiteral("SERVER NAME=local\r\nDATABASE NAME=") + name + QStringLiteral("\r\nUSER NAME=") +
                            user + QStringLiteral("\r\nPASSWORD="));
    } catch (...) {
        had ? qputenv("DELIMIDENT", before) : qunsetenv("DELIMIDENT");
        throw;
    }
    had ? qputenv("DELIMIDENT", before) : qunsetenv("DELIMIDENT");
}

ScratchSchemaDatabase::~ScratchSchemaDatabase() = default;

TdmDbObjects &ScratchSchemaDatabase::module()
{
    return *d->module;
}

std::unique_ptr<ScratchSchemaDatabase> ScratchSchemaDatabase::fromStatements(const QStringList &statements,
                                                                             const QString &user,
                                                                             const std::atomic<bool> *stop)
{
    std::unique_ptr<ScratchSchemaDatabase> db(new ScratchSchemaDatabase(user));
    RunSchemaScript(db->module(), statements, stop);
    return db;
}

} // namespace quodlin
