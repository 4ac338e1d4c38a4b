#include "WizardFixture.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QRgb colour(const QWidget& widget, ZybColor c) {
    return c.resolve(widget.palette()).rgb();
}

TEST(WizardPages, DefaultsAndClientArea) {
    WizardWindow w;
    TZybWizardWelcomePage& welcome = *w.pWelcome;
    TZybWizardInteriorPage& interior = *w.pLicence;
    TZybWizardInteriorPage fresh;
    EXPECT_EQ(fresh.EnabledButtons().bits(), 127);
    EXPECT_EQ(fresh.VisibleButtons().bits(), 44);
    EXPECT_EQ(fresh.Color(), clBtnFace);
    EXPECT_TRUE(fresh.isHidden());
    EXPECT_EQ(fresh.Header()->Title()->Text(), "Название");
    EXPECT_EQ(welcome.Color(), clWindow);
    EXPECT_EQ(welcome.Header()->Title()->Text(), "Добро пожаловать");
    EXPECT_FALSE(welcome.Header()->ShowDivider());
    EXPECT_TRUE(interior.Header()->ShowDivider());

    EXPECT_EQ(interior.geometry(), QRect(0, 0, 489, 317));
    EXPECT_EQ(interior.contentsRect(), QRect(0, 70, 489, 247));
    interior.Header()->SetVisible(false);
    EXPECT_EQ(interior.contentsRect(), QRect(0, 0, 489, 317));
    EXPECT_EQ(welcome.contentsRect(), QRect(164, 70, 325, 247));
    welcome.WaterMark()->SetAlign(alRight);
    EXPECT_EQ(welcome.contentsRect(), QRect(0, 70, 325, 247));
    welcome.WaterMark()->SetVisible(false);
    EXPECT_EQ(welcome.contentsRect(), QRect(0, 70, 489, 247));
}

TEST(WizardPages, GrabbedWizardShowsBandDividerAndWatermark) {
    WizardWindow w;
    const QImage welcome = w.wizard->grab().toImage();
    const QRgb shadow = colour(w, clBtnShadow), highlight = colour(w, clBtnHighlight),
               window = colour(w, clWindow);
    struct Pixel {
        int x, y;
        QRgb expected;
    };
    const Pixel welcomePixels[] = {
        {1, 1, colour(w, clActiveCaption)},
        {162, 315, colour(w, clActiveCaption)},
        {0, 10, window},
        {163, 10, window},
        {300, 69, window}, // no divider under the band
        {100, 317, shadow},
        {0, 317, shadow},
        {487, 317, shadow},
        {488, 317, window},
        {100, 318, highlight},
        {488, 318, highlight},
        {0, 318, window},
        {200, 340, window},
    };
    for (const Pixel& p : welcomePixels)
        EXPECT_EQ(welcome.pixel(p.x, p.y), p.expected) << "welcome " << p.x << "," << p.y;

    w.wizard->SetActivePage(w.pLicence);
    const QImage licence = w.wizard->grab().toImage();
    const Pixel licencePixels[] = {
        {300, 60, window},
        {0, 68, shadow},
        {487, 68, shadow},
        {1, 69, highlight},
        {300, 100, colour(w, clBtnFace)},
        {100, 317, shadow},
        {100, 318, highlight},
    };
    for (const Pixel& p : licencePixels)
        EXPECT_EQ(licence.pixel(p.x, p.y), p.expected) << "licence " << p.x << "," << p.y;

    // No bar, no divider: the page reaches the bottom.
    w.pLicence->SetVisibleButtons({});
    w.wizard->SetShowDivider(true);
    const QImage full = w.wizard->grab().toImage();
    EXPECT_EQ(full.pixel(100, 317), colour(w, clBtnFace));
    EXPECT_EQ(full.pixel(100, 358), colour(w, clBtnFace));
}

TEST(WizardPages, PaintHandlerReplacesImageAndPanel) {
    TZybWizardInteriorPage page;
    page.resize(489, 317);
    page.Panel()->SetVisible(true);
    page.Panel()->SetColor(ZybColor::rgb(qRgb(255, 0, 0)));
    EXPECT_EQ(page.grab().toImage().pixel(9, 79), qRgb(255, 0, 0));

    ZybRect handed;
    int calls = 0;
    page.OnPaintPage = [&](TZybWizardCustomPage* sender, ZybCanvas&, ZybRect& rect) {
        ++calls;
        handed = rect;
        sender->repaint(); // no nested paint
        QImage nested(10, 10, QImage::Format_RGB32);
        QPainter painter(&nested);
        sender->PaintPage(painter);
    };
    const QImage painted = page.grab().toImage();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(handed, ZybRect({0, 70, 489, 317}));
    EXPECT_EQ(painted.pixel(9, 79), colour(page, clBtnFace));
}

} // namespace
