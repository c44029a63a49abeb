#pragma once
// Sizes a result grid's columns to the values of the first rows read, each
// at most a third of the view wide, so values show whole without one column
// taking the grid; double-clicking a header edge fits that column. Widths
// the user sets are kept for the query's text while the window lives, and
// come back when the same query runs again.
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTableView;

namespace quodlin {

class DbQueryModel;

class GridColumnSizer : public QObject {
    Q_OBJECT
public:
    // Lives as long as the grid; the grid may show another model meanwhile.
    GridColumnSizer(QTableView *grid, DbQueryModel *model);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void schedule();
    void fit();
    void keep();

    QTableView *m_grid;
    DbQueryModel *m_model;
    QHash<QString, QList<int>> m_kept;
    QString m_key;
    bool m_pending = false;
    bool m_scheduled = false;
    bool m_fitting = false;
};

} // namespace quodlin
