#pragma once
// What the main window asks a child window for find, replace and search
// again: the editor those act on under the window's active-editor rules.
class QPlainTextEdit;

namespace quodlin {

class IEditorHost {
public:
    virtual ~IEditorHost() = default;
    // Null when the window has no active editor.
    virtual QPlainTextEdit *activeEditor() const = 0;
};

} // namespace quodlin
