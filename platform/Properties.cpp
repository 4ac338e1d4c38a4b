#include "Properties.h"

#include "Collection.h"
#include "Errors.h"
#include "Format.h"
#include "PropertyAccess.h"

#include <QHash>
#include <QMetaEnum>
#include <QMetaProperty>

#include <algorithm>
#include <climits>
#include <mutex>

namespace vx {

namespace {

using detail::PropertyAccess;
using detail::PropertyAccessPtr;

QList<std::pair<QString, int>> enumElements(const QMetaEnum& metaEnum) {
    QList<std::pair<QString, int>> elements;
    for (int i = 0; i < metaEnum.keyCount(); ++i)
        elements.append({QString::fromLatin1(metaEnum.key(i)), metaEnum.value(i)});
    return elements;
}

// A Q_PROPERTY of one of our own classes, or null when its type has no published kind.
PropertyAccessPtr ownProperty(const QMetaProperty& meta) {
    auto access = std::make_shared<PropertyAccess>();
    access->name = QString::fromLatin1(meta.name());
    const QMetaType type = meta.metaType();
    if (meta.isFlagType()) {
        access->kind = PropKind::Set;
        access->elements = enumElements(meta.enumerator());
    } else if (meta.isEnumType()) {
        access->kind = PropKind::Enumeration;
        access->elements = enumElements(meta.enumerator());
    } else if (type == QMetaType::fromType<bool>()) {
        access->kind = PropKind::Enumeration;
        access->elements = detail::booleanElements();
    } else if (type == QMetaType::fromType<int>()) {
        access->kind = PropKind::Integer;
    } else if (type == QMetaType::fromType<QString>()) {
        access->kind = PropKind::String;
    } else if (type == QMetaType::fromType<QStringList>()) {
        access->kind = PropKind::Strings;
    } else if (type.flags().testFlag(QMetaType::PointerToQObject)) {
        const QMetaObject* target = type.metaObject();
        access->kind = target && target->inherits(&Collection::staticMetaObject)
                           ? PropKind::Collection
                           : PropKind::Object;
    } else {
        return nullptr;
    }
    const bool ordinal = access->kind == PropKind::Enumeration || access->kind == PropKind::Set;
    access->read = [meta, ordinal](const QObject* object) {
        const QVariant value = meta.read(object);
        if (!ordinal)
            return value;
        // Enumerations and flags convert to their integer value; bool gives 0 or 1.
        return QVariant(value.toInt());
    };
    if (meta.isWritable() && access->kind != PropKind::Object &&
        access->kind != PropKind::Collection) {
        access->write = [meta](QObject* object, const QVariant& value) {
            QVariant typed = value;
            typed.convert(meta.metaType());
            meta.write(object, typed);
        };
    }
    return access;
}

// The published Q_PROPERTYs of a class (those named with a capital), made once per class: walking
// every property of a widget class for each lookup made translating a new window slow.
QList<PropertyAccessPtr> ownProperties(const QMetaObject* meta) {
    static std::mutex lock;
    static QHash<const QMetaObject*, QList<PropertyAccessPtr>> byClass;
    const std::lock_guard guard(lock);
    const auto known = byClass.constFind(meta);
    if (known != byClass.constEnd())
        return *known;
    QList<PropertyAccessPtr> list;
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!QChar::fromLatin1(property.name()[0]).isUpper())
            continue;
        if (PropertyAccessPtr access = ownProperty(property))
            list.append(access);
    }
    byClass.insert(meta, list);
    return list;
}

// Every source in published order; a later property replaces an earlier one of the same name.
QList<PropertyAccessPtr> accessList(const QObject* object) {
    QList<PropertyAccessPtr> candidates = detail::stockProperties(object);
    candidates.append(ownProperties(object->metaObject()));
    QList<PropertyAccessPtr> list;
    for (const PropertyAccessPtr& access : candidates) {
        auto same = std::find_if(list.begin(), list.end(), [&](const PropertyAccessPtr& p) {
            return p->name.compare(access->name, Qt::CaseInsensitive) == 0;
        });
        if (same != list.end())
            *same = access;
        else
            list.append(access);
    }
    return list;
}

QString trimmedSetElement(QString name) {
    return name.remove(QLatin1Char('[')).remove(QLatin1Char(']')).trimmed();
}

} // namespace

Property::Property(QObject* object, std::shared_ptr<const detail::PropertyAccess> access)
    : m_object(object), m_access(std::move(access)) {}

const QString& Property::name() const {
    return m_access->name;
}

PropKind Property::kind() const {
    return m_access->kind;
}

QStringList Property::elementNames() const {
    QStringList names;
    for (const auto& element : m_access->elements)
        names.append(element.first);
    return names;
}

void Property::requireKind(bool ok) const {
    if (!ok)
        throw Error(format(QStringLiteral("Invalid property type: %s"), {name()}));
}

QString Property::text() const {
    const QVariant value = m_access->read(m_object);
    switch (kind()) {
    case PropKind::Integer:
    case PropKind::Enumeration:
        return formatNumber(qint64(value.toInt()));
    case PropKind::Set: {
        QStringList names;
        for (const auto& [element, bit] : m_access->elements) {
            if (bit != 0 && (value.toInt() & bit) == bit)
                names.append(element);
        }
        return names.join(QLatin1Char(','));
    }
    case PropKind::String:
        return value.toString();
    default:
        requireKind(false);
        return {};
    }
}

void Property::setText(const QString& text) const {
    requireKind(m_access->write &&
                (kind() == PropKind::Integer || kind() == PropKind::Enumeration ||
                 kind() == PropKind::Set || kind() == PropKind::String));
    QVariant value;
    if (kind() == PropKind::String) {
        value = text;
    } else if (kind() == PropKind::Set) {
        int bits = 0;
        for (const QString& part : text.split(QLatin1Char(','))) {
            const QString element = trimmedSetElement(part);
            if (element.isEmpty())
                continue;
            auto found = std::find_if(
                m_access->elements.begin(), m_access->elements.end(),
                [&](const auto& e) { return e.first.compare(element, Qt::CaseInsensitive) == 0; });
            if (found == m_access->elements.end())
                throw Error(format(QStringLiteral("Invalid property element: %s"), {element}));
            bits |= found->second;
        }
        value = bits;
    } else {
        const int number = toInteger(text);
        if (kind() == PropKind::Enumeration &&
            std::none_of(m_access->elements.begin(), m_access->elements.end(),
                         [&](const auto& e) { return e.second == number; }))
            throw Error(QStringLiteral("Invalid property value"));
        value = number;
    }
    m_access->write(m_object, value);
}

QStringList Property::strings() const {
    requireKind(kind() == PropKind::Strings);
    return m_access->read(m_object).toStringList();
}

void Property::setStrings(const QStringList& lines) const {
    requireKind(kind() == PropKind::Strings && m_access->write);
    m_access->write(m_object, lines);
}

QObject* Property::object() const {
    requireKind(kind() == PropKind::Object || kind() == PropKind::Collection);
    return m_access->read(m_object).value<QObject*>();
}

Collection* Property::collection() const {
    requireKind(kind() == PropKind::Collection);
    return qobject_cast<Collection*>(m_access->read(m_object).value<QObject*>());
}

const QList<std::pair<QString, int>>& detail::booleanElements() {
    static const QList<std::pair<QString, int>> elements = {{QStringLiteral("False"), 0},
                                                            {QStringLiteral("True"), 1}};
    return elements;
}

QList<Property> publishedProperties(QObject* object) {
    QList<Property> properties;
    for (const PropertyAccessPtr& access : accessList(object))
        properties.append(Property(object, access));
    return properties;
}

std::optional<Property> findProperty(QObject* object, const QString& name) {
    for (const PropertyAccessPtr& access : accessList(object)) {
        if (access->name.compare(name, Qt::CaseInsensitive) == 0)
            return Property(object, access);
    }
    return std::nullopt;
}

QString delphiClassName(const QObject* object) {
    const QString name = QString::fromLatin1(object->metaObject()->className());
    return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

int toInteger(const QString& text) {
    const QString trimmed = text.trimmed();
    QString digits = trimmed;
    int base = 10;
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
        negative = digits.startsWith(QLatin1Char('-'));
        digits.remove(0, 1);
    }
    if (digits.startsWith(QLatin1Char('$'))) {
        base = 16;
        digits.remove(0, 1);
    } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    }
    bool ok = !digits.isEmpty() && digits[0].isLetterOrNumber();
    const qint64 magnitude = ok ? digits.toLongLong(&ok, base) : 0;
    const qint64 value = negative ? -magnitude : magnitude;
    if (!ok || value < INT_MIN || value > INT_MAX)
        throw Error(format(QStringLiteral("'%s' is not a valid integer value"), {text}));
    return int(value);
}

} // namespace vx
