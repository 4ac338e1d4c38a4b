#pragma once

#include "Prompter.h"

namespace vx {

// The prompter of a program that nobody may be left to answer, such as one ending on a
// termination signal while the session logs out: messages go to standard error as "caption: text",
// questions are answered Cancel, file and folder choices with nothing. It remembers whether an
// error or a warning was reported, so that the program can end with a failure status.
class StandardErrorPrompter : public Prompter {
public:
    void show(PromptIcon icon, const QString& caption, const QString& text) override;
    bool askOkCancel(PromptIcon icon, const QString& caption, const QString& text) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;

    bool failureReported() const { return m_failureReported; }

private:
    bool m_failureReported = false;
};

} // namespace vx
