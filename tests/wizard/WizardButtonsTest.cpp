#include "WizardFixture.h"

#include "uTZybTranslator.h"
#include "uZybDesignUtils.h"

#include <gtest/gtest.h>

namespace {

using Log = QStringList;

QRect at(int x, int width) {
    return QRect(x, 327, width, 25);
}

TEST(WizardButtons, FreshButtonsHaveTheirKindsDefaults) {
    TZybWizard wizard;
    struct Row {
        TZybWizardButtonKind kind;
        const char* caption;
        bool shown, enabled;
        int width;
        TZybWizardLeftRight side;
        int modalResult;
    };
    const Row rows[] = {
        {bkStart, "На П&ервую", false, true, 85, alLeft, 0},
        {bkLast, "На П&оследнюю", false, true, 85, alLeft, 0},
        {bkBack, "< &Назад", true, false, 75, alRight, 0},
        {bkNext, "&Вперед >", true, false, 75, alRight, 0},
        {bkFinish, "&Завершить", false, true, 75, alRight, 0},
        {bkCancel, "Отмена", true, true, 75, alRight, 2},
        {bkHelp, "&Помощь", false, true, 75, alLeft, 0},
    };
    for (const Row& row : rows) {
        const TZybWizardButtonControl* button = wizard.Button(row.kind);
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(button->text(), QString::fromUtf8(row.caption));
        EXPECT_EQ(!button->isHidden(), row.shown);
        EXPECT_EQ(button->isEnabled(), row.enabled);
        EXPECT_EQ(button->size(), QSize(row.width, 25));
        EXPECT_EQ(button->Side(), row.side);
        EXPECT_EQ(button->ModalResult(), row.modalResult);
        EXPECT_EQ(button->IsCancel(), row.kind == bkCancel);
    }
    EXPECT_EQ(TZybWizardButtonSet::all().bits(), 127);
    EXPECT_EQ(TZybWizardButtonSet({bkBack, bkNext, bkCancel}).bits(), 44);
}

// The bar for each page of the installer, at the installer's size and a wider one.
TEST(WizardButtons, BarLayoutFollowsTheActivePage) {
    WizardWindow w;
    w.pWelcome->SetEnabledButtons(TZybWizardButtonSet::all());
    struct Case {
        TZybWizardButtonSet visible;
        QSize size;
        std::map<TZybWizardButtonKind, QRect> expected;
    };
    const auto all = TZybWizardButtonSet::all();
    const Case cases[] = {
        {{bkBack, bkNext, bkCancel, bkHelp},
         {489, 359},
         {{bkHelp, at(8, 75)},
          {bkBack, at(245, 75)},
          {bkNext, at(321, 75)},
          {bkCancel, at(406, 75)}}},
        {{bkFinish, bkHelp}, {489, 359}, {{bkFinish, at(406, 75)}, {bkHelp, at(8, 75)}}},
        {all,
         {489, 359},
         {{bkHelp, at(8, 75)},
          {bkStart, at(93, 85)},
          {bkLast, at(179, 85)},
          {bkBack, at(169, 75)},
          {bkNext, at(245, 75)},
          {bkFinish, at(330, 75)},
          {bkCancel, at(406, 75)}}},
        {{bkBack, bkNext, bkCancel},
         {600, 400},
         {{bkBack, QRect(356, 368, 75, 25)},
          {bkNext, QRect(432, 368, 75, 25)},
          {bkCancel, QRect(517, 368, 75, 25)}}},
    };
    w.show(); // the wizard follows its window's size
    for (const Case& c : cases) {
        w.resize(c.size);
        w.pWelcome->SetVisibleButtons(c.visible);
        EXPECT_EQ(w.wizard->geometry(), QRect(QPoint(0, 0), c.size));
        EXPECT_EQ(shownButtons(*w.wizard), c.visible);
        for (const auto& [kind, rect] : c.expected)
            EXPECT_EQ(w.wizard->Button(kind)->geometry(), rect) << "kind " << int(kind);
        EXPECT_EQ(w.pWelcome->geometry(), QRect(0, 0, c.size.width(), c.size.height() - 42));
    }

    // No buttons: no bar, every button flat at the origin, the page fills the wizard.
    w.resize(489, 359);
    w.pWelcome->SetVisibleButtons({});
    EXPECT_EQ(w.wizard->ButtonBarHeight(), 0);
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet());
    EXPECT_EQ(w.wizard->Button(bkStart)->geometry(), QRect(0, 0, 85, 0));
    EXPECT_EQ(w.wizard->Button(bkCancel)->geometry(), QRect(0, 0, 75, 0));
    EXPECT_EQ(w.pWelcome->geometry(), QRect(0, 0, 489, 359));
    w.pWelcome->SetVisibleButtons({bkNext});
    EXPECT_EQ(w.wizard->ButtonBarHeight(), 42);
    EXPECT_EQ(w.pWelcome->geometry(), QRect(0, 0, 489, 317));
}

TEST(WizardButtons, ButtonStateFollowsTheActivePage) {
    WizardWindow w;
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet({bkNext, bkCancel, bkHelp}));
    EXPECT_FALSE(w.wizard->Button(bkNext)->isEnabled());
    w.pWelcome->SetEnabledButtons(w.pWelcome->EnabledButtons().with(bkNext));
    EXPECT_TRUE(w.wizard->Button(bkNext)->isEnabled());
    EXPECT_TRUE(w.wizard->Button(bkNext)->isDefault());

    // A page that is not active changes nothing on screen.
    w.pProgress->SetVisibleButtons({bkFinish, bkHelp, bkCancel});
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet({bkNext, bkCancel, bkHelp}));
    w.pProgress->SetVisibleButtons({bkFinish, bkHelp});

    w.wizard->SetActivePage(w.pProgress);
    EXPECT_EQ(shownButtons(*w.wizard), TZybWizardButtonSet({bkFinish, bkHelp}));
    EXPECT_TRUE(w.wizard->Button(bkFinish)->isDefault());

    // Back is off on whichever page is first, and only while it is first.
    w.pWelcome->SetVisibleButtons({bkBack, bkNext, bkCancel});
    w.wizard->SetActivePage(w.pWelcome);
    EXPECT_FALSE(w.wizard->Button(bkBack)->isEnabled());
    w.pWelcome->setEnabled(false); // Licence is first now
    ASSERT_EQ(w.wizard->ActivePage(), w.pLicence);
    EXPECT_FALSE(w.wizard->Button(bkBack)->isEnabled());
    w.pWelcome->setEnabled(true);
    w.wizard->SetActivePage(w.pInstall);
    w.wizard->SetActivePage(w.pLicence);
    EXPECT_TRUE(w.wizard->Button(bkBack)->isEnabled());
}

TEST(WizardButtons, NextClickRunsThePageVetoTheWizardEventAndNavigation) {
    WizardWindow w;
    w.pWelcome->SetEnabledButtons(TZybWizardButtonSet::all());
    w.pWelcome->OnNextButtonClick = [&](QObject* sender, bool& stop) {
        w.log << QStringLiteral("pageNext(%1)").arg(WizardWindow::name(sender));
        stop = w.property("stop").toBool();
    };
    w.wizard->OnButtonClick(bkNext) = [&](QObject* sender) {
        w.log << QStringLiteral("wizardNext(%1,%2)")
                     .arg(sender == w.wizard->Button(bkNext) ? "NextButton" : "other")
                     .arg(WindowModalResult(&w));
    };
    SetWindowModalResult(&w, 7);
    w.setProperty("stop", true);
    w.log.clear();
    w.click(bkNext);
    EXPECT_EQ(w.log, Log({"pageNext(pWelcome)"}));
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);
    EXPECT_EQ(WindowModalResult(&w), 7);

    w.setProperty("stop", false);
    w.log.clear();
    w.click(bkNext);
    EXPECT_EQ(w.log, Log({"pageNext(pWelcome)", "wizardNext(NextButton,0)",
                          "selectNext(pWelcome,pLicence)", "exit(pWelcome,pLicence)",
                          "enter(pLicence,pWelcome)"}));
}

TEST(WizardButtons, CancelAndFinishSetTheModalResultWithoutNavigating) {
    WizardWindow w;
    int seen = -1;
    w.wizard->OnButtonClick(bkCancel) = [&](QObject*) { seen = WindowModalResult(&w); };
    w.click(bkCancel);
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(w.wizard->ActivePage(), w.pWelcome);

    seen = -1;
    SetWindowModalResult(&w, 0);
    w.pWelcome->OnCancelButtonClick = [](QObject*, bool& stop) { stop = true; };
    w.click(bkCancel);
    EXPECT_EQ(seen, -1);
    EXPECT_EQ(WindowModalResult(&w), 0);

    // A handler that closes the window for good ends the click there.
    w.wizard->SetActivePage(w.pProgress);
    w.wizard->OnButtonClick(bkFinish) = [&](QObject*) { delete w.wizard; };
    w.click(bkFinish);
    EXPECT_EQ(w.findChild<TZybWizard*>(), nullptr);
}

TEST(WizardButtons, HelpGoesToOneHandlerOrTheHelpContext) {
    WizardWindow w;
    QList<int> contexts;
    SetHelpContextHandler([&](int context) { contexts << context; });
    QStringList calls;
    auto handler = [&](const QString& who) {
        return [&, who](QObject* sender, bool&) {
            calls << who + (sender == w.wizard->Button(bkHelp) ? "(HelpButton)" : "(other)");
        };
    };
    w.pWelcome->HelpContext = 3;
    w.pWelcome->OnHelpButtonClick = handler("page");
    w.wizard->OnHelpButtonClick = handler("wizard");
    w.click(bkHelp);
    w.pWelcome->OnHelpButtonClick = nullptr;
    w.click(bkHelp);
    w.wizard->OnHelpButtonClick = nullptr;
    w.click(bkHelp);
    w.pWelcome->HelpContext = 0;
    w.click(bkHelp);
    EXPECT_EQ(calls, QStringList({"page(HelpButton)", "wizard(HelpButton)"}));
    EXPECT_EQ(contexts, QList<int>{3});

    // No active page: the window's help context.
    SetWindowHelpContext(&w, 9);
    for (TZybWizardCustomPage* page : w.pages())
        page->setEnabled(false);
    ASSERT_EQ(w.wizard->ActivePage(), nullptr);
    w.wizard->Button(bkHelp)->Click();
    EXPECT_EQ(contexts, QList<int>({3, 9}));
    SetHelpContextHandler(nullptr);
}

TEST(WizardButtons, WrapperForwardsToItsButton) {
    WizardWindow w;
    w.wizard->SetActivePage(w.pLicence);
    w.pLicence->SetVisibleButtons({bkBack, bkNext, bkCancel});
    TZybWizardNavigateButton* cancel = w.wizard->ButtonCancel();
    cancel->SetCaption("Stop");
    EXPECT_EQ(w.wizard->Button(bkCancel)->text(), "Stop");
    cancel->SetWidth(100);
    EXPECT_EQ(w.wizard->Button(bkCancel)->geometry(), at(381, 100));
    EXPECT_EQ(w.wizard->Button(bkNext)->geometry(), at(296, 75));
    EXPECT_EQ(w.wizard->Button(bkBack)->geometry(), at(220, 75));

    // The same width lays nothing out again.
    w.wizard->Button(bkNext)->move(0, 0);
    cancel->SetWidth(100);
    EXPECT_EQ(w.wizard->Button(bkNext)->pos(), QPoint(0, 0));

    // Hiding a button re-packs the bar at once.
    w.pLicence->SetVisibleButtons({bkBack, bkNext});
    EXPECT_EQ(w.wizard->Button(bkNext)->geometry(), at(406, 75));
    EXPECT_EQ(w.wizard->Button(bkBack)->geometry(), at(330, 75));

    // Two glyphs side by side, normal and disabled; the bottom-left pixel is see-through.
    QImage glyphs(8, 4, QImage::Format_RGB32);
    glyphs.fill(Qt::blue);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y)
            glyphs.setPixel(x, y, qRgb(255, 0, 0));
    glyphs.setPixel(0, 3, qRgb(255, 0, 255));
    cancel->SetGlyph(glyphs);
    cancel->SetNumGlyphs(2);
    const QIcon icon = w.wizard->Button(bkCancel)->icon();
    const QImage normal = icon.pixmap(QSize(4, 4)).toImage();
    EXPECT_EQ(normal.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(normal.pixel(0, 3)), 0);
    EXPECT_EQ(icon.pixmap(QSize(4, 4), QIcon::Disabled).toImage().pixel(1, 1), qRgb(0, 0, 255));

    TZybWizardNavigateButton orphan(nullptr, nullptr);
    orphan.SetCaption("x");
    orphan.SetWidth(10);
    EXPECT_EQ(orphan.Caption(), "");
    EXPECT_EQ(orphan.Width(), 0);
    EXPECT_EQ(orphan.NumGlyphs(), 0);
    EXPECT_EQ(orphan.Layout(), TZybWizardButtonControl::blGlyphLeft);
}

TEST(WizardButtons, TranslatorReachesButtonCaptionsAndPageTitles) {
    WizardWindow w;
    auto* translator = w.addComponent(new TZybTranslator(&w), "Translator");
    translator->LoadTable(
        {{"ZybWizard1.ButtonNext.Caption", "&Next >", "Дальше >"},
         {"pLicence.Header.Title.Text", "Step 2", "Шаг 2"},
         {"pLicence.Header.Subtitle.Text", "License aggreement", "Лицензионное соглашение"}});
    translator->SetActiveLanguage(1);
    translator->ApplyLanguage();
    EXPECT_EQ(w.wizard->Button(bkNext)->text(), "Дальше >");
    EXPECT_EQ(w.pLicence->Header()->Title()->Text(), "Шаг 2");
    EXPECT_EQ(w.pLicence->Header()->Subtitle()->Text(), "Лицензионное соглашение");
    translator->SetActiveLanguage(0);
    translator->ApplyLanguage();
    EXPECT_EQ(w.wizard->Button(bkNext)->text(), "&Next >");
    EXPECT_TRUE(SetPropPathText(&w, "ZybWizard1.ButtonCancel.Caption", "Cancel"));
    EXPECT_EQ(w.wizard->ButtonCancel()->Caption(), "Cancel");
}

} // namespace
