#include "output/ui/finddialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quodlin {

namespace {

template <class W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TFindDialog::TFindDialog(bool replace, QWidget *parent) : QDialog(parent), m_replace(replace)
{
    setObjectName(replace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    setModal(false);

    auto *fields = new QFormLayout;
    m_editFind = named(new QLineEdit(this), "editFind");
    fields->addRow(tr("Fi&nd what:"), m_editFind);
    if (replace) {
        m_editReplace = named(new QLineEdit(this), "editReplace");
        fields->addRow(tr("Re&place with:"), m_editReplace);
    }

    m_chkWholeWord = named(new QCheckBox(tr("Match &whole word only"), this), "chkWholeWord");
    m_chkWholeWord->setEnabled(false);
    m_chkMatchCase = named(new QCheckBox(tr("Match &case"), this), "chkMatchCase");
    auto *direction = named(new QGroupBox(tr("Direction"), this), "grpDirection");
    m_rbUp = named(new QRadioButton(tr("&Up"), direction), "rbUp");
    m_rbDown = named(new QRadioButton(tr("&Down"), direction), "rbDown");
    m_rbDown->setChecked(true);
    auto *directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_rbUp);
    directionLayout->addWidget(m_rbDown);
    // The replace dialog always searches down.
    direction->setEnabled(!replace);

    auto *options = new QHBoxLayout;
    auto *checks = new QVBoxLayout;
    checks->addWidget(m_chkWholeWord);
    checks->addWidget(m_chkMatchCase);
    options->addLayout(checks);
    options->addWidget(direction);

    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch();

    auto *buttons = new QDialogButtonBox(Qt::Vertical, this);
    auto *findNext = named(buttons->addButton(tr("&Find Next"), QDialogButtonBox::ActionRole), "btnFindNext");
    findNext->setDefault(true);
    connect(findNext, &QPushButton::clicked, this, [this] { press(Button::FindNext); });
    if (replace) {
        auto *one = named(buttons->addButton(tr("&Replace"), QDialogButtonBox::ActionRole), "btnReplace");
        auto *all = named(buttons->addButton(tr("Replace &All"), QDialogButtonBox::ActionRole), "btnReplaceAll");
        connect(one, &QPushButton::clicked, this, [this] { press(Button::Replace); });
        connect(all, &QPushButton::clicked, this, [this] { press(Button::ReplaceAll); });
    }
    named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(buttons);
    auto enable = [this, findNext] {
        const bool any = !m_editFind->text().isEmpty();
        for (QPushButton *b : findChildren<QPushButton *>())
            if (b->objectName() != QLatin1String("btnCancel"))
                b->setEnabled(any);
        findNext->setEnabled(any);
    };
    connect(m_editFind, &QLineEdit::textChanged, this, enable);
    enable();
}

QString TFindDialog::findText() const { return m_editFind->text(); }
QString TFindDialog::replaceText() const { return m_editReplace ? m_editReplace->text() : QString(); }
bool TFindDialog::matchCase() const { return m_chkMatchCase->isChecked(); }
bool TFindDialog::down() const { return m_replace || m_rbDown->isChecked(); }

void TFindDialog::execute()
{
    show();
    raise();
    activateWindow();
    m_editFind->setFocus();
    m_editFind->selectAll();
}

void TFindDialog::press(Button button)
{
    m_pressed = button;
    emit activated();
}

} // namespace quodlin
