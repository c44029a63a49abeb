#include "workspace/ui/schemacompareform.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/outputfile.h"
#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/ui/theme.h"
#include "db/dbsession.h"
#include "db/loginsettings.h"
#include "db/scramble.h"
#include "workspace/ui/sqleditwidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quodlin {

namespace {

template <class W> W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

// Marks the given lines of an editor with a tint that suits the palette.
void markEditorLines(QPlainTextEdit *editor, const std::vector<int> &lines, bool sourceSide)
{
    const bool dark = IsDarkPalette(editor->palette());
    const QColor tint = sourceSide ? (dark ? QColor(0x23, 0x4d, 0x2a) : QColor(0xd8, 0xf5, 0xd0))
                                   : (dark ? QColor(0x5c, 0x26, 0x26) : QColor(0xfb, 0xd9, 0xd9));
    QList<QTextEdit::ExtraSelection> marks;
    for (int line : lines) {
        const QTextBlock block = editor->document()->findBlockByNumber(line);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        mark.format.setBackground(tint);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << mark;
    }
    editor->setExtraSelections(marks);
}

} // namespace

TfrmCompareSchema::TfrmCompareSchema(std::function<void(const QString &)> openScript, const QString &alias,
                                     const QString &user, QWidget *parent)
    : QDialog(parent), m_openScript(std::move(openScript))
{
    setObjectName(QStringLiteral("frmCompareSchema"));
    setWindowTitle(QStringLiteral("Compare Schema"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);

    auto *sides = new QHBoxLayout;
    sides->addWidget(createSide(QStringLiteral("Source"), QStringLiteral("Source"), m_source), 1);
    sides->addWidget(createSide(QStringLiteral("Target"), QStringLiteral("Target"), m_target), 1);

    m_chkIgnoreOwners = named(new QCheckBox(QStringLiteral("&Ignore owners")), QStringLiteral("chkIgnoreOwners"));
    m_editOwner = named(new QLineEdit, QStringLiteral("editOwner"));
    m_editOwner->setMaximumWidth(160);
    auto *lblOwner = named(new QLabel(QStringLiteral("O&wner only")), QStringLiteral("lblOwner"));
    lblOwner->setBuddy(m_editOwner);
    m_chkDrop = named(new QCheckBox(QStringLiteral("&Drop extras")), QStringLiteral("chkDrop"));
    m_chkDrop->setToolTip(QStringLiteral("The script drops what only the target has"));
    m_btnCompare = named(new QPushButton(QStringLiteral("&Compare")), QStringLiteral("btnCompare"));
    m_btnCompare->setDefault(true);
    auto *options = new QHBoxLayout;
    options->addWidget(m_chkIgnoreOwners);
    options->addSpacing(12);
    options->addWidget(lblOwner);
    options->addWidget(m_editOwner);
    options->addSpacing(12);
    options->addWidget(m_chkDrop);
    options->addStretch();
    options->addWidget(m_btnCompare);

    m_progressLine = named(new QWidget, QStringLiteral("pnlProgress"));
    auto *progress = new QHBoxLayout(m_progressLine);
    progress->setContentsMargins(0, 0, 0, 0);
    m_lblProgress = named(new QLabel, QStringLiteral("lblProgress"));
    auto *btnStop = named(new QPushButton(QStringLiteral("Stop")), QStringLiteral("btnStop"));
    btnStop->setToolTip(QStringLiteral("Stop the comparison (Esc)"));
    progress->addWidget(m_lblProgress, 1);
    progress->addWidget(btnStop);
    m_progressLine->setVisible(false);

    m_tvDifferences = named(new QTreeWidget, QStringLiteral("tvDifferences"));
    m_tvDifferences->setHeaderHidden(true);
    m_tvDifferences->setColumnCount(1);
    m_tvDifferences->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tvDifferences->header()->setStretchLastSection(false);

    const auto ddlPane = [](const QString &name, QLabel *&label, QPlainTextEdit *&editor) {
        auto *pane = new QWidget;
        auto *layout = new QVBoxLayout(pane);
        layout->setContentsMargins(0, 0, 0, 0);
        label = named(new QLabel, QStringLiteral("lbl") + name);
        editor = named(new QPlainTextEdit, QStringLiteral("rtf") + name);
        SetupSqlEditor(editor);
        editor->setReadOnly(true);
        editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        layout->addWidget(label);
        layout->addWidget(editor, 1);
        return pane;
    };
    auto *ddl = named(new QSplitter(Qt::Horizontal), QStringLiteral("splitterDdl"));
    ddl->addWidget(ddlPane(QStringLiteral("SourceDdl"), m_lblSourceDdl, m_rtfSourceDdl));
    ddl->addWidget(ddlPane(QStringLiteral("TargetDdl"), m_lblTargetDdl, m_rtfTargetDdl));
    auto *results = named(new QSplitter(Qt::Horizontal), QStringLiteral("splitterResults"));
    results->addWidget(m_tvDifferences);
    results->addWidget(ddl);
    results->setStretchFactor(0, 2);
    results->setStretchFactor(1, 5);
    results->setChildrenCollapsible(false);
    results->setSizes({380, 720});

    m_lblSummary = named(new QLabel, QStringLiteral("lblSummary"));
    m_btnSaveScript = named(new QPushButton(QStringLiteral("&Save Script...")), QStringLiteral("btnSaveScript"));
    m_btnOpenScript = named(new QPushButton(QStringLiteral("Open in &Query Window")), QStringLiteral("btnOpenScript"));
    auto *btnClose = named(new QPushButton(QStringLiteral("C&lose")), QStringLiteral("btnClose"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_lblSummary, 1);
    buttons->addWidget(m_btnSaveScript);
    buttons->addWidget(m_btnOpenScript);
    buttons->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sides);
    layout->addLayout(options);
    layout->addWidget(m_progressLine);
    layout->addWidget(results, 1);
    layout->addLayout(buttons);

    m_inputs = {m_source.database, m_source.file, m_source.alias, m_source.user, m_source.password,
                m_source.fileName, m_target.database, m_target.file, m_target.alias, m_target.user,
                m_target.password, m_target.fileName, m_chkIgnoreOwners, m_editOwner, m_btnCompare};
    for (const char *browse : {"btnSourceFile", "btnTargetFile"})
        m_inputs << findChild<QToolButton *>(QLatin1String(browse));
    setRunning(false);

    connect(m_btnCompare, &QPushButton::clicked, this, &TfrmCompareSchema::btnCompareClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmCompareSchema::btnStopClick);
    connect(m_btnSaveScript, &QPushButton::clicked, this, &TfrmCompareSchema::btnSaveScriptClick);
    connect(m_btnOpenScript, &QPushButton::clicked, this, &TfrmCompareSchema::btnOpenScriptClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(m_tvDifferences, &QTreeWidget::currentItemChanged, this, &TfrmCompareSchema::showDifference);
    connect(&m_runner, &SchemaCompareRunner::finished, this, &TfrmCompareSchema::finished);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { m_runner.running() ? btnStopClick() : void(close()); });
    m_progressTimer.setSingleShot(true);
    connect(&m_progressTimer, &QTimer::timeout, this, &TfrmCompareSchema::showProgress);

    if (!alias.isEmpty()) {
        m_source.alias->setEditText(alias);
        aliasChanged(m_source);
        if (!user.isEmpty())
            m_source.user->setText(user);
    }
    resize(1100, 720);
}

TfrmCompareSchema::~TfrmCompareSchema() = default;

QWidget *TfrmCompareSchema::createSide(const QString &caption, const QString &prefix, Side &side)
{
    auto *group = named(new QGroupBox(caption), QStringLiteral("grp") + prefix);
    const bool source = prefix == QLatin1String("Source");
    side.database = named(new QRadioButton(source ? QStringLiteral("Data&base") : QStringLiteral("D&atabase")),
                          QStringLiteral("rb") + prefix + QStringLiteral("Database"));
    side.file = named(new QRadioButton(source ? QStringLiteral("Schema &file") : QStringLiteral("Sc&hema file")),
                      QStringLiteral("rb") + prefix + QStringLiteral("File"));
    side.database->setChecked(true);
    side.alias = named(new QComboBox, QStringLiteral("cbo") + prefix + QStringLiteral("Alias"));
    side.alias->setEditable(true);
    side.alias->setInsertPolicy(QComboBox::NoInsert);
    side.alias->setMinimumContentsLength(16);
    try {
        side.alias->addItems(DbSession::defaultSession().databaseNames());
    } catch (const std::exception &) {
        // A broken alias file: the alias is typed, and connecting reports the failure.
    }
    side.alias->setEditText(QString());
    side.user = named(new QLineEdit(GetLoginUserName()), QStringLiteral("edit") + prefix + QStringLiteral("User"));
    side.password = named(new QLineEdit, QStringLiteral("edit") + prefix + QStringLiteral("Pswd"));
    side.password->setEchoMode(QLineEdit::Password);
    side.fileName = named(new QLineEdit, QStringLiteral("edit") + prefix + QStringLiteral("File"));
    auto *browseButton = named(new QToolButton, QStringLiteral("btn") + prefix + QStringLiteral("File"));
    browseButton->setText(QStringLiteral("..."));

    auto *form = new QFormLayout;
    form->addRow(side.database, side.alias);
    auto *login = new QHBoxLayout;
    login->addWidget(named(new QLabel(QStringLiteral("User")), QStringLiteral("lbl") + prefix + QStringLiteral("User")));
    login->addWidget(side.user, 1);
    login->addWidget(named(new QLabel(QStringLiteral("Password")), QStringLiteral("lbl") + prefix + QStringLiteral("Pswd")));
    login->addWidget(side.password, 1);
    form->addRow(QString(), login);
    auto *file = new QHBoxLayout;
    file->addWidget(side.fileName, 1);
    file->addWidget(browseButton);
    form->addRow(side.file, file);
    group->setLayout(form);

    connect(side.alias, &QComboBox::currentTextChanged, this, [this, &side] {
        side.database->setChecked(true);
        aliasChanged(side);
    });
    connect(side.fileName, &QLineEdit::textEdited, this, [&side] { side.file->setChecked(true); });
    connect(browseButton, &QToolButton::clicked, this, [this, &side] { browse(side); });
    return group;
}

void TfrmCompareSchema::aliasChanged(Side &side)
{
    // The login the login dialog remembers for the alias.
    const QString alias = side.alias->currentText().trimmed();
    if (alias.isEmpty())
        return;
    const QString user = Settings::readConnection(alias, Settings::ConnLoginUser);
    if (!user.isEmpty())
        side.user->setText(user);
    side.password->setText(ReadScrambled(Settings::readConnection(alias, Settings::ConnLoginPassword)));
}

void TfrmCompareSchema::browse(Side &side)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open Schema File");
    request.fileName = side.fileName->text();
    request.filter = QStringLiteral("SQL files (*.sql);;All files (*)");
    const QString path = Dialogs().openFile(request, this);
    if (path.isEmpty())
        return;
    side.fileName->setText(path);
    side.file->setChecked(true);
}

CompareSide TfrmCompareSchema::sideOf(const Side &side) const
{
    CompareSide out;
    out.user = side.user->text().trimmed();
    if (side.file->isChecked()) {
        out.file = side.fileName->text().trimmed();
        return out;
    }
    out.alias = side.alias->currentText().trimmed();
    LoginEntry entry;
    entry.alias = out.alias;
    entry.user = out.user;
    entry.password = side.password->text();
    out.params = LoginParamsText(LoginParamLines(entry));
    return out;
}

void TfrmCompareSchema::btnCompareClick()
{
    if (m_runner.running())
        return;
    CompareRequest request;
    request.source = sideOf(m_source);
    request.target = sideOf(m_target);
    for (const auto &[side, widgets] : {std::pair{&request.source, &m_source}, std::pair{&request.target, &m_target}}) {
        QWidget *missing = side->alias.isEmpty() && side->file.isEmpty() ? (widgets->file->isChecked()
                                                                                ? static_cast<QWidget *>(widgets->fileName)
                                                                                : widgets->alias)
                                                                         : nullptr;
        if (missing) {
            missing->setFocus();
            m_lblSummary->setText(QStringLiteral("Choose a database or a schema file on both sides."));
            return;
        }
    }
    request.options.owner = m_editOwner->text().trimmed();
    request.options.ignoreOwners = m_chkIgnoreOwners->isChecked();
    QString error;
    if (!m_runner.start(request, &error)) {
        Dialogs().message(QStringLiteral("Error"), error, MessageIcon::Stop, this);
        return;
    }
    m_sourceLabel = request.source.label();
    m_targetLabel = request.target.label();
    m_comparison = SchemaComparison{};
    m_compared = false;
    m_tvDifferences->clear();
    m_rtfSourceDdl->clear();
    m_rtfTargetDdl->clear();
    m_lblSourceDdl->clear();
    m_lblTargetDdl->clear();
    m_lblSummary->setText(QStringLiteral("Comparing..."));
    setRunning(true);
    m_progressTimer.start(300);
}

void TfrmCompareSchema::btnStopClick()
{
    if (!m_runner.running())
        return;
    m_lblProgress->setText(QStringLiteral("Stopping..."));
    m_runner.stop();
}

void TfrmCompareSchema::waitForRun() { m_runner.wait(); }

void TfrmCompareSchema::showProgress()
{
    if (!m_runner.running())
        return;
    m_lblProgress->setText(QStringLiteral("%1 %2 s").arg(m_runner.progress()).arg(double(m_runner.elapsedMs()) / 1000.0, 0, 'f', 1));
    m_progressLine->setVisible(true);
    m_progressTimer.start(100);
}

void TfrmCompareSchema::setRunning(bool running)
{
    for (QWidget *input : m_inputs)
        if (input)
            input->setEnabled(!running);
    if (!running)
        m_progressLine->setVisible(false);
    const bool script = !running && m_compared && !m_comparison.equal();
    m_btnSaveScript->setEnabled(script);
    m_btnOpenScript->setEnabled(script);
}

void TfrmCompareSchema::finished()
{
    m_progressTimer.stop();
    const CompareOutcome &outcome = m_runner.outcome();
    m_comparison = outcome.comparison;
    m_compared = outcome.error.isEmpty();
    setRunning(false);
    if (outcome.stopped) {
        m_lblSummary->setText(QStringLiteral("Comparison stopped."));
        return;
    }
    if (!outcome.error.isEmpty()) {
        m_lblSummary->setText(QStringLiteral("Comparison failed."));
        Dialogs().message(QStringLiteral("Error"), outcome.error, MessageIcon::Stop, this);
        return;
    }
    const bool withOwner = !m_comparison.ignoreOwners;
    for (const DifferenceNode &kind : DifferenceTree(m_comparison, withOwner)) {
        auto *kindItem = new QTreeWidgetItem(m_tvDifferences, {kind.text});
        for (const DifferenceNode &object : kind.children) {
            auto *objectItem = new QTreeWidgetItem(kindItem, {object.text});
            objectItem->setData(0, Qt::UserRole, object.difference);
            for (const DifferenceNode &property : object.children) {
                auto *propertyItem = new QTreeWidgetItem(objectItem, {property.text});
                propertyItem->setData(0, Qt::UserRole, property.difference);
            }
        }
    }
    m_tvDifferences->expandAll();
    const int count = m_comparison.count();
    m_lblSummary->setText(count == 0 ? QStringLiteral("The schemas are alike.")
                                     : QStringLiteral("%1 difference%2.").arg(count).arg(count == 1 ? "" : "s"));
    if (QTreeWidgetItem *first = m_tvDifferences->topLevelItem(0))
        m_tvDifferences->setCurrentItem(first->child(0));
}

void TfrmCompareSchema::showDifference()
{
    QTreeWidgetItem *item = m_tvDifferences->currentItem();
    const QVariant index = item ? item->data(0, Qt::UserRole) : QVariant();
    if (!index.isValid() || index.toInt() < 0 || index.toInt() >= int(m_comparison.differences.size())) {
        m_rtfSourceDdl->clear();
        m_rtfTargetDdl->clear();
        m_lines = {};
        return;
    }
    const SchemaDifference &d = m_comparison.differences[size_t(index.toInt())];
    const QString source = m_comparison.ddl(d, true), target = m_comparison.ddl(d, false);
    m_lblSourceDdl->setText(QStringLiteral("Source: ") + m_sourceLabel + (source.isEmpty() ? QStringLiteral(" (none)") : QString()));
    m_lblTargetDdl->setText(QStringLiteral("Target: ") + m_targetLabel + (target.isEmpty() ? QStringLiteral(" (none)") : QString()));
    m_rtfSourceDdl->setPlainText(source);
    m_rtfTargetDdl->setPlainText(target);
    m_lines = DifferingLines(source, target);
    markLines();
}

void TfrmCompareSchema::markLines()
{
    markEditorLines(m_rtfSourceDdl, m_lines.left, true);
    markEditorLines(m_rtfTargetDdl, m_lines.right, false);
}

void TfrmCompareSchema::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        markLines();
}

void TfrmCompareSchema::closeEvent(QCloseEvent *event)
{
    // A comparison still reading is stopped; the window goes when it has.
    if (m_runner.running()) {
        m_runner.stop();
        m_runner.wait();
    }
    QDialog::closeEvent(event);
}

QString TfrmCompareSchema::scriptText() const
{
    return CompareScript(m_comparison, m_chkDrop->isChecked()).text;
}

void TfrmCompareSchema::btnSaveScriptClick()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Save Script");
    request.fileName = QStringLiteral("compare.sql");
    request.filter = QStringLiteral("SQL files (*.sql);;All files (*)");
    request.defaultSuffix = QStringLiteral("sql");
    const QString path = Dialogs().saveFile(request, this);
    if (path.isEmpty())
        return;
    // Written whole or not at all: a failure leaves an earlier file as it was.
    QString error;
    if (!WriteWholeFile(path, scriptText().toUtf8(), &error)) {
        Dialogs().message(QStringLiteral("Error"), error, MessageIcon::Stop, this);
        return;
    }
    m_lblSummary->setText(QStringLiteral("Script saved to %1.").arg(QFileInfo(path).fileName()));
}

void TfrmCompareSchema::btnOpenScriptClick()
{
    if (m_openScript)
        m_openScript(scriptText());
}

} // namespace quodlin
