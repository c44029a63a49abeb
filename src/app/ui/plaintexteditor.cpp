#include "app/ui/plaintexteditor.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace quodlin {

int PlainTextSqlEditor::lineCount() const
{
    const QTextDocument *doc = m_editor->document();
    return doc->isEmpty() ? 0 : doc->blockCount();
}

QString PlainTextSqlEditor::line(int index) const { return m_editor->document()->findBlockByNumber(index).text(); }

void PlainTextSqlEditor::setLine(int index, const QString &text)
{
    const QTextBlock block = m_editor->document()->findBlockByNumber(index);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void PlainTextSqlEditor::setText(const QString &text)
{
    // One undoable edit that keeps the document (and its highlighter).
    QTextCursor cursor(m_editor->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(SplitEditorLines(text).join(QLatin1Char('\n')));
}

int PlainTextSqlEditor::caret() const { return m_editor->textCursor().selectionStart(); }

void PlainTextSqlEditor::setCaret(int position)
{
    QTextCursor cursor = m_editor->textCursor();
    cursor.setPosition(qBound(0, position, m_editor->document()->characterCount() - 1));
    m_editor->setTextCursor(cursor);
    m_editor->ensureCursorVisible();
}

bool PlainTextSqlEditor::modified() const { return m_editor->document()->isModified(); }

void PlainTextSqlEditor::setModified(bool on) { m_editor->document()->setModified(on); }

} // namespace quodlin
