#pragma once
// A table model over a query for grids: one column per visible field, rows
// read from the query in chunks as the view scrolls to them, never all at
// once. Display role = display text, edit role = edit text; the header shows
// the field labels. Call reset() after the query opened, closed or changed
// its fields.
#include <QAbstractTableModel>

namespace quodlin {

class DbQuery;

class DbQueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFetchChunk = 100;

    explicit DbQueryModel(DbQuery *query = nullptr, QObject *parent = nullptr);

    void setQuery(DbQuery *query);
    DbQuery *query() const { return m_query; }
    void reset();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Editable when the query is live: an edit puts the row in edit state;
    // posting stays with the caller (navigator). A refused text leaves the
    // value as it was and its reason in lastError().
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    const QString &lastError() const { return m_lastError; }
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void collectFields();

    DbQuery *m_query = nullptr;
    QList<int> m_fields;  // indices of the visible fields; the query owns them
    int m_rows = 0;
    // Views and testers may ask for more rows while the model announces a
    // change; those requests wait for the next call.
    bool m_changing = false;
    QString m_lastError;
};

} // namespace quodlin
