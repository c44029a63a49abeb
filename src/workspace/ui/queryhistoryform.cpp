#include "workspace/ui/queryhistoryform.h"

#include "app/dialogs.h"
#include "app/shell.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/sqleditwidget.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace quodlin {

namespace {

const QString kCaption = QStringLiteral("Query History");

QLabel *buddyLabel(const QString &caption, const char *name, QWidget *buddy)
{
    auto *label = new QLabel(caption, buddy->parentWidget());
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmQueryHistory::TfrmQueryHistory(IShell &shell, QWidget *parent) : QDialog(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("frmQueryHistory"));
    setWindowTitle(kCaption);
    resize(900, 600);

    m_edtFilter = new QLineEdit(this);
    m_edtFilter->setObjectName(QStringLiteral("edtFilter"));
    m_edtFilter->setPlaceholderText(QStringLiteral("Text in the statement"));
    m_edtFilter->setClearButtonEnabled(true);
    m_cboConnection = new QComboBox(this);
    m_cboConnection->setObjectName(QStringLiteral("cboConnection"));
    m_cboConnection->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_cboOutcome = new QComboBox(this);
    m_cboOutcome->setObjectName(QStringLiteral("cboOutcome"));
    m_cboOutcome->addItem(QStringLiteral("All"));
    m_cboOutcome->addItem(QStringLiteral("OK"), int(HistoryOutcome::Ok));
    m_cboOutcome->addItem(QStringLiteral("Error"), int(HistoryOutcome::Error));
    m_cboOutcome->addItem(QStringLiteral("Stopped"), int(HistoryOutcome::Stopped));
    auto *filters = new QHBoxLayout;
    filters->addWidget(buddyLabel(QStringLiteral("&Find"), "lblFilter", m_edtFilter));
    filters->addWidget(m_edtFilter, 1);
    filters->addWidget(buddyLabel(QStringLiteral("Co&nnection"), "lblConnection", m_cboConnection));
    filters->addWidget(m_cboConnection);
    filters->addWidget(buddyLabel(QStringLiteral("O&utcome"), "lblOutcome", m_cboOutcome));
    filters->addWidget(m_cboOutcome);

    m_lvHistory = new QTableView(this);
    m_lvHistory->setObjectName(QStringLiteral("lvHistory"));
    m_lvHistory->setModel(&m_model);
    m_lvHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvHistory->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lvHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvHistory->setWordWrap(false);
    m_lvHistory->setShowGrid(false);
    m_lvHistory->verticalHeader()->hide();
    m_lvHistory->verticalHeader()->setDefaultSectionSize(m_lvHistory->fontMetrics().height() + 6);
    m_lvHistory->horizontalHeader()->setStretchLastSection(true);
    m_lvHistory->horizontalHeader()->setHighlightSections(false);
    m_lvHistory->horizontalHeader()->setResizeContentsPrecision(200);
    auto *deleteAction = new QAction(QStringLiteral("Delete"), m_lvHistory);
    deleteAction->setShortcut(QKeySequence::Delete);
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_lvHistory->addAction(deleteAction);
    connect(deleteAction, &QAction::triggered, this, &TfrmQueryHistory::deleteSelected);

    m_rtfStatement = new QPlainTextEdit(this);
    m_rtfStatement->setObjectName(QStringLiteral("rtfStatement"));
    SetupSqlEditor(m_rtfStatement);
    m_rtfStatement->setReadOnly(true);
    // An error's whole message above the statement that caused it.
    m_lblOutcome = new QLabel(this);
    m_lblOutcome->setObjectName(QStringLiteral("lblOutcome"));
    m_lblOutcome->setWordWrap(true);
    m_lblOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *details = new QWidget(this);
    auto *detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->addWidget(m_lblOutcome);
    detailsLayout->addWidget(m_rtfStatement, 1);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_lvHistory);
    splitter->addWidget(details);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    m_lblCount = new QLabel(this);
    m_lblCount->setObjectName(QStringLiteral("lblCount"));
    m_btnOpen = button(QStringLiteral("&Open in Query Window"), "btnOpen", this);
    m_btnOpen->setDefault(true);
    m_btnDelete = button(QStringLiteral("&Delete"), "btnDelete", this);
    m_btnClear = button(QStringLiteral("C&lear..."), "btnClear", this);
    auto *btnClose = button(QStringLiteral("&Close"), "btnClose", this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_lblCount, 1);
    for (QPushButton *b : {m_btnOpen, m_btnDelete, m_btnClear, btnClose})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    // Typing waits for a pause before the store is read again.
    m_filterDelay.setSingleShot(true);
    m_filterDelay.setInterval(150);
    connect(&m_filterDelay, &QTimer::timeout, this, &TfrmQueryHistory::refill);
    connect(m_edtFilter, &QLineEdit::textChanged, this, [this] { m_filterDelay.start(); });
    connect(m_cboConnection, &QComboBox::currentIndexChanged, this, &TfrmQueryHistory::refill);
    connect(m_cboOutcome, &QComboBox::currentIndexChanged, this, &TfrmQueryHistory::refill);
    connect(m_lvHistory->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmQueryHistory::showCurrent);
    connect(m_lvHistory, &QTableView::doubleClicked, this, &TfrmQueryHistory::openSelected);
    connect(m_btnOpen, &QPushButton::clicked, this, &TfrmQueryHistory::openSelected);
    connect(m_btnDelete, &QPushButton::clicked, this, &TfrmQueryHistory::deleteSelected);
    connect(m_btnClear, &QPushButton::clicked, this, &TfrmQueryHistory::clearAll);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    fillConnections();
    refill();
    m_lvHistory->setFocus();
}

void TfrmQueryHistory::showFailure(const std::exception &failure)
{
    Dialogs().message(kCaption, QString::fromLocal8Bit(failure.what()), MessageIcon::Stop, this);
}

void TfrmQueryHistory::fillConnections()
{
    const QString chosen = m_cboConnection->currentData().toString();
    QStringList names;
    try {
        names = HistoryStore().connections();
    } catch (const std::exception &failure) {
        showFailure(failure);
    }
    const QSignalBlocker quiet(m_cboConnection);
    m_cboConnection->clear();
    m_cboConnection->addItem(QStringLiteral("All"), QString());
    for (const QString &name : names)
        m_cboConnection->addItem(name, name);
    m_cboConnection->setCurrentIndex(qMax(0, m_cboConnection->findData(chosen)));
}

void TfrmQueryHistory::refill()
{
    m_filterDelay.stop();
    HistoryFilter filter;
    filter.text = m_edtFilter->text();
    filter.connection = m_cboConnection->currentData().toString();
    if (m_cboOutcome->currentIndex() > 0)
        filter.outcome = HistoryOutcome(m_cboOutcome->currentData().toInt());
    QList<HistoryEntry> entries;
    try {
        entries = HistoryStore().find(filter);
    } catch (const std::exception &failure) {
        showFailure(failure);
    }
    m_model.setEntries(std::move(entries));
    // Sized once, from the first rows: the columns stay put while the user filters.
    if (!m_columnsSized && m_model.rowCount() > 0) {
        m_lvHistory->resizeColumnsToContents();
        m_columnsSized = true;
    }
    m_lblCount->setText(QStringLiteral("%1 statement(s)").arg(m_model.rowCount()));
    selectOnly(0);
    showCurrent();
}

// Not selectRow: that follows the keys held, and the dialog opens with Ctrl+Shift held.
void TfrmQueryHistory::selectOnly(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    m_lvHistory->selectionModel()->setCurrentIndex(
        m_model.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QList<qint64> TfrmQueryHistory::selectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex &index : m_lvHistory->selectionModel()->selectedRows())
        if (const HistoryEntry *entry = m_model.entryAt(index.row()))
            ids << entry->id;
    return ids;
}

void TfrmQueryHistory::showCurrent()
{
    const HistoryEntry *entry = m_model.entryAt(m_lvHistory->currentIndex().row());
    const bool selected = entry && m_lvHistory->selectionModel()->isRowSelected(m_lvHistory->currentIndex().row());
    m_rtfStatement->setPlainText(selected ? entry->text : QString());
    m_lblOutcome->setText(selected && entry->outcome == HistoryOutcome::Error ? HistoryOutcomeText(*entry) : QString());
    m_lblOutcome->setVisible(!m_lblOutcome->text().isEmpty());
    updateButtons();
}

void TfrmQueryHistory::updateButtons()
{
    const bool any = m_lvHistory->selectionModel()->hasSelection();
    m_btnOpen->setEnabled(any);
    m_btnDelete->setEnabled(any);
    m_btnClear->setEnabled(m_model.rowCount() > 0);
}

void TfrmQueryHistory::openSelected()
{
    // Enter typed right after the filter text opens what that text finds.
    if (m_filterDelay.isActive())
        refill();
    const QModelIndex current = m_lvHistory->currentIndex();
    const HistoryEntry *entry = m_model.entryAt(current.row());
    if (!entry || !m_lvHistory->selectionModel()->isRowSelected(current.row()))
        return;
    // The entry's own connection when a browser still holds it.
    for (IChildWindow *child : m_shell.children()) {
        IConnection *connection = child->connection();
        if (connection && connection->isConnected() && connection->ConnectionName() == entry->connection) {
            m_shell.SetCurrentConnection(connection);
            break;
        }
    }
    IQueryWindow *window = m_shell.openQueryWindow();
    auto *query = dynamic_cast<TfrmQuery *>(window);
    if (!query) {
        Dialogs().message(kCaption, QStringLiteral("No connection is open: connect to a database first."),
                          MessageIcon::Information, this);
        return;
    }
    query->sqlEditor()->setPlainText(entry->text);
    accept();
}

void TfrmQueryHistory::deleteSelected()
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty())
        return;
    const int row = m_lvHistory->currentIndex().row();
    try {
        HistoryStore().remove(ids);
    } catch (const std::exception &failure) {
        showFailure(failure);
    }
    fillConnections();
    refill();
    // The selection stays where it was, on the entry that followed.
    selectOnly(qMin(row, m_model.rowCount() - 1));
}

void TfrmQueryHistory::clearAll()
{
    if (Dialogs().question(kCaption, QStringLiteral("Remove every statement from the query history?"),
                           QuestionButtons::YesNo, this)
        != DialogAnswer::Yes)
        return;
    try {
        HistoryStore().clear();
    } catch (const std::exception &failure) {
        showFailure(failure);
    }
    fillConnections();
    refill();
}

} // namespace quodlin
