#include "SingleLine.h"

namespace vx {

namespace {

bool keeps(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

} // namespace

QString singleLine(const QString& text) {
    QString kept = text;
    kept.removeIf([](QChar c) { return !keeps(c); });
    return kept;
}

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
    int removedBeforeCursor = 0;
    for (int i = 0; i < pos && i < input.size(); ++i)
        removedBeforeCursor += keeps(input[i]) ? 0 : 1;
    input = singleLine(input);
    pos -= removedBeforeCursor;
    return Acceptable;
}

void SingleLineValidator::fixup(QString& input) const {
    input = singleLine(input);
}

} // namespace vx
