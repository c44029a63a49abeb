#include "workspace/ui/browserworkspace.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/browseredits.h"
#include "workspace/objectcompile.h"
#include "workspace/queryexec.h"
#include "workspace/builtstatement.h"
#include "workspace/sqlanalysis.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/sqleditwidget.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include <exception>
#include <memory>

namespace quodlin {

namespace {

bool connectionBusy(TfrmDbObjects &browser)
{
    if (!browser.running())
        return false;
    browser.shell().setStatusText(QStringLiteral("The connection is busy with another statement."));
    return true;
}

// The browser as the leave checks and the refresh see it.
class BrowserEditors : public IRefreshHost {
public:
    explicit BrowserEditors(TfrmDbObjects &browser)
        : m_browser(browser)
        , m_sql(browser.rtfSQL())
        , m_view(editorWidget("rtfViewText"))
        , m_procedure(editorWidget("rtfProcText"))
        , m_trigger(editorWidget("rtfTriggerText"))
    {
    }
    bool hasCurrentNode() const override { return m_browser.currentNode() != nullptr; }
    int currentNodeKind() const override
    {
        const TNodeInfo *node = m_browser.currentNode();
        return node ? node->Kind : int(KindCategory);
    }
    // Only the table page set in view tells which page was showing.
    void rememberTablePage() override { remember(KindTable); }
    void rememberViewPage() override { remember(KindView); }
    ISqlEditor *objectEditor(int kind) override
    {
        switch (kind) {
        case KindView: return &m_view;
        case KindProcedure: return &m_procedure;
        case KindTrigger: return &m_trigger;
        default: return nullptr;
        }
    }
    ISqlEditor *sqlEditor() override { return &m_sql; }
    bool saveEditor(ISqlEditor *editor, bool) override
    {
        const QString name = editor == &m_sql       ? QStringLiteral("rtfSQL")
            : editor == &m_view                    ? QStringLiteral("rtfViewText")
            : editor == &m_procedure               ? QStringLiteral("rtfProcText")
                                                   : QStringLiteral("rtfTriggerText");
        return m_browser.saveEditorFile(name);
    }
    bool isActiveWindow() const override { return m_browser.isActiveChild(); }
    void setRefreshPending(bool on) override { m_browser.setRefreshPending(on); }
    void setStatus(const QString &text) override { m_browser.shell().setStatusText(text); }
    void reloadTree(const QString &caption) override { m_browser.reloadTree(caption); }
    QString selectedCaption() const override
    {
        const TNodeInfo *node = m_browser.currentNode();
        return node ? node->Caption : QString();
    }

private:
    void remember(int kind)
    {
        QString shown;
        if (m_browser.shownPageSet(&shown) && shown == QLatin1String("tabTable"))
            m_browser.rememberTablePage(kind);
    }
    QPlainTextEdit *editorWidget(const char *name) const
    {
        return m_browser.findChild<QPlainTextEdit *>(QLatin1String(name));
    }

    TfrmDbObjects &m_browser;
    PlainTextSqlEditor m_sql, m_view, m_procedure, m_trigger;
};

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
    // The SQL page in front of the shown page set runs the SQL panel instead.
    if (QTabWidget *shown = browser.shownPageSet();
        shown && shown->currentWidget() && shown->currentWidget()->objectName().endsWith(QLatin1String("SQL"))) {
        browser.execute();
        return;
    }
    for (const Target &t : targets) {
        if (t.kind != node.Kind)
            continue;
        auto *tab = browser.findChild<QTabWidget *>(QLatin1String(t.tab));
        auto *page = browser.findChild<QWidget *>(QLatin1String(t.page));
        auto *editorWidget = browser.findChild<QPlainTextEdit *>(QLatin1String(t.editor));
        if (!tab || !page || !editorWidget)
            return;
        PlainTextSqlEditor editor(editorWidget);
        QString loaded = loadedDefinition(browser, node);
        CompileHooks hooks;
        hooks.status = [&browser](const QString &text) { browser.shell().setStatusText(text); };
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
    if (node.Kind < KindTable || node.Kind > KindSynonym)
        return;
    QString statement;
    try {
        statement = DropObjectStatement(node.Kind, node.Owner, node.Name, QueryNameStyle(browser.module().qryCompile()));
        DropObject(browser.module().qryCompile(), statement);
    } catch (const std::exception &failure) {
        const QString context = QStringLiteral("TfrmDbObjects.mnuTreeDropClick");
        ShowErrorBox(DbErrorReport(failure, statement.isEmpty() ? context : context + QStringLiteral(" (") + statement
                                                                             + QLatin1Char(')')));
        return;
    }
    // The tree lands next to the dropped object rather than on the root.
    browser.selectPreviousSibling();
    browser.refresh();
}

} // namespace

void InstallBrowserWorkspaceHooks()
{
    BrowserHooks hooks = browserHooks();
    hooks.compile = compileObject;
    hooks.drop = dropObject;
    hooks.leaveCheck = [](TfrmDbObjects &browser, int kind) {
        BrowserEditors editors(browser);
        bool allow = true;
        CheckModifiedEditors(editors, allow, false, true, true, kind);
        return allow;
    };
    hooks.closeCheck = [](TfrmDbObjects &browser) {
        BrowserEditors editors(browser);
        return BrowserCanClose(editors);
    };
    hooks.refresh = [](TfrmDbObjects &browser, bool prompt) {
        BrowserEditors editors(browser);
        RefreshBrowser(editors, prompt);
    };
    hooks.decorateEditor = [](QPlainTextEdit *editor) { new SqlHighlighter(editor->document()); };
    hooks.openQueryText = [](TfrmDbObjects &browser, const QString &text) {
        if (!queryWindowFactory())
            return;
        browser.shell().SetCurrentConnection(&browser.module());
        auto *window = dynamic_cast<TfrmQuery *>(browser.shell().openQueryWindow());
        if (!window)
            return;
        PlainTextSqlEditor editor(window->sqlEditor());
        editor.setText(text);
        editor.setModified(false);
        editor.setCaret(0);
    };
    SetBrowserHooks(std::move(hooks));
}

} // namespace quodlin
