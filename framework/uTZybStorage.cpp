#include "uTZybStorage.h"

#include "Collection.h"
#include "Errors.h"
#include "Form.h"
#include "Format.h"
#include "Properties.h"

namespace {

QObject* checkedOwner(QObject* owner) {
    if (!vx::asForm(owner))
        throw vx::Error(QStringLiteral("Владельцем компонента должен быть наследник TCustomForm!"));
    return owner;
}

} // namespace

// One read or write pass over one open file.
class TZybStorage::Pass {
public:
    Pass(TZybStorage& storage, bool reading)
        : m_storage(storage), m_reading(reading), m_file(storage.IniFile) {}

    void run() {
        event(m_reading ? m_storage.BeforeReadIni : m_storage.BeforeWriteIni);
        // A copy: an entry may store the storage itself, StoredProps included.
        const QStringList entries = m_storage.StoredProps;
        for (const QString& entry : entries)
            attempt([&] { handleEntry(entry); });
        event(m_reading ? m_storage.AfterReadIni : m_storage.AfterWriteIni);
        if (m_file.modified())
            attempt([&] { m_file.save(); });
        if (!m_errors.isEmpty())
            throw vx::Error(m_errors.join(u'\n'));
    }

private:
    vx::IniFile& ini() { return *m_target; }

    // A failure is noted and the pass goes on; a silent abort still stops it.
    void attempt(const std::function<void()>& step) {
        try {
            step();
        } catch (const vx::EAbort&) {
            throw;
        } catch (const std::exception& e) {
            m_errors.append(vx::exceptionMessage(e));
        }
    }

    // A step that changes several keys or sections changes them all or, when it fails, none.
    void attemptWhole(const std::function<void()>& step) {
        vx::IniFile* outer = m_target;
        vx::IniFile staged = *outer;
        m_target = &staged;
        attempt([&] {
            step();
            *outer = std::move(staged);
        });
        m_target = outer;
    }

    void event(const TZybIniEvent& handler) {
        if (handler)
            attemptWhole([&] { handler(&m_storage, ini()); });
    }

    void handleEntry(const QString& entry) {
        const qsizetype point = entry.indexOf(u'.');
        if (point <= 0)
            return;
        const QString name = entry.left(point);
        const QString property = entry.mid(point + 1);
        QObject* owner = m_storage.m_owner;
        QObject* component =
            name == owner->objectName() ? owner : m_storage.m_form->findComponent(name);
        if (!component)
            return;
        const QString section = owner->objectName() + u'.' + name;
        if (property.isEmpty())
            handleObject(component, section);
        else if (const auto found = vx::findProperty(component, property))
            handleProperty(*found, section);
    }

    // Every published property; an object met again further down is not followed.
    void handleObject(QObject* object, const QString& section) {
        if (m_path.contains(object))
            return;
        m_path.append(object);
        for (const vx::Property& property : vx::publishedProperties(object))
            attempt([&] { handleProperty(property, section); });
        m_path.removeLast();
    }

    void handleProperty(const vx::Property& property, const QString& section) {
        const QString subSection = section + u'.' + property.name();
        switch (property.kind()) {
        case vx::PropKind::Object:
            if (QObject* object = property.object())
                handleObject(object, subSection);
            break;
        case vx::PropKind::Strings:
            if (m_reading)
                property.setStrings(values(subSection));
            else
                attemptWhole([&] { writeStrings(property.strings(), subSection); });
            break;
        case vx::PropKind::Collection:
            if (m_reading)
                readCollection(*property.collection(), subSection);
            else
                attemptWhole([&] { writeCollection(*property.collection(), subSection); });
            break;
        case vx::PropKind::Integer:
        case vx::PropKind::Enumeration:
            // A value that is no number reads as the current one; the writer runs either way.
            if (m_reading)
                property.setText(vx::formatNumber(qint64(
                    ini().readInteger(section, property.name(), vx::toInteger(property.text())))));
            else
                ini().writeString(section, property.name(), property.text());
            break;
        case vx::PropKind::Set:
        case vx::PropKind::String:
            if (m_reading)
                property.setText(ini().readString(section, property.name(), property.text()));
            else
                ini().writeString(section, property.name(), property.text());
            break;
        }
    }

    // Every value of the section in file order, whatever the keys are called.
    QStringList values(const QString& section) {
        QStringList lines;
        for (const vx::IniFile::Entry& entry : ini().readSectionValues(section))
            lines.append(entry.value);
        return lines;
    }

    void writeStrings(const QStringList& lines, const QString& section) {
        ini().eraseSection(section);
        for (qsizetype i = 0; i < lines.size(); ++i)
            ini().writeString(section, QStringLiteral("String") + QString::number(i), lines[i]);
    }

    // Each value of the section names the section of one item.
    void readCollection(vx::Collection& collection, const QString& section) {
        const QStringList itemSections = values(section);
        collection.clear();
        for (const QString& itemSection : itemSections)
            handleObject(collection.add(), itemSection);
    }

    // The collection's section and every section below it are replaced, so no item of a longer
    // earlier collection is left behind.
    void writeCollection(vx::Collection& collection, const QString& section) {
        const QString below = section + u'.';
        ini().eraseSection(section);
        for (const QString& name : ini().readSections()) {
            if (name.startsWith(below, Qt::CaseInsensitive))
                ini().eraseSection(name);
        }
        for (int i = 0; i < collection.count(); ++i) {
            const QString key = QStringLiteral("Items") + QString::number(i);
            ini().writeString(section, key, below + key);
            handleObject(collection.at(i), below + key);
        }
    }

    TZybStorage& m_storage;
    const bool m_reading;
    vx::IniFile m_file;
    vx::IniFile* m_target = &m_file; // the file or a staged copy of it
    QList<QObject*> m_path;
    QStringList m_errors;
};

TZybStorage::TZybStorage(QObject* owner)
    : QObject(checkedOwner(owner)), m_owner(owner), m_form(vx::asForm(owner)) {}

void TZybStorage::ReadIni() {
    RunPass(true);
}

void TZybStorage::WriteIni() {
    RunPass(false);
}

void TZybStorage::RunPass(bool reading) {
    if (IniFile.isEmpty())
        return;
    Pass(*this, reading).run();
}
