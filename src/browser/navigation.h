#pragma once
// The browser's navigation rules on plain data, so the window only gathers its
// state and applies the outcome: the current/previous node pair behind Back,
// the tab stepping of F11/F12, which page control the keys and Query Tab act
// on, and how a stored page index is taken back.
#include <QList>
#include <QString>
#include <QStringList>

namespace quodlin {

// Nodes are known by an id the window chooses (its node record index); -1 is none.
class NavigationHistory {
public:
    static constexpr int kNone = -1;

    // Every selection change: the node shown before becomes the previous one.
    void selected(int node)
    {
        m_previous = m_current;
        m_current = node;
    }
    // A tree load forgets both, since the nodes are rebuilt.
    void clear() { m_current = m_previous = kNone; }

    int current() const { return m_current; }
    // Back's target; selecting it makes the current node the next target, so
    // pressing Back twice returns to where one started.
    int previous() const { return m_previous; }

private:
    int m_current = kNone;
    int m_previous = kNone;
};

// The page F12 (forward) or F11 moves to from `current` among the pages whose
// tab is visible, wrapping around at the ends; -1 when no tab is visible. A
// current page that is hidden or out of range steps from where it would be.
int StepVisiblePage(const QList<bool> &tabVisible, int current, bool forward);

// The page controls in the order F11/F12 and Query Tab look for the first
// visible one (object names).
const QStringList &KeyPageControlOrder();
const QStringList &QueryTabControlOrder();
// The first name of `order` that `visible` holds; empty when none.
QString FirstVisibleControl(const QStringList &order, const QStringList &visible);

// What the browser's Edit command brings to front: in the page control
// `pageSet` (the first shown in Query Tab's order) the page `page`, and the
// editor `editor` that gets the focus. The set's definition editor page is
// the target while its tab shows (`editTabVisible`) and the SQL page is not
// in front. Without one, a set with a DDL page (a table's) opens the DDL in
// a query window instead; any other shows its SQL page.
struct EditTarget {
    QString page;
    QString editor;
    bool tableDdlInQueryWindow = false;
};
EditTarget EditCommandTarget(const QString &pageSet, const QString &activePage, bool editTabVisible);

// A page index read back from the settings: one outside the control's pages
// (a hand-edited value) is ignored and the current page kept.
int StoredPageIndex(int stored, int pageCount, int current);

} // namespace quodlin
