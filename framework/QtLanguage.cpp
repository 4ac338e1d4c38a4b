#include "QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace vx {

namespace {

// The language of that English name ("Russian"); AnyLanguage for a name Qt does not know.
QLocale::Language languageNamed(const QString& name) {
    for (int language = QLocale::C + 1; language <= QLocale::LastLanguage; ++language) {
        if (QLocale::languageToString(QLocale::Language(language)) == name)
            return QLocale::Language(language);
    }
    return QLocale::AnyLanguage;
}

} // namespace

void useQtLanguage(const QString& language) {
    // Owned by the application, so that it goes before the application does.
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QLocale::Language chosen = languageNamed(language);
    if (chosen == QLocale::AnyLanguage || chosen == QLocale::English)
        return;
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QLocale(chosen), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    installed = translator.release();
}

} // namespace vx
