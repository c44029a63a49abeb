#include "db/ui/dblogin.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/programinfo.h"
#include "app/settingdefs.h"
#include "app/ui/comboboxes.h"
#include "db/dberror.h"
#include "db/dbsession.h"
#include "db/loginsettings.h"
#include "db/scramble.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace quodlin {

namespace {

template <class W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QComboBox *editableCombo(const char *name)
{
    auto *combo = named(new QComboBox, name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(180);
    return combo;
}

QLineEdit *passwordEdit(const char *name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void addRow(QFormLayout *form, const QString &caption, QWidget *field)
{
    auto *label = new QLabel(caption);
    label->setBuddy(field);
    form->addRow(label, field);
}

} // namespace

TfrmDbLogin::TfrmDbLogin(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDbLogin"));
    m_grpStandard = named(new QGroupBox, "grpStandard");
    auto *standard = new QFormLayout(m_grpStandard);
    m_cboDbName = editableCombo("cboDbName");
    m_editDbUser = named(new QLineEdit, "editDbUser");
    m_editDbPswd = passwordEdit("editDbPswd");
    addRow(standard, QStringLiteral("DB &Alias"), m_cboDbName);
    addRow(standard, QStringLiteral("&User"), m_editDbUser);
    addRow(standard, QStringLiteral("&Password"), m_editDbPswd);

    m_grpDirect = named(new QGroupBox, "grpDirect");
    auto *direct = new QFormLayout(m_grpDirect);
    m_cboDDbServer = editableCombo("cboDDbServer");
    m_cboDDbDatabase = editableCombo("cboDDbDatabase");
    m_editDDbUser = named(new QLineEdit, "editDDbUser");
    m_editDDbPswd = passwordEdit("editDDbPswd");
    addRow(direct, QStringLiteral("Ser&ver"), m_cboDDbServer);
    addRow(direct, QStringLiteral("&Database"), m_cboDDbDatabase);
    addRow(direct, QStringLiteral("&User"), m_editDDbUser);
    addRow(direct, QStringLiteral("&Password"), m_editDDbPswd);

    m_chkSavePassword = named(new QCheckBox(QStringLiteral("Save Pass&word")), "chkSavePassword");
    auto *btnOK = named(new QPushButton(QStringLiteral("&OK")), "btnOK");
    btnOK->setDefault(true);
    auto *btnCancel = named(new QPushButton(QStringLiteral("&Cancel")), "btnCancel");
    auto *brnBDECfg = named(new QPushButton(QStringLiteral("&BDE Cfg")), "brnBDECfg");
    auto *btnSetNet32 = named(new QPushButton(QStringLiteral("S&etNet32")), "btnSetNet32");
    m_btnDirect = named(new QPushButton(QStringLiteral("Di&rect >>")), "btnDirect");
    for (QPushButton *b : {btnCancel, brnBDECfg, btnSetNet32, m_btnDirect})
        b->setAutoDefault(false);
    // Wide enough for both captions, so switching modes keeps the buttons' column.
    int directWidth = 0;
    for (const QString &caption : {QStringLiteral("<< Standa&rd"), QStringLiteral("Di&rect >>")}) {
        m_btnDirect->setText(caption);
        directWidth = std::max(directWidth, m_btnDirect->sizeHint().width());
    }
    m_btnDirect->setMinimumWidth(directWidth);

    // Both groups share one cell and keep their size while hidden, so
    // switching modes neither moves the controls nor resizes the dialog.
    auto *groups = new QGridLayout;
    groups->setContentsMargins(0, 0, 0, 0);
    for (QGroupBox *group : {m_grpStandard, m_grpDirect}) {
        QSizePolicy policy = group->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        group->setSizePolicy(policy);
        groups->addWidget(group, 0, 0, Qt::AlignTop);
    }
    auto *left = new QVBoxLayout;
    left->addLayout(groups);
    left->addWidget(m_chkSavePassword);
    left->addStretch();
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {btnOK, btnCancel, brnBDECfg, btnSetNet32, m_btnDirect})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize); // a single border: not resizable

    connect(btnOK, &QPushButton::clicked, this, &TfrmDbLogin::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(brnBDECfg, &QPushButton::clicked, this, &TfrmDbLogin::brnBDECfgClick);
    connect(btnSetNet32, &QPushButton::clicked, this, &TfrmDbLogin::btnSetNet32Click);
    connect(m_btnDirect, &QPushButton::clicked, this, &TfrmDbLogin::btnDirectClick);
    connect(m_cboDbName, &QComboBox::currentTextChanged, this, &TfrmDbLogin::cboDbNameChange);
    connect(m_cboDDbServer, &QComboBox::currentTextChanged, this, &TfrmDbLogin::cboDDbServerChange);
    connect(m_cboDDbDatabase, &QComboBox::currentTextChanged, this, &TfrmDbLogin::cboDDbDatabaseChange);
    RefillOnFocus(m_cboDbName, [this] { FillAliasList(); });

    FormCreate();
}

TfrmDbLogin::~TfrmDbLogin() = default;

void TfrmDbLogin::FormCreate()
{
    setWindowTitle(kProgramTitle);
    FillAliasList();
    setDirectMode(false);

    {
        const QSignalBlocker block(m_cboDDbServer);
        m_cboDDbServer->clear();
        m_cboDDbServer->addItems(RememberedServers());
        m_cboDDbServer->setEditText(QString());
    }
    const QString login = GetLoginUserName();
    m_editDbUser->setText(login);
    m_editDDbUser->setText(login);

    const QSignalBlocker blockAlias(m_cboDbName);
    const QSignalBlocker blockServer(m_cboDDbServer);
    const QSignalBlocker blockDatabase(m_cboDDbDatabase);
    if (m_cboDbName->count() > 0)
        m_cboDbName->setCurrentIndex(0);
    if (Settings::read(Settings::LastConnectDirect))
        setDirectMode(true);
    m_chkSavePassword->setChecked(Settings::read(Settings::SavePassword));
    const QString lastAlias = Settings::read(Settings::DbAlias);
    if (const int index = m_cboDbName->findText(lastAlias, Qt::MatchExactly | Qt::MatchCaseSensitive); index >= 0)
        m_cboDbName->setCurrentIndex(index);
    else if (!lastAlias.isEmpty())
        m_cboDbName->setEditText(lastAlias);
    const QString direct = Settings::read(Settings::DirectConnect).trimmed();
    if (!direct.isEmpty()) {
        const QString server = Settings::readConnection(direct, Settings::ConnServerName);
        const QString database = Settings::readConnection(direct, Settings::ConnDatabaseName);
        if (!server.isEmpty())
            m_cboDDbServer->setEditText(server);
        if (!database.isEmpty())
            m_cboDDbDatabase->setEditText(database);
    }
    cboDbNameChange();
    cboDDbServerChange();
}

bool TfrmDbLogin::directMode() const { return !m_grpDirect->isHidden(); }

QString TfrmDbLogin::alias() const { return m_cboDbName->currentText(); }

QString TfrmDbLogin::user() const { return m_editDbUser->text(); }

QString TfrmDbLogin::paramsText() const { return LoginParamsText(m_params); }

void TfrmDbLogin::setDirectMode(bool direct)
{
    m_grpDirect->setHidden(!direct);
    m_grpStandard->setHidden(direct);
    m_btnDirect->setText(direct ? QStringLiteral("<< Standa&rd") : QStringLiteral("Di&rect >>"));
}

void TfrmDbLogin::FillAliasList()
{
    const QString text = m_cboDbName->currentText();
    const QSignalBlocker block(m_cboDbName);
    try {
        SetComboItems(m_cboDbName, DbSession::defaultSession().databaseNames());
        m_aliasError.clear();
    } catch (const std::exception &failure) {
        const QString text =
            QStringLiteral("Borland Database Engine (BDE) or Informix ESQL/C (INET) may not be installed.\r\n")
            + DbErrorReport(failure, QStringLiteral("TfrmDbLogin.FormCreate"));
        if (text != m_aliasError) {
            m_aliasError = text;
            Dialogs().message(QStringLiteral("Error"), text, MessageIcon::Information);
        }
    }
    m_cboDbName->setEditText(text);
}

void TfrmDbLogin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    if (QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TfrmDbLogin::FormShow()
{
    const QList<QWidget *> fields = directMode()
        ? QList<QWidget *>{m_cboDDbServer, m_cboDDbDatabase, m_editDDbUser, m_editDDbPswd}
        : QList<QWidget *>{m_cboDbName, m_editDbUser, m_editDbPswd};
    for (QWidget *field : fields) {
        const QString text = qobject_cast<QComboBox *>(field) ? static_cast<QComboBox *>(field)->currentText()
                                                              : static_cast<QLineEdit *>(field)->text();
        if (text.isEmpty()) {
            field->setFocus();
            return;
        }
    }
    findChild<QPushButton *>(QStringLiteral("btnOK"))->setFocus();
}

bool TfrmDbLogin::event(QEvent *event)
{
    // An alias added with the configuration program shows up without reopening.
    if (event->type() == QEvent::WindowActivate)
        FillAliasList();
    return QDialog::event(event);
}

void TfrmDbLogin::cboDbNameChange()
{
    const QString alias = m_cboDbName->currentText();
    if (alias.trimmed().isEmpty())
        return;
    const QString user = Settings::readConnection(alias, Settings::ConnLoginUser);
    if (!user.isEmpty())
        m_editDbUser->setText(user);
    if (m_chkSavePassword->isChecked())
        m_editDbPswd->setText(ReadScrambled(Settings::readConnection(alias, Settings::ConnLoginPassword)));
}

void TfrmDbLogin::cboDDbServerChange()
{
    if (m_changing)
        return;
    const QString database = m_cboDDbDatabase->currentText();
    {
        const QSignalBlocker block(m_cboDDbDatabase);
        m_cboDDbDatabase->clear();
        m_cboDDbDatabase->addItems(RememberedDatabases(m_cboDDbServer->currentText().trimmed()));
        m_cboDDbDatabase->setEditText(database);
    }
    cboDDbDatabaseChange();
}

void TfrmDbLogin::cboDDbDatabaseChange()
{
    const QString server = m_cboDDbServer->currentText().trimmed();
    const QString database = m_cboDDbDatabase->currentText().trimmed();
    if (m_changing || server.isEmpty() || database.isEmpty())
        return;
    m_changing = true;
    const QString name = DirectConnectionName(server, database);
    auto readOr = [&name](const Settings::StringSetting &s, const QString &current) {
        const QString value = Settings::readConnection(name, s);
        return value.isEmpty() ? current : value;
    };
    const QSignalBlocker blockServer(m_cboDDbServer);
    const QSignalBlocker blockDatabase(m_cboDDbDatabase);
    m_cboDDbServer->setEditText(readOr(Settings::ConnServerName, m_cboDDbServer->currentText()));
    m_cboDDbDatabase->setEditText(readOr(Settings::ConnDatabaseName, m_cboDDbDatabase->currentText()));
    m_editDDbUser->setText(readOr(Settings::ConnLoginUser, m_editDDbUser->text()));
    if (m_chkSavePassword->isChecked())
        m_editDDbPswd->setText(ReadScrambled(Settings::readConnection(name, Settings::ConnLoginPassword)));
    m_changing = false;
}

void TfrmDbLogin::btnDirectClick() { setDirectMode(m_grpDirect->isHidden()); }

void TfrmDbLogin::btnOKClick()
{
    const bool direct = directMode();
    const QList<QWidget *> required = direct
        ? QList<QWidget *>{m_cboDDbServer, m_cboDDbDatabase, m_editDDbUser}
        : QList<QWidget *>{m_cboDbName, m_editDbUser};
    for (QWidget *field : required) {
        const QString text = qobject_cast<QComboBox *>(field) ? static_cast<QComboBox *>(field)->currentText()
                                                              : static_cast<QLineEdit *>(field)->text();
        if (text.trimmed().isEmpty()) {
            field->setFocus();
            return;
        }
    }

    LoginEntry entry;
    entry.direct = direct;
    entry.savePassword = m_chkSavePassword->isChecked();
    {
        const QSignalBlocker blockAlias(m_cboDbName);
        const QSignalBlocker blockServer(m_cboDDbServer);
        const QSignalBlocker blockDatabase(m_cboDDbDatabase);
        if (direct) {
            m_cboDbName->setEditText(QString());
            m_editDbUser->setText(m_editDDbUser->text());
            m_editDbPswd->setText(m_editDDbPswd->text());
            entry.server = m_cboDDbServer->currentText();
            entry.database = m_cboDDbDatabase->currentText();
        } else {
            m_cboDDbServer->setEditText(QString());
            m_cboDDbDatabase->setEditText(QString());
            m_editDDbUser->setText(m_editDbUser->text());
            m_editDDbPswd->setText(m_editDbPswd->text());
            entry.alias = m_cboDbName->currentText();
        }
    }
    entry.user = m_editDbUser->text();
    entry.password = m_editDbPswd->text();
    m_params = LoginParamLines(entry);
    m_directName = direct ? DirectConnectionName(entry.server, entry.database) : QString();
    SaveLoginSettings(entry);
    accept();
}

void TfrmDbLogin::brnBDECfgClick()
{
    try {
        StartDatabaseTool(true);
        FillAliasList();
    } catch (const std::exception &failure) {
        ShowErrorBox(QString::fromUtf8(failure.what()));
    }
}

void TfrmDbLogin::btnSetNet32Click()
{
    try {
        StartSetNet32();
    } catch (const std::exception &failure) {
        ShowErrorBox(QString::fromUtf8(failure.what()));
    }
}

} // namespace quodlin
