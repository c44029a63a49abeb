#include "app/menurules.h"

#include <initializer_list>

namespace quodlin {
namespace {

bool showsAny(const FrameSnapshot &frame, bool VisiblePage::*offer)
{
    for (const VisiblePage &v : frame.visiblePages)
        if (v.*offer)
            return true;
    return false;
}

} // namespace

bool BrowserSqlPageShown(const FrameSnapshot &frame)
{
    return frame.active == ChildKind::Browser && showsAny(frame, &VisiblePage::runsSql);
}

MenuState ComputeMenuState(const FrameSnapshot &frame)
{
    const bool browser = frame.active == ChildKind::Browser;
    const bool query = frame.active == ChildKind::QueryWindow;
    const int n = frame.childCount;
    MenuState m;
    auto set = [&m](std::initializer_list<Command> commands, bool on) {
        for (Command c : commands)
            m.setEnabled(c, on);
    };

    set({Command::Connect}, true);
    set({Command::Disconnect}, n >= 1);
    set({Command::Query, Command::New}, n >= 1);
    set({Command::Cascade, Command::Tile, Command::ArrangeIcons, Command::MinimizeAll}, n >= 1);
    set({Command::Refresh}, browser || query);
    set({Command::Compile}, false);
    set({Command::Execute}, query || BrowserSqlPageShown(frame));
    set({Command::PasteQuery}, m.enabled(Command::Execute));
    set({Command::MemorizeQuery, Command::Cut, Command::Copy, Command::Paste, Command::CompleteWord},
        m.enabled(Command::PasteQuery));

    m.setChecked(Command::ExplainEnabled, (query || browser) && frame.explainFlag);
    set({Command::ExplainQuery}, m.enabled(Command::Execute) && m.checked(Command::ExplainEnabled));

    set({Command::SaveAsScript},
        (browser && showsAny(frame, &VisiblePage::exportsData))
            || (browser && frame.resultOpen) || (query && frame.resultOpen));
    set({Command::SaveAsSqd, Command::SaveAsCsv, Command::SaveAsUnload}, m.enabled(Command::SaveAsScript));
    set({Command::RefreshData}, query || (browser && showsAny(frame, &VisiblePage::refreshesData)));
    set({Command::Edit, Command::ExternalEdit, Command::Open}, m.enabled(Command::PasteQuery));
    // The browser's Edit brings an object's definition page to front, so it
    // is wanted most where the SQL page is not showing.
    set({Command::Edit}, m.enabled(Command::PasteQuery) || (browser && !frame.visiblePages.isEmpty()));
    set({Command::Save, Command::SaveAs},
        m.enabled(Command::PasteQuery) || m.enabled(Command::SaveAsScript));
    set({Command::Print},
        m.enabled(Command::Execute) || m.enabled(Command::SaveAsScript)
            || (browser && showsAny(frame, &VisiblePage::prints)));
    set({Command::Find, Command::Replace, Command::SearchAgain}, m.enabled(Command::PasteQuery));
    set({Command::Previous}, browser && frame.nodeHasParent);
    set({Command::Back}, browser && frame.hasPreviousNode);
    set({Command::NextWindow}, n >= 2);
    set({Command::QueryTab}, browser);
    set({Command::ViewPlan}, query);
    set({Command::DatabaseDiagram}, browser);
    // A running statement owns the connection: what would use it waits for Stop or the end.
    set({Command::Stop}, frame.running);
    if (frame.running)
        set({Command::Execute, Command::RefreshData, Command::Compile, Command::SaveAsScript, Command::SaveAsSqd,
             Command::SaveAsCsv, Command::SaveAsUnload,
             Command::Refresh, Command::Back, Command::Previous, Command::DatabaseDiagram},
            false);
    return m;
}

} // namespace quodlin
