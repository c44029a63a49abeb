// Dialogs for window tests: messages are recorded, questions answered No,
// file and input dialogs cancelled, print dialogs answered as set.
#pragma once

#include "app/dialogs.h"

#include <QStringList>

namespace quodlin {

class RecordingDialogs : public IDialogs {
public:
    void message(const QString &caption, const QString &text, MessageIcon, void *) override
    {
        messages << caption + QStringLiteral(": ") + text;
    }
    DialogAnswer question(const QString &, const QString &, QuestionButtons, void *) override { return DialogAnswer::No; }
    bool inputBox(const QString &, const QString &, QString &, void *) override { return false; }
    QString openFile(const FileDialogRequest &, void *) override { return {}; }
    QString saveFile(const FileDialogRequest &, void *) override { return {}; }
    bool printDialog(void *, void *) override { return printAnswer; }
    bool printerSetupDialog(void *, void *) override { return false; }
    QStringList messages;
    bool printAnswer = false;
};

} // namespace quodlin
