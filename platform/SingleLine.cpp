#include "SingleLine.h"

#include <QComboBox>
#include <QLineEdit>
#include <QValidator>

namespace vx {

namespace {

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

class LineBreakFilter : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        int removedBeforeCursor = 0;
        for (int i = 0; i < pos && i < input.size(); ++i)
            removedBeforeCursor += isLineBreak(input[i]) ? 1 : 0;
        input.removeIf(isLineBreak);
        pos -= removedBeforeCursor;
        return Acceptable;
    }
};

// QLineEdit::setText passes the text through the field's validator: the step runs without it.
template <class Field, class Set> void pastFilter(Field* field, Set set) {
    const QValidator* filter = field->validator();
    field->setValidator(nullptr);
    set();
    field->setValidator(filter);
}

} // namespace

void keepOnOneLine(QLineEdit* field) {
    field->setValidator(new LineBreakFilter(field));
}

void setFieldText(QLineEdit* field, const QString& text) {
    pastFilter(field, [&] { field->setText(text); });
}

void setFieldText(QComboBox* field, const QString& text) {
    pastFilter(field, [&] { field->setEditText(text); });
}

} // namespace vx
