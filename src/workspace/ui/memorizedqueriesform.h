#pragma once
// The "Memorized Queries" dialog: the four templates and the memorized
// queries in one list; Paste returns the chosen text, Remove deletes a
// memorized query (never a template).
#include <QDialog>

class QListWidget;
class QPushButton;

namespace quodlin {

class TfrmMemorizedQueries : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMemorizedQueries(QWidget *parent = nullptr);
    // The text of the pasted entry (after the dialog closed with OK).
    const QString &chosenText() const { return m_chosen; }

    void fillList();
    void updateButtons();
    void btnPasteClick();
    void btnRemoveClick();

private:
    QListWidget *m_lstItems = nullptr;
    QPushButton *m_btnPaste = nullptr;
    QPushButton *m_btnCancel = nullptr;
    QPushButton *m_btnRemove = nullptr;
    QString m_chosen;
};

} // namespace quodlin
