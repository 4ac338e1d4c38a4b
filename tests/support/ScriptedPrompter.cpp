#include "ScriptedPrompter.h"

namespace vx::test {

ScriptedPrompter::ScriptedPrompter() {
    setPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter() {
    setPrompter(nullptr);
}

QStringList ScriptedPrompter::texts() const {
    QStringList result;
    for (const Prompt& prompt : m_prompts)
        result << prompt.text;
    return result;
}

void ScriptedPrompter::show(PromptIcon icon, const QString& caption, const QString& text) {
    m_prompts.append({icon, caption, text, false});
}

bool ScriptedPrompter::askOkCancel(PromptIcon icon, const QString& caption, const QString& text) {
    m_prompts.append({icon, caption, text, true});
    if (m_answers.empty())
        return false;
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompter::nextFileName() {
    const QString name = m_fileNames.isEmpty() ? QString() : m_fileNames.takeFirst();
    if (name.isNull())
        return std::nullopt;
    return name;
}

std::optional<QString> ScriptedPrompter::openFileName(const FileDialogRequest& request) {
    m_fileRequests.append(request);
    return nextFileName();
}

std::optional<QString> ScriptedPrompter::saveFileName(const FileDialogRequest& request) {
    m_fileRequests.append(request);
    return nextFileName();
}

std::optional<QString> ScriptedPrompter::chooseFolder(const QString& title, const QString& start) {
    m_fileRequests.append({title, start, {}, {}, {}});
    return nextFileName();
}

} // namespace vx::test
