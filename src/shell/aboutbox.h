#pragma once
// The About box: product name, version title, an animated icon and the
// revision history.
#include <QDialog>
#include <QPixmap>

class QLabel;
class QTimer;

namespace quodlin {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

private:
    void nextFrame();

    QLabel *m_icon = nullptr;
    QTimer *m_timer = nullptr;
    QPixmap m_picture;
    int m_frame = 0;
};

} // namespace quodlin
