#include "workspace/ui/sqleditwidget.h"

#include "workspace/sqlsyntax.h"

namespace quodlin {

SqlHighlighter::SqlHighlighter(QPlainTextEdit *editor) : QSyntaxHighlighter(editor->document()), m_editor(editor)
{
    applyColours(editor->palette().color(QPalette::Base).lightness() < 128);
    editor->installEventFilter(this);
}

bool SqlHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::PaletteChange)
        followPalette();
    return QSyntaxHighlighter::eventFilter(watched, event);
}

void SqlHighlighter::followPalette()
{
    const bool dark = m_editor->palette().color(QPalette::Base).lightness() < 128;
    if (dark != m_dark)
        applyColours(dark);
}

void SqlHighlighter::applyColours(bool dark)
{
    m_dark = dark;
    // Two sets chosen for contrast above 4.5:1 against white and against #1e1e1e.
    m_keyword.setForeground(dark ? QColor(0x56, 0x9c, 0xd6) : QColor(0x00, 0x00, 0xa0));
    m_keyword.setFontWeight(QFont::Bold);
    m_string.setForeground(dark ? QColor(0xce, 0x91, 0x78) : QColor(0xa3, 0x15, 0x15));
    m_number.setForeground(dark ? QColor(0xb5, 0xce, 0xa8) : QColor(0x09, 0x6b, 0x5a));
    m_comment.setForeground(dark ? QColor(0x8a, 0xb8, 0x7a) : QColor(0x00, 0x70, 0x00));
    m_comment.setFontItalic(true);
    if (!document()->isEmpty())
        rehighlight();
}

void SqlHighlighter::highlightBlock(const QString &text)
{
    QList<SqlToken> tokens;
    const int state = TokenizeSqlLine(text, qMax(0, previousBlockState()), tokens);
    for (const SqlToken &t : tokens) {
        switch (t.kind) {
        case SqlTokenKind::Keyword:
            setFormat(t.start, t.length, m_keyword);
            break;
        case SqlTokenKind::String:
            setFormat(t.start, t.length, m_string);
            break;
        case SqlTokenKind::Number:
            setFormat(t.start, t.length, m_number);
            break;
        case SqlTokenKind::Comment:
            setFormat(t.start, t.length, m_comment);
            break;
        }
    }
    setCurrentBlockState(state);
}

void SetupSqlEditor(QPlainTextEdit *editor, bool highlight)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    editor->setFont(font);
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->setTabChangesFocus(false);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (highlight)
        new SqlHighlighter(editor);
}

} // namespace quodlin
