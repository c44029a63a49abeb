#pragma once
// The program's colours: the desktop's palette (light or dark, as the
// desktop says), or a light or a dark palette of our own chosen in Options.
// Windows and editors read the application palette and follow its changes;
// printed output is drawn on a light palette whatever the theme.
#include <QPalette>

class QMdiArea;

namespace quodlin {

// The values of the "Theme" setting.
enum ThemeChoice { ThemeSystem = 0, ThemeLight = 1, ThemeDark = 2 };

// Sets the application palette (and, for our own palettes, a style that
// honours palettes). System gives back the desktop's palette as it was
// when the program first applied a theme.
void ApplyTheme(int choice);

QPalette LightPalette();
QPalette DarkPalette();
// Dark text on a light ground for paper.
inline QPalette PrintPalette() { return LightPalette(); }
// True when text is light on a dark ground.
bool IsDarkPalette(const QPalette &palette);

// Keeps the area's background (a fixed grey of Qt's otherwise) on the
// palette's mid colour, through theme changes.
void FollowThemeBackground(QMdiArea *area);

} // namespace quodlin
