#pragma once

#include "IniFile.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vx {
class Form;
class Property;
} // namespace vx

class TZybStorage;

// Called with the storage and the open file of the current pass.
using TZybIniEvent = std::function<void(TZybStorage* Sender, vx::IniFile& IniFile)>;

// Keeps chosen published properties of its window and of the window's components in an INI file.
// Each entry of StoredProps is "Component.Property", cut at its first point: the component is
// the window itself when the part equals the window's name (case counts), otherwise the window's
// component of that name (case does not count); an empty property part stores every published
// property. The section is the window's name, a point and the component part as written; the key
// is the property's name. Integers and enumerations (Booleans too) are stored as numbers, sets as
// element names joined by ",", string lists and collections in sections of their own, owned
// sub-objects by their properties in a section of their own.
//
// A pass runs to its end whatever fails on the way: a value that does not fit leaves its property
// unchanged (or, when writing, its keys as they were), the After event always runs, and the
// failures are raised together as one vx::Error once the pass is over and the file is saved. A
// file that cannot be read raises "Unable to read %s" before anything is read or written; a
// vx::EAbort from an event or a property stops the pass silently, saving nothing.
class TZybStorage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString IniFile MEMBER IniFile)
    Q_PROPERTY(QString IniSection MEMBER IniSection)
    Q_PROPERTY(QStringList StoredProps MEMBER StoredProps)
public:
    // The owner must be a window (a vx::Form); otherwise raises
    // "Владельцем компонента должен быть наследник TCustomForm!".
    explicit TZybStorage(QObject* owner);

    // Full path of the file; while it is empty both passes do nothing at all.
    QString IniFile;
    // A section for the owner's own keys; the storage itself never uses it.
    QString IniSection;
    QStringList StoredProps;

    TZybIniEvent BeforeReadIni;
    TZybIniEvent AfterReadIni;
    TZybIniEvent BeforeWriteIni;
    TZybIniEvent AfterWriteIni;

    // Each pass opens the file, calls Before, handles every entry in order, calls After and saves
    // what was changed in one step.
    void ReadIni();
    void WriteIni();

private:
    class Pass;

    void RunPass(bool reading);

    QObject* m_owner;
    vx::Form* m_form;
};
