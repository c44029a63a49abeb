#include "output/ui/graphpicture.h"

#include "app/dialogs.h"
#include "app/outputfile.h"
#include "output/ui/resultoutput.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QToolButton>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSvgGenerator>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quodlin {

namespace {

constexpr double kPad = 6;
constexpr double kGap = 8;
// Exported PNGs are drawn at twice the size for sharp text, up to this many pixels.
constexpr double kMaxPngPixels = 16e6;

struct Columns {
    double mark = 0, text = 0, detail = 0;
};

Columns columnsOf(const GraphNode &node, const QFontMetricsF &fm)
{
    Columns c;
    for (const GraphRow &row : node.rows) {
        c.mark = std::max(c.mark, fm.horizontalAdvance(row.mark));
        c.text = std::max(c.text, fm.horizontalAdvance(row.text));
        c.detail = std::max(c.detail, fm.horizontalAdvance(row.detail));
    }
    return c;
}

QGraphicsSimpleTextItem *text(QGraphicsItem *parent, const QString &value, const QFont &font, const QColor &colour,
                              QPointF at)
{
    auto *item = new QGraphicsSimpleTextItem(value, parent);
    item->setFont(font);
    item->setBrush(colour);
    item->setPos(at);
    return item;
}

} // namespace

std::unique_ptr<QGraphicsScene> BuildPictureScene(const GraphPicture &picture, const QFont &font,
                                                  const QPalette &palette)
{
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF fm(font), fmBold(bold);
    const double line = fm.height() + 2;
    const auto measure = [&](const GraphNode &node) {
        const Columns c = columnsOf(node, fm);
        const double rowWidth = (c.mark > 0 ? c.mark + kGap : 0) + c.text + (c.detail > 0 ? kGap + c.detail : 0);
        const double width = std::max(fmBold.horizontalAdvance(node.title), rowWidth) + 2 * kPad;
        const double height = fmBold.height() + 2 * kPad + node.rows.size() * line + (node.rows.isEmpty() ? 0 : kPad);
        return QSizeF(width, height);
    };
    const GraphLayout layout = LayOutGraph(picture, measure, std::max(1.0, font.pointSizeF()));

    auto scene = std::make_unique<QGraphicsScene>();
    scene->setBackgroundBrush(palette.color(QPalette::Base));
    const QColor ink = palette.color(QPalette::Text);
    const QColor frame = palette.color(QPalette::Mid);
    for (qsizetype i = 0; i < picture.nodes.size(); ++i) {
        const GraphNode &node = picture.nodes[i];
        const QRectF r = layout.nodes[i];
        auto *box = scene->addRect(r, QPen(node.emphasized ? palette.color(QPalette::Highlight) : frame,
                                           node.emphasized ? 2.5 : 1),
                                   palette.color(QPalette::Base));
        box->setData(kPictureRole, QStringLiteral("node"));
        box->setData(kPictureTextRole, node.title);
        box->setToolTip(node.title);
        const double titleHeight = fmBold.height() + 2 * kPad;
        const QColor band = node.emphasized ? palette.color(QPalette::Highlight) : palette.color(QPalette::AlternateBase);
        auto *title = new QGraphicsRectItem(QRectF(r.left(), r.top(), r.width(), titleHeight), box);
        title->setPen(Qt::NoPen);
        title->setBrush(band);
        text(box, node.title, bold, node.emphasized ? palette.color(QPalette::HighlightedText) : ink,
             {r.left() + kPad, r.top() + kPad});
        const Columns c = columnsOf(node, fm);
        const double textX = r.left() + kPad + (c.mark > 0 ? c.mark + kGap : 0);
        double y = r.top() + titleHeight + kPad / 2;
        for (const GraphRow &row : node.rows) {
            if (!row.mark.isEmpty())
                text(box, row.mark, bold, palette.color(QPalette::Link), {r.left() + kPad, y});
            auto *item = text(box, row.text, font, ink, {textX, y});
            item->setData(kPictureRole, QStringLiteral("row"));
            item->setData(kPictureTextRole, row.text);
            if (!row.detail.isEmpty())
                text(box, row.detail, font, palette.color(QPalette::PlaceholderText), {textX + c.text + kGap, y});
            y += line;
        }
    }
    for (qsizetype i = 0; i < picture.edges.size(); ++i) {
        const EdgeGeometry &g = layout.edges[i];
        if (g.path.isEmpty())
            continue;
        QPainterPath path(g.path.first());
        for (qsizetype k = 1; k + 2 < g.path.size(); k += 3)
            path.cubicTo(g.path[k], g.path[k + 1], g.path[k + 2]);
        path.lineTo(g.arrowTip);
        auto *edge = scene->addPath(path, QPen(ink, 1));
        edge->setData(kPictureRole, QStringLiteral("edge"));
        edge->setData(kPictureTextRole, picture.edges[i].label);
        // The head: a small triangle along the last stretch.
        const QPointF from = g.path.last() == g.arrowTip && g.path.size() > 1 ? g.path[g.path.size() - 2] : g.path.last();
        QLineF back(g.arrowTip, from);
        if (back.length() > 0) {
            back.setLength(8);
            QLineF left = back, right = back;
            left.setAngle(back.angle() + 25);
            right.setAngle(back.angle() - 25);
            scene->addPolygon(QPolygonF{g.arrowTip, left.p2(), right.p2()}, QPen(ink, 1), ink);
        }
        if (g.hasLabel) {
            auto *label = new QGraphicsSimpleTextItem(picture.edges[i].label);
            label->setFont(font);
            label->setBrush(ink);
            const QRectF bounds = label->boundingRect();
            label->setPos(g.labelCentre - QPointF(bounds.width() / 2, bounds.height() / 2));
            label->setData(kPictureRole, QStringLiteral("label"));
            label->setData(kPictureTextRole, picture.edges[i].label);
            scene->addItem(label);
        }
    }
    scene->setSceneRect(QRectF(QPointF(0, 0), layout.size).adjusted(-kPad, -kPad, kPad, kPad));
    return scene;
}

void PaintPicture(QGraphicsScene &scene, QPainter &painter, const QRectF &target)
{
    const QRectF source = scene.sceneRect();
    const double scale = std::min({1.0, target.width() / source.width(), target.height() / source.height()});
    const QSizeF size = source.size() * scale;
    const QRectF placed(target.left() + (target.width() - size.width()) / 2, target.top(), size.width(), size.height());
    scene.render(&painter, placed, source, Qt::KeepAspectRatio);
}

bool SavePictureFile(QGraphicsScene &scene, const QString &fileName, QString *error)
{
    const QRectF source = scene.sceneRect();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(source.size().toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), source.size()));
        svg.setTitle(QFileInfo(fileName).completeBaseName());
        QPainter painter(&svg);
        scene.render(&painter, QRectF(QPointF(0, 0), source.size()), source);
    } else {
        const double scale = std::min(2.0, std::sqrt(kMaxPngPixels / (source.width() * source.height())));
        QImage image((source.size() * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(scene.backgroundBrush().color());
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())), source);
        }
        image.save(&buffer, "PNG");
    }
    return WriteWholeFile(fileName, buffer.data(), error);
}

QWidget *PictureBar(GraphPictureView *view, const QList<QWidget *> &leading)
{
    auto *bar = new QWidget;
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    for (QWidget *w : leading)
        row->addWidget(w);
    row->addSpacing(8);
    for (QAction *a : view->commands()) {
        auto *button = new QToolButton;
        button->setDefaultAction(a);
        button->setAutoRaise(true);
        row->addWidget(button);
    }
    row->addStretch();
    return bar;
}

bool PrintPictureView(IShell &shell, GraphPictureView *view, const QString &title)
{
    if (!view->hasPicture())
        return false;
    const std::unique_ptr<QGraphicsScene> paper = view->paperScene();
    return PrintPicture(shell, view, title, view->font(),
                        [&](QPainter &painter, const QRectF &area) { PaintPicture(*paper, painter, area); });
}

GraphPictureView::GraphPictureView(QWidget *parent) : QGraphicsView(parent)
{
    setDragMode(QGraphicsView::ScrollHandDrag);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setFocusPolicy(Qt::StrongFocus);
    const auto command = [this](const QString &caption, const QString &name, QList<QKeySequence> keys,
                                std::function<void()> run) {
        auto *a = new QAction(caption, this);
        a->setObjectName(name);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, std::move(run));
        addAction(a);
        m_commands << a;
        return a;
    };
    command(tr("Zoom &In"), QStringLiteral("actPictureZoomIn"), {QKeySequence::ZoomIn, QKeySequence(tr("Ctrl+="))},
            [this] { setZoom(m_zoom * 1.25); });
    command(tr("Zoom &Out"), QStringLiteral("actPictureZoomOut"), {QKeySequence::ZoomOut},
            [this] { setZoom(m_zoom / 1.25); });
    command(tr("&Fit"), QStringLiteral("actPictureFit"), {QKeySequence(tr("Ctrl+0"))}, [this] { zoomToFit(); });
    command(tr("&Actual Size"), QStringLiteral("actPictureActualSize"), {QKeySequence(tr("Ctrl+1"))},
            [this] { setZoom(1.0); });
    command(tr("Export P&NG..."), QStringLiteral("actPictureExportPng"), {}, [this] { exportPicture(false); });
    command(tr("Export S&VG..."), QStringLiteral("actPictureExportSvg"), {}, [this] { exportPicture(true); });
    m_printAction = command(tr("&Print..."), QStringLiteral("actPicturePrint"), {}, [this] {
        if (m_print)
            m_print();
    });
    m_printAction->setVisible(false);
    for (QAction *a : std::as_const(m_commands))
        a->setEnabled(false);
}

GraphPictureView::~GraphPictureView()
{
    // The view must let go of the scene before it is deleted.
    setScene(nullptr);
}

void GraphPictureView::setPicture(const GraphPicture &picture)
{
    m_picture = picture;
    m_hasPicture = true;
    try {
        rebuild();
    } catch (...) {
        clearPicture();
        throw;
    }
}

void GraphPictureView::clearPicture()
{
    m_picture = {};
    m_hasPicture = false;
    setScene(nullptr);
    m_scene.reset();
    for (QAction *a : std::as_const(m_commands))
        a->setEnabled(false);
}

bool GraphPictureView::hasPicture() const { return m_hasPicture; }

void GraphPictureView::setPrintHandler(std::function<void()> handler)
{
    m_print = std::move(handler);
    m_printAction->setVisible(bool(m_print));
}

std::unique_ptr<QGraphicsScene> GraphPictureView::paperScene() const
{
    QPalette paper = QApplication::palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::AlternateBase, QColor(0xee, 0xee, 0xee));
    paper.setColor(QPalette::Text, Qt::black);
    paper.setColor(QPalette::Mid, QColor(0x80, 0x80, 0x80));
    paper.setColor(QPalette::Highlight, QColor(0x30, 0x60, 0xa0));
    paper.setColor(QPalette::HighlightedText, Qt::white);
    paper.setColor(QPalette::Link, QColor(0x20, 0x50, 0x90));
    paper.setColor(QPalette::PlaceholderText, QColor(0x60, 0x60, 0x60));
    return BuildPictureScene(m_picture, font(), paper);
}

void GraphPictureView::rebuild()
{
    setScene(nullptr);
    m_scene.reset();
    if (!m_hasPicture)
        return;
    m_scene = BuildPictureScene(m_picture, font(), palette());
    setScene(m_scene.get());
    for (QAction *a : std::as_const(m_commands))
        a->setEnabled(true);
}

void GraphPictureView::setZoom(double factor)
{
    m_zoom = std::clamp(factor, 0.05, 8.0);
    setTransform(QTransform::fromScale(m_zoom, m_zoom));
}

void GraphPictureView::zoomToFit()
{
    if (!m_scene)
        return;
    fitInView(m_scene->sceneRect(), Qt::KeepAspectRatio);
    // A small picture is not blown up beyond its size.
    setZoom(std::min(1.0, transform().m11()));
}

void GraphPictureView::exportPicture(bool svg)
{
    if (!m_hasPicture)
        return;
    FileDialogRequest request;
    request.title = svg ? tr("Export as SVG") : tr("Export as PNG");
    request.filter = svg ? tr("SVG Files (*.svg);;All Files (*)") : tr("PNG Files (*.png);;All Files (*)");
    request.defaultSuffix = svg ? QStringLiteral("svg") : QStringLiteral("png");
    request.fileName = m_fileNameHint.isEmpty() ? QString() : m_fileNameHint + QLatin1Char('.') + request.defaultSuffix;
    QString path = Dialogs().saveFile(request, window());
    if (path.isEmpty())
        return;
    QString error;
    try {
        const std::unique_ptr<QGraphicsScene> paper = paperScene();
        if (SavePictureFile(*paper, path, &error))
            return;
    } catch (const std::exception &failure) {
        error = QString::fromUtf8(failure.what());
    }
    Dialogs().message(request.title, error, MessageIcon::Stop, window());
}

void GraphPictureView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        setZoom(m_zoom * (event->angleDelta().y() > 0 ? 1.25 : 0.8));
        event->accept();
        return;
    }
    QGraphicsView::wheelEvent(event);
}

void GraphPictureView::changeEvent(QEvent *event)
{
    QGraphicsView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_hasPicture) {
        try {
            rebuild();
        } catch (const std::exception &) {
            // The layout worked a moment ago with the same picture; keep what is shown.
        }
    }
}

void GraphPictureView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    for (qsizetype i = 0; i < m_commands.size(); ++i) {
        if (i == 4)
            menu.addSeparator();
        if (m_commands[i]->isVisible())
            menu.addAction(m_commands[i]);
    }
    menu.exec(event->globalPos());
}

} // namespace quodlin
