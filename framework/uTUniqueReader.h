#pragma once

#include <QMetaObject>
#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>

// Copies of controls. Qt cannot stream a widget, so each class that is to be copied registers a
// function that makes a deep copy of one of its objects: properties, children and handlers.
// Copying a control of any other class fails with a message naming it.
class TUniqueReader {
public:
    using TCloneFunction = std::function<QWidget*(const QWidget& Source)>;

    // For controls of exactly this class.
    static void RegisterClass(const QMetaObject& Class, TCloneFunction Clone);

    // A copy of the control, placed in the control's parent; the copy and each named object in
    // it take a name that no object of the control's window bears (see UniqueName).
    static QWidget* ReadComponent(const QWidget& Control);

    // Base, else Base1, Base2, ... (Panel1 gives Panel11, then Panel12): the first name not in
    // Taken, which holds lower-case names.
    static QString UniqueName(const QString& Base, const QSet<QString>& Taken);
};
