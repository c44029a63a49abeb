#pragma once
// What a child window may ask of the frame it lives in. The object browser
// and the query window are given one at construction and reach the frame
// only through it; the main window implements it, the tests a small fake.
// The shell outlives its children: the frame deletes them before it goes.
#include "app/childwindows.h"
#include "app/menurules.h"

#include <QList>
#include <QString>

#include <functional>

class QMdiSubWindow;
class QPrinter;

namespace quodlin {

class IShell {
public:
    virtual ~IShell() = default;

    // The connection new query windows and the Options dialog use (may be null).
    virtual IConnection *CurrentConnection() const = 0;
    virtual void SetCurrentConnection(IConnection *connection) = 0;
    // Recomputes which commands are available (after a change of page,
    // result state or connection).
    virtual void UpdateMenus() = 0;
    // The same once pending events have run, for a window on its way out.
    virtual void updateMenusLater() = 0;

    // The single status panel; an empty text clears it.
    virtual void setStatusText(const QString &text) = 0;
    // Sets the text and paints it at once, without running queued input, for
    // work that holds the event loop.
    virtual void paintStatusText(const QString &text) = 0;
    // paintStatusText as the core's file operations take it.
    std::function<void(const QString &)> statusSink()
    {
        return [this](const QString &text) { paintStatusText(text); };
    }

    // The child windows in the frame's order (the front one first).
    virtual QList<IChildWindow *> children() const = 0;
    // Puts a new child window into the frame (not yet shown).
    virtual void addChild(QMdiSubWindow *window) = 0;
    // A new query window bound to CurrentConnection; null when none can open.
    virtual IQueryWindow *openQueryWindow() = 0;
    // Runs a frame command as its menu item would.
    virtual void triggerCommand(Command command) = 0;

    // The Settings menu's switches.
    virtual bool liveDataEnabled() const = 0;
    virtual bool explainQueryEnabled() const = 0;

    // The printer that Print Setup configures and printing uses.
    virtual QPrinter &printer() = 0;
    // Printing shows the pages in a preview instead of asking for a printer.
    virtual bool printPreviewing() const = 0;
};

// Creates a new query window in the shell, bound to its CurrentConnection.
using QueryWindowFactory = std::function<IQueryWindow *(IShell &)>;
void SetQueryWindowFactory(QueryWindowFactory factory);
// The installed factory; empty when none is installed (Query then does nothing).
QueryWindowFactory &queryWindowFactory();

} // namespace quodlin
