#include "shell/optionsform.h"

#include "app/externalprograms.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/ui/theme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quodlin {
namespace {

QLineEdit *makeEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

// A labelled row whose accelerator moves the focus to the field.
void addRow(QFormLayout *form, const QString &caption, const char *labelName, QLineEdit *field)
{
    auto *label = new QLabel(caption, field->parentWidget());
    label->setObjectName(QString::fromLatin1(labelName));
    label->setBuddy(field);
    form->addRow(label, field);
}

void makeReadOnly(QLineEdit *edit)
{
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
}

// Shown when the connection has no viewer yet: notepad.exe on Windows, the editor default elsewhere.
QString defaultExplainViewer() { return DefaultEditorSetting(); }

} // namespace

TfrmOptions::TfrmOptions(const QString &connectionName, const QString &loginUser, QWidget *parent)
    : QDialog(parent), m_connectionName(connectionName), m_loginUser(loginUser)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    tabOptions = new QTabWidget(this);
    tabOptions->setObjectName(QStringLiteral("tabOptions"));
    tabOptions->addTab(createGeneralPage(), QStringLiteral("&General"));
    QWidget *display = createDisplayPage();
    tabOptions->addTab(display, QStringLiteral("Dis&play"));
    if (!m_connectionName.isEmpty())
        tabOptions->addTab(createConnectionPage(), QStringLiteral("Connec&tion"));
    tabOptions->setCurrentWidget(display);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &TfrmOptions::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabOptions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    loadSettings();

    if (QScreen *screen = this->screen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
}

QWidget *TfrmOptions::createGeneralPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageGeneral"));
    auto *form = new QFormLayout;
    editEditor = makeEdit(page, "editEditor");
    editIfmxHelp = makeEdit(page, "editIfmxHelp");
    editEditSchema = makeEdit(page, "editEditSchema");
    editInitials = makeEdit(page, "editInitials");
    editInitials->setMaxLength(3);
    addRow(form, QStringLiteral("&External Editor"), "lblEditor", editEditor);
    addRow(form, QStringLiteral("&Informix Help"), "lblIfmxHelp", editIfmxHelp);
    addRow(form, QStringLiteral("&Schema Editor"), "lblEditSchema", editEditSchema);
    addRow(form, QStringLiteral("User I&nitials"), "lblInitials", editInitials);
    spnHistorySize = new QSpinBox(page);
    spnHistorySize->setObjectName(QStringLiteral("spnHistorySize"));
    spnHistorySize->setRange(0, 1000000);
    spnHistorySize->setSingleStep(1000);
    spnHistorySize->setGroupSeparatorShown(true);
    spnHistorySize->setSpecialValueText(QStringLiteral("Off"));
    spnHistorySize->setToolTip(QStringLiteral("Statements the query history keeps (0: none)"));
    auto *historyLabel = new QLabel(QStringLiteral("Histor&y size"), page);
    historyLabel->setObjectName(QStringLiteral("lblHistorySize"));
    historyLabel->setBuddy(spnHistorySize);
    form->addRow(historyLabel, spnHistorySize);

    chkAutoConnect = makeCheck(page, "chkAutoConnect", QStringLiteral("&Auto connect to last database"));
    chkEditOnDblClick = makeCheck(page, "chkEditOnDblClick", QStringLiteral("Call external editor on TreeView double-click"));
    chkEditExplainImmediate = makeCheck(page, "chkEditExplainImmediate", QStringLiteral("Edit explain (SQEXPLN) after execute"));
    chkAutoRefresh = makeCheck(page, "chkAutoRefresh", QStringLiteral("Auto refresh when needed after query execute"));
    chkSaveSettings = makeCheck(page, "chkSaveSettings", QStringLiteral("Save settings on exit"));
    auto *note = new QLabel(QStringLiteral("Use [F11] and [F12] to change between tabs in Object browser and Query form."), page);
    note->setObjectName(QStringLiteral("lblNote"));
    note->setWordWrap(true);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    for (QCheckBox *check : {chkAutoConnect, chkEditOnDblClick, chkEditExplainImmediate, chkAutoRefresh, chkSaveSettings})
        layout->addWidget(check);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

QWidget *TfrmOptions::createDisplayPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageDisplay"));
    chkQuerytogrid = makeCheck(page, "chkQuerytogrid", QStringLiteral("&Query results to grid"));
    chkDisplayOwner = makeCheck(page, "chkDisplayOwner", QStringLiteral("&Display object owner"));
    chkQueryMonoFont = makeCheck(page, "chkQueryMonoFont", QStringLiteral("Query results in mono-spaced font"));

    auto *group = new QGroupBox(QStringLiteral("Display Owner Format"), page);
    group->setObjectName(QStringLiteral("rgrpDisplayOwnerFormat"));
    m_ownerFormat = new QButtonGroup(group);
    auto *groupLayout = new QVBoxLayout(group);
    const QString items[] = {QStringLiteral("objectname (owner)"), QStringLiteral("owner.objectname"),
                             QStringLiteral("\"owner\".objectname")};
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(items[i], group);
        radio->setObjectName(QStringLiteral("rgrpDisplayOwnerFormat_%1").arg(i));
        m_ownerFormat->addButton(radio, i);
        groupLayout->addWidget(radio);
    }

    // Indexed by the setting's value.
    cboTheme = new QComboBox(page);
    cboTheme->setObjectName(QStringLiteral("cboTheme"));
    cboTheme->addItems({QStringLiteral("System"), QStringLiteral("Light"), QStringLiteral("Dark")});
    auto *themeLabel = new QLabel(QStringLiteral("T&heme"), page);
    themeLabel->setObjectName(QStringLiteral("lblTheme"));
    themeLabel->setBuddy(cboTheme);
    auto *themeRow = new QHBoxLayout;
    themeRow->addWidget(themeLabel);
    themeRow->addWidget(cboTheme);
    themeRow->addStretch();

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(chkQuerytogrid);
    layout->addWidget(chkDisplayOwner);
    layout->addWidget(group);
    layout->addWidget(chkQueryMonoFont);
    layout->addLayout(themeRow);
    layout->addStretch();
    return page;
}

QWidget *TfrmOptions::createConnectionPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageConnection"));
    auto *form = new QFormLayout(page);
    editConnID = makeEdit(page, "editConnID");
    editConnUser = makeEdit(page, "editConnUser");
    editConnSqexplnViewer = makeEdit(page, "editConnSqexplnViewer");
    editConnSqexplnFile = makeEdit(page, "editConnSqexplnFile");
    makeReadOnly(editConnID);
    makeReadOnly(editConnUser);
    addRow(form, QStringLiteral("Connection &ID"), "lblConnID", editConnID);
    addRow(form, QStringLiteral("&Login User"), "lblConnUser", editConnUser);
    addRow(form, QStringLiteral("Sqexpln &Viewer"), "lblConnSqexplnViewer", editConnSqexplnViewer);
    addRow(form, QStringLiteral("Sqexpln &File"), "lblConnSqexplnFile", editConnSqexplnFile);
    return page;
}

void TfrmOptions::loadSettings()
{
    editEditor->setText(Settings::read(Settings::Editor));
    editIfmxHelp->setText(Settings::read(Settings::InformixHelpFile));
    editEditSchema->setText(Settings::read(Settings::SchemaEditor));
    editInitials->setText(Settings::read(Settings::Initials));
    chkAutoConnect->setChecked(Settings::read(Settings::AutoConnect));
    chkEditOnDblClick->setChecked(Settings::read(Settings::EditOnDblClick));
    chkEditExplainImmediate->setChecked(Settings::read(Settings::EditExplainImmediate));
    chkAutoRefresh->setChecked(Settings::read(Settings::QueryAutoRefresh));
    chkSaveSettings->setChecked(Settings::read(Settings::SaveSettingsOnExit));
    spnHistorySize->setValue(Settings::read(Settings::HistorySize));
    chkQuerytogrid->setChecked(Settings::read(Settings::QueryResultsToGrid));
    chkDisplayOwner->setChecked(Settings::read(Settings::DisplayOwner));
    chkQueryMonoFont->setChecked(Settings::read(Settings::QueryMonoFont));
    const int theme = Settings::read(Settings::Theme);
    cboTheme->setCurrentIndex(theme >= 0 && theme < cboTheme->count() ? theme : Settings::Theme.def);
    // A value outside the three items (edited by hand) shows the default item.
    QAbstractButton *radio = m_ownerFormat->button(Settings::read(Settings::DisplayOwnerFormat));
    if (!radio)
        radio = m_ownerFormat->button(Settings::DisplayOwnerFormat.def);
    radio->setChecked(true);

    if (m_connectionName.isEmpty())
        return;
    editConnID->setText(m_connectionName);
    editConnUser->setText(m_loginUser);
    // These defaults are only shown; OK stores them.
    editConnSqexplnFile->setText(ReadSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, m_connectionName,
                                                   QString::fromUtf8(Settings::ConnSqexplnFile.name),
                                                   DefaultExplainFile(m_loginUser)));
    editConnSqexplnViewer->setText(ReadSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, m_connectionName,
                                                     QString::fromUtf8(Settings::ConnSqexplnViewer.name),
                                                     defaultExplainViewer()));
}

int TfrmOptions::displayOwnerFormatIndex() const { return m_ownerFormat->checkedId(); }

void TfrmOptions::btnOKClick()
{
    try {
        Settings::write(Settings::Editor, editEditor->text());
        Settings::write(Settings::InformixHelpFile, editIfmxHelp->text());
        Settings::write(Settings::SchemaEditor, editEditSchema->text());
        Settings::write(Settings::Initials, editInitials->text());
        Settings::write(Settings::DisplayOwner, chkDisplayOwner->isChecked());
        Settings::write(Settings::QueryResultsToGrid, chkQuerytogrid->isChecked());
        Settings::write(Settings::AutoConnect, chkAutoConnect->isChecked());
        Settings::write(Settings::EditOnDblClick, chkEditOnDblClick->isChecked());
        Settings::write(Settings::EditExplainImmediate, chkEditExplainImmediate->isChecked());
        Settings::write(Settings::QueryAutoRefresh, chkAutoRefresh->isChecked());
        Settings::write(Settings::QueryMonoFont, chkQueryMonoFont->isChecked());
        Settings::write(Settings::SaveSettingsOnExit, chkSaveSettings->isChecked());
        Settings::write(Settings::HistorySize, spnHistorySize->value());
        Settings::write(Settings::DisplayOwnerFormat, displayOwnerFormatIndex());
        Settings::write(Settings::Theme, cboTheme->currentIndex());
        if (!m_connectionName.isEmpty()) {
            Settings::writeConnection(m_connectionName, Settings::ConnSqexplnFile, editConnSqexplnFile->text());
            Settings::writeConnection(m_connectionName, Settings::ConnSqexplnViewer, editConnSqexplnViewer->text());
        }
    } catch (const SettingsError &e) {
        // The dialog stays open so that nothing typed is lost.
        ShowErrorBox(e.message());
        return;
    }
    ApplyTheme(cboTheme->currentIndex());
    accept();
}

} // namespace quodlin
