#include "db/ui/gridcolumns.h"

#include "db/dbquery.h"
#include "db/dbquerymodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

namespace quodlin {

GridColumnSizer::GridColumnSizer(QTableView *grid, DbQueryModel *model)
    : QObject(grid), m_grid(grid), m_model(model)
{
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_key = m_model->query() ? m_model->query()->sql() : QString();
        m_pending = true;
        schedule();
    });
    // Rows arrive after the reset, at once or when the view asks for them.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_pending)
            schedule();
    });
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, &GridColumnSizer::keep);
    grid->installEventFilter(this);
}

bool GridColumnSizer::eventFilter(QObject *watched, QEvent *event)
{
    if (m_pending && (event->type() == QEvent::Show || event->type() == QEvent::Resize))
        schedule();
    return QObject::eventFilter(watched, event);
}

void GridColumnSizer::schedule()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        fit();
    });
}

void GridColumnSizer::fit()
{
    // A hidden grid has no width to take a third of; it fits when it shows.
    if (m_grid->model() != m_model || m_model->columnCount() == 0 || !m_grid->isVisible())
        return;
    m_fitting = true;
    const int columns = m_model->columnCount();
    const QList<int> kept = m_kept.value(m_key);
    if (kept.size() == columns) {
        for (int c = 0; c < columns; ++c)
            m_grid->setColumnWidth(c, kept[c]);
    } else {
        const int cap = m_grid->viewport()->width() / 3;
        for (int c = 0; c < columns; ++c) {
            m_grid->resizeColumnToContents(c);
            if (m_grid->columnWidth(c) > cap)
                m_grid->setColumnWidth(c, cap);
        }
    }
    m_fitting = false;
    if (m_model->rowCount() > 0)
        m_pending = false;
}

void GridColumnSizer::keep()
{
    if (m_fitting || m_grid->model() != m_model || m_key.isEmpty())
        return;
    QList<int> widths;
    for (int c = 0; c < m_model->columnCount(); ++c)
        widths << m_grid->columnWidth(c);
    m_kept[m_key] = widths;
}

} // namespace quodlin
