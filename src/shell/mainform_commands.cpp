// The main window's own commands: new windows, clipboard, printing, the
// Settings, Tools, Window and Help menus.
#include "shell/mainform.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/templates.h"
#include "app/ui/mdistep.h"
#include "app/ui/plaintexteditor.h"
#include "app/windowlayout.h"
#include "output/ui/textprinter.h"
#include "shell/aboutbox.h"
#include "shell/optionsform.h"
#include "workspace/ui/queryhistoryform.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/schemacompareform.h"
#include "workspace/ui/sqlcompleter.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>

#include <exception>

namespace quodlin {

void TMainForm::mnuFileQueryClick() { openQueryWindow(); }

void TMainForm::newFromTemplate(const QString &kind)
{
    if (IQueryWindow *window = openQueryWindow())
        window->pasteTemplate(kind);
}

void TMainForm::mnuFilePrintClick()
{
    if (activeAs<IQueryWindow>() || activeAs<IObjectBrowserWindow>()) {
        routeToChild(&IChildWindow::print);
        return;
    }
    // No child to ask: print the frame's own image, scaled to the page.
    if (!Dialogs().printDialog(&printer(), this))
        return;
    QPainter painter;
    if (!painter.begin(&printer()))
        return;
    const QPixmap image = grab();
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
}

void TMainForm::mnuFilePrintSetupClick() { Dialogs().printerSetupDialog(&printer(), this); }

QPrinter &TMainForm::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>();
        SetUpNewPrinter(*m_printer);
    }
    return *m_printer;
}

void TMainForm::editorCommand(Command command)
{
    QMdiSubWindow *window = m_mdiArea->activeSubWindow();
    if (!window)
        return;
    // Only a plain-text editor takes the clipboard commands; grids and trees do not.
    auto *editor = qobject_cast<QPlainTextEdit *>(window->focusWidget());
    if (!editor)
        return;
    switch (command) {
    case Command::Cut:
        editor->cut();
        break;
    case Command::Copy:
        editor->copy();
        break;
    case Command::Paste:
        editor->paste();
        editor->viewport()->update();
        break;
    case Command::CompleteWord:
        if (SqlCompleter *completer = SqlCompleter::of(editor))
            completer->complete();
        break;
    default:
        break;
    }
}

void TMainForm::mnuSettingsLiveDataClick()
{
    // The action has inverted its checked state already.
    if (auto *browser = activeAs<IObjectBrowserWindow>())
        browser->reloadDataPage();
}

void TMainForm::mnuSettingsExplainQueryClick()
{
    IChildWindow *child = activeChild();
    IConnection *connection = child ? child->connection() : nullptr;
    if (!connection)
        return;
    connection->setExplain(action(Command::ExplainEnabled)->isChecked());
    UpdateMenus();
}

void TMainForm::mnuSettingsToolbarCaptionsClick()
{
    applyToolbarCaptions(action(Command::ToolbarCaptions)->isChecked());
}

void TMainForm::mnuSettingsResetTemplatesClick()
{
    ResetTemplates();
    setStatusText(QStringLiteral("Templates reset."));
}

void TMainForm::mnuEditQueryHistoryClick()
{
    TfrmQueryHistory history(*this, this);
    history.exec();
}

void TMainForm::mnuSettingsOptionsClick()
{
    QString name;
    QString user;
    if (IConnection *current = CurrentConnection()) {
        name = current->ConnectionName();
        user = current->loginUser();
    }
    {
        TfrmOptions options(name, user, this);
        options.exec();
    }
    // Whatever button closed the dialog, the active child re-reads its settings.
    if (IChildWindow *child = activeChild())
        child->activate();
}

void TMainForm::mnuToolsEditSchemaClick()
{
    if (!m_schemaEditorPath.isEmpty())
        StartSchemaEditor(m_schemaEditorPath);
}

void TMainForm::mnuToolsCompareSchemaClick()
{
    // One window, kept while open; the source starts as the current connection.
    if (!m_compareSchema) {
        QString alias, user;
        if (IConnection *current = CurrentConnection()) {
            alias = current->ConnectionName();
            user = current->loginUser();
        }
        const auto openScript = [this](const QString &text) {
            auto *window = dynamic_cast<TfrmQuery *>(openQueryWindow());
            if (!window)
                return;
            PlainTextSqlEditor editor(window->sqlEditor());
            editor.setText(text);
            editor.setCaret(0);
            window->setFocus();
        };
        m_compareSchema = new TfrmCompareSchema(openScript, alias, user, this);
        m_compareSchema->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_compareSchema->show();
    m_compareSchema->raise();
    m_compareSchema->activateWindow();
}

void TMainForm::mnuToolsBDEConfigClick()
{
    try {
        if (!m_databaseToolPath.isEmpty())
            StartDatabaseTool(false);
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
}

void TMainForm::mnuToolsSetNet32Click()
{
    try {
        StartSetNet32();
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
}

void TMainForm::mnuWindowMinimizeAllClick()
{
    const QList<QMdiSubWindow *> windows = childWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        (*it)->showMinimized();
}

void TMainForm::mnuWindowCascadeClick()
{
    QList<QMdiSubWindow *> windows;
    const QList<QMdiSubWindow *> frontFirst = childWindows();
    for (auto it = frontFirst.rbegin(); it != frontFirst.rend(); ++it)
        if (!(*it)->isMinimized() && !(*it)->isHidden())
            windows << *it;
    if (windows.isEmpty())
        return;
    const int step = TitleBarStep(windows.front());
    const QList<QRect> rects = CascadeGeometry(m_mdiArea->viewport()->size(), int(windows.size()), QPoint(step, step));
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[i]);
    }
}

void TMainForm::mnuWindowArrangeIconsClick()
{
    // Minimized children line up along the bottom edge, left to right.
    const QSize client = m_mdiArea->viewport()->size();
    int x = 0;
    int y = client.height();
    for (QMdiSubWindow *window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > client.width()) {
            x = 0;
            y -= size.height();
        }
        window->move(x, y - size.height());
        x += size.width();
    }
}

void TMainForm::mnuWindowNextClick()
{
    // The window furthest back comes to the front, so repeating cycles through all.
    const QList<QMdiSubWindow *> windows = childWindows();
    if (windows.size() < 2)
        return;
    m_mdiArea->setActiveSubWindow(windows.last());
}

void TMainForm::fillWindowMenu()
{
    // The fixed items, then one entry per child window.
    for (QAction *a : m_windowMenu->actions())
        if (a->property("childEntry").toBool())
            delete a;
    const QList<QMdiSubWindow *> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    QAction *separator = m_windowMenu->addSeparator();
    separator->setProperty("childEntry", true);
    int number = 1;
    for (QMdiSubWindow *window : windows) {
        const QString title = window->windowTitle().isEmpty() && window->widget()
            ? window->widget()->windowTitle() : window->windowTitle();
        const QString caption = number < 10
            ? QStringLiteral("&%1 %2").arg(number).arg(title)
            : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction *entry = m_windowMenu->addAction(caption);
        entry->setProperty("childEntry", true);
        // Only the active window carries a check mark, as in the platform's window list.
        entry->setCheckable(window == m_mdiArea->activeSubWindow());
        entry->setChecked(entry->isCheckable());
        connect(entry, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                m_mdiArea->setActiveSubWindow(window);
        });
        ++number;
    }
}

void TMainForm::mnuHelpAboutClick()
{
    TAboutBox about(this);
    about.exec();
}

void TMainForm::mnuHelpFindErrorClick() { StartInformixHelp(); }

} // namespace quodlin
