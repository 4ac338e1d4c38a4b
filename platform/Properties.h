#pragma once

// Published properties reached by their Delphi names ("Caption", "Checked", "Columns", ...), the
// way translation tables and stored settings name them.
//
// Where the properties come from, in published order (earlier sources first):
//  - stock Qt widgets: a fixed adapter table (StockProperties.cpp), e.g. Caption of a QLabel is its
//    text, Checked of a QCheckBox, ItemIndex of a QComboBox, Columns of a QTreeWidget; a window
//    that is a vx::Form has Caption and WindowState;
//  - our own classes: every Q_PROPERTY whose name starts with a capital letter (Qt's own property
//    names never do). Kinds follow the C++ type: int, bool, Q_ENUM, Q_FLAG, QString, QStringList,
//    a pointer to a vx::Collection or to another QObject (an owned sub-object such as Header).
//    A Q_ENUM's values are its ordinals (0, 1, 2, ...), as in Delphi.
// A property declared by a derived class replaces one of the same name from an earlier source.
// Names are compared without regard to case.
//
// Typical use:
//   if (auto p = vx::findProperty(checkBox, "checked"))   // the property named Checked
//       p->setText("1");                                   // ticks it; "True" would raise
//   for (const vx::Property& p : vx::publishedProperties(window)) ...
//
// Misuse (text() of a string list, ...) and values a property cannot take raise vx::Error; a
// failed setText leaves the property unchanged.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vx {

class Collection;

enum class PropKind {
    Integer,     // text: decimal
    Enumeration, // text: the ordinal in decimal; Booleans are the enumeration False, True
    Set,         // text: element names joined by "," ("frDown,frMatchCase"); empty for none
    String,      // text: the string itself
    Strings,     // a string list: strings() and setStrings()
    Collection,  // collection(): items with published properties of their own
    Object,      // object(): an owned sub-object with published properties of its own, or null
};

namespace detail {
struct PropertyAccess;
}

// One published property of one object; valid while the object lives.
class Property {
public:
    Property(QObject* object, std::shared_ptr<const detail::PropertyAccess> access);

    QObject* owner() const { return m_object; }
    const QString& name() const;
    PropKind kind() const;
    // Enumerations: names by ordinal. Sets: the element names.
    QStringList elementNames() const;

    // Integer, Enumeration, Set and String kinds.
    QString text() const;
    // Raises "'%s' is not a valid integer value" for a non-number, "Invalid property value" for an
    // ordinal outside the enumeration and "Invalid property element: %s" for an unknown set
    // element. Sets accept brackets and blanks: "[frDown, frMatchCase]".
    void setText(const QString& text) const;

    // Strings kind.
    QStringList strings() const;
    void setStrings(const QStringList& lines) const;

    // Object kind: the sub-object or null. Collection kind: the collection.
    QObject* object() const;
    Collection* collection() const;

private:
    void requireKind(bool ok) const;

    QObject* m_object;
    std::shared_ptr<const detail::PropertyAccess> m_access;
};

// All published properties of the object, in published order.
QList<Property> publishedProperties(QObject* object);
// The published property of that name, compared without regard to case.
std::optional<Property> findProperty(QObject* object, const QString& name);

// The class name as Delphi code writes it: without namespace ("TfCrfLogin").
QString delphiClassName(const QObject* object);

// Delphi's StrToInt: decimal, or hexadecimal after "$" or "0x", surrounding blanks allowed; raises
// "'%s' is not a valid integer value".
int toInteger(const QString& text);

} // namespace vx
