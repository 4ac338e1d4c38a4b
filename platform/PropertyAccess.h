#pragma once

// Internals of the property layer (Properties.h): how one property is read and written.

#include "Properties.h"

#include <QList>
#include <QVariant>

#include <functional>
#include <utility>

namespace vx::detail {

struct PropertyAccess {
    QString name;
    PropKind kind;
    // Enumerations: name and ordinal, by ordinal. Sets: name and bit.
    QList<std::pair<QString, int>> elements;
    // Ordinal kinds are read and written as int, Strings as QStringList, sub-objects as QObject*.
    std::function<QVariant(const QObject*)> read;
    // Empty for sub-objects, which are never replaced.
    std::function<void(QObject*, const QVariant&)> write;
};

using PropertyAccessPtr = std::shared_ptr<const PropertyAccess>;

// False and True, the elements of a Boolean.
const QList<std::pair<QString, int>>& booleanElements();

// The properties that the stock Qt class of the object shows under Delphi names, general ones
// first; a name may come twice, and the later one holds.
QList<PropertyAccessPtr> stockProperties(const QObject* object);

} // namespace vx::detail
