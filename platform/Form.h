#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace vx {

// A window that owns named components, as every window of the system does. The list is flat and
// separate from Qt's parent tree: a component is found only in the window that owns it, never in a
// form embedded in that window (the embedded form owns its own components).
class Form {
public:
    virtual ~Form();

    // Names the component and adds it to this window's list; returns it for chaining.
    template <class T> T* addComponent(T* component, const QString& name) {
        component->setObjectName(name);
        m_components.append(component);
        return component;
    }
    // The first owned component of that name, compared without regard to case; null when none.
    QObject* findComponent(const QString& name) const;
    QList<QObject*> components() const;

private:
    QList<QPointer<QObject>> m_components;
};

// The window behind an object, or null when the object is no vx::Form.
Form* asForm(QObject* object);

} // namespace vx
