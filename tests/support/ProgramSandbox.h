#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace vx::test {

// Sets an environment variable for its lifetime (nothing unsets it), then restores it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<QString>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// A temporary folder that stands in for the main program's: the program path points into it
// and the settings file (VORNALEX_SETTINGS) lies in it, so that a main window under test reads
// and writes nothing beside the test program.
class ProgramSandbox {
public:
    ProgramSandbox();
    ~ProgramSandbox();

    // With a trailing separator.
    QString folder() const;
    QString programPath() const { return folder() + QStringLiteral("Vornalex"); }
    QString settingsPath() const { return folder() + QStringLiteral("settings.ini"); }
    // Writes a file of the folder, making its subfolders.
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

private:
    QTemporaryDir m_dir;
    ScopedEnvironment m_settings;
};

} // namespace vx::test
