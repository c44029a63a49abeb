#pragma once
// The dialog interface answered by real dialogs: QMessageBox, QInputDialog,
// QFileDialog, QPrintDialog and QPageSetupDialog. main() installs it.
#include "app/dialogs.h"

class QWidget;

namespace quodlin {

// Widens a dialog so the window manager's title bar shows its whole caption
// (the caption in a bold font, and room for the icon and the buttons).
void FitTitle(QWidget *dialog);

class WidgetDialogs final : public IDialogs {
public:
    void message(const QString &caption, const QString &text, MessageIcon icon, void *owner) override;
    DialogAnswer question(const QString &caption, const QString &text, QuestionButtons buttons,
                          void *owner) override;
    bool inputBox(const QString &caption, const QString &prompt, QString &value, void *owner) override;
    QString openFile(const FileDialogRequest &request, void *owner) override;
    QString saveFile(const FileDialogRequest &request, void *owner) override;
    bool printDialog(void *printer, void *owner) override;
    bool printerSetupDialog(void *printer, void *owner) override;
};

} // namespace quodlin
