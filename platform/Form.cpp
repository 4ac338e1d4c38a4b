#include "Form.h"

namespace vx {

Form::~Form() = default;

QObject* Form::findComponent(const QString& name) const {
    for (const auto& component : m_components) {
        if (component && component->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return component;
    }
    return nullptr;
}

QList<QObject*> Form::components() const {
    QList<QObject*> list;
    for (const auto& component : m_components) {
        if (component)
            list.append(component);
    }
    return list;
}

Form* asForm(QObject* object) {
    return dynamic_cast<Form*>(object);
}

} // namespace vx
