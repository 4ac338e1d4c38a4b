#include "TextFit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace vx::test {

namespace {

QString textOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return {};
}

} // namespace

QStringList clippedTexts(QWidget* window) {
    QStringList clipped;
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        const QString text = textOf(widget);
        if (text.isEmpty() || !widget->isVisibleTo(window))
            continue;
        // A word-wrapped label fits its text by growing downwards: compare its height for its
        // width.
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QSize hint = widget->sizeHint();
        const bool fits =
            label && label->wordWrap()
                ? widget->height() >= label->heightForWidth(widget->width())
                : widget->width() >= hint.width() && widget->height() >= hint.height();
        if (!fits)
            clipped << QStringLiteral("%1 %2 \"%3\": %4x%5, needs %6x%7")
                           .arg(QString::fromLatin1(widget->metaObject()->className()),
                                widget->objectName(), text)
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(hint.width())
                           .arg(hint.height());
    }
    return clipped;
}

} // namespace vx::test
