#include "WizardFixture.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Log = QStringList;

TEST(WizardNavigation, LoadingActivatesTheFirstEnabledPage) {
    WizardWindow w(false);
    EXPECT_FALSE(w.wizard->SetActivePage(w.pLicence));
    EXPECT_EQ(w.wizard->GetActivePageIndex(), -1);
    EXPECT_TRUE(w.log.isEmpty());

    w.wizard->Loaded();
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_EQ(w.log, Log({"selectFirst(null,pWelcome)", "enter(pWelcome,null)"}));
    EXPECT_FALSE(w.pWelcome->isHidden());
    EXPECT_TRUE(w.pLicence->isHidden());

    TZybWizard empty;
    empty.Loaded();
    for (auto select : {&TZybWizard::SelectNextPage, &TZybWizard::SelectPriorPage,
                        &TZybWizard::SelectFirstPage, &TZybWizard::SelectLastPage})
        (empty.*select)();
    EXPECT_EQ(empty.GetActivePageIndex(), -1);
}

TEST(WizardNavigation, ButtonsSkipDisabledPagesAndStopAtTheEnds) {
    WizardWindow w;
    w.pWelcome->SetEnabledButtons(TZybWizardButtonSet::all());
    w.pLicence->setEnabled(false);
    w.log.clear();

    w.click(bkNext);
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
    w.click(bkBack);
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    w.wizard->SelectLastPage();
    EXPECT_EQ(w.wizard->ActivePage(), w.pProgress);
    w.wizard->SelectNextPage(); // no page after the last: no event
    w.wizard->SelectFirstPage();
    w.wizard->SelectPriorPage(); // none before the first
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_EQ(w.log, Log({"selectNext(pWelcome,pInstall)", "exit(pWelcome,pInstall)",
                          "enter(pInstall,pWelcome)", "selectPrior(pInstall,pWelcome)",
                          "exit(pInstall,pWelcome)", "enter(pWelcome,pInstall)",
                          "selectLast(pWelcome,pProgress)", "exit(pWelcome,pProgress)",
                          "enter(pProgress,pWelcome)", "selectFirst(pProgress,pWelcome)",
                          "exit(pProgress,pWelcome)", "enter(pWelcome,pProgress)"}));
}

TEST(WizardNavigation, SelectHandlerRedirectsOrVetoes) {
    WizardWindow w;
    TZybWizard other;
    auto* foreign = new TZybWizardInteriorPage(&other);
    other.Loaded();
    struct Case {
        std::optional<TZybWizardCustomPage*> answer;
        TZybWizardCustomPage* expected;
        Log events;
    };
    w.pInstall->setEnabled(false);
    const Case cases[] = {
        {nullptr, w.pWelcome, {"selectNext(pWelcome,pLicence)"}},
        {w.pWelcome, w.pWelcome, {"selectNext(pWelcome,pLicence)"}},
        {w.pInstall, w.pWelcome, {"selectNext(pWelcome,pLicence)"}},
        {foreign, w.pWelcome, {"selectNext(pWelcome,pLicence)"}},
        {w.pProgress,
         w.pProgress,
         {"selectNext(pWelcome,pLicence)", "exit(pWelcome,pProgress)",
          "enter(pProgress,pWelcome)"}},
    };
    for (const Case& c : cases) {
        w.redirect = c.answer;
        w.log.clear();
        w.wizard->SelectNextPage();
        EXPECT_EQ(w.wizard->ActivePage(), c.expected);
        EXPECT_EQ(w.log, c.events);
    }
    EXPECT_EQ(foreign->Wizard(), &other);
}

TEST(WizardNavigation, PageChangeOrder) {
    WizardWindow w;
    bool enteredWhileOldActive = false, oldHiddenOnEnter = false;
    w.pLicence->OnEnterPage = [&](TZybWizardCustomPage*, TZybWizardCustomPage* previous) {
        enteredWhileOldActive = w.wizard->ActivePage() == previous;
        oldHiddenOnEnter = previous->isHidden();
    };
    EXPECT_TRUE(w.wizard->SetActivePage(w.pLicence));
    EXPECT_TRUE(enteredWhileOldActive);
    EXPECT_TRUE(oldHiddenOnEnter);
    EXPECT_FALSE(w.pLicence->isHidden());
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet({bkBack, bkNext, bkCancel, bkHelp}));
}

TEST(WizardNavigation, ExitHandlerThatDisablesTheTargetLeadsToTheNearestEnabledPage) {
    WizardWindow w;
    // Forward: Welcome -> Install, Install disabled on the way: Licence.
    w.pWelcome->OnExitPage = [&](TZybWizardCustomPage*, TZybWizardCustomPage* target) {
        w.log << "exit(pWelcome)";
        target->setEnabled(false);
    };
    w.log.clear();
    w.wizard->SetActivePage(w.pInstall);
    EXPECT_EQ(w.wizard->ActivePage(), w.pLicence);
    EXPECT_EQ(w.log, Log({"exit(pWelcome)", "enter(pLicence,pWelcome)"}));

    // Backward: Progress -> Welcome, Welcome disabled on the way: Licence.
    w.pInstall->setEnabled(true);
    w.wizard->SetActivePage(w.pProgress);
    w.pProgress->OnExitPage = [&](TZybWizardCustomPage*, TZybWizardCustomPage* target) {
        target->setEnabled(false);
    };
    w.log.clear();
    w.wizard->SetActivePage(w.pWelcome);
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
    EXPECT_EQ(w.log, Log({"enter(pInstall,pProgress)"}));
}

TEST(WizardNavigation, ExitHandlerThatDestroysOrMovesTheTargetKeepsTheOldPage) {
    WizardWindow w;
    w.pWelcome->OnExitPage = [&](TZybWizardCustomPage*, TZybWizardCustomPage* target) {
        delete target;
    };
    w.wizard->SetActivePage(w.pLicence);
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_FALSE(w.pWelcome->isHidden());
    EXPECT_EQ(w.wizard->Pages().size(), 3u);

    TZybWizard other;
    w.pWelcome->OnExitPage = [&](TZybWizardCustomPage*, TZybWizardCustomPage* target) {
        target->setEnabled(false);
        target->SetWizard(&other);
    };
    EXPECT_THROW(w.wizard->SetActivePage(w.pInstall), EZybWizard);
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_FALSE(w.pWelcome->isHidden());
}

TEST(WizardNavigation, DisablingTheActivePageHandsOver) {
    WizardWindow w;
    w.wizard->SetActivePage(w.pLicence);
    w.log.clear();
    w.pLicence->setEnabled(false); // the next enabled page after it
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
    w.pProgress->setEnabled(false); // not active: nothing
    w.pInstall->setEnabled(false);  // nothing after it: the nearest before
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_EQ(w.log, Log({"enter(pInstall,pLicence)", "enter(pWelcome,pInstall)"}));

    // Disabling the wizard or its window is no page's own choice.
    w.log.clear();
    w.wizard->setEnabled(false);
    w.setEnabled(false);
    w.setEnabled(true);
    w.wizard->setEnabled(true);
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_TRUE(w.log.isEmpty());

    w.pWelcome->setEnabled(false); // no enabled page left
    EXPECT_EQ(w.wizard->ActivePage(), nullptr);
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet({bkBack, bkNext, bkCancel}));
    EXPECT_EQ(enabledButtons(*w.wizard), TZybWizardButtonSet({bkCancel}));
}

TEST(WizardNavigation, DisabledPagesFireNoPageEvents) {
    WizardWindow w;
    // The enter handler disables its own page: it is still entered, but its later events stay
    // silent, and the handover that follows asks nothing.
    w.pLicence->OnEnterPage = [&](TZybWizardCustomPage* page, TZybWizardCustomPage*) {
        w.log << "enter(pLicence)";
        page->setEnabled(false);
    };
    w.log.clear();
    w.wizard->SetActivePage(w.pLicence);
    w.wizard->SetActivePage(w.pProgress);
    EXPECT_EQ(w.log,
              Log({"exit(pWelcome,pLicence)", "enter(pLicence)", "enter(pProgress,pLicence)"}));
    EXPECT_EQ(w.wizard->ActivePage(), w.pProgress);
}

TEST(WizardNavigation, RemovingPages) {
    WizardWindow w;
    w.wizard->SetActivePage(w.pInstall);
    w.log.clear();
    delete w.pWelcome; // not active: nothing moves
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
    EXPECT_TRUE(w.log.isEmpty());
    EXPECT_EQ(w.pInstall->GetPageIndex(), 1);

    w.pInstall->SetWizard(nullptr); // the active page leaves: the next one takes over
    EXPECT_EQ(w.wizard->ActivePage(), w.pProgress);
    EXPECT_EQ(w.pInstall->Wizard(), nullptr);
    EXPECT_EQ(w.pInstall->GetPageIndex(), -1);
    EXPECT_EQ(w.log, Log({"exit(pInstall,pProgress)", "enter(pProgress,pInstall)"}));
    delete w.pInstall;

    delete w.pProgress; // the last page: none is active afterwards
    EXPECT_EQ(w.wizard->ActivePage(), nullptr);
    EXPECT_EQ(w.wizard->GetActivePageIndex(), -1);
    EXPECT_EQ(w.wizard->Pages().size(), 1u);
}

TEST(WizardNavigation, PagesMoveBetweenWizardsAndOutliveTheirWizard) {
    auto* first = new TZybWizard;
    TZybWizard second;
    auto* a = new TZybWizardInteriorPage(first);
    auto* b = new TZybWizardInteriorPage(first);
    EXPECT_EQ(b->GetPageIndex(), 1);
    a->SetWizard(&second);
    EXPECT_EQ(a->parentWidget(), &second);
    EXPECT_EQ(first->Pages(), std::vector<TZybWizardCustomPage*>{b});
    EXPECT_EQ(b->GetPageIndex(), 0);

    EXPECT_TRUE(second.IsForward(nullptr, a));
    EXPECT_FALSE(second.IsForward(a, nullptr));
    try {
        second.IsForward(a, b);
        ADD_FAILURE() << "pages of two wizards";
    } catch (const EZybWizard& e) {
        EXPECT_EQ(e.message(), "Pages are belong to different wizard.");
    }
    delete first; // b goes with it and calls back into nothing
    EXPECT_EQ(second.Pages().size(), 1u);
}

TEST(WizardNavigation, KeysReachTheDefaultAndCancelButtons) {
    WizardWindow w;
    auto* edit = new QLineEdit(w.pLicence);
    int cancels = 0;
    w.wizard->OnButtonClick(bkCancel) = [&](QObject*) { ++cancels; };
    w.pWelcome->SetEnabledButtons(TZybWizardButtonSet::all());
    w.wizard->SetActivePage(w.pLicence);

    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
    w.pInstall->OnCancelButtonClick = [](QObject*, bool& stop) { stop = true; };
    QTest::keyClick(w.pInstall, Qt::Key_Escape); // the page's veto holds
    EXPECT_EQ(cancels, 0);
    w.pInstall->OnCancelButtonClick = nullptr;
    QTest::keyClick(w.pInstall, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);

    int finishes = 0;
    w.wizard->OnButtonClick(bkFinish) = [&](QObject*) { ++finishes; };
    w.wizard->SetActivePage(w.pProgress);
    QTest::keyClick(w.pProgress, Qt::Key_Enter);  // Next is hidden there: Finish
    QTest::keyClick(w.pProgress, Qt::Key_Escape); // Cancel is hidden: nothing
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(cancels, 1);
}

TEST(WizardNavigation, ShownPageTakesTheFocusAndFiresOnPage) {
    WizardWindow w;
    auto* edit = new QLineEdit(w.pLicence);
    edit->move(40, 100);
    QStringList pageEvents;
    w.pLicence->OnPage = [&](TZybWizardCustomPage* page) { pageEvents << page->objectName(); };
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.wizard->SetActivePage(w.pLicence);
    EXPECT_EQ(pageEvents, QStringList{"pLicence"});
    EXPECT_EQ(w.focusWidget(), edit);

    auto* hidden = new QLineEdit(w.pInstall);
    w.wizard->ShowControl(hidden); // a control on a hidden page brings its page
    EXPECT_EQ(w.wizard->ActivePage(), w.pInstall);
}

} // namespace
