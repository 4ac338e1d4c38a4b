#pragma once

#include "Prompter.h"

namespace vx {

// Message boxes and file dialogs of Qt, owned by the active window.
class QtPrompter : public Prompter {
public:
    void show(PromptIcon icon, const QString& caption, const QString& text) override;
    bool askOkCancel(PromptIcon icon, const QString& caption, const QString& text) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;
};

} // namespace vx
