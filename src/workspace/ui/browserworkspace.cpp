#include "workspace/ui/browserworkspace.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/ui/mainform.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "workspace/objectcompile.h"
#include "workspace/queryexec.h"
#include "workspace/statementrunner.h"
#include "workspace/ui/sqleditwidget.h"

#include <QPlainTextEdit>
#include <QTabWidget>

#include <exception>

namespace quodlin {

namespace {

void setStatus(const QString &text)
{
    if (TMainForm *main = MainForm())
        main->setStatusText(text);
}

bool connectionBusy(TfrmDbObjects &browser)
{
    if (!IsDatabaseBusy(browser.module().uniqueDatabaseName()))
        return false;
    setStatus(QStringLiteral("The connection is busy with another statement."));
    return true;
}

// The text a failed compile restores: the last one compiled here for that
// object, else the definition the browser loaded.
QString loadedDefinition(TfrmDbObjects &browser, const TNodeInfo &node)
{
    const QVariant compiled = browser.property(("compiled:" + node.Owner + '.' + node.Name).toUtf8().constData());
    return compiled.isValid() ? compiled.toString() : browser.definitionText();
}

void compileObject(TfrmDbObjects &browser, const TNodeInfo &node)
{
    if (connectionBusy(browser))
        return;
    struct Target {
        int kind;
        const char *tab;
        const char *page;
        const char *editor;
    };
    static const Target targets[] = {{KindView, "tabTable", "pageTableEdit", "rtfViewText"},
                                     {KindProcedure, "tabProc", "pageProcEdit", "rtfProcText"},
                                     {KindTrigger, "tabTrigger", "pageTriggerEdit", "rtfTriggerText"}};
    for (const Target &t : targets) {
        if (t.kind != node.Kind)
            continue;
        auto *tab = browser.findChild<QTabWidget *>(QLatin1String(t.tab));
        auto *page = browser.findChild<QWidget *>(QLatin1String(t.page));
        auto *editorWidget = browser.findChild<QPlainTextEdit *>(QLatin1String(t.editor));
        if (!tab || !page || !editorWidget)
            return;
        // The SQL page in front runs the SQL panel instead.
        if (tab->currentWidget() && tab->currentWidget()->objectName().endsWith(QLatin1String("SQL"))) {
            browser.execute();
            return;
        }
        PlainTextSqlEditor editor(editorWidget);
        QString loaded = loadedDefinition(browser, node);
        CompileHooks hooks;
        hooks.status = setStatus;
        hooks.showError = [](const QString &report) { ShowErrorBox(report); };
        hooks.showErrorPosition = [&](int offset) {
            ShowErrorPosition(editor, offset);
            tab->setCurrentWidget(page);
            editorWidget->setFocus();
        };
        const CompileResult result = ExecDropCreate(editor, browser.module().qryCompile(), loaded, hooks);
        if (result.compiled)
            browser.setProperty(("compiled:" + node.Owner + '.' + node.Name).toUtf8().constData(), loaded);
        return;
    }
}

void dropObject(TfrmDbObjects &browser, const TNodeInfo &node)
{
    if (connectionBusy(browser))
        return;
    if (Dialogs().question(QStringLiteral("Confirm"),
                           QStringLiteral("Are you sure you want to drop [") + node.Name + QStringLiteral("]?"),
                           QuestionButtons::YesNo, &browser)
        != DialogAnswer::Yes)
        return;
    const QString statement = DropObjectStatement(node.Kind, node.Name);
    if (statement.isEmpty())
        return;
    try {
        DropObject(browser.module().qryCompile(), statement);
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.mnuTreeDropClick (") + statement
                                                + QLatin1Char(')')));
        return;
    }
    browser.refresh();
}

} // namespace

void InstallBrowserWorkspaceHooks()
{
    BrowserHooks hooks = browserHooks();
    hooks.compile = compileObject;
    hooks.drop = dropObject;
    SetBrowserHooks(std::move(hooks));
}

} // namespace quodlin
