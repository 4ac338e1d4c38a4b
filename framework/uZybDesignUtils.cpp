#include "uZybDesignUtils.h"

#include "Collection.h"
#include "Errors.h"
#include "Form.h"
#include "Format.h"
#include "Properties.h"
#include "uZybUtils.h"

#include <QRegularExpression>

namespace {

QObject* firstObject(QObject* root, const QString& name) {
    if (vx::delphiClassName(root).compare(name, Qt::CaseInsensitive) == 0)
        return root;
    vx::Form* form = vx::asForm(root);
    return form ? form->findComponent(name) : nullptr;
}

QObject* nextObject(QObject* current, const QString& part) {
    const QString itemsPrefix = QStringLiteral("Items[");
    auto* collection = qobject_cast<vx::Collection*>(current);
    if (collection && part.startsWith(itemsPrefix, Qt::CaseInsensitive)) {
        // The index stands between "Items[" and the part's last character.
        const qsizetype length = part.size() - itemsPrefix.size() - 1;
        return collection->at(
            vx::toInteger(length > 0 ? part.mid(itemsPrefix.size(), length) : QString()));
    }
    const auto property = vx::findProperty(current, part);
    if (!property)
        throw vx::Error(vx::format(QStringLiteral("Property %s does not exist"), {part}));
    if (property->kind() != vx::PropKind::Object && property->kind() != vx::PropKind::Collection)
        return nullptr;
    return property->object();
}

// A string list's text as lines: a break is CR LF, CR or LF; a final break adds no empty line.
QStringList textLines(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TZybPropPath ResolvePropPath(QObject* root, const QString& path) {
    if (!root || !path.contains(QLatin1Char('.')))
        return {};
    QStringList parts;
    SplitText(QStringLiteral("."), path, parts);
    if (parts.size() < 2)
        return {};
    QObject* current = firstObject(root, parts.first());
    for (qsizetype i = 1; current && i < parts.size() - 1; ++i)
        current = nextObject(current, parts[i]);
    if (!current)
        return {};
    return {current, parts.last()};
}

bool SetPropText(QObject* object, const QString& propName, const QString& text) {
    const auto property = object ? vx::findProperty(object, propName) : std::nullopt;
    if (!property)
        return false;
    if (property->kind() == vx::PropKind::String) {
        property->setText(text);
        return true;
    }
    if (property->kind() == vx::PropKind::Strings) {
        property->setStrings(textLines(text));
        return true;
    }
    return false;
}

bool SetPropPathText(QObject* root, const QString& path, const QString& text) {
    const TZybPropPath resolved = ResolvePropPath(root, path);
    return SetPropText(resolved.Object, resolved.PropName, text);
}
