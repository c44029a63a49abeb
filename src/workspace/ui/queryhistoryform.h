#pragma once
// The "Query History" dialog: the statements the windows ran, newest first,
// filtered by text, connection and outcome; the chosen statement's whole
// text below; Open in Query Window (also Enter and double-click) opens it in
// a new query window on its connection when that is open, else on the
// current one. Delete removes the selected entries, Clear all of them.
#include "workspace/queryhistory.h"

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace quodlin {

class IShell;

class TfrmQueryHistory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQueryHistory(IShell &shell, QWidget *parent = nullptr);

    // Reads the store again with the filters as they stand.
    void refill();
    void openSelected();
    void deleteSelected();
    void clearAll();

private:
    QList<qint64> selectedIds() const;
    void showCurrent();
    void selectOnly(int row);
    void fillConnections();
    void updateButtons();
    void showFailure(const std::exception &failure);

    IShell &m_shell;
    HistoryTableModel m_model;
    QTimer m_filterDelay;
    bool m_columnsSized = false;
    QLineEdit *m_edtFilter = nullptr;
    QComboBox *m_cboConnection = nullptr;
    QComboBox *m_cboOutcome = nullptr;
    QTableView *m_lvHistory = nullptr;
    QPlainTextEdit *m_rtfStatement = nullptr;
    QLabel *m_lblCount = nullptr;
    QLabel *m_lblOutcome = nullptr;
    QPushButton *m_btnOpen = nullptr;
    QPushButton *m_btnDelete = nullptr;
    QPushButton *m_btnClear = nullptr;
};

} // namespace quodlin
