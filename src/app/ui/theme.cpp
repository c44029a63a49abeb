#include "app/ui/theme.h"

#include <QApplication>
#include <QEvent>
#include <QMdiArea>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionTitleBar>

namespace quodlin {

namespace {

struct DesktopLook {
    QPalette palette;
    QString style;
};

// Taken before the first palette of our own replaces it.
const DesktopLook &desktopLook()
{
    static const DesktopLook look{QApplication::palette(),
                                  QApplication::style() ? QApplication::style()->name() : QString()};
    return look;
}

// Fusion, whose active window titles draw their text over a copy of it one
// pixel down and right in the palette's text colour: a shadow on a light
// palette, a light smear on a dark one. The copy is drawn black in both.
class ThemeStyle : public QProxyStyle {
public:
    ThemeStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        const auto *title = control == CC_TitleBar ? qstyleoption_cast<const QStyleOptionTitleBar *>(option) : nullptr;
        if (!title || !(title->titleBarState & State_Active))
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        QStyleOptionTitleBar shadowed(*title);
        shadowed.palette.setColor(QPalette::Text, Qt::black);
        QProxyStyle::drawComplexControl(control, &shadowed, painter, widget);
    }
};

class BackgroundFollower : public QObject {
public:
    explicit BackgroundFollower(QMdiArea *area) : QObject(area), m_area(area)
    {
        follow();
        area->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_area && event->type() == QEvent::PaletteChange)
            follow();
        return false;
    }

private:
    void follow() { m_area->setBackground(m_area->palette().brush(QPalette::Mid)); }
    QMdiArea *m_area;
};

void setStyleNamed(const QString &name)
{
    if (name.isEmpty() || (QApplication::style() && QApplication::style()->name().compare(name, Qt::CaseInsensitive) == 0))
        return;
    if (QStyle *style = QStyleFactory::create(name))
        QApplication::setStyle(style);
}

} // namespace

QPalette LightPalette()
{
    QPalette p(QColor(0xef, 0xef, 0xef));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf5));
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x00, 0x00, 0xee));
    p.setColor(QPalette::PlaceholderText, QColor(0x70, 0x70, 0x70));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x90, 0x90, 0x90));
    return p;
}

QPalette DarkPalette()
{
    const QColor window(0x2d, 0x2d, 0x30), base(0x1e, 0x1e, 0x1e), text(0xe8, 0xe8, 0xe8);
    QPalette p(text, window, QColor(0x50, 0x50, 0x55), QColor(0x18, 0x18, 0x18), QColor(0x3c, 0x3c, 0x40), text,
               Qt::white, base, window);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    p.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x40));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(0x26, 0x4f, 0x78));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6e, 0xa8, 0xfe));
    p.setColor(QPalette::LinkVisited, QColor(0xb0, 0x8c, 0xf0));
    p.setColor(QPalette::PlaceholderText, QColor(0x98, 0x98, 0x98));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    return p;
}

void FollowThemeBackground(QMdiArea *area) { new BackgroundFollower(area); }

bool IsDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

void ApplyTheme(int choice)
{
    static bool ownPalette = false;
    const DesktopLook &desktop = desktopLook();
    if (choice == ThemeLight || choice == ThemeDark) {
        // Some platform styles draw with their own colours and ignore the palette.
        if (!dynamic_cast<ThemeStyle *>(QApplication::style()))
            QApplication::setStyle(new ThemeStyle);
        QApplication::setPalette(choice == ThemeDark ? DarkPalette() : LightPalette());
        ownPalette = true;
        return;
    }
    // Untouched, the application keeps following the desktop's own changes.
    if (!ownPalette)
        return;
    setStyleNamed(desktop.style);
    QApplication::setPalette(desktop.palette);
    ownPalette = false;
}

} // namespace quodlin
