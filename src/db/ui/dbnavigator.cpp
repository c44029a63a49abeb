#include "db/ui/dbnavigator.h"

#include "app/externalprograms.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbquerymodel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QStyle>
#include <QTableView>

namespace quodlin {

TDbNavigator::TDbNavigator(QWidget *parent) : QToolBar(parent)
{
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Spec {
        const char *hint;
        QStyle::StandardPixmap icon;
        const char *text;
    };
    static const std::array<Spec, ButtonCount> specs{{
        {"First record", QStyle::SP_MediaSkipBackward, "|<"},
        {"Prior record", QStyle::SP_MediaSeekBackward, "<"},
        {"Next record", QStyle::SP_MediaSeekForward, ">"},
        {"Last record", QStyle::SP_MediaSkipForward, ">|"},
        {"Insert record", QStyle::SP_FileDialogNewFolder, "+"},
        {"Delete record", QStyle::SP_TrashIcon, "-"},
        {"Edit record", QStyle::SP_FileDialogDetailedView, "^"},
        {"Post edit", QStyle::SP_DialogApplyButton, "ok"},
        {"Cancel edit", QStyle::SP_DialogCancelButton, "x"},
        {"Refresh data", QStyle::SP_BrowserReload, "r"},
    }};
    for (int b = 0; b < ButtonCount; ++b) {
        QAction *a = addAction(style()->standardIcon(specs[b].icon), QString::fromLatin1(specs[b].text));
        a->setToolTip(QString::fromLatin1(specs[b].hint));
        connect(a, &QAction::triggered, this, [this, b] { run(Button(b)); });
        m_buttons[std::size_t(b)] = a;
    }
    updateButtons();
}

void TDbNavigator::setGrid(QTableView *grid, DbQueryModel *model)
{
    if (m_grid && m_grid->selectionModel())
        disconnect(m_grid->selectionModel(), nullptr, this, nullptr);
    m_grid = grid;
    m_model = model;
    if (m_grid && m_grid->selectionModel())
        connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, &TDbNavigator::updateButtons);
    updateButtons();
}

DbQuery *TDbNavigator::query() const { return m_model ? m_model->query() : nullptr; }

int TDbNavigator::currentRow() const
{
    return m_grid && m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : -1;
}

void TDbNavigator::updateButtons()
{
    DbQuery *q = query();
    const bool open = q && q->isOpen() && m_grid;
    const bool live = open && q->canModify();
    const bool editing = live && q->state() != DbQuery::EditState::Browse;
    const int row = currentRow();
    const int rows = m_model ? m_model->rowCount() : 0;
    button(First)->setEnabled(open && row != 0 && rows > 0);
    button(Prior)->setEnabled(open && row > 0);
    button(Next)->setEnabled(open && (row + 1 < rows || (m_model && m_model->canFetchMore({}))));
    button(Last)->setEnabled(open && rows > 0);
    button(Insert)->setEnabled(live);
    button(Delete)->setEnabled(live && row >= 0);
    button(Edit)->setEnabled(live && row >= 0 && !editing);
    button(Post)->setEnabled(editing);
    button(Cancel)->setEnabled(editing);
    button(Refresh)->setEnabled(open && bool(m_refresh));
}

void TDbNavigator::moveTo(int row)
{
    if (!m_grid || !m_model || row < 0)
        return;
    const int column = std::max(0, m_grid->currentIndex().column());
    m_grid->setCurrentIndex(m_model->index(row, column));
}

void TDbNavigator::run(Button b)
{
    DbQuery *q = query();
    if (!q || !q->isOpen() || !m_grid)
        return;
    try {
        const int row = currentRow();
        switch (b) {
        case First: moveTo(0); break;
        case Prior: moveTo(row - 1); break;
        case Next:
            if (row + 1 >= m_model->rowCount() && m_model->canFetchMore({}))
                m_model->fetchMore({});
            moveTo(std::min(row + 1, m_model->rowCount() - 1));
            break;
        case Last:
            // Reads every row: asked for, as the user wants the end.
            while (m_model->canFetchMore({}))
                m_model->fetchMore({});
            moveTo(m_model->rowCount() - 1);
            break;
        case Insert:
            q->append();
            m_model->reset();
            moveTo(q->recNo());
            break;
        case Delete:
            q->gotoBookmark(row);
            q->deleteRecord();
            m_model->reset();
            moveTo(std::min(row, m_model->rowCount() - 1));
            break;
        case Edit:
            q->gotoBookmark(row);
            q->edit();
            break;
        case Post:
            q->post();
            m_model->reset();
            moveTo(row);
            break;
        case Cancel:
            q->cancel();
            m_model->reset();
            moveTo(std::min(row, m_model->rowCount() - 1));
            break;
        case Refresh:
            if (m_refresh)
                m_refresh();
            break;
        case ButtonCount: break;
        }
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TDbNavigator.Click")));
        m_model->reset();
    }
    updateButtons();
}

} // namespace quodlin
