#include "output/findreplace.h"

namespace quodlin {

int FindInEditor(const ISqlEditor &editor, int start, const QString &search, bool matchCase, bool down)
{
    const int count = editor.lineCount();
    if (search.isEmpty() || count == 0)
        return -1;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // The caret line and the first-character index of every line up to it.
    QList<int> lineStart;
    int caretLine = 0;
    int at = 0;
    for (int i = 0; i < count; ++i) {
        lineStart << at;
        const int next = at + int(editor.line(i).size()) + 1;
        caretLine = i;
        if (start < next)
            break;
        at = next;
    }
    const int column = qMax(0, start - lineStart[caretLine]);
    const qsizetype inCaretLine = editor.line(caretLine).indexOf(search, column, cs);
    if (inCaretLine >= 0)
        return lineStart[caretLine] + int(inCaretLine);
    if (down) {
        int first = lineStart[caretLine] + int(editor.line(caretLine).size()) + 1;
        for (int i = caretLine + 1; i < count; ++i) {
            const QString line = editor.line(i);
            const qsizetype hit = line.indexOf(search, 0, cs);
            if (hit >= 0)
                return first + int(hit);
            first += int(line.size()) + 1;
        }
        return -1;
    }
    for (int i = caretLine - 1; i >= 0; --i) {
        const qsizetype hit = editor.line(i).indexOf(search, 0, cs);
        if (hit >= 0)
            return lineStart[i] + int(hit);
    }
    return -1;
}

FindOutcome FindDialogFind(ISqlEditor &editor, int start, const FindRequest &request)
{
    FindOutcome outcome;
    const int found = FindInEditor(editor, start, request.search, request.matchCase, request.down);
    if (found < 0)
        return outcome;
    outcome.found = true;
    if (!request.replace) {
        outcome.select = true;
        outcome.selectionStart = found;
        outcome.selectionEnd = found + int(request.search.size());
        return outcome;
    }
    // The editor's positions count a line break as one character, as "\n" does.
    const QString text = editor.lines().join(QLatin1Char('\n'));
    editor.setText(text.left(found)
                   + ReplaceInText(text.mid(found), request.search, request.replacement, request.matchCase,
                                   request.replaceAll));
    if (!request.replaceAll) {
        outcome.select = true;
        outcome.selectionStart = found;
        outcome.selectionEnd = found + int(request.replacement.size());
    }
    return outcome;
}

} // namespace quodlin
