#pragma once
// Draws a laid-out picture of boxes and arrows (output/graphlayout.h) with Qt:
// a scene built for a palette (the theme's on screen, the paper's for
// exports and print), PNG and SVG files written whole or not at all, and a
// view with zoom, export and print commands on its context menu and keys.
#include "output/graphlayout.h"

#include <QGraphicsView>

#include <functional>
#include <memory>

class QAction;
class QGraphicsScene;
class QPainter;
class QPalette;

namespace quodlin {

// The scene's items carry their part in data(kPictureRole): "node" (a box,
// data(kPictureTextRole) its title), "row" (a box's line), "edge", "label".
inline constexpr int kPictureRole = 0;
inline constexpr int kPictureTextRole = 1;

// Lays the picture out and builds its items in the palette's colours.
// Raises what LayOutGraph raises.
std::unique_ptr<QGraphicsScene> BuildPictureScene(const GraphPicture &picture, const QFont &font,
                                                  const QPalette &palette);

// Writes the scene as a PNG or SVG file (by the name's suffix: .svg, else
// PNG). False with "Cannot write NAME: reason" in `error` when it fails; the
// old file then stays.
bool SavePictureFile(QGraphicsScene &scene, const QString &fileName, QString *error);
// Paints the scene into `target`, scaled down to fit it and centred.
void PaintPicture(QGraphicsScene &scene, QPainter &painter, const QRectF &target);

class GraphPictureView;
class IShell;

// A row of the leading controls and a button per command of the view, to stand above it.
QWidget *PictureBar(GraphPictureView *view, const QList<QWidget *> &leading);
// The view's picture in the paper's colours under `title`, through the
// shell's printer (print dialog or preview); false when there is none or the
// dialog was cancelled.
bool PrintPictureView(IShell &shell, GraphPictureView *view, const QString &title);

class GraphPictureView : public QGraphicsView {
    Q_OBJECT
public:
    explicit GraphPictureView(QWidget *parent = nullptr);
    ~GraphPictureView() override;

    // Lays out and shows the picture (kept for rebuilds in another palette).
    // Raises what LayOutGraph raises; the view is then empty.
    void setPicture(const GraphPicture &picture);
    void clearPicture();
    bool hasPicture() const;
    // The name the export dialog proposes, without suffix.
    void setFileNameHint(const QString &name) { m_fileNameHint = name; }
    // Print is the owner's: it knows the printer and the title.
    void setPrintHandler(std::function<void()> handler);
    // The picture in the paper's colours for exports and print.
    std::unique_ptr<QGraphicsScene> paperScene() const;

    double zoom() const { return m_zoom; }
    void setZoom(double factor);
    void zoomToFit();
    // The export dialog, then the file; failures are reported in a message.
    void exportPicture(bool svg);
    // Zoom in, out, to fit and to actual size, export PNG and SVG, print:
    // on the context menu, with their keys while the view has the focus.
    QList<QAction *> commands() const { return m_commands; }

protected:
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void rebuild();

    GraphPicture m_picture;
    bool m_hasPicture = false;
    std::unique_ptr<QGraphicsScene> m_scene;
    double m_zoom = 1.0;
    QString m_fileNameHint;
    std::function<void()> m_print;
    QList<QAction *> m_commands;
    QAction *m_printAction = nullptr;
};

} // namespace quodlin
