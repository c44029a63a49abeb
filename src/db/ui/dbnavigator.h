#pragma once
// The small navigator bar of a data grid: first, prior, next, last, insert,
// delete, edit, post, cancel and refresh over the grid's query. Moves follow
// the grid's current row; changing buttons are enabled only while the query
// is live and editable. Failures go to the error box as the database report.
#include <QToolBar>

#include <array>
#include <functional>

class QTableView;

namespace quodlin {

class DbQuery;
class DbQueryModel;

class TDbNavigator : public QToolBar {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh, ButtonCount };

    explicit TDbNavigator(QWidget *parent = nullptr);

    // The grid and model to act on; null detaches the navigator (all disabled).
    void setGrid(QTableView *grid, DbQueryModel *model);
    // Refresh re-opens the query through this (the window knows its statement).
    void setRefreshHandler(std::function<void()> handler) { m_refresh = std::move(handler); }
    void updateButtons();
    QAction *button(Button b) const { return m_buttons[std::size_t(b)]; }

private:
    void run(Button b);
    DbQuery *query() const;
    int currentRow() const;
    void moveTo(int row);

    QTableView *m_grid = nullptr;
    DbQueryModel *m_model = nullptr;
    std::array<QAction *, ButtonCount> m_buttons{};
    std::function<void()> m_refresh;
};

} // namespace quodlin
