#include "ConnectionListView.h"
#include "Properties.h"
#include "RadioGroup.h"
#include "uTZybStorage.h"
#include "uTZybTranslator.h"
#include "uZybDesignUtils.h"
#include "ufVornalex.h"

#include <QHeaderView>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

// Keys of the translator that name nothing on the window.
const QStringList plainKeys = {"Label5.Caption", "Label4.Caption", "Label3.Caption",
                               "Label1.Caption", "lConnect.Caption"};

TEST(MainWindowTest, EveryTranslatedPathReachesAPropertyOfTheWindow) {
    TfVornalex window;
    QStringList unreachable;
    for (const QString& key : window.ZybTranslator->Items) {
        if (!key.contains('.') || plainKeys.contains(key))
            continue;
        const TZybPropPath path = ResolvePropPath(&window, key);
        if (!path.Object || !vx::findProperty(path.Object, path.PropName))
            unreachable.append(key);
    }
    EXPECT_EQ(unreachable, QStringList());
    EXPECT_EQ(window.ZybTranslator->Items.size(), 83);
}

TEST(MainWindowTest, EveryStoredSettingNamesAPropertyOfTheWindow) {
    TfVornalex window;
    QStringList unreachable;
    for (const QString& entry : window.ZybStorage->StoredProps) {
        const QString component = entry.section('.', 0, 0);
        QObject* object =
            component == window.objectName() ? &window : window.findComponent(component);
        if (!object || !vx::findProperty(object, entry.section('.', 1)))
            unreachable.append(entry);
    }
    EXPECT_EQ(unreachable, QStringList());
}

TEST(MainWindowTest, TheLayoutHoldsThePagesAndTheListColumns) {
    TfVornalex window;
    ASSERT_EQ(window.pc->count(), 3);
    EXPECT_EQ(window.pc->widget(0), window.tsSettings);
    EXPECT_EQ(window.pc->widget(2), window.tsResults);
    EXPECT_EQ(window.lvConnections->header()->count(), 6);
    EXPECT_FALSE(window.aStop->isEnabled());
    EXPECT_TRUE(window.aExecute->isEnabled());
}

} // namespace
