#pragma once
// A result set as a plain text table: a header line of column labels, a line
// of dashes and one line per record, for the text panes of the query window
// and the object browser, and for saving or printing them.
//
// Column width = the larger of the field's display width and its label's
// length; values are cut at the display width, padded to the column width and
// left-aligned; columns are separated by one space; hidden fields are skipped;
// every line loses its trailing characters of code 32 or less. An error while
// the lines are produced ends the walk silently with the lines made so far.
// The query is back on the record that was current before the call, and its
// detail queries do not follow the walk.
#include "output/printlayout.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace quodlin {

class DbField;
class DbQuery;

// The columns of the text table over an open query's visible fields, making
// its lines one at a time (for writers that stream them to a file).
class TextTableLayout {
public:
    explicit TextTableLayout(const DbQuery &query);
    QString headerLine() const;
    QString separatorLine() const;
    // The line of the query's current record.
    QString recordLine() const;

    // A value is cut at displayWidth and padded to width.
    struct Column {
        const DbField *field;
        int displayWidth;
        int width;
    };
    const std::vector<Column> &columns() const { return m_columns; }

private:
    template <typename CellText>
    QString line(CellText cellText) const;

    std::vector<Column> m_columns;
};

// Asked every few hundred records with the count so far; false stops the
// walk, keeping the lines made up to then.
using RenderProgress = std::function<bool(int records)>;

QStringList QueryToTextLines(DbQuery &query, const RenderProgress &goOn = {});

// The visible fields' labels and every record's whole display texts, for
// the printed table, which sizes its columns itself.
PrintTable QueryToPrintTable(DbQuery &query, const RenderProgress &goOn = {});

} // namespace quodlin
