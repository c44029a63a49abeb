#pragma once
// The object browser's leave checks and tree refresh, as rules over what the
// browser shows: before the user leaves an object, refreshes or closes the
// window, each modified editor is offered for saving (Yes saves, No drops
// the change, Cancel stays); a refresh asked for while the browser is not
// the active window waits in a pending flag until it is.
#include "app/sqleditor.h"
#include "catalog/objectkinds.h"

namespace quodlin {

class IBrowserEditors {
public:
    virtual ~IBrowserEditors() = default;
    virtual bool hasCurrentNode() const = 0;
    virtual int currentNodeKind() const = 0;
    // The browser keeps the table page and the view page it last showed.
    virtual void rememberTablePage() {}
    virtual void rememberViewPage() {}
    // The edit page editor of a kind with a definition text; null otherwise.
    virtual ISqlEditor *objectEditor(int kind) = 0;
    virtual ISqlEditor *sqlEditor() = 0;
    // Saves the editor under its file name (the save of the editor files);
    // false when the save failed or was cancelled.
    virtual bool saveEditor(ISqlEditor *editor, bool isSqlEditor) = 0;
};

// Label + " modified, save to file?" and the compile note, for a modified
// editor; true to go on.
bool OfferSave(IBrowserEditors &browser, ISqlEditor *editor, const QString &label, bool isSqlEditor, bool &allow);
bool CheckModifiedEditors(IBrowserEditors &browser, bool &allow, bool checkSqlEditor, bool checkObjectEditor,
                          bool useGivenKind, int kind);
// The close request: the SQL editor, then each kind's object editor while
// closing is still allowed.
bool BrowserCanClose(IBrowserEditors &browser);

class IRefreshHost : public IBrowserEditors {
public:
    virtual bool isActiveWindow() const = 0;
    virtual void setRefreshPending(bool on) = 0;
    virtual void setStatus(const QString &text) = 0;
    // Reloads the tree, selecting the node of that caption again.
    virtual void reloadTree(const QString &selectedCaption) = 0;
    virtual QString selectedCaption() const = 0;
};

// The browser's Refresh(prompt).
void RefreshBrowser(IRefreshHost &host, bool prompt);

} // namespace quodlin
