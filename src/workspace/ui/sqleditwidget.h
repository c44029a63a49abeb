#pragma once
// The SQL editors of the windows: a plain-text editor in the program's SQL
// font with syntax colouring, and its adapter to the core's ISqlEditor.
#include "workspace/sqleditor.h"

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace quodlin {

// Colours an editor's keywords, strings, numbers and comments with one of
// two sets, picked by the lightness of the editor's base colour, and picks
// again when the editor's palette changes (a theme change).
class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit SqlHighlighter(QPlainTextEdit *editor);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followPalette();
    void applyColours(bool dark);

    QPlainTextEdit *m_editor;
    bool m_dark = false;
    QTextCharFormat m_keyword;
    QTextCharFormat m_string;
    QTextCharFormat m_number;
    QTextCharFormat m_comment;
};

// "Courier New" at 13 pixels, no word wrap, tabs accepted, coloured.
void SetupSqlEditor(QPlainTextEdit *editor, bool highlight = true);

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
