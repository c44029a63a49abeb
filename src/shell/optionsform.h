#pragma once
// The Options dialog: edits the preferences of the main section and, when a
// connection is current, that connection's explain file and viewer. OK writes
// every value; Cancel writes nothing.
#include <QDialog>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace quodlin {

class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // An empty connection name: no Connection page and no per-connection values.
    explicit TfrmOptions(const QString &connectionName = {}, const QString &loginUser = {},
                         QWidget *parent = nullptr);

    int displayOwnerFormatIndex() const;

private:
    QWidget *createGeneralPage();
    QWidget *createDisplayPage();
    QWidget *createConnectionPage();
    void loadSettings();
    void btnOKClick();

    QString m_connectionName;
    QString m_loginUser;

    QTabWidget *tabOptions = nullptr;
    QLineEdit *editEditor = nullptr;
    QLineEdit *editIfmxHelp = nullptr;
    QLineEdit *editEditSchema = nullptr;
    QLineEdit *editInitials = nullptr;
    QCheckBox *chkAutoConnect = nullptr;
    QCheckBox *chkEditOnDblClick = nullptr;
    QCheckBox *chkEditExplainImmediate = nullptr;
    QCheckBox *chkAutoRefresh = nullptr;
    QCheckBox *chkSaveSettings = nullptr;
    QSpinBox *spnHistorySize = nullptr;
    QCheckBox *chkQuerytogrid = nullptr;
    QCheckBox *chkDisplayOwner = nullptr;
    QButtonGroup *m_ownerFormat = nullptr;
    QCheckBox *chkQueryMonoFont = nullptr;
    QComboBox *cboTheme = nullptr;
    QLineEdit *editConnID = nullptr;
    QLineEdit *editConnUser = nullptr;
    QLineEdit *editConnSqexplnViewer = nullptr;
    QLineEdit *editConnSqexplnFile = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
};

} // namespace quodlin
