#pragma once
// The SQL editors of the windows: a plain-text editor in the program's SQL
// font with syntax colouring (its adapter to the core's ISqlEditor comes along).
#include "app/ui/plaintexteditor.h"

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

} // namespace quodlin
