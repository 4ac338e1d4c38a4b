#pragma once

#include <QString>
#include <optional>

namespace vx {

enum class PromptIcon { Information, Warning, Error, Question };

struct FileDialogRequest {
    QString title;
    QString directory;
    QString fileName;
    QString filter;        // "SQL files (*.sql);;All files (*)"
    QString defaultSuffix; // without the point
};

// Every modal question and message of the system goes through one prompter, so that tests can
// answer them and record their texts. Callers run on the GUI thread (see GuiThread.h).
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void show(PromptIcon icon, const QString& caption, const QString& text) = 0;
    // True only when the user chose OK; closing the box counts as Cancel.
    virtual bool askOkCancel(PromptIcon icon, const QString& caption, const QString& text) = 0;
    virtual std::optional<QString> openFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& start) = 0;
};

// The process-wide prompter: the Qt one unless a test or a window installed another.
Prompter& prompter();
// Installs a prompter (not owned); nullptr restores the Qt one.
void setPrompter(Prompter* prompter);

// The caption of the system's message boxes.
QString applicationTitle();
void setApplicationTitle(const QString& title);

} // namespace vx
