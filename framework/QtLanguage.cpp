#include "QtLanguage.h"

#include "FindDialog.h"

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
    // Owned by the application, so that they go before the application does.
    static QPointer<QTranslator> installed[2];
    for (QPointer<QTranslator>& translator : installed) {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    const QLocale::Language chosen = languageNamed(language);
    if (chosen == QLocale::AnyLanguage || chosen == QLocale::English)
        return;
    const auto install = [](QPointer<QTranslator>& slot, std::unique_ptr<QTranslator> translator) {
        translator->setParent(QCoreApplication::instance());
        QCoreApplication::installTranslator(translator.get());
        slot = translator.release();
    };
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QLocale(chosen), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        install(installed[0], std::move(qt));
    if (auto find = FindDialog::translator(chosen))
        install(installed[1], std::move(find));
}

} // namespace vx
