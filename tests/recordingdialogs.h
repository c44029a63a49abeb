// Dialogs for tests: messages and questions are recorded; questions take the
// scripted answers in turn, then `unanswered`; input boxes take the scripted
// inputs; file dialogs record what they were asked and return the set path
// (empty: cancelled); print dialogs answer as set and count how often asked.
#pragma once

#include "app/dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

namespace quodlin {

class RecordingDialogs : public IDialogs {
public:
    struct Shown {
        QString caption, text;
        MessageIcon icon;
        void *owner;
    };
    void message(const QString &caption, const QString &text, MessageIcon icon, void *owner) override
    {
        messages << caption + QStringLiteral(": ") + text;
        shown.push_back({caption, text, icon, owner});
    }
    DialogAnswer question(const QString &, const QString &text, QuestionButtons, void *) override
    {
        questions << text;
        if (answers.empty())
            return unanswered;
        const DialogAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool inputBox(const QString &caption, const QString &prompt, QString &value, void *) override
    {
        questions << caption + QStringLiteral(" / ") + prompt;
        if (inputs.isEmpty())
            return false;
        value = inputs.takeFirst();
        return true;
    }
    QString openFile(const FileDialogRequest &r, void *) override
    {
        fileRequests << r;
        return openPath;
    }
    QString saveFile(const FileDialogRequest &r, void *) override
    {
        fileRequests << r;
        return savePath;
    }
    bool printDialog(void *, void *) override
    {
        ++printAsked;
        return printAnswer;
    }
    bool printerSetupDialog(void *printer, void *) override
    {
        setupAsked += printer != nullptr;
        return true;
    }

    QStringList messages;  // "caption: text"
    std::vector<Shown> shown;
    QStringList questions;
    std::deque<DialogAnswer> answers;
    DialogAnswer unanswered = DialogAnswer::No;
    QStringList inputs;
    QString openPath, savePath;
    QList<FileDialogRequest> fileRequests;
    bool printAnswer = false;
    int printAsked = 0;
    int setupAsked = 0;
};

// Recording dialogs installed for the object's lifetime; a fixture member
// declared before its windows outlives them, so closing them still records.
class ScopedDialogs {
public:
    ScopedDialogs() : m_previous(SetDialogs(m_dialogs)) {}
    ~ScopedDialogs() { SetDialogs(m_previous); }
    ScopedDialogs(const ScopedDialogs &) = delete;
    ScopedDialogs &operator=(const ScopedDialogs &) = delete;
    RecordingDialogs *operator->() const { return m_dialogs.get(); }

private:
    std::shared_ptr<RecordingDialogs> m_dialogs = std::make_shared<RecordingDialogs>();
    std::shared_ptr<IDialogs> m_previous;
};

} // namespace quodlin
