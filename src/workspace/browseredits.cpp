#include "workspace/browseredits.h"

#include "app/dialogs.h"
#include "workspace/objectcompile.h"

namespace quodlin {

bool OfferSave(IBrowserEditors &browser, ISqlEditor *editor, const QString &label, bool isSqlEditor, bool &allow)
{
    if (!editor || !editor->modified())
        return true;
    const DialogAnswer answer = Dialogs().question(
        QStringLiteral("Confirm"),
        label + QStringLiteral(" modified, save to file?\r\n(Note: compile may also be required to apply changes to database)"),
        QuestionButtons::YesNoCancel);
    if (answer == DialogAnswer::No) {
        editor->setModified(false);
        return true;
    }
    if (answer == DialogAnswer::Yes && browser.saveEditor(editor, isSqlEditor))
        return true;
    allow = false;
    return false;
}

bool CheckModifiedEditors(IBrowserEditors &browser, bool &allow, bool checkSqlEditor, bool checkObjectEditor,
                          bool useGivenKind, int kind)
{
    allow = true;
    if (!browser.hasCurrentNode())
        return true;
    if (!useGivenKind)
        kind = browser.currentNodeKind();
    ISqlEditor *objectEditor = nullptr;
    QString label;
    // Table and view share a page set, and each keeps the page it last showed.
    if (kind == KindTable)
        browser.rememberTablePage();
    else if (kind == KindView)
        browser.rememberViewPage();
    if (const ObjectKindDesc *desc = FindObjectKind(kind); desc && desc->definition != DefinitionLayout::None) {
        objectEditor = browser.objectEditor(kind);
        label = desc->title;
    }
    bool result = true;
    if (checkObjectEditor)
        result = OfferSave(browser, objectEditor, label, false, allow);
    if (checkSqlEditor && result)
        result = OfferSave(browser, browser.sqlEditor(), QStringLiteral("Query"), true, allow);
    return result;
}

bool BrowserCanClose(IBrowserEditors &browser)
{
    bool allow = true;
    CheckModifiedEditors(browser, allow, true, false, true, KindCategory);
    for (const ObjectKindDesc &kind : ObjectKinds()) {
        if (!allow)
            break;
        CheckModifiedEditors(browser, allow, false, true, true, kind.kind);
    }
    return allow;
}

void RefreshBrowser(IRefreshHost &host, bool prompt)
{
    if (!host.isActiveWindow()) {
        host.setRefreshPending(true);
        return;
    }
    if (prompt
        && Dialogs().question(QStringLiteral("Confirm"), QStringLiteral("Refresh required, update objects now?"),
                              QuestionButtons::YesNo)
            != DialogAnswer::Yes) {
        host.setRefreshPending(false);
        return;
    }
    if (host.hasCurrentNode()) {
        bool allow = true;
        if (!CheckModifiedEditors(host, allow, false, true, false, 0)) {
            host.setRefreshPending(false);
            return;
        }
    }
    host.setRefreshPending(false);
    host.setStatus(QStringLiteral("Refreshing..."));
    const QString caption = host.selectedCaption();
    host.reloadTree(caption);
}

} // namespace quodlin
