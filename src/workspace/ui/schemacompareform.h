#pragma once
// The Compare Schema window: two sources (a database by alias, or a schema
// file), the options, Compare on a worker with a progress line and Stop, the
// differences as a tree (kind, object, property), the source and target DDL
// of the selected object side by side with the differing lines marked, and
// the script that makes the target like the source, saved to a file or
// opened in a query window. The work is the core's (schemacomparejob.h).
#include "workspace/schemacomparejob.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;

namespace quodlin {

class TfrmCompareSchema : public QDialog {
    Q_OBJECT
public:
    // `openScript` puts a text into a new query window; `alias` and `user`
    // fill in the source (the current connection).
    TfrmCompareSchema(std::function<void(const QString &)> openScript, const QString &alias, const QString &user,
                      QWidget *parent = nullptr);
    ~TfrmCompareSchema() override;

    void btnCompareClick();
    void btnStopClick();
    void btnSaveScriptClick();
    void btnOpenScriptClick();
    // Blocks until a comparison ends and its outcome is shown (tests).
    void waitForRun();
    const SchemaComparison &comparison() const { return m_comparison; }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Side {
        QRadioButton *database = nullptr;
        QRadioButton *file = nullptr;
        QComboBox *alias = nullptr;
        QLineEdit *user = nullptr;
        QLineEdit *password = nullptr;
        QLineEdit *fileName = nullptr;
    };
    QWidget *createSide(const QString &caption, const QString &prefix, Side &side);
    CompareSide sideOf(const Side &side) const;
    void aliasChanged(Side &side);
    void browse(Side &side);
    void showProgress();
    void finished();
    void setRunning(bool running);
    void showDifference();
    void markLines();
    QString scriptText() const;

    std::function<void(const QString &)> m_openScript;
    Side m_source, m_target;
    QCheckBox *m_chkIgnoreOwners = nullptr;
    QCheckBox *m_chkDrop = nullptr;
    QLineEdit *m_editOwner = nullptr;
    QPushButton *m_btnCompare = nullptr;
    QWidget *m_progressLine = nullptr;
    QLabel *m_lblProgress = nullptr;
    QTreeWidget *m_tvDifferences = nullptr;
    QLabel *m_lblSourceDdl = nullptr;
    QLabel *m_lblTargetDdl = nullptr;
    QPlainTextEdit *m_rtfSourceDdl = nullptr;
    QPlainTextEdit *m_rtfTargetDdl = nullptr;
    QLabel *m_lblSummary = nullptr;
    QPushButton *m_btnSaveScript = nullptr;
    QPushButton *m_btnOpenScript = nullptr;
    QList<QWidget *> m_inputs;  // held while a comparison runs
    QTimer m_progressTimer;
    SchemaComparison m_comparison;
    bool m_compared = false;  // the comparison shown ran to its end
    QString m_sourceLabel, m_targetLabel;
    LineDifference m_lines;
    // Last: its worker is waited for before the rest goes.
    SchemaCompareRunner m_runner;
};

} // namespace quodlin
