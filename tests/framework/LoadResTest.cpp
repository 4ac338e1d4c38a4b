#include "uTZybTranslator.h"
#include "uZybLoadRes.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

inline constexpr TResStringRec WP_SCRIPT_IS_EMPTY{"Не задан скрипт."};
inline constexpr TResStringRec ZYB_NAMEDOBJECT_EDIT_CAPTION{"%s"};
inline constexpr TResStringRec ZYB_NAMEDOBJECT_ERROR_EMPTYNAME{"Name not entered."};
inline constexpr TResStringRec UNREGISTERED{"Built in."};

// A window translating registered messages through its translator while it lives.
class TranslatingWindow : public QWidget {
public:
    explicit TranslatingWindow(int& calls)
        : translator(new TZybTranslator(this)),
          handler([this, &calls](TZybResProc*, const QString& name, QString& text) {
              ++calls;
              text = translator->Translate(name, text);
          }) {
        translator->LoadTable({{"WP_SCRIPT_IS_EMPTY", "No script.", "Не задан скрипт."},
                               {"ZYB_NAMEDOBJECT_ERROR_EMPTYNAME", "Name cannot be empty.",
                                "Название должно быть задано."}});
    }

    TZybTranslator* translator;
    TZybLoadStringHandler handler;
};

class LoadResTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ZybResProc().AddResString(&WP_SCRIPT_IS_EMPTY, "WP_SCRIPT_IS_EMPTY");
        ZybResProc().AddResString(&ZYB_NAMEDOBJECT_EDIT_CAPTION, "ZYB_NAMEDOBJECT_EDIT_CAPTION");
        ZybResProc().AddResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME,
                                  "ZYB_NAMEDOBJECT_ERROR_EMPTYNAME");
        ZybResProc().AddResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME, "SECOND_NAME");
    }
    int calls = 0;
};

TEST_F(LoadResTest, RegisteredMessagesFollowTheActiveLanguage) {
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "Не задан скрипт.");
    auto window = std::make_unique<TranslatingWindow>(calls);
    window->translator->SetActiveLanguage(0);
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "No script.");
    EXPECT_EQ(LoadResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME), "Name cannot be empty.");
    EXPECT_EQ(LoadResString(&ZYB_NAMEDOBJECT_EDIT_CAPTION), "%s");
    window->translator->SetActiveLanguage(1);
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "Не задан скрипт.");
    EXPECT_EQ(LoadResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME), "Название должно быть задано.");
    EXPECT_EQ(calls, 5);
}

TEST_F(LoadResTest, UnregisteredMessagesKeepTheirTextAndCallNothing) {
    TranslatingWindow window(calls);
    EXPECT_EQ(LoadResString(&UNREGISTERED), "Built in.");
    EXPECT_EQ(LoadResString(nullptr), "");
    EXPECT_EQ(calls, 0);
}

TEST_F(LoadResTest, TheFirstRegistrationNamesARecord) {
    QStringList names;
    TZybLoadStringHandler handler(
        [&](TZybResProc*, const QString& name, QString&) { names.append(name); });
    LoadResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME);
    EXPECT_EQ(names, QStringList({"ZYB_NAMEDOBJECT_ERROR_EMPTYNAME"}));
}

TEST_F(LoadResTest, NothingIsCalledOnceTheWindowIsGone) {
    auto window = std::make_unique<TranslatingWindow>(calls);
    window->translator->SetActiveLanguage(0);
    window.reset();
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "Не задан скрипт.");
    EXPECT_EQ(calls, 0);

    // An earlier handler going leaves a later one in place.
    auto first = std::make_unique<TranslatingWindow>(calls);
    TranslatingWindow second(calls);
    second.translator->SetActiveLanguage(0);
    first.reset();
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "No script.");
}

} // namespace
