#include "ModalDriver.h"
#include "ScriptedPrompter.h"
#include "uTZybDlgButtonPanel.h"

#include <QDialog>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct LayoutCase {
    const char* name;
    TZybDlgButtonPanel::TAlign align;
    TZybButtonAlign btnAlign;
    QSize panel;
    std::vector<QSize> buttons;
    std::vector<bool> hidden;     // per button, empty: all shown
    std::vector<QPoint> expected; // positions of the shown buttons, in order
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class DlgButtonPanelLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(DlgButtonPanelLayout, PlacesShownButtons) {
    const LayoutCase& c = GetParam();
    TZybDlgButtonPanel panel;
    panel.SetAlign(c.align);
    panel.SetBtnAlign(c.btnAlign);
    panel.resize(c.panel);
    std::vector<QPushButton*> shown;
    for (size_t i = 0; i < c.buttons.size(); ++i) {
        QPushButton* button = panel.Buttons().Add()->Button();
        button->resize(c.buttons[i]);
        if (!c.hidden.empty() && c.hidden[i])
            button->hide();
        else
            shown.push_back(button);
    }
    panel.show();
    ASSERT_EQ(shown.size(), c.expected.size());
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i]->pos(), c.expected[i]) << "button " << i;
}

const QSize Std{75, 25};

INSTANTIATE_TEST_SUITE_P(Rows, DlgButtonPanelLayout,
                         testing::Values(LayoutCase{"RightTwo",
                                                    TZybDlgButtonPanel::alBottom,
                                                    baRightBottom,
                                                    {363, 35},
                                                    {Std, Std},
                                                    {},
                                                    {{183, 5}, {268, 5}}},
                                         LayoutCase{"RightOne",
                                                    TZybDlgButtonPanel::alBottom,
                                                    baRightBottom,
                                                    {443, 41},
                                                    {Std},
                                                    {},
                                                    {{348, 8}}},
                                         LayoutCase{"Left",
                                                    TZybDlgButtonPanel::alNone,
                                                    baTopLeft,
                                                    {363, 35},
                                                    {Std, Std},
                                                    {},
                                                    {{20, 5}, {105, 5}}},
                                         LayoutCase{"CentreTooWide",
                                                    TZybDlgButtonPanel::alTop,
                                                    baCenter,
                                                    {100, 35},
                                                    {Std, Std},
                                                    {},
                                                    {{-30, 5}, {55, 5}}},
                                         LayoutCase{"TallButton",
                                                    TZybDlgButtonPanel::alBottom,
                                                    baTopLeft,
                                                    {100, 20},
                                                    {Std},
                                                    {},
                                                    {{20, -2}}},
                                         LayoutCase{"HiddenTakesNoRoom",
                                                    TZybDlgButtonPanel::alBottom,
                                                    baRightBottom,
                                                    {443, 35},
                                                    {Std, Std, {90, 25}},
                                                    {true, false, false},
                                                    {{248, 5}, {333, 5}}},
                                         LayoutCase{"HiddenLastLeft",
                                                    TZybDlgButtonPanel::alBottom,
                                                    baTopLeft,
                                                    {443, 35},
                                                    {Std, Std},
                                                    {false, true},
                                                    {{20, 5}}}));

INSTANTIATE_TEST_SUITE_P(Columns, DlgButtonPanelLayout,
                         testing::Values(LayoutCase{"Top",
                                                    TZybDlgButtonPanel::alRight,
                                                    baTopLeft,
                                                    {100, 200},
                                                    {Std, Std},
                                                    {},
                                                    {{12, 20}, {12, 55}}},
                                         LayoutCase{"Bottom",
                                                    TZybDlgButtonPanel::alRight,
                                                    baRightBottom,
                                                    {100, 200},
                                                    {Std, Std},
                                                    {},
                                                    {{12, 120}, {12, 155}}},
                                         LayoutCase{"Centre",
                                                    TZybDlgButtonPanel::alLeft,
                                                    baCenter,
                                                    {100, 200},
                                                    {Std, {60, 30}},
                                                    {},
                                                    {{12, 67}, {20, 102}}},
                                         LayoutCase{"HiddenTakesNoRoom",
                                                    TZybDlgButtonPanel::alLeft,
                                                    baRightBottom,
                                                    {100, 200},
                                                    {Std, Std},
                                                    {true, false},
                                                    {{12, 155}}}),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DlgButtonPanel, RealignsOnChangesOnly) {
    QWidget host;
    TZybDlgButtonPanel& panel = *new TZybDlgButtonPanel(&host);
    panel.resize(363, 35);
    host.show();
    QPushButton* first = panel.Buttons().Add()->Button();
    QPushButton* second = panel.Buttons().Add()->Button();
    ASSERT_EQ(second->x(), 268);

    second->move(0, 0);
    panel.SetBtnGap(10);
    panel.SetBtnMargin(20);
    panel.SetBtnAlign(baRightBottom);
    EXPECT_EQ(second->pos(), QPoint(0, 0)) << "an equal value must not realign";

    panel.SetBtnGap(12);
    EXPECT_EQ(first->x(), 181);
    EXPECT_EQ(second->x(), 268);
    panel.SetBtnMargin(0);
    EXPECT_EQ(second->x(), 288);

    panel.resize(463, 35);
    EXPECT_EQ(second->x(), 388);
    first->hide();
    EXPECT_EQ(second->x(), 388);
    second->hide();
    first->show();
    EXPECT_EQ(first->x(), 388);
    first->resize(100, 25);
    EXPECT_EQ(first->x(), 363);
    panel.Buttons().Delete(0);
    second->show();
    EXPECT_EQ(second->x(), 388);
}

TEST(DlgButtonPanel, NamesButtonsWithTheLowestFreeNumber) {
    TZybDlgButtonPanel panel;
    for (int i = 0; i < 3; ++i)
        panel.Buttons().Add();
    auto names = [&] {
        QStringList result;
        for (int i = 0; i < panel.Buttons().Count(); ++i)
            result << panel.Buttons().Items(i)->Button()->objectName();
        return result;
    };
    EXPECT_EQ(names(), QStringList({"DlgButton1", "DlgButton2", "DlgButton3"}));

    panel.Buttons().Delete(0);
    panel.Buttons().Add();
    EXPECT_EQ(names(), QStringList({"DlgButton2", "DlgButton3", "DlgButton1"}));

    // Another component of the panel holds the next name in another case.
    QWidget other(&panel);
    other.setObjectName("dlgbutton4");
    panel.Buttons().Add();
    EXPECT_EQ(names().last(), "DlgButton5");
}

TEST(DlgButtonPanel, CopiesButtonsFromAnotherPanel) {
    TZybDlgButtonPanel source;
    TZybDlgButton* ok = source.Buttons().Add();
    ok->Button()->setText("OK");
    ok->Button()->setDefault(true);
    ok->Button()->resize(80, 30);
    ok->ModalResult = 1;
    int clicks = 0;
    ok->OnClick = [&] { ++clicks; };

    TZybDlgButtonPanel target;
    target.Buttons().Add()->Button()->setText("old");
    target.Buttons().Assign(source.Buttons());

    ASSERT_EQ(target.Buttons().Count(), 1);
    const TZybDlgButton* copy = target.Buttons().Items(0);
    EXPECT_EQ(copy->Button()->objectName(), "DlgButton1");
    EXPECT_EQ(copy->Button()->text(), "OK");
    EXPECT_TRUE(copy->Button()->isDefault());
    EXPECT_EQ(copy->Button()->size(), QSize(80, 30));
    EXPECT_EQ(copy->ModalResult, 1);
    copy->Button()->click();
    EXPECT_EQ(clicks, 1);
}

TEST(DlgButtonPanel, ButtonClosesItsDialogWithItsResultAndGuardsItsHandler) {
    vx::test::ScriptedPrompter prompter;
    QDialog dialog;
    auto* panel = new TZybDlgButtonPanel(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(panel);
    TZybDlgButton* ok = panel->Buttons().Add();
    ok->ModalResult = 1;
    ok->OnClick = [] { throw std::runtime_error("handler failed"); };

    vx::test::onNextModal([&](QWidget*) { ok->Button()->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(prompter.texts(), QStringList("handler failed"));
}

} // namespace
