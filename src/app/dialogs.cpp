#include "app/dialogs.h"

namespace quodlin {
namespace {

// Until the program installs its own, nothing is shown and every question is
// declined, so core code run from the command-line tool never blocks.
class SilentDialogs final : public IDialogs {
public:
    void message(const QString &, const QString &, MessageIcon, void *) override {}
    DialogAnswer question(const QString &, const QString &, QuestionButtons buttons, void *) override
    {
        return buttons == QuestionButtons::YesNoCancel ? DialogAnswer::Cancel : DialogAnswer::No;
    }
    bool inputBox(const QString &, const QString &, QString &, void *) override { return false; }
    QString openFile(const FileDialogRequest &, void *) override { return {}; }
    QString saveFile(const FileDialogRequest &, void *) override { return {}; }
    bool printDialog(void *, void *) override { return false; }
    bool printerSetupDialog(void *, void *) override { return false; }
};

std::shared_ptr<IDialogs> &current()
{
    static std::shared_ptr<IDialogs> instance = std::make_shared<SilentDialogs>();
    return instance;
}

} // namespace

IDialogs &Dialogs() { return *current(); }

std::shared_ptr<IDialogs> SetDialogs(std::shared_ptr<IDialogs> dialogs)
{
    auto previous = current();
    current() = dialogs ? std::move(dialogs) : std::make_shared<SilentDialogs>();
    return previous;
}

} // namespace quodlin
