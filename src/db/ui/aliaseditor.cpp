#include "db/ui/aliaseditor.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/programinfo.h"
#include "db/dberror.h"
#include "db/dbsession.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quodlin {

namespace {

constexpr int kAliasRole = Qt::UserRole + 1; // the alias name; empty for a data source

QStringList dataSources(DbSession &session)
{
    IDbDriver *odbc = session.driver(QStringLiteral("ODBC"));
    return odbc ? odbc->dataSources() : QStringList();
}

} // namespace

TfrmAliasEditor::TfrmAliasEditor(DbSession &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("frmAliasEditor"));
    setWindowTitle(QStringLiteral("Database Configuration"));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("lvwAliases"));
    auto *btnAdd = new QPushButton(QStringLiteral("&Add..."));
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    m_btnEdit = new QPushButton(QStringLiteral("&Edit..."));
    m_btnEdit->setObjectName(QStringLiteral("btnEdit"));
    m_btnRemove = new QPushButton(QStringLiteral("&Remove"));
    m_btnRemove->setObjectName(QStringLiteral("btnRemove"));
    auto *btnClose = new QPushButton(QStringLiteral("&Close"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {btnAdd, m_btnEdit, m_btnRemove, btnClose})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Aliases in %1").arg(m_session.aliasFile())));
    left->addWidget(m_list);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    resize(520, 320);

    connect(btnAdd, &QPushButton::clicked, this, &TfrmAliasEditor::addAlias);
    connect(m_btnEdit, &QPushButton::clicked, this, &TfrmAliasEditor::editAlias);
    connect(m_btnRemove, &QPushButton::clicked, this, &TfrmAliasEditor::removeAlias);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this, &TfrmAliasEditor::updateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TfrmAliasEditor::editAlias);
    reload();
}

void TfrmAliasEditor::reload()
{
    m_list->clear();
    try {
        m_config = m_session.aliasConfig();
    } catch (const std::exception &failure) {
        // A malformed file is shown, never rewritten: the user fixes it by hand.
        Dialogs().message(QStringLiteral("Error"), DbErrorReport(failure, QStringLiteral("TfrmAliasEditor.Load")),
                          MessageIcon::Information, this);
        m_config = AliasConfig();
        m_list->setEnabled(false);
        updateButtons();
        return;
    }
    for (const DbAlias &alias : m_config.aliases) {
        auto *item = new QListWidgetItem(QStringLiteral("%1  (%2)").arg(alias.name, alias.driver), m_list);
        item->setData(kAliasRole, alias.name);
    }
    for (const QString &source : dataSources(m_session)) {
        if (m_config.find(source))
            continue;
        auto *item = new QListWidgetItem(QStringLiteral("%1  (ODBC data source)").arg(source), m_list);
        item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    updateButtons();
}

void TfrmAliasEditor::updateButtons()
{
    QListWidgetItem *item = m_list->currentItem();
    const bool editable = item && !item->data(kAliasRole).toString().isEmpty();
    m_btnEdit->setEnabled(editable);
    m_btnRemove->setEnabled(editable);
}

QString TfrmAliasEditor::checkAlias(const AliasConfig &config, const DbAlias &alias, const QString &original)
{
    const QString name = alias.name.trimmed();
    if (name.isEmpty())
        return QStringLiteral("The alias needs a name.");
    if (name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("An alias name cannot hold [, ] or \\.");
    const DbAlias *other = config.find(name);
    if (other && other->name.compare(original, Qt::CaseInsensitive) != 0)
        return QStringLiteral("An alias named %1 exists already.").arg(name);
    for (const QString &line : alias.params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.left(eq).trimmed().isEmpty())
            return QStringLiteral("Parameter lines read NAME=value: %1").arg(line);
        if (line.left(eq).trimmed().compare(QLatin1String("DRIVER"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("The driver is chosen above, not as a parameter line.");
    }
    if (alias.driver == QLatin1String("EMBEDDED") && DbParamValue(alias.params, QStringLiteral("DATABASE NAME")).trimmed().isEmpty())
        return QStringLiteral("An embedded alias needs a DATABASE NAME line.");
    if (alias.driver == QLatin1String("ODBC") && DbParamValue(alias.params, QStringLiteral("DSN")).trimmed().isEmpty()
        && DbParamValue(alias.params, QStringLiteral("CONNECTION STRING")).trimmed().isEmpty())
        return QStringLiteral("An ODBC alias needs a DSN or CONNECTION STRING line.");
    return {};
}

bool TfrmAliasEditor::editInForm(DbAlias &alias, const QString &original)
{
    QDialog form(this);
    form.setObjectName(QStringLiteral("frmAlias"));
    form.setWindowTitle(original.isEmpty() ? QStringLiteral("New Alias") : QStringLiteral("Edit Alias"));
    auto *editName = new QLineEdit(alias.name);
    editName->setObjectName(QStringLiteral("editAliasName"));
    auto *cboDriver = new QComboBox;
    cboDriver->setObjectName(QStringLiteral("cboDriver"));
    cboDriver->addItems({QStringLiteral("EMBEDDED"), QStringLiteral("ODBC")});
    cboDriver->setCurrentText(alias.driver.isEmpty() ? QStringLiteral("EMBEDDED") : alias.driver);
    auto *memoParams = new QPlainTextEdit(alias.params.join(QLatin1Char('\n')));
    memoParams->setObjectName(QStringLiteral("memoParams"));
    memoParams->setPlaceholderText(QStringLiteral("DATABASE NAME=mydb   (embedded)\nDSN=mysource   (ODBC)"));
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *layout = new QFormLayout(&form);
    layout->addRow(QStringLiteral("&Name"), editName);
    layout->addRow(QStringLiteral("&Driver"), cboDriver);
    layout->addRow(QStringLiteral("&Parameters"), memoParams);
    layout->addRow(box);
    connect(box, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    connect(box, &QDialogButtonBox::accepted, &form, [&] {
        DbAlias candidate{editName->text().trimmed(), cboDriver->currentText(), {}};
        for (const QString &line : memoParams->toPlainText().split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty())
                candidate.params << line.trimmed();
        const QString problem = checkAlias(m_config, candidate, original);
        if (!problem.isEmpty()) {
            Dialogs().message(QStringLiteral("Error"), problem, MessageIcon::Information, &form);
            return;
        }
        alias = candidate;
        form.accept();
    });
    return form.exec() == QDialog::Accepted;
}

bool TfrmAliasEditor::save(const AliasConfig &config)
{
    try {
        config.save(m_session.aliasFile());
        return true;
    } catch (const std::exception &failure) {
        Dialogs().message(QStringLiteral("Error"), DbErrorReport(failure, QStringLiteral("TfrmAliasEditor.Save")),
                          MessageIcon::Information, this);
        return false;
    }
}

void TfrmAliasEditor::addAlias()
{
    DbAlias alias{{}, QStringLiteral("EMBEDDED"), {}};
    if (!editInForm(alias, {}))
        return;
    AliasConfig config = m_config;
    config.aliases << alias;
    if (save(config))
        reload();
}

void TfrmAliasEditor::editAlias()
{
    QListWidgetItem *item = m_list->currentItem();
    const QString name = item ? item->data(kAliasRole).toString() : QString();
    const DbAlias *found = m_config.find(name);
    if (!found)
        return;
    DbAlias alias = *found;
    if (!editInForm(alias, name))
        return;
    AliasConfig config = m_config;
    for (DbAlias &a : config.aliases)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0)
            a = alias;
    if (save(config))
        reload();
}

void TfrmAliasEditor::removeAlias()
{
    QListWidgetItem *item = m_list->currentItem();
    const QString name = item ? item->data(kAliasRole).toString() : QString();
    if (name.isEmpty())
        return;
    if (Dialogs().question(QStringLiteral("Confirm"),
                           QStringLiteral("Remove the alias %1? Its database stays where it is.").arg(name),
                           QuestionButtons::YesNo, this) != DialogAnswer::Yes)
        return;
    AliasConfig config = m_config;
    config.aliases.removeIf([&name](const DbAlias &a) { return a.name.compare(name, Qt::CaseInsensitive) == 0; });
    if (save(config))
        reload();
}

void InstallAliasEditorAsDatabaseTool()
{
    // Modal either way: the dialog is "run and waited for" by its callers.
    SetDatabaseToolLauncher([](bool) {
        TfrmAliasEditor editor(DbSession::defaultSession(), QApplication::activeWindow());
        editor.exec();
    });
}

} // namespace quodlin
