#pragma once
// What the statement analysis, execution and compile code, the editor files
// and find/replace need of an SQL editor: its lines, its whole text and its
// caret. The windows adapt their plain-text editors to it; the command-line
// tool and the tests use the in-memory SqlTextBuffer.
//
// The whole text is the lines joined by CR LF. The caret is a 0-based
// character index counted in the editor's own way, where a line break is one
// character; CaretFromTextOffset converts an offset in the whole text.
#include <QString>
#include <QStringList>

namespace quodlin {

class ISqlEditor {
public:
    virtual ~ISqlEditor() = default;
    virtual int lineCount() const = 0;
    virtual QString line(int index) const = 0;
    virtual void setLine(int index, const QString &text) = 0;
    // Replaces the whole text (line breaks CR LF, LF or CR).
    virtual void setText(const QString &text) = 0;
    virtual int caret() const = 0;
    // An empty selection at `position`, scrolled into view.
    virtual void setCaret(int position) = 0;
    virtual bool modified() const = 0;
    virtual void setModified(bool on) = 0;

    QStringList lines() const;
    QString text() const;
};

// The editor caret of a 0-based offset in the CR LF joined text: each CR LF
// before it counts as one character. Clamped to the text.
int CaretFromTextOffset(const QString &crlfText, int offset);

// An editor held in memory.
class SqlTextBuffer : public ISqlEditor {
public:
    SqlTextBuffer() = default;
    explicit SqlTextBuffer(const QString &text) { setText(text); }

    int lineCount() const override { return int(m_lines.size()); }
    QString line(int index) const override { return m_lines.value(index); }
    void setLine(int index, const QString &text) override;
    void setText(const QString &text) override;
    int caret() const override { return m_caret; }
    void setCaret(int position) override { m_caret = position; }
    bool modified() const override { return m_modified; }
    void setModified(bool on) override { m_modified = on; }

private:
    QStringList m_lines;
    int m_caret = 0;
    bool m_modified = false;
};

// Splits a text into lines at CR LF, LF or CR; an empty text has no lines.
QStringList SplitEditorLines(const QString &text);

// The template placeholders: "<new>.sql", "<tr_new>", "<sp_new>",
// "<vw_new>", "<sy_new>", "tr_new", "sp_new", "vw_new", "sy_new", in the
// order they are replaced.
const QStringList &PlaceholderNames();

// A trimmed line (codes 0..32 removed at both ends).
QString TrimSql(const QString &text);
// Upper-cases a-z only, keeping the length.
QString UpperAscii(const QString &text);

// The name a CREATE TRIGGER, PROCEDURE, FUNCTION, VIEW or SYNONYM text
// gives its object, as written on the keyword's line; the query window's
// compile and the save dialogs' proposed file name both read it. The
// unqualified name drops an "informix." owner.
QString GetCreateObjectName(const ISqlEditor &editor);
QString GetUnqualifiedObjectName(const ISqlEditor &editor);

} // namespace quodlin
