#include "workspace/statementsplitter.h"

namespace quodlin {

namespace {

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

bool isRoutineWord(const QString &word)
{
    return word.compare(QLatin1String("PROCEDURE"), Qt::CaseInsensitive) == 0
        || word.compare(QLatin1String("FUNCTION"), Qt::CaseInsensitive) == 0;
}

bool is(const QString &word, const char *keyword) { return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0; }

// Tracks the words of one statement: whether it creates a routine and
// whether that routine's END PROCEDURE/FUNCTION has been reached.
class RoutineTracker {
public:
    void reset() { *this = RoutineTracker(); }
    void word(const QString &w)
    {
        if (m_index == 0)
            m_create = is(w, "CREATE");
        else if (m_create && m_index == 1 && is(w, "DBA"))
            m_dba = true;
        else if (m_create && m_index == (m_dba ? 2 : 1) && isRoutineWord(w))
            m_inBody = true;
        else if (m_inBody && m_index == (m_dba ? 3 : 2) && is(w, "FROM"))
            m_inBody = false; // CREATE PROCEDURE FROM 'file' has no body
        else if (m_inBody && is(m_previous, "END") && isRoutineWord(w))
            m_inBody = false;
        m_previous = w;
        ++m_index;
    }
    bool inBody() const { return m_inBody; }

private:
    int m_index = 0;
    bool m_create = false;
    bool m_dba = false;
    bool m_inBody = false;
    QString m_previous;
};

} // namespace

QList<SqlStatementSpan> SplitSqlStatements(const QString &text)
{
    QList<SqlStatementSpan> result;
    const qsizetype n = text.size();
    qsizetype start = 0;
    bool hasContent = false;
    int depth = 0;
    RoutineTracker routine;

    auto finish = [&](qsizetype end) {
        if (hasContent) {
            qsizetype from = start;
            while (from < end && text[from].isSpace())
                ++from;
            qsizetype to = end;
            while (to > from && text[to - 1].isSpace())
                --to;
            result.append({text.mid(from, to - from), int(from)});
        }
        start = end + 1;
        hasContent = false;
        depth = 0;
        routine.reset();
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && text[i] != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('{')) {
            const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
            i = close < 0 ? n : close + 1;
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype close = text.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            hasContent = true;
            ++i;
            while (i < n) {
                if (text[i] == c) {
                    if (i + 1 < n && text[i + 1] == c) { // a doubled quote stays inside
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            continue;
        }
        if (isWordStart(c)) {
            hasContent = true;
            const qsizetype from = i;
            while (i < n && isWordChar(text[i]))
                ++i;
            routine.word(text.mid(from, i - from));
            continue;
        }
        if (c == QLatin1Char(';') && depth == 0 && !routine.inBody()) {
            finish(i);
            ++i;
            continue;
        }
        hasContent = true;
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && depth > 0)
            --depth;
        ++i;
    }
    finish(n);
    return result;
}

} // namespace quodlin
