#include "uTUniqueReader.h"

#include "Errors.h"
#include "Format.h"

#include <QHash>

namespace {

QHash<QString, TUniqueReader::TCloneFunction>& cloneFunctions() {
    static QHash<QString, TUniqueReader::TCloneFunction> functions;
    return functions;
}

QSet<QString> namesIn(const QWidget& window) {
    QSet<QString> names{window.objectName().toLower()};
    for (const QObject* object : window.findChildren<QObject*>())
        names.insert(object->objectName().toLower());
    return names;
}

} // namespace

void TUniqueReader::RegisterClass(const QMetaObject& Class, TCloneFunction Clone) {
    cloneFunctions().insert(QString::fromLatin1(Class.className()), std::move(Clone));
}

QWidget* TUniqueReader::ReadComponent(const QWidget& Control) {
    const QString className = QString::fromLatin1(Control.metaObject()->className());
    const auto clone = cloneFunctions().constFind(className);
    if (clone == cloneFunctions().constEnd())
        throw vx::Error(vx::format("Cannot copy the control %s: no copy is known for class %s.",
                                   {Control.objectName(), className}));
    QWidget* copy = (*clone)(Control);
    QSet<QString> taken = namesIn(*Control.window());
    QList<QObject*> named{copy};
    named += copy->findChildren<QObject*>();
    for (QObject* object : named) {
        if (object->objectName().isEmpty())
            continue;
        object->setObjectName(UniqueName(object->objectName(), taken));
        taken.insert(object->objectName().toLower());
    }
    copy->setParent(Control.parentWidget());
    return copy;
}

QString TUniqueReader::UniqueName(const QString& Base, const QSet<QString>& Taken) {
    QString name = Base;
    for (int counter = 1; Taken.contains(name.toLower()); ++counter)
        name = vx::format("%s%d", {Base, counter});
    return name;
}
