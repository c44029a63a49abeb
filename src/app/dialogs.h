#pragma once
// The one door through which the program asks the user anything: message
// boxes, confirmation questions, input boxes, file and print dialogs. The
// windows install the widget implementation at start; tests install a
// scripted one and answer from it. Core code uses only this interface.
#include <QString>
#include <QStringList>

#include <memory>

namespace quodlin {

enum class MessageIcon { None, Information, Warning, Question, Stop };

// Answers of confirmation questions and message boxes.
enum class DialogAnswer { Ok, Cancel, Yes, No };

enum class QuestionButtons { YesNo, YesNoCancel };

struct FileDialogRequest {
    QString title;
    QString folder;       // initial folder, may be empty
    QString fileName;     // initial file name, may be empty
    QString filter;       // Qt filter text, e.g. "SQL files (*.sql);;All files (*)"
    QString defaultSuffix;
    bool confirmOverwrite = true;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // A notice with one OK button. `owner` is opaque (a QWidget* in the GUI), may be null.
    virtual void message(const QString &caption, const QString &text, MessageIcon icon,
                         void *owner = nullptr) = 0;
    virtual DialogAnswer question(const QString &caption, const QString &text,
                                  QuestionButtons buttons, void *owner = nullptr) = 0;
    // Returns false when cancelled; `value` holds the initial text and receives the answer.
    virtual bool inputBox(const QString &caption, const QString &prompt, QString &value,
                          void *owner = nullptr) = 0;
    // Return the chosen path, or an empty text when cancelled.
    virtual QString openFile(const FileDialogRequest &request, void *owner = nullptr) = 0;
    virtual QString saveFile(const FileDialogRequest &request, void *owner = nullptr) = 0;
    // Print and printer set-up dialogs. `printer` is opaque (a QPrinter* in the
    // GUI); returns false when cancelled.
    virtual bool printDialog(void *printer, void *owner = nullptr) = 0;
    virtual bool printerSetupDialog(void *printer, void *owner = nullptr) = 0;
};

// The installed implementation; never null (a silent default that answers
// Cancel/No and shows nothing is installed until the program sets its own).
IDialogs &Dialogs();
// Installs an implementation and returns the previous one.
std::shared_ptr<IDialogs> SetDialogs(std::shared_ptr<IDialogs> dialogs);

} // namespace quodlin
