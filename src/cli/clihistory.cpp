// quodlin-cli history: the query history the windows and `sql` record.
#include "cli/clicommands.h"

#include "app/textutil.h"
#include "workspace/queryhistory.h"

#include <QRegularExpression>

#include <algorithm>

namespace quodlin::cli {

int RunHistory(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    constexpr int kDefaultCount = 20;
    bool numeric = true;
    const int count = o.count.isEmpty() ? kDefaultCount : o.count.toInt(&numeric);
    if (!o.arguments.isEmpty() || !numeric || count < 1) {
        err << "history takes --grep TEXT and -n N (a number of at least 1)\n" << kUsage;
        return 2;
    }
    HistoryFilter filter;
    filter.text = o.grep;
    filter.limit = count;
    QList<HistoryEntry> entries;
    try {
        entries = HistoryStore().find(filter);
    } catch (const std::exception &failure) {
        err << failure.what() << '\n';
        return 1;
    }
    // Oldest first, as a shell's history reads: the newest ends next to the prompt.
    std::reverse(entries.begin(), entries.end());
    static const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
    for (const HistoryEntry &entry : entries) {
        out << entry.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "  "
            << EscapeControls(entry.connection) << "  " << entry.durationMs << " ms  ";
        if (const QString rows = HistoryRowsText(entry); !rows.isEmpty())
            out << rows << "  ";
        out << EscapeControls(HistoryOutcomeText(entry)) << '\n';
        for (const QString &line : entry.text.split(lineEnd))
            out << "    " << EscapeControls(line) << '\n';
    }
    return 0;
}

} // namespace quodlin::cli
