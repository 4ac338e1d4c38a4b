#pragma once

#include <QObject>

namespace vx {

// A published collection property: numbered items, each an object with published properties of
// its own ("Columns.Items[2].Caption"). Items belong to the collection.
class Collection : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int count() const = 0;
    virtual void clear() = 0;
    // Appends a new item and returns it.
    virtual QObject* add() = 0;
    // The item at the index; raises "List index out of bounds (%d)" outside 0..count()-1.
    QObject* at(int index);

protected:
    // The item at an index already checked against count().
    virtual QObject* item(int index) = 0;
};

} // namespace vx
