#pragma once
// The main window's modeless find and replace dialogs: search text, match
// case, the direction (find only) and a whole-word box that stays disabled,
// as searches never match whole words. Each button press emits `activated`
// with the dialog's settings read back through the accessors; the main
// window runs the search and closes the dialog.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quodlin {

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    enum class Button { FindNext, Replace, ReplaceAll };

    // `replace` makes the replace dialog (FindDialog or ReplaceDialog).
    TFindDialog(bool replace, QWidget *parent);

    bool isReplaceDialog() const { return m_replace; }
    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;
    bool down() const;
    // The last button pressed; kept between uses as the dialog keeps it.
    Button pressed() const { return m_pressed; }
    // Opens (or raises) the dialog with the search text selected.
    void execute();

signals:
    void activated();

private:
    void press(Button button);

    bool m_replace;
    Button m_pressed = Button::FindNext;
    QLineEdit *m_editFind = nullptr;
    QLineEdit *m_editReplace = nullptr;
    QCheckBox *m_chkMatchCase = nullptr;
    QCheckBox *m_chkWholeWord = nullptr;
    QRadioButton *m_rbUp = nullptr;
    QRadioButton *m_rbDown = nullptr;
};

} // namespace quodlin
