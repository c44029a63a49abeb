#include "shell/aboutbox.h"

#include "app/programinfo.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTransform>
#include <QVBoxLayout>

#include <cmath>

namespace quodlin {
namespace {

constexpr int kIconSize = 64;
constexpr int kFrameCount = 36;   // one turn in 10-degree steps
constexpr int kFrameMs = 60;

const char *const kRevisionHistory =
    "2.2c  06/07/97  Query plans can be viewed from any query window; the\n"
    "                connection combo lists two connections to one alias apart.\n"
    "2.2b  04/22/97  Save as SQD; results as aligned text; templates reset.\n"
    "2.2a  02/10/97  Triggers grouped by event; role and user pages.\n"
    "2.1   11/18/96  Compile views, procedures and triggers from the browser,\n"
    "                restoring the old object when the new text fails.\n"
    "2.0   08/30/96  Several connections at once; query windows bound to any of them.\n"
    "1.1   05/02/96  Memorized queries, find and replace, printing.\n"
    "1.0   02/14/96  First release: object browser and query window.\n";

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About ") + kProductName);
    setModal(true);

    m_picture = QPixmap(QStringLiteral(":/icons/quodlin-48.png"));
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("imgIcon"));
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setAlignment(Qt::AlignCenter);

    auto *product = new QLabel(kProductName, this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    product->setFont(big);
    auto *version = new QLabel(kProgramTitle, this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto *release = new QLabel(QStringLiteral("Version ") + kVersion, this);
    release->setObjectName(QStringLiteral("lblRelease"));
    auto *purpose = new QLabel(QStringLiteral("A workbench for Informix databases."), this);

    auto *titles = new QVBoxLayout;
    titles->addWidget(product);
    titles->addWidget(version);
    titles->addWidget(release);
    titles->addWidget(purpose);
    auto *top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(titles, 1);

    auto *history = new QPlainTextEdit(QString::fromUtf8(kRevisionHistory), this);
    history->setObjectName(QStringLiteral("memoHistory"));
    history->setReadOnly(true);
    history->setLineWrapMode(QPlainTextEdit::NoWrap);
    history->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    history->setMinimumSize(600, 180);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("Revision history"), this));
    layout->addWidget(history, 1);
    layout->addWidget(buttons);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &TAboutBox::nextFrame);
    m_timer->start(kFrameMs);
    nextFrame();
}

void TAboutBox::nextFrame()
{
    // The picture turns about its upright axis, as a coin spinning on a table.
    const double angle = 2.0 * M_PI * m_frame / kFrameCount;
    const double scaleX = std::cos(angle);
    m_frame = (m_frame + 1) % kFrameCount;

    QPixmap frame(kIconSize, kIconSize);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(kIconSize / 2.0, kIconSize / 2.0);
    painter.scale(std::abs(scaleX) < 0.06 ? 0.06 : scaleX, 1.0);
    painter.drawPixmap(-m_picture.width() / 2, -m_picture.height() / 2, m_picture);
    painter.end();
    m_icon->setPixmap(frame);
}

} // namespace quodlin
