#pragma once
// The browser's list page (lvwList): the children of a category or role in
// one of four styles over one model, as large icons, small icons, a list or
// details with columns. Each item carries the index of its node record.
#include <QWidget>

class QListView;
class QStackedLayout;
class QStandardItemModel;
class QTreeView;
class QAbstractItemView;

namespace quodlin {

class TObjectListView : public QWidget {
    Q_OBJECT
public:
    enum Style { LargeIcons = 0, SmallIcons = 1, List = 2, Details = 3 };

    explicit TObjectListView(QWidget *parent = nullptr);

    void setViewStyle(int style);
    int viewStyle() const { return m_style; }

    struct Column {
        QString title;
        int width = 0;  // 0: sized to fit its header
    };
    struct Item {
        QString text;
        QString subItem;  // first sub-item (the details style's second column)
        int image = 0;
        int node = -1;
    };
    // Replaces columns and items; the current item is none afterwards.
    void clear();
    void setContents(const QList<Column> &columns, const QList<Item> &items);
    int count() const;
    QString itemText(int row, int column = 0) const;
    int itemNode(int row) const;
    QStringList columnTitles() const;
    int columnWidth(int column) const;

    // The node of the selected item; -1 when none is selected.
    int selectedNode() const;
    void selectRow(int row);
    QAbstractItemView *currentView() const;

signals:
    // Double-click or Enter on an item.
    void itemActivated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Grid cells as wide as the longest caption needs, for the icon styles.
    void fitGrid();

    QStandardItemModel *m_model;
    QListView *m_iconView;
    QTreeView *m_detailsView;
    QStackedLayout *m_stack;
    int m_style = List;
};

} // namespace quodlin
