#pragma once
// The login dialog: alias mode (a database layer alias, user, password) or
// direct mode (Informix server, database, user, password). It remembers the
// user and, when asked, the password per connection, and the servers and
// databases of direct connections; OK builds the connection parameter text.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace quodlin {

class TfrmDbLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDbLogin(QWidget *parent = nullptr);
    ~TfrmDbLogin() override;

    bool directMode() const;
    // After OK: the alias (empty in direct mode), server\database (empty in
    // alias mode), the user and the parameter lines joined by CR LF.
    QString alias() const;
    QString directConnectionName() const { return m_directName; }
    QString user() const;
    QString paramsText() const;

    // Refills the alias list from the database layer, keeping the typed text.
    void FillAliasList();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void cboDbNameChange();
    void cboDDbServerChange();
    void cboDDbDatabaseChange();
    void btnDirectClick();
    void btnOKClick();
    void brnBDECfgClick();
    void btnSetNet32Click();
    void setDirectMode(bool direct);

    QGroupBox *m_grpStandard = nullptr;
    QGroupBox *m_grpDirect = nullptr;
    QComboBox *m_cboDbName = nullptr;
    QLineEdit *m_editDbUser = nullptr;
    QLineEdit *m_editDbPswd = nullptr;
    QComboBox *m_cboDDbServer = nullptr;
    QComboBox *m_cboDDbDatabase = nullptr;
    QLineEdit *m_editDDbUser = nullptr;
    QLineEdit *m_editDDbPswd = nullptr;
    QCheckBox *m_chkSavePassword = nullptr;
    QPushButton *m_btnDirect = nullptr;

    QStringList m_params;
    QString m_directName;
    bool m_changing = false;
    // The alias list failure last shown; activation refills the list, and the
    // same failure must not come back every time its message box closes.
    QString m_aliasError;
};

} // namespace quodlin
