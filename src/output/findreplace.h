#pragma once
// Find, replace and search again over an editor's line list. A search starts
// at the end of the selection and reads one line at a time (down or up),
// taking the first occurrence in the first line that has one; it never wraps
// round, and a search text spanning a line break is never found. Positions
// are the editor's own, a line break counting as one character.
#include "app/sqleditor.h"
#include "app/textutil.h"  // ReplaceInText

#include <QString>

namespace quodlin {

struct FindRequest {
    QString search;
    QString replacement;
    bool matchCase = false;
    bool down = true;
    // Set for every button of the replace dialog and for Search Again after it.
    bool replace = false;
    bool replaceAll = false;
};

struct FindOutcome {
    bool found = false;
    // The selection to show; none after Replace All.
    bool select = false;
    int selectionStart = 0;
    int selectionEnd = 0;
};

// The editor position of the first occurrence from `start`, or -1.
int FindInEditor(const ISqlEditor &editor, int start, const QString &search, bool matchCase, bool down);

// One find step from `start` (the end of the selection): selects the
// occurrence, or replaces it (all occurrences from it on with replaceAll)
// through the editor's setText.
FindOutcome FindDialogFind(ISqlEditor &editor, int start, const FindRequest &request);

} // namespace quodlin
