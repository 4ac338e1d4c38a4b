#include "StandardErrorPrompter.h"

#include <cstdio>

namespace vx {

namespace {

void writeLine(const QString& caption, const QString& text) {
    const QByteArray line = (caption + QStringLiteral(": ") + text + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void StandardErrorPrompter::show(PromptIcon icon, const QString& caption, const QString& text) {
    if (icon == PromptIcon::Error || icon == PromptIcon::Warning)
        m_failureReported = true;
    writeLine(caption, text);
}

bool StandardErrorPrompter::askOkCancel(PromptIcon, const QString& caption, const QString& text) {
    writeLine(caption, text);
    return false;
}

std::optional<QString> StandardErrorPrompter::openFileName(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<QString> StandardErrorPrompter::saveFileName(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<QString> StandardErrorPrompter::chooseFolder(const QString&, const QString&) {
    return std::nullopt;
}

} // namespace vx
