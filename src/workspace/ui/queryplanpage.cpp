#include "workspace/ui/queryplanpage.h"

#include "app/externalprograms.h"
#include "output/ui/graphpicture.h"
#include "workspace/queryplan.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QSplitter>
#include <QVBoxLayout>

namespace quodlin {

QueryPlanPage::QueryPlanPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("splitterPlan"));
    m_text = new QPlainTextEdit;
    m_text->setObjectName(QStringLiteral("rtfPlanText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Courier New"), 10);
    mono.setStyleHint(QFont::Monospace);
    m_text->setFont(mono);
    splitter->addWidget(m_text);

    auto *picture = new QWidget;
    auto *pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLayout->setSpacing(0);
    m_view = new GraphPictureView;
    m_view->setObjectName(QStringLiteral("viewPlan"));
    m_view->setFileNameHint(QStringLiteral("plan"));
    m_statements = new QComboBox;
    m_statements->setObjectName(QStringLiteral("cboPlanStatement"));
    m_statements->setMinimumContentsLength(30);
    m_statements->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *label = new QLabel(tr("State&ment:"));
    label->setBuddy(m_statements);
    pictureLayout->addWidget(PictureBar(m_view, {label, m_statements}));
    pictureLayout->addWidget(m_view, 1);
    splitter->addWidget(picture);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({360, 720});
    layout->addWidget(splitter);
    connect(m_statements, &QComboBox::currentIndexChanged, this, &QueryPlanPage::drawStatement);
}

void QueryPlanPage::showExplainFile(const QString &fileName, const QString &why)
{
    QFile file(fileName);
    if (!why.isEmpty() || fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_statements->clear();
        m_view->clearPicture();
        m_text->setPlainText(why.isEmpty() ? tr("No plan to show: %1 cannot be read.").arg(fileName) : why);
        return;
    }
    showExplainText(QString::fromUtf8(file.readAll()));
}

void QueryPlanPage::showExplainText(const QString &text)
{
    m_explainText = text;
    m_text->setPlainText(text);
    const QList<PlanQuery> plans = ParseExplainText(text);
    const QSignalBlocker block(m_statements);
    m_statements->clear();
    for (qsizetype i = 0; i < plans.size(); ++i)
        m_statements->addItem(QStringLiteral("%1: %2").arg(i + 1).arg(plans[i].statement.simplified().left(80)));
    m_statements->setCurrentIndex(int(plans.size()) - 1);
    drawStatement(m_statements->currentIndex());
}

void QueryPlanPage::drawStatement(int index)
{
    const QList<PlanQuery> plans = ParseExplainText(m_explainText);
    if (index < 0 || index >= plans.size()) {
        m_view->clearPicture();
        return;
    }
    // The text beside the picture shows the same statement, its QUERY line on top.
    int seen = -1;
    for (QTextBlock block = m_text->document()->firstBlock(); block.isValid(); block = block.next()) {
        if (!block.text().trimmed().startsWith(QLatin1String("QUERY:")) || ++seen < index)
            continue;
        m_text->setTextCursor(QTextCursor(block));
        m_text->verticalScrollBar()->setValue(block.firstLineNumber());
        break;
    }
    try {
        m_view->setPicture(PlanPicture(plans[index]));
        m_view->zoomToFit();
    } catch (const std::exception &failure) {
        ShowErrorBox(QString::fromUtf8(failure.what()));
    }
}

} // namespace quodlin
