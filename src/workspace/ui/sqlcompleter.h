#pragma once
// The completion popup of an SQL editor. Ctrl+Space, the Edit menu's
// Complete Word and a typed '.' ask the core (workspace/completion.h) what
// fits at the caret and list it with each entry's kind and type; typing
// narrows the list, Up/Down/Page keys move in it, Enter or Tab (or a click)
// insert the entry, Esc closes it. The keyboard stays with the editor
// throughout: the popup is a window that never takes the focus.
#include <QAbstractTableModel>
#include <QObject>

#include <functional>
#include <memory>

#include "workspace/completion.h"

class QPlainTextEdit;
class QTreeView;

namespace quodlin {

class CatalogSnapshot;

// The entries as rows of name, kind and type.
class CompletionListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setEntries(QList<CompletionEntry> entries);
    const CompletionEntry *entry(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<CompletionEntry> m_entries;
};

class SqlCompleter : public QObject {
    Q_OBJECT
public:
    using CatalogSource = std::function<std::shared_ptr<const CatalogSnapshot>()>;
    // Attaches to `editor` (and goes with it); `catalog` gives the snapshot
    // of the editor's connection at the time of asking, null when none.
    SqlCompleter(QPlainTextEdit *editor, CatalogSource catalog);
    // The completer attached to an editor; null when none.
    static SqlCompleter *of(const QPlainTextEdit *editor);

    // Opens the popup for the word at the caret; nothing fits, nothing opens.
    void complete();
    QTreeView *popup() const { return m_popup; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(class QKeyEvent *key);
    // Recomputes the entries at the caret; false when the popup should close.
    bool update();
    void showPopup();
    void insertCurrent();
    void hidePopup();

    QPlainTextEdit *m_editor;
    CatalogSource m_catalog;
    QTreeView *m_popup;
    CompletionListModel *m_model;
    int m_start = -1;
};

} // namespace quodlin
