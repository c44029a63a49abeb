#include "browser/ui/objectlistview.h"

#include "browser/ui/nodeimages.h"

#include <QHeaderView>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListView>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>

namespace quodlin {

namespace {
constexpr int kNodeRole = Qt::UserRole + 1;
}

TObjectListView::TObjectListView(QWidget *parent)
    : QWidget(parent)
    , m_model(new QStandardItemModel(this))
    , m_iconView(new QListView)
    , m_detailsView(new QTreeView)
    , m_stack(new QStackedLayout(this))
{
    setObjectName(QStringLiteral("lvwList"));
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_iconView->setObjectName(QStringLiteral("lvwListIcons"));
    m_detailsView->setObjectName(QStringLiteral("lvwListDetails"));
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_iconView),
                                    static_cast<QAbstractItemView *>(m_detailsView)}) {
        view->setModel(m_model);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &TObjectListView::itemActivated);
        m_stack->addWidget(view);
    }
    // Both views share one selection, so switching styles keeps the selected item.
    m_detailsView->setSelectionModel(m_iconView->selectionModel());
    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(QListView::Static);
    // Each caption sizes its own item: one uniform size taken from the first
    // item cut longer captions ("Tab...").
    m_iconView->setUniformItemSizes(false);
    setFocusProxy(m_iconView);
    setViewStyle(List);
}

void TObjectListView::setViewStyle(int style)
{
    m_style = style < LargeIcons || style > Details ? List : style;
    switch (m_style) {
    case LargeIcons:
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWrapping(true);
        m_iconView->setIconSize(QSize(32, 32));
        m_iconView->setWordWrap(true);
        break;
    case SmallIcons:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWrapping(true);
        m_iconView->setIconSize(QSize(16, 16));
        break;
    case List:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setFlow(QListView::TopToBottom);
        m_iconView->setWrapping(true);
        m_iconView->setIconSize(QSize(16, 16));
        break;
    default:
        break;
    }
    fitGrid();
    QAbstractItemView *view = currentView();
    const bool hadFocus = m_stack->currentWidget() && m_stack->currentWidget()->hasFocus();
    m_stack->setCurrentWidget(view);
    setFocusProxy(view);
    if (hadFocus)
        view->setFocus();
}

QAbstractItemView *TObjectListView::currentView() const
{
    if (m_style == Details)
        return m_detailsView;
    return m_iconView;
}

void TObjectListView::clear() { m_model->clear(); }

void TObjectListView::setContents(const QList<Column> &columns, const QList<Item> &items)
{
    m_model->clear();
    m_model->setColumnCount(int(columns.size()));
    QStringList titles;
    for (const Column &c : columns)
        titles << c.title;
    m_model->setHorizontalHeaderLabels(titles);
    const bool large = m_style == LargeIcons;
    for (const Item &item : items) {
        QList<QStandardItem *> row;
        auto *first = new QStandardItem(NodeIcon(item.image, large), item.text);
        first->setData(item.node, kNodeRole);
        row << first;
        // Sub-items up to one fewer than there are columns.
        for (qsizetype c = 1; c < columns.size(); ++c)
            row << new QStandardItem(c == 1 ? item.subItem : QString());
        m_model->appendRow(row);
    }
    fitGrid();
    QHeaderView *header = m_detailsView->header();
    for (int c = 0; c < int(columns.size()); ++c) {
        if (columns[c].width > 0) {
            m_detailsView->setColumnWidth(c, columns[c].width);
        } else {
            header->resizeSection(c, header->sectionSizeHint(c));
        }
    }
}

void TObjectListView::fitGrid()
{
    const QFontMetrics metrics(m_iconView->font());
    int widest = 0;
    for (int r = 0; r < m_model->rowCount(); ++r)
        widest = std::max(widest, metrics.horizontalAdvance(m_model->item(r, 0)->text()));
    switch (m_style) {
    case LargeIcons: {
        // Captions wrap under the icon in cells wide enough for most names whole.
        const int width = std::clamp(widest + 16, 96, 320);
        const int lines = std::clamp((widest + width - 17) / (width - 16), 1, 4);
        m_iconView->setGridSize(QSize(width, 44 + lines * metrics.lineSpacing()));
        break;
    }
    case SmallIcons:
        // Icon, gap and margins beside the caption.
        m_iconView->setGridSize(QSize(std::max(widest, 60) + 40, std::max(20, metrics.lineSpacing() + 4)));
        break;
    default:
        m_iconView->setGridSize(QSize());
        break;
    }
}

int TObjectListView::count() const { return m_model->rowCount(); }

QString TObjectListView::itemText(int row, int column) const
{
    const QStandardItem *item = m_model->item(row, column);
    return item ? item->text() : QString();
}

int TObjectListView::itemNode(int row) const
{
    const QStandardItem *item = m_model->item(row, 0);
    return item ? item->data(kNodeRole).toInt() : -1;
}

QStringList TObjectListView::columnTitles() const
{
    QStringList titles;
    for (int c = 0; c < m_model->columnCount(); ++c)
        titles << m_model->headerData(c, Qt::Horizontal).toString();
    return titles;
}

int TObjectListView::columnWidth(int column) const { return m_detailsView->columnWidth(column); }

int TObjectListView::selectedNode() const
{
    const QModelIndexList rows = m_iconView->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : rows)
        if (index.column() == 0)
            return itemNode(index.row());
    return -1;
}

void TObjectListView::selectRow(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    currentView()->setCurrentIndex(index);
    m_iconView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool TObjectListView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit itemActivated();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quodlin
