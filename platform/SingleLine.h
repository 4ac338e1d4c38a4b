#pragma once

#include <QString>
#include <QValidator>

namespace vx {

// The text without control characters (line breaks and tabs included) and without line or
// paragraph separators: what a one-line field keeps of what is typed, pasted or set into it.
QString singleLine(const QString& text);

// Keeps a line edit's text on one line: whatever comes in (a paste, setText) loses the characters
// that singleLine() drops, and the cursor stays after what was inserted. Never refuses input.
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

} // namespace vx
