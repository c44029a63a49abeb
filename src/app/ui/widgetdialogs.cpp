#include "app/ui/widgetdialogs.h"

#include <QDir>
#include <QFontMetrics>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace quodlin {
namespace {

QWidget *ownerWidget(void *owner) { return static_cast<QWidget *>(owner); }

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString startPath(const FileDialogRequest &request)
{
    if (request.folder.isEmpty())
        return request.fileName;
    return request.fileName.isEmpty() ? request.folder : QDir(request.folder).filePath(request.fileName);
}

QString runFileDialog(const FileDialogRequest &request, void *owner, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(ownerWidget(owner), request.title, startPath(request), request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void FitTitle(QWidget *dialog)
{
    // Applied as the window shows: a dialog's layout may set its sizes itself then.
    class Widen : public QObject {
    public:
        using QObject::QObject;

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Show) {
                auto *window = static_cast<QWidget *>(watched);
                QFont font = window->font();
                font.setBold(true);
                const int width = QFontMetrics(font).horizontalAdvance(window->windowTitle()) + 160;
                if (window->width() < width)
                    window->resize(width, window->height());
            }
            return false;
        }
    };
    dialog->installEventFilter(new Widen(dialog));
}

void WidgetDialogs::message(const QString &caption, const QString &text, MessageIcon icon, void *owner)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, ownerWidget(owner));
    box.exec();
}

DialogAnswer WidgetDialogs::question(const QString &caption, const QString &text, QuestionButtons buttons,
                                     void *owner)
{
    QMessageBox::StandardButtons choices = QMessageBox::Yes | QMessageBox::No;
    if (buttons == QuestionButtons::YesNoCancel)
        choices |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, caption, text, choices, ownerWidget(owner));
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return DialogAnswer::Yes;
    case QMessageBox::No:
        return DialogAnswer::No;
    default:
        // Escape or the window's close button on a Yes/No question counts as No.
        return buttons == QuestionButtons::YesNoCancel ? DialogAnswer::Cancel : DialogAnswer::No;
    }
}

bool WidgetDialogs::inputBox(const QString &caption, const QString &prompt, QString &value, void *owner)
{
    QInputDialog dialog(ownerWidget(owner));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    FitTitle(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

QString WidgetDialogs::openFile(const FileDialogRequest &request, void *owner)
{
    return runFileDialog(request, owner, QFileDialog::AcceptOpen);
}

QString WidgetDialogs::saveFile(const FileDialogRequest &request, void *owner)
{
    return runFileDialog(request, owner, QFileDialog::AcceptSave);
}

bool WidgetDialogs::printDialog(void *printer, void *owner)
{
    QPrintDialog dialog(static_cast<QPrinter *>(printer), ownerWidget(owner));
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetDialogs::printerSetupDialog(void *printer, void *owner)
{
    QPageSetupDialog dialog(static_cast<QPrinter *>(printer), ownerWidget(owner));
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quodlin
