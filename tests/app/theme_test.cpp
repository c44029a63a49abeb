// The theme chosen in Options: the application palette follows it, the SQL
// colours stay readable on the editor's ground in both, so do the window
// titles and the main window's ground, System gives the desktop's palette
// back, and paper stays dark on white.
#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/ui/theme.h"
#include "output/ui/textprinter.h"
#include "shell/mainform.h"
#include "shell/optionsform.h"
#include "workspace/ui/sqleditwidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMdiArea>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

#include <cmath>

using namespace quodlin;

namespace {

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void chooseTheme(int index)
{
    TfrmOptions options;
    options.findChild<QComboBox *>(QStringLiteral("cboTheme"))->setCurrentIndex(index);
    options.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    QCoreApplication::processEvents();
}

// The colour the editor's first line shows from `start`.
QColor colourAt(const QPlainTextEdit &editor, int start)
{
    for (const QTextLayout::FormatRange &range : editor.document()->firstBlock().layout()->formats())
        if (range.start == start)
            return range.format.foreground().color();
    return {};
}

// The white pixels of an active window's title as the application style draws it.
int whiteTitlePixels()
{
    QStyleOptionTitleBar title;
    title.rect = QRect(0, 0, 320, 24);
    title.text = QStringLiteral("Query [demo] - select * from customer");
    title.palette = QApplication::palette();
    title.state = QStyle::State_Active | QStyle::State_Enabled;
    title.titleBarState = QStyle::State_Active;
    title.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
    title.subControls = QStyle::SC_TitleBarLabel;
    QImage image(title.rect.size(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        QApplication::style()->drawComplexControl(QStyle::CC_TitleBar, &title, &painter);
    }
    int white = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            white += image.pixel(x, y) == qRgb(255, 255, 255);
    return white;
}

} // namespace

TEST(Theme, OptionsSwitchThePaletteAndTheSqlColoursStayReadable)
{
    const QPalette desktop = QApplication::palette();
    TMainForm form;
    QMap<int, int> titleWhite;
    QPlainTextEdit editor;
    SetupSqlEditor(&editor);
    editor.setPlainText(QStringLiteral("select 'bolt' -- parts"));
    for (int theme : {ThemeDark, ThemeLight, ThemeDark}) {
        SCOPED_TRACE(theme);
        chooseTheme(theme);
        EXPECT_EQ(Settings::read(Settings::Theme), theme);
        EXPECT_EQ(IsDarkPalette(QApplication::palette()), theme == ThemeDark);
        const QColor base = editor.palette().color(QPalette::Base);
        EXPECT_EQ(base.lightness() < 128, theme == ThemeDark);
        for (int start : {0, 7, 14})  // keyword, string, comment
            EXPECT_GE(contrast(colourAt(editor, start), base), 4.5) << "at " << start;
        const QColor ground = form.mdiArea()->background().color();
        EXPECT_EQ(ground, QApplication::palette().color(QPalette::Mid));
        EXPECT_EQ(ground.lightness() < 128, theme == ThemeDark);
        titleWhite[theme] = whiteTitlePixels();
    }
    // The title's text, not a light shadow smeared under it.
    EXPECT_GT(titleWhite[ThemeLight], 0);
    EXPECT_LE(titleWhite[ThemeDark], titleWhite[ThemeLight] * 5 / 4);
    chooseTheme(ThemeSystem);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), desktop.color(QPalette::Window));
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), desktop.color(QPalette::Base));
}

TEST(Theme, PaperIsDarkOnWhiteInTheDarkTheme)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    ApplyTheme(ThemeDark);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("dark.pdf"));
    {
        QPdfWriter writer(pdf);
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(40);
        ASSERT_TRUE(PrintDocument(writer, font, {QStringList{QStringLiteral("MMMMMMMM")}}));
    }
    ApplyTheme(ThemeSystem);
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-singlefile"),
                       pdf, dir.filePath(QStringLiteral("page"))});
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    int dark = 0;
    int light = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            (qGray(page.pixel(x, y)) < 100 ? dark : light) += 1;
    EXPECT_GT(dark, 0) << "no ink";
    EXPECT_GT(light, dark * 20) << "the ground is not white";
}
