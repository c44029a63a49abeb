#include "workspace/ui/memorizedqueriesform.h"

#include "app/ui/widgetdialogs.h"
#include "workspace/memorizedqueries.h"

#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quodlin {

TfrmMemorizedQueries::TfrmMemorizedQueries(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMemorizedQueries"));
    setWindowTitle(QStringLiteral("Memorized Queries"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto *group = new QGroupBox(this);
    m_lstItems = new QListWidget(group);
    m_lstItems->setObjectName(QStringLiteral("lstItems"));
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_lstItems);

    m_btnPaste = new QPushButton(QStringLiteral("&Paste"), this);
    m_btnPaste->setObjectName(QStringLiteral("btnPaste"));
    m_btnPaste->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnRemove = new QPushButton(QStringLiteral("&Remove"), this);
    m_btnRemove->setObjectName(QStringLiteral("btnRemove"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_btnPaste);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnRemove);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    connect(m_lstItems, &QListWidget::itemSelectionChanged, this, &TfrmMemorizedQueries::updateButtons);
    connect(m_lstItems, &QListWidget::itemDoubleClicked, this, &TfrmMemorizedQueries::btnPasteClick);
    connect(m_btnPaste, &QPushButton::clicked, this, &TfrmMemorizedQueries::btnPasteClick);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_btnRemove, &QPushButton::clicked, this, &TfrmMemorizedQueries::btnRemoveClick);
    fillList();
    FitTitle(this);
}

void TfrmMemorizedQueries::fillList()
{
    m_lstItems->clear();
    m_lstItems->addItems(MemorizedQueryEntries());
    // Wide enough for the longest description.
    m_lstItems->setMinimumWidth(m_lstItems->sizeHintForColumn(0) + 2 * m_lstItems->frameWidth()
                                + m_lstItems->verticalScrollBar()->sizeHint().width());
    updateButtons();
}

void TfrmMemorizedQueries::updateButtons()
{
    const QListWidgetItem *item = m_lstItems->currentItem();
    const bool selected = item && item->isSelected();
    m_btnPaste->setEnabled(selected);
    m_btnRemove->setEnabled(selected && CanRemoveEntry(item->text()));
}

void TfrmMemorizedQueries::btnPasteClick()
{
    const QListWidgetItem *item = m_lstItems->currentItem();
    if (!item || !item->isSelected())
        return;
    m_chosen = EntryText(item->text(), QDate::currentDate());
    accept();
}

void TfrmMemorizedQueries::btnRemoveClick()
{
    const QListWidgetItem *item = m_lstItems->currentItem();
    if (item && item->isSelected() && CanRemoveEntry(item->text())) {
        RemoveMemorizedQuery(item->text());
        fillList();
    }
    m_lstItems->setFocus();
}

} // namespace quodlin
