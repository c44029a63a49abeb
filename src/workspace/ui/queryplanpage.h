#pragma once
// The query window's Plan page: the explain file's text beside its plan
// drawn as a tree (workspace/queryplan.h), one statement at a time.
#include <QString>
#include <QWidget>

#include <functional>

class QComboBox;
class QPlainTextEdit;

namespace quodlin {

class GraphPictureView;
struct PlanQuery;

class QueryPlanPage : public QWidget {
    Q_OBJECT
public:
    explicit QueryPlanPage(QWidget *parent = nullptr);

    // Reads the explain file and shows its last statement's plan; `why` is
    // shown instead when there is nothing to read.
    void showExplainFile(const QString &fileName, const QString &why);
    // Shows the statements of an explain text (the last one drawn).
    void showExplainText(const QString &text);
    GraphPictureView *view() const { return m_view; }

private:
    void drawStatement(int index);

    QPlainTextEdit *m_text;
    QComboBox *m_statements;
    GraphPictureView *m_view;
    QString m_explainText;
};

} // namespace quodlin
