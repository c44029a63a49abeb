#include "workspace/ui/browserworkspace.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "browser/pagesets.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "workspace/browseredits.h"
#include "workspace/objectcompile.h"
#include "workspace/ui/sqlcompleter.h"
#include "workspace/queryexec.h"
#include "workspace/builtstatement.h"
#include "workspace/sqlanalysis.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/sqleditwidget.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include <exception>
#include <map>
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
    explicit BrowserEditors(TfrmDbObjects &browser) : m_browser(browser), m_sql(browser.rtfSQL()) {}
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
        const DefinitionPageRef definition = DefinitionPage(kind);
        if (!definition.page)
            return nullptr;
        std::unique_ptr<PlainTextSqlEditor> &editor = m_editors[definition.page->widgetName];
        if (!editor)
            editor = std::make_unique<PlainTextSqlEditor>(
                m_browser.findChild<QPlainTextEdit *>(definition.page->widgetName));
        return editor.get();
    }
    ISqlEditor *sqlEditor() override { return &m_sql; }
    bool saveEditor(ISqlEditor *editor, bool) override
    {
        QString name = QStringLiteral("rtfSQL");
        for (const auto &[widget, kept] : m_editors)
            if (kept.get() == editor)
                name = widget;
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
    TfrmDbObjects &m_browser;
    PlainTextSqlEditor m_sql;
    std::map<QString, std::unique_ptr<PlainTextSqlEditor>> m_editors;  // by editor widget name
};

// The text a failed compile restores: the last one compiled here for that
// object, else the definition the browser loaded.
// Routines sharing a name keep theirs apart by id.
QByteArray compiledProperty(const TNodeInfo &node)
{
    return ("compiled:" + node.Owner + '.' + node.Name + '#' + QString::number(node.Id)).toUtf8();
}

QString loadedDefinition(TfrmDbObjects &browser, const TNodeInfo &node)
{
    const QVariant compiled = browser.property(compiledProperty(node).constData());
    return compiled.isValid() ? compiled.toString() : browser.definitionText();
}

void compileObject(TfrmDbObjects &browser, const TNodeInfo &node)
{
    if (connectionBusy(browser))
        return;
    // The SQL page in front of the shown page set runs the SQL panel instead.
    if (QTabWidget *shown = browser.shownPageSet();
        shown && shown->currentWidget() && shown->currentWidget()->objectName().endsWith(QLatin1String("SQL"))) {
        browser.execute();
        return;
    }
    const DefinitionPageRef definition = DefinitionPage(node.Kind);
    if (!definition.page)
        return;
    auto *tab = browser.findChild<QTabWidget *>(definition.set->objectName);
    auto *page = browser.findChild<QWidget *>(definition.page->objectName);
    auto *editorWidget = browser.findChild<QPlainTextEdit *>(definition.page->widgetName);
    if (!tab || !page || !editorWidget)
        return;
    PlainTextSqlEditor editor(editorWidget);
    QString loaded = loadedDefinition(browser, node);
    CompileHooks hooks;
    QString said;
    hooks.status = [&browser, &said](const QString &text) { browser.shell().setStatusText(said = text); };
    hooks.showError = [](const QString &report) { ShowErrorBox(report); };
    hooks.showErrorPosition = [&](int offset) {
        ShowErrorPosition(editor, offset);
        tab->setCurrentWidget(page);
        editorWidget->setFocus();
    };
    const CompileResult result = ExecDropCreate(editor, browser.module().qryCompile(), loaded, hooks);
    if (!result.compiled)
        return;
    // Compiled under another name or owner: the browser moves to the new
    // object, so its tree and caption bar name what was compiled. The text
    // is in the database now, and the new node's page shows it.
    const std::optional<CreatedObject> created = CreatedObjectOf(editor);
    if (!created || (created->name == node.Name && (created->owner.isEmpty() || created->owner == node.Owner))) {
        browser.setProperty(compiledProperty(node).constData(), loaded);
        return;
    }
    editor.setModified(false);
    browser.reloadTree(QString(node.Caption));  // a copy: the reload replaces the node
    const std::vector<ObjectTreeNode> &nodes = browser.tree().nodes;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const TNodeInfo &info = nodes[i].info;
        if (info.Kind == created->kind && info.Name == created->name
            && (created->owner.isEmpty() || info.Owner == created->owner)) {
            browser.gotoNode(int(i));
            break;
        }
    }
    browser.shell().setStatusText(said);  // the reload wrote over it
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
    QString statement;
    try {
        statement = DropNodeStatement(browser.module(), node, QueryNameStyle(browser.module().qryCompile()));
        if (statement.isEmpty())
            return;
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
    hooks.decorateEditor = [](TfrmDbObjects &browser, QPlainTextEdit *editor) {
        new SqlHighlighter(editor);
        new SqlCompleter(editor, [&browser] { return browser.module().completionCatalog(); });
    };
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
