#pragma once

#include "Prompter.h"

#include <QList>
#include <QString>
#include <deque>

namespace vx::test {

// Answers the system's questions from a script and records every box and dialog it was asked
// for. Installed for its lifetime.
class ScriptedPrompter : public Prompter {
public:
    struct Prompt {
        PromptIcon icon;
        QString caption;
        QString text;
        bool question;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // Answers for askOkCancel, in order; with none left the answer is Cancel.
    void answerOkCancel(bool ok) { m_answers.push_back(ok); }
    // Answers for the file and folder dialogs, in order; with none left the dialog is cancelled.
    void answerFileName(const std::optional<QString>& name) {
        m_fileNames.append(name.value_or(QString()));
    }

    const QList<Prompt>& prompts() const { return m_prompts; }
    const QList<FileDialogRequest>& fileRequests() const { return m_fileRequests; }
    QStringList texts() const;

    void show(PromptIcon icon, const QString& caption, const QString& text) override;
    bool askOkCancel(PromptIcon icon, const QString& caption, const QString& text) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;

private:
    std::optional<QString> nextFileName();

    std::deque<bool> m_answers;
    QStringList m_fileNames; // a null text cancels the dialog
    QList<Prompt> m_prompts;
    QList<FileDialogRequest> m_fileRequests;
};

} // namespace vx::test
