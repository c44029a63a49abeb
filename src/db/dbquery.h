#pragma once
// A query object: SQL text with named :parameters, run on a database
// component, with a cursor over its rows and typed fields.
//
// Rows are read from the driver only as the cursor (or a grid) reaches them
// and are kept, so bookmarks, a second walk and going back all work without
// running the statement again. A detail query names a master: while the
// detail is open it is re-run, its parameters taken from the master's
// same-named fields, whenever the master opens or moves (opening a detail
// also takes them). Field labels, widths, visibility and display hooks may be
// set by name before opening; they apply whenever the query opens.
#include "db/dbdriver.h"
#include "db/liveselect.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quodlin {

class DbDatabase;
class DbQuery;
class DbSession;

using DbBookmark = int;

// One row of a query, for display hooks and calculated fields.
class DbRowRef {
public:
    DbRowRef(const DbQuery &query, int row) : m_query(query), m_row(row) {}
    QVariant value(const QString &fieldName) const;
    int row() const { return m_row; }

private:
    const DbQuery &m_query;
    int m_row;
};

using DbDisplayHook = std::function<QString(const QVariant &value, const DbRowRef &row)>;
using DbCalcFunction = std::function<QString(const DbRowRef &row)>;

class DbField {
public:
    const QString &name() const { return m_column.name; }
    DbFieldType type() const { return m_column.type; }
    const DbColumn &column() const { return m_column; }
    int index() const { return m_index; }
    bool isCalculated() const { return bool(m_calc); }
    bool hasDisplayHook() const { return bool(m_hook); }

    bool visible() const { return m_visible; }
    void setVisible(bool on) { m_visible = on; }
    const QString &label() const { return m_label; }
    int displayWidth() const { return m_displayWidth; }

    // Of the current row: NULL when the open query has no rows; DbError when
    // it is closed.
    QVariant value() const;
    bool isNull() const;
    QString displayText() const;   // empty for NULL
    QString editText() const;
    QString asString() const { return editText(); }
    // Sets the current row's value from an edit text (live results; see
    // DbParseEditText). Raises DbError for a text that is no value of the type.
    void setEditText(const QString &text);

    // Of any row the query has read (grids).
    QVariant valueAt(int row) const;
    QString displayTextAt(int row) const;
    QString editTextAt(int row) const;

private:
    friend class DbQuery;
    DbField(DbQuery &query, int index, DbColumn column) : m_query(&query), m_index(index), m_column(std::move(column)) {}

    DbQuery *m_query;
    int m_index;
    DbColumn m_column;
    bool m_visible = true;
    QString m_label;
    int m_displayWidth = 0;
    DbDisplayHook m_hook;
    DbCalcFunction m_calc;
};

class DbQuery {
public:
    explicit DbQuery(DbSession &session);
    DbQuery();  // in the default session
    ~DbQuery();
    DbQuery(const DbQuery &) = delete;
    DbQuery &operator=(const DbQuery &) = delete;

    DbSession &session() const { return *m_session; }
    // The unique name of the database component to run on.
    void setDatabaseName(const QString &name) { m_databaseName = name; }
    const QString &databaseName() const { return m_databaseName; }

    void setSql(const QString &sql);
    const QString &sql() const { return m_sql; }

    QStringList paramNames() const;
    // Raises DbError for a name the SQL text does not hold.
    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const;

    void setMaster(DbQuery *master);
    DbQuery *master() const { return m_master; }

    // Ask for an editable result; set before opening. The result is editable
    // (canModify) when the statement reads one table plainly (liveselect.h).
    void setLive(bool live) { m_live = live; }
    bool live() const { return m_live; }
    bool canModify() const { return m_liveSelect.has_value(); }

    // Keep only the current row while walking forward, so exports and LOAD
    // read results of any size in flat memory; set before opening. Going back
    // (prior, a bookmark behind the current row) then raises DbError. Ignored
    // for a live result, whose rows are edited in place.
    void setForwardOnly(bool on) { m_forwardOnly = on; }
    bool forwardOnly() const { return m_forwardOnly; }
    // The current row as read (DbCellRow), indexed by DbField::index(), while
    // a forward-only query walks: writers format it without a QVariant per
    // value. Null for other queries and without a current row.
    const DbCellRow *currentCells() const;

    // Editing: edit() or append(), set values, then post() or cancel(). Posting
    // or deleting finds the row again by its key and original values and is
    // refused with DbError, changing nothing, when the row is gone, was changed
    // by someone else, or cannot be told apart from another. Moving the cursor
    // posts a pending change; closing drops it.
    enum class EditState { Browse, Edit, Insert };
    EditState state() const { return m_state; }
    void edit();
    void append();
    void setFieldValue(const QString &field, const QVariant &value);
    void post();
    void cancel();
    void deleteRecord();

    // Runs the statement and opens its rows. A statement that returns none has
    // run when this raises DbNoResultSet ("Error creating cursor handle").
    void open();
    // Runs the statement without keeping rows.
    void execSQL();
    void close();
    bool isOpen() const { return m_open; }
    qint64 rowsAffected() const { return m_rowsAffected; }

    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return m_eof; }
    bool isEmpty() const;
    int recNo() const { return m_current; }  // 0-based; -1 without rows

    DbBookmark bookmark() const;
    void gotoBookmark(DbBookmark bookmark);

    // Suspends detail re-runs while a caller walks the rows; the last enable
    // re-runs them once when the cursor ends on another row than it started.
    void disableControls();
    void enableControls();

    // Rows read so far, reading more on request (grids).
    int fetchedRowCount() const { return m_firstKept + int(m_rows.size()); }
    bool allFetched() const { return m_cursor == nullptr; }
    int fetchMore(int count);

    int fieldCount() const { return int(m_fields.size()); }
    DbField &field(int index) const;
    DbField *findField(const QString &name) const;
    // Raises DbError when there is no such field.
    DbField &fieldByName(const QString &name) const;

    // Settings applied to a field of that name at every open.
    void setFieldLabel(const QString &field, const QString &label);
    void setFieldDisplayWidth(const QString &field, int width);
    void setFieldVisible(const QString &field, bool visible);
    void setFieldDisplayHook(const QString &field, DbDisplayHook hook);
    // A string field without a column, its text computed per row.
    void addCalculatedField(const QString &name, const QString &label, int displayWidth, DbCalcFunction calc);
    // Declares the fields a module designer would: at every open the fields are
    // the named result columns and calculated fields in this order; a result
    // column not named gets no field. Empty (the default): every column in
    // result order, then the calculated fields.
    void setFieldOrder(const QStringList &names) { m_fieldOrder = names; }
    // Runs after every successful open, before detail queries follow.
    void setAfterOpen(std::function<void()> handler) { m_afterOpen = std::move(handler); }

    DbFormatting formatting() const { return m_formatting; }
    // The component the open query runs on; null when closed.
    DbDatabase *database() const { return m_database; }

private:
    friend class DbField;
    friend class DbRowRef;
    struct FieldSettings {
        std::optional<QString> label;
        std::optional<int> displayWidth;
        std::optional<bool> visible;
        DbDisplayHook hook;
    };
    struct CalculatedField {
        QString name;
        QString label;
        int displayWidth;
        DbCalcFunction calc;
    };

    DbDatabase &resolveDatabase();
    std::unique_ptr<IDbCursor> run(const QString &sql);
    void buildFields(const QList<DbColumn> &columns);
    bool ensureRow(int row);
    bool fetchCellRow();
    void moveTo(int row);
    void requireOpen() const;
    void notifyDetails();
    void bindFromMaster();
    const QVariant &cell(int row, int column) const;
    void requireModifiable() const;
    void postPending();
    QList<DbColumn> resultColumns() const;
    LiveStatement rowCondition(const QVariantList &original, const QVariant &rowid) const;
    QVariant rowidAt(int row) const;
    SqlNameStyle nameStyle() const;
    void refuseUnlessSingleMatch(const LiveStatement &condition);
    void runLive(const LiveStatement &statement);

    DbSession *m_session;
    QString m_databaseName;
    DbDatabase *m_database = nullptr;
    QString m_sql;
    QList<DbParam> m_params;
    DbQuery *m_master = nullptr;
    QList<DbQuery *> m_details;
    bool m_live = false;
    bool m_forwardOnly = false;

    std::unique_ptr<IDbCursor> m_cursor;
    bool m_open = false;
    std::vector<std::unique_ptr<DbField>> m_fields;
    // Rows m_firstKept... of the result. Forward only, each row is read as
    // cells (m_cellRows beside it) and its QVariants are made on first use.
    mutable QList<QVariantList> m_rows;
    std::deque<DbCellRow> m_cellRows;
    std::vector<DbCellRow> m_spareCells;  // dropped rows' buffers, for reuse
    std::vector<size_t> m_paddedColumns;    // CHAR columns, whose trailing blanks go
    int m_firstKept = 0;         // above 0 only when reading forward only
    bool m_dropRows = false;
    QVariantList m_rowids;     // beside m_rows when live rows are found by ROWID
    int m_rowidColumn = -1;    // the cursor's hidden ROWID column
    int m_current = -1;
    bool m_eof = true;
    qint64 m_rowsAffected = 0;
    int m_disabled = 0;
    int m_rowWhenDisabled = -1;
    DbFormatting m_formatting;
    std::map<QString, FieldSettings> m_fieldSettings;  // by lower-case name
    QList<CalculatedField> m_calculated;
    QStringList m_fieldOrder;
    QList<DbColumn> m_columns;  // the result columns, whether or not they have a field
    std::function<void()> m_afterOpen;
    std::optional<LiveSelect> m_liveSelect;
    QStringList m_keyColumns;
    EditState m_state = EditState::Browse;
    QVariantList m_original;
};

} // namespace quodlin
