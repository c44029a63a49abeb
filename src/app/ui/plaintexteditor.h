#pragma once
// A plain-text editor widget seen through the core's ISqlEditor, for every
// window that hands its editors to core code (the SQL editors, the result
// panes, printing).
#include "app/sqleditor.h"

class QPlainTextEdit;

namespace quodlin {

class PlainTextSqlEditor : public ISqlEditor {
public:
    explicit PlainTextSqlEditor(QPlainTextEdit *editor) : m_editor(editor) {}
    // An empty document has no lines.
    int lineCount() const override;
    QString line(int index) const override;
    void setLine(int index, const QString &text) override;
    void setText(const QString &text) override;
    int caret() const override;
    void setCaret(int position) override;
    bool modified() const override;
    void setModified(bool on) override;

private:
    QPlainTextEdit *m_editor;
};

} // namespace quodlin
