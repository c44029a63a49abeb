#include "db/dbquery.h"

#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbsession.h"
#include "db/sqlparams.h"

#include <algorithm>

namespace quodlin {

namespace {

const QString kClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString kForwardOnly = QStringLiteral("The query reads forward only: earlier rows are gone");

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QVariant DbRowRef::value(const QString &fieldName) const
{
    return m_query.fieldByName(fieldName).valueAt(m_row);
}

// ---- DbField

QVariant DbField::value() const { return valueAt(m_query->m_current); }
bool DbField::isNull() const { return !value().isValid(); }
QString DbField::displayText() const { return displayTextAt(m_query->m_current); }
QString DbField::editText() const { return editTextAt(m_query->m_current); }

QVariant DbField::valueAt(int row) const
{
    if (m_calc) {
        m_query->cell(row, -1);  // raises for a row that is not there
        return row < 0 ? QVariant() : QVariant(m_calc(DbRowRef(*m_query, row)));
    }
    return m_query->cell(row, m_index);
}

QString DbField::displayTextAt(int row) const
{
    const QVariant v = valueAt(row);
    if (m_hook)
        return m_hook(v, DbRowRef(*m_query, row));
    return m_calc ? v.toString() : DbDisplayText(m_column, v, m_query->m_formatting);
}

QString DbField::editTextAt(int row) const
{
    const QVariant v = valueAt(row);
    return m_calc ? v.toString() : DbEditText(m_column, v, m_query->m_formatting);
}

// ---- DbQuery

DbQuery::DbQuery(DbSession &session)
    : m_session(&session)
{
}

DbQuery::DbQuery()
    : DbQuery(DbSession::defaultSession())
{
}

DbQuery::~DbQuery()
{
    close();
    setMaster(nullptr);
    for (DbQuery *d : m_details)
        d->m_master = nullptr;
}

void DbQuery::setSql(const QString &sql)
{
    close();
    m_sql = sql;
}

QStringList DbQuery::paramNames() const
{
    return SqlParamNames(m_sql);
}

void DbQuery::setParam(const QString &name, const QVariant &value)
{
    bool known = false;
    for (const QString &n : paramNames())
        known = known || sameName(n, name);
    if (!known)
        throw DbError(QStringLiteral("Parameter '%1' not found").arg(name));
    for (DbParam &p : m_params) {
        if (sameName(p.name, name)) {
            p.value = value;
            return;
        }
    }
    m_params << DbParam{name, value};
}

QVariant DbQuery::param(const QString &name) const
{
    for (const DbParam &p : m_params)
        if (sameName(p.name, name))
            return p.value;
    return {};
}

void DbQuery::setMaster(DbQuery *master)
{
    for (const DbQuery *q = master; q; q = q->m_master)
        if (q == this)
            throw DbError(QStringLiteral("A query cannot be its own master"));
    if (m_master)
        m_master->m_details.removeAll(this);
    m_master = master;
    if (m_master)
        m_master->m_details << this;
}

DbDatabase &DbQuery::resolveDatabase()
{
    DbDatabase *db = m_session->findDatabase(m_databaseName);
    if (!db)
        throw DbError(QStringLiteral("Unknown database '%1'").arg(m_databaseName));
    db->open();
    return *db;
}

std::unique_ptr<IDbCursor> DbQuery::run(const QString &sql)
{
    DbDatabase &db = resolveDatabase();
    bindFromMaster();
    QList<DbParam> params;
    for (const QString &name : paramNames()) {
        const auto it = std::find_if(m_params.cbegin(), m_params.cend(),
                                     [&](const DbParam &p) { return sameName(p.name, name); });
        if (it == m_params.cend())
            throw DbError(QStringLiteral("No value for parameter '%1'").arg(name));
        params << DbParam{name, it->value};
    }
    auto cursor = db.connection()->execute(sql, params);
    m_rowsAffected = db.connection()->rowsAffected();
    m_database = &db;
    return cursor;
}

void DbQuery::open()
{
    close();
    std::optional<LiveSelect> live = m_live ? AnalyzeLiveSelect(m_sql) : std::nullopt;
    QStringList key;
    bool withRowid = false;
    if (live) {
        IDbConnection *connection = resolveDatabase().connection();
        key = connection->uniqueKey(live->owner, live->table);
        const bool keySelected = !key.isEmpty() && (live->allColumns || std::all_of(key.cbegin(), key.cend(),
            [&](const QString &k) { return live->columns.contains(k, Qt::CaseInsensitive); }));
        if (!keySelected) {
            key.clear();
            withRowid = connection->hasRowids(live->owner, live->table);
        }
    }
    std::unique_ptr<IDbCursor> cursor;
    if (withRowid) {
        // A table the server cannot give ROWIDs for (a fragmented one) is
        // read as written; so is any text the longer form breaks.
        try {
            cursor = run(LiveSelectWithRowid(m_sql, *live));
        } catch (const DbError &) {
            withRowid = false;
        }
    }
    if (!withRowid)
        cursor = run(m_sql);
    if (!cursor) {
        m_database = nullptr;
        throw DbNoResultSet();
    }
    m_formatting = m_database->connection()->formatting();
    m_cursor = std::move(cursor);
    m_open = true;
    m_database->addQuery(this);
    QList<DbColumn> columns = m_cursor->columns();
    if (withRowid && !columns.isEmpty()) {
        m_rowidColumn = int(columns.size()) - 1;
        columns.removeLast();
    }
    buildFields(columns);
    if (live) {
        m_liveSelect = std::move(live);
        m_keyColumns = key;
    }
    m_dropRows = m_forwardOnly && !m_liveSelect;
    m_current = ensureRow(0) ? 0 : -1;
    m_eof = m_current < 0;
    if (m_afterOpen)
        m_afterOpen();
    notifyDetails();
}

void DbQuery::execSQL()
{
    close();
    run(m_sql);
    m_database = nullptr;
}

void DbQuery::close()
{
    m_state = EditState::Browse;
    m_liveSelect.reset();
    m_keyColumns.clear();
    m_cursor.reset();
    if (m_open && m_database)
        m_database->removeQuery(this);
    m_database = nullptr;
    m_open = false;
    m_fields.clear();
    m_rows.clear();
    m_cellRows.clear();
    m_spareCells.clear();
    m_firstKept = 0;
    m_dropRows = false;
    m_rowids.clear();
    m_rowidColumn = -1;
    m_columns.clear();
    m_paddedColumns.clear();
    m_current = -1;
    m_eof = true;
}

void DbQuery::buildFields(const QList<DbColumn> &columns)
{
    m_fields.clear();
    m_columns = columns;
    m_paddedColumns.clear();
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].blankPadded)
            m_paddedColumns.push_back(size_t(i));
    for (const DbColumn &c : columns) {
        auto f = std::unique_ptr<DbField>(new DbField(*this, int(m_fields.size()), c));
        f->m_label = c.name;
        f->m_displayWidth = DbDefaultDisplayWidth(c, m_formatting);
        m_fields.push_back(std::move(f));
    }
    for (const CalculatedField &c : m_calculated) {
        DbColumn column{c.name, DbFieldType::String, c.displayWidth, 0, true, {}};
        // The column index of a calculated field is past the result columns.
        auto f = std::unique_ptr<DbField>(new DbField(*this, int(m_fields.size()), column));
        f->m_label = c.label.isEmpty() ? c.name : c.label;
        f->m_displayWidth = c.displayWidth;
        f->m_calc = c.calc;
        m_fields.push_back(std::move(f));
    }
    if (!m_fieldOrder.isEmpty()) {
        std::vector<std::unique_ptr<DbField>> ordered;
        for (const QString &name : m_fieldOrder) {
            const auto it = std::find_if(m_fields.begin(), m_fields.end(),
                                         [&](const auto &f) { return f && sameName(f->name(), name); });
            if (it != m_fields.end())
                ordered.push_back(std::move(*it));
        }
        m_fields = std::move(ordered);
    }
    for (auto &f : m_fields) {
        const auto it = m_fieldSettings.find(f->name().toLower());
        if (it == m_fieldSettings.end())
            continue;
        const FieldSettings &s = it->second;
        if (s.label)
            f->m_label = *s.label;
        if (s.displayWidth)
            f->m_displayWidth = *s.displayWidth;
        if (s.visible)
            f->m_visible = *s.visible;
        f->m_hook = s.hook;
    }
}

bool DbQuery::ensureRow(int row)
{
    while (row >= m_firstKept + m_rows.size() && m_cursor) {
        if (m_dropRows) {
            if (!fetchCellRow())
                break;
            continue;
        }
        QVariantList values;
        bool more = false;
        try {
            more = m_cursor->fetch(values);
        } catch (...) {
            m_cursor.reset();
            throw;
        }
        if (!more) {
            m_cursor.reset();
            break;
        }
        if (m_rowidColumn >= 0)
            m_rowids << (m_rowidColumn < values.size() ? values.takeAt(m_rowidColumn) : QVariant());
        for (int i = 0; i < values.size() && i < m_columns.size(); ++i)
            if (m_columns[i].blankPadded && values[i].typeId() == QMetaType::QString)
                values[i] = TrimTrailingBlanks(values[i].toString());
        m_rows << std::move(values);
    }
    return row >= m_firstKept && row < m_firstKept + m_rows.size();
}

// Forward only: the rows behind the current one go (their buffers are
// reused) and the next is read as cells.
bool DbQuery::fetchCellRow()
{
    // The common step: the row before the current one goes and the next is
    // read into its buffers where they are, without moving rows about.
    const bool inPlace = m_current == m_firstKept + 1 && m_rows.size() == 2 && m_cellRows.size() == 2;
    if (inPlace) {
        std::swap(m_cellRows[0], m_cellRows[1]);
        m_rows[0].swap(m_rows[1]);
        m_rows[1].clear();
        m_firstKept = m_current;
    } else if (m_current > m_firstKept) {
        const int drop = qMin(m_current - m_firstKept, int(m_rows.size()));
        m_rows.remove(0, drop);
        for (int i = 0; i < drop; ++i) {
            m_spareCells.push_back(std::move(m_cellRows.front()));
            m_cellRows.pop_front();
        }
        m_firstKept = m_current;
    }
    DbCellRow spare;
    if (!inPlace && !m_spareCells.empty()) {
        spare = std::move(m_spareCells.back());
        m_spareCells.pop_back();
    }
    DbCellRow &cells = inPlace ? m_cellRows.back() : spare;
    const auto dropUnread = [this, inPlace] {
        if (inPlace) {
            m_rows.removeLast();
            m_spareCells.push_back(std::move(m_cellRows.back()));
            m_cellRows.pop_back();
        }
    };
    bool more = false;
    try {
        more = m_cursor->fetchCells(cells);
    } catch (...) {
        dropUnread();
        m_cursor.reset();
        throw;
    }
    if (!more) {
        dropUnread();
        m_cursor.reset();
        return false;
    }
    for (const size_t i : m_paddedColumns) {
        if (i >= cells.cells.size())
            break;
        DbCell &c = cells.cells[i];
        if (c.kind == DbCell::Kind::Text)
            while (c.size > 0 && cells.bytes[size_t(c.offset + c.size - 1)] == ' ')
                --c.size;
    }
    if (!inPlace) {
        m_rows << QVariantList();
        m_cellRows.push_back(std::move(spare));
    }
    return true;
}

const DbCellRow *DbQuery::currentCells() const
{
    if (!m_dropRows || m_current < m_firstKept || m_current >= m_firstKept + int(m_cellRows.size()))
        return nullptr;
    return &m_cellRows[size_t(m_current - m_firstKept)];
}

void DbQuery::requireOpen() const
{
    if (!m_open)
        throw DbError(kClosedDataset);
}

const QVariant &DbQuery::cell(int row, int column) const
{
    requireOpen();
    static const QVariant null;
    // An open query without rows reads as NULL, as callers of an empty
    // detail query expect; a row that is not there is an error.
    if (row == -1 && m_rows.isEmpty())
        return null;
    if (row < m_firstKept || row >= m_firstKept + m_rows.size())
        throw DbError(QStringLiteral("No current record"));
    if (column < 0)
        return null;
    QVariantList &values = m_rows[row - m_firstKept];
    if (m_dropRows && values.isEmpty()) {
        const DbCellRow &cells = m_cellRows[size_t(row - m_firstKept)];
        values.reserve(qsizetype(cells.cells.size()));
        for (int i = 0; i < int(cells.cells.size()); ++i)
            values << cells.variant(i);
    }
    return column < values.size() ? values[column] : null;
}

void DbQuery::moveTo(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    notifyDetails();
}

void DbQuery::first()
{
    requireOpen();
    postPending();
    if (m_firstKept > 0)
        throw DbError(kForwardOnly);
    m_eof = !ensureRow(0);
    if (!m_eof)
        moveTo(0);
}

void DbQuery::next()
{
    requireOpen();
    postPending();
    if (m_current >= 0 && ensureRow(m_current + 1)) {
        m_eof = false;
        moveTo(m_current + 1);
    } else {
        m_eof = true;
    }
}

void DbQuery::prior()
{
    requireOpen();
    postPending();
    if (m_current > 0 && m_current - 1 < m_firstKept)
        throw DbError(kForwardOnly);
    if (m_current > 0) {
        m_eof = false;
        moveTo(m_current - 1);
    }
}

void DbQuery::last()
{
    requireOpen();
    postPending();
    const int before = m_current;
    while (ensureRow(m_firstKept + int(m_rows.size()))) {
        if (m_dropRows)
            m_current = m_firstKept + int(m_rows.size()) - 1;  // lets the rows behind go
    }
    m_eof = true;
    if (m_dropRows && m_current != before) {
        const int reached = m_current;
        m_current = before;
        moveTo(reached);
    } else if (!m_rows.isEmpty()) {
        moveTo(m_firstKept + int(m_rows.size()) - 1);
    }
}

bool DbQuery::isEmpty() const
{
    requireOpen();
    return m_firstKept == 0 && !const_cast<DbQuery *>(this)->ensureRow(0);
}

DbBookmark DbQuery::bookmark() const
{
    requireOpen();
    return m_current;
}

void DbQuery::gotoBookmark(DbBookmark bookmark)
{
    requireOpen();
    postPending();
    if (bookmark < m_firstKept)
        throw DbError(kForwardOnly);
    if (!ensureRow(bookmark))
        throw DbError(QStringLiteral("Record not found"));
    m_eof = false;
    moveTo(bookmark);
}

void DbQuery::disableControls()
{
    if (m_disabled++ == 0)
        m_rowWhenDisabled = m_current;
}

void DbQuery::enableControls()
{
    if (m_disabled == 0)
        return;
    if (--m_disabled == 0 && m_current != m_rowWhenDisabled)
        notifyDetails();
}

int DbQuery::fetchMore(int count)
{
    requireOpen();
    const int before = m_firstKept + int(m_rows.size());
    ensureRow(before + count - 1);
    return m_firstKept + int(m_rows.size()) - before;
}

DbField &DbQuery::field(int index) const
{
    requireOpen();
    if (index < 0 || index >= int(m_fields.size()))
        throw DbError(QStringLiteral("Field index out of range"));
    return *m_fields[index];
}

DbField *DbQuery::findField(const QString &name) const
{
    for (const auto &f : m_fields)
        if (sameName(f->name(), name))
            return f.get();
    return nullptr;
}

DbField &DbQuery::fieldByName(const QString &name) const
{
    requireOpen();
    if (DbField *f = findField(name))
        return *f;
    throw DbError(QStringLiteral("Field '%1' not found").arg(name));
}

void DbQuery::setFieldLabel(const QString &field, const QString &label)
{
    m_fieldSettings[field.toLower()].label = label;
    if (DbField *f = findField(field))
        f->m_label = label;
}

void DbQuery::setFieldDisplayWidth(const QString &field, int width)
{
    m_fieldSettings[field.toLower()].displayWidth = width;
    if (DbField *f = findField(field))
        f->m_displayWidth = width;
}

void DbQuery::setFieldVisible(const QString &field, bool visible)
{
    m_fieldSettings[field.toLower()].visible = visible;
    if (DbField *f = findField(field))
        f->m_visible = visible;
}

void DbQuery::setFieldDisplayHook(const QString &field, DbDisplayHook hook)
{
    m_fieldSettings[field.toLower()].hook = hook;
    if (DbField *f = findField(field))
        f->m_hook = std::move(hook);
}

void DbQuery::addCalculatedField(const QString &name, const QString &label, int displayWidth, DbCalcFunction calc)
{
    m_calculated << CalculatedField{name, label, displayWidth, std::move(calc)};
}

void DbQuery::notifyDetails()
{
    if (m_disabled > 0)
        return;
    const QList<DbQuery *> details = m_details;
    for (DbQuery *d : details)
        if (d->isOpen())
            d->open();
}

void DbQuery::bindFromMaster()
{
    if (!m_master || !m_master->isOpen())
        return;
    for (const QString &name : paramNames()) {
        const DbField *f = m_master->findField(name);
        if (!f)
            continue;
        setParam(name, m_master->m_current >= 0 ? f->value() : QVariant());
    }
}

} // namespace quodlin
