#include "uZybWizardGraphics.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>

// Rectangles print as (Left,Top,Right,Bottom) in failures.
static void PrintTo(const ZybRect& r, std::ostream* os) {
    *os << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
}

namespace {

const QRgb sentinel = qRgb(1, 2, 3);
const QRgb red = qRgb(255, 0, 0);

// A canvas over an image filled with a colour that no palette role has.
struct Sheet {
    explicit Sheet(QSize size = {489, 317}) : image(size, QImage::Format_RGB32) {
        image.fill(sentinel);
    }
    template <class F> void draw(F&& f) {
        QPainter painter(&image);
        ZybCanvas canvas{painter, QApplication::palette()};
        f(canvas);
    }
    QRgb at(int x, int y) const { return image.pixel(x, y); }

    QImage image;
};

QRgb colour(ZybColor c) {
    return c.resolve(QApplication::palette()).rgb();
}

// The object paints nothing and leaves the rectangle as it was.
void expectNoPaint(TZybWizardGraphicObject& object) {
    Sheet sheet;
    ZybRect rect{0, 70, 489, 317};
    sheet.draw([&](ZybCanvas& c) { object.Paint(c, rect); });
    EXPECT_EQ(rect, ZybRect({0, 70, 489, 317}));
    EXPECT_EQ(sheet.image, Sheet().image);
}

// A page that counts what its objects ask of it.
struct RecordingHost : TZybWizardPageHost {
    QFont hostFont() const override { return font; }
    void invalidatePage() override { ++invalidates; }
    void realignPage() override { ++realigns; }
    TZybImageList* headerImages() const override { return images; }

    QFont font{QStringLiteral("DejaVu Serif")};
    TZybImageList* images = nullptr;
    int invalidates = 0, realigns = 0;
};

TEST(WizardDrawing, EtchedEdges) {
    Sheet sheet({489, 359});
    const QRgb shadow = colour(clBtnShadow), highlight = colour(clBtnHighlight);
    sheet.draw([&](ZybCanvas& c) {
        EXPECT_EQ(DrawEtchedEdges(c, {0, 0, 489, 70}, 3, edBottom), ZybRect({0, 0, 489, 68}));
        DrawEtchedEdges(c, {0, 317, 489, 359}, 3, edTop);
        EXPECT_EQ(DrawEtchedEdges(c, {7, 77, 482, 310}, 3, edAll), ZybRect({9, 79, 480, 308}));
        for (int style : {0, 1})
            EXPECT_EQ(DrawEtchedEdges(c, {100, 100, 200, 200}, style, edAll),
                      ZybRect({100, 100, 200, 200}));
    });
    struct Pixel {
        int x, y;
        QRgb expected;
    };
    const Pixel pixels[] = {
        // bottom edge of the band
        {0, 68, shadow},
        {487, 68, shadow},
        {488, 68, sentinel},
        {1, 69, highlight},
        {488, 69, highlight},
        {0, 69, sentinel},
        // top edge of the bar
        {0, 317, shadow},
        {487, 317, shadow},
        {488, 317, sentinel},
        {1, 318, highlight},
        {488, 318, highlight},
        {0, 318, sentinel},
        // a frame on all edges
        {7, 77, shadow},
        {480, 78, shadow},
        {480, 308, shadow},
        {8, 308, shadow},
        {8, 78, highlight},
        {481, 78, highlight},
        {481, 309, highlight},
        {7, 309, sentinel},
        {150, 150, sentinel},
    };
    for (const Pixel& p : pixels)
        EXPECT_EQ(sheet.at(p.x, p.y), p.expected) << p.x << "," << p.y;
}

struct PlacementCase {
    const char* name;
    QSize graphic;
    TZybImageAlignment alignment;
    TZybImageLayout layout;
    ZybImagePlacement expected;
};

class WizardImagePlacementTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(WizardImagePlacementTest, PlacesTheGraphic) {
    const PlacementCase& c = GetParam();
    const ZybImagePlacement place =
        WizardImagePlacement({0, 0, 100, 50}, c.graphic, c.alignment, c.layout);
    EXPECT_EQ(place.Rect, c.expected.Rect);
    EXPECT_EQ(place.Stretch, c.expected.Stretch);
}

const QSize small{20, 10};
INSTANTIATE_TEST_SUITE_P(
    Rules, WizardImagePlacementTest,
    testing::Values(
        PlacementCase{"StretchStretch", small, iaStretch, ilStretch, {{0, 0, 100, 50}, true}},
        PlacementCase{"CenterStretch", small, iaCenter, ilStretch, {{40, 0, 60, 50}, true}},
        PlacementCase{"RightStretch", small, iaRight, ilStretch, {{80, 0, 100, 50}, true}},
        PlacementCase{"LeftStretch", small, iaLeft, ilStretch, {{0, 0, 100, 50}, true}},
        PlacementCase{"CenterCenter", small, iaCenter, ilCenter, {{40, 20, 60, 30}, false}},
        PlacementCase{"RightBottom", small, iaRight, ilBottom, {{80, 40, 100, 50}, false}},
        PlacementCase{"LeftTop", small, iaLeft, ilTop, {{0, 0, 20, 10}, false}},
        PlacementCase{"OddCenter", {21, 11}, iaCenter, ilCenter, {{39, 19, 60, 30}, false}},
        PlacementCase{"WideCenter", {120, 10}, iaCenter, ilTop, {{0, 0, 120, 10}, false}}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

TEST(WizardDrawing, ImageDrawsOnlyWithAPicture) {
    Sheet sheet({100, 50});
    TZybWizardImage image;
    sheet.draw([&](ZybCanvas& c) { image.PaintImage(c, {0, 0, 100, 50}); });
    EXPECT_EQ(sheet.at(50, 25), sentinel);
    EXPECT_FALSE(image.Transparent());
    image.SetTransparent(true); // ignored without a picture
    EXPECT_FALSE(image.Transparent());

    QImage redImage(20, 10, QImage::Format_RGB32);
    redImage.fill(Qt::red);
    image.SetPicture(redImage);
    image.SetAlignment(iaCenter);
    image.SetLayout(ilCenter);
    sheet.draw([&](ZybCanvas& c) { image.PaintImage(c, {0, 0, 100, 50}); });
    EXPECT_EQ(sheet.at(40, 20), red);
    EXPECT_EQ(sheet.at(59, 29), red);
    EXPECT_EQ(sheet.at(60, 29), sentinel);

    // A transparent picture lets the background show where it has its bottom-left colour.
    redImage.setPixel(0, 9, qRgb(0, 255, 0));
    redImage.setPixel(5, 5, qRgb(0, 255, 0));
    image.SetPicture(redImage);
    image.SetTransparent(true);
    Sheet keyed({100, 50});
    keyed.draw([&](ZybCanvas& c) { image.PaintImage(c, {0, 0, 100, 50}); });
    EXPECT_EQ(keyed.at(45, 25), sentinel);
    EXPECT_EQ(keyed.at(46, 25), red);
}

TEST(WizardHeader, TextRectanglesAndIcon) {
    RecordingHost host;
    TZybWizardPageHeader header;
    header.SetPage(&host);
    const int h = QFontMetrics(header.Title()->Font()).height();
    const int hs = QFontMetrics(header.Subtitle()->Font()).height();
    const QSize titleExtent(50, h), subtitleExtent(50, hs);
    const ZybRect band{0, 0, 489, 70};

    EXPECT_EQ(header.Title()->GetTextRect(band, titleExtent), ZybRect({4, 4, 485, 4 + h}));
    EXPECT_EQ(header.Subtitle()->GetTextRect({0, 4 + h, 489, 70}, subtitleExtent),
              ZybRect({4, 8 + h, 485, 66}));
    header.Title()->SetIndent(10);
    EXPECT_EQ(header.Title()->GetTextRect(band, titleExtent), ZybRect({14, 4, 475, 4 + h}));
    header.Title()->SetIndent(0);

    struct IconCase {
        TZybImageLeftRight alignment;
        int offset;
        ZybRect icon, bandLeft;
    };
    const IconCase icons[] = {
        {iaRight, 0, {453, 19, 485, 51}, {0, 0, 453, 70}},
        {iaLeft, 0, {0, 19, 32, 51}, {32, 0, 489, 70}},
        {iaRight, -10, {443, 19, 475, 51}, {0, 0, 443, 70}},
    };
    for (const IconCase& c : icons) {
        header.SetImageAlignment(c.alignment);
        header.SetImageOffset(c.offset);
        ZybRect narrowed = band;
        EXPECT_EQ(header.GetImageRect({32, 32}, narrowed), c.icon);
        EXPECT_EQ(narrowed, c.bandLeft);
    }
}

TEST(WizardHeader, PaintsBandDividerAndTitles) {
    RecordingHost host;
    TZybImageList icons({32, 32});
    QPixmap redIcon(32, 32);
    redIcon.fill(Qt::red);
    icons.Add(redIcon);
    host.images = &icons;
    TZybWizardPageHeader header;
    header.SetPage(&host);
    header.Title()->SetText("Step 2");
    header.Subtitle()->SetText("License aggreement");
    header.SetImageIndex(0);

    Sheet sheet;
    ZybRect rest{0, 0, 489, 317};
    sheet.draw([&](ZybCanvas& c) { header.Paint(c, rest); });
    EXPECT_EQ(rest, ZybRect({0, 70, 489, 317}));
    EXPECT_EQ(sheet.at(2, 2), colour(clWindow));
    EXPECT_EQ(sheet.at(300, 68), colour(clBtnShadow));
    EXPECT_EQ(sheet.at(300, 69), colour(clBtnHighlight));
    EXPECT_EQ(sheet.at(460, 30), red); // the icon at (453,19)
    EXPECT_EQ(sheet.at(300, 70), sentinel);
    // Text ink only inside the title's line and the subtitle below it.
    const int h = QFontMetrics(header.Title()->Font()).height();
    int titleInk = 0, subtitleInk = 0, stray = 0;
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 440; ++x) {
            if (sheet.at(x, y) == colour(clWindow))
                continue;
            if (x >= 4 && y >= 4 && y < 4 + h)
                ++titleInk;
            else if (x >= 4 && y >= 8 + h)
                ++subtitleInk;
            else
                ++stray;
        }
    EXPECT_GT(titleInk, 0);
    EXPECT_GT(subtitleInk, 0);
    EXPECT_EQ(stray, 0);

    // Without the divider the band runs to its last row; a hidden header takes no room.
    header.SetShowDivider(false);
    sheet.draw([&](ZybCanvas& c) {
        ZybRect r{0, 0, 489, 317};
        header.Paint(c, r);
    });
    EXPECT_EQ(sheet.at(300, 69), colour(clWindow));
    header.SetVisible(false);
    expectNoPaint(header);
}

TEST(WizardHeader, WatermarkThenHeaderAsOnTheWelcomePage) {
    RecordingHost host;
    TZybWizardWaterMark mark;
    TZybWizardPageHeader header;
    mark.SetPage(&host);
    header.SetPage(&host);
    header.SetShowDivider(false);
    const QRgb page = colour(clWindow), strip = colour(clActiveCaption);

    Sheet sheet;
    sheet.draw([&](ZybCanvas& c) {
        c.fill({0, 0, 489, 317}, clWindow);
        ZybRect rect{0, 0, 489, 317};
        mark.Paint(c, rect);
        EXPECT_EQ(rect, ZybRect({164, 0, 489, 317}));
        header.Paint(c, rect);
    });
    EXPECT_EQ(sheet.at(1, 1), strip);
    EXPECT_EQ(sheet.at(162, 315), strip);
    for (QPoint p : {QPoint(0, 10), QPoint(163, 10), QPoint(10, 0), QPoint(10, 316)})
        EXPECT_EQ(sheet.at(p.x(), p.y()), page) << p.x() << "," << p.y();

    mark.SetAlign(alRight);
    Sheet right;
    right.draw([&](ZybCanvas& c) {
        ZybRect rect{0, 0, 489, 317};
        mark.Paint(c, rect);
        EXPECT_EQ(rect, ZybRect({0, 0, 325, 317}));
    });
    EXPECT_EQ(right.at(326, 10), strip);
    EXPECT_EQ(right.at(487, 10), strip);
    EXPECT_EQ(right.at(325, 10), sentinel);
    EXPECT_EQ(right.at(488, 10), sentinel);
}

TEST(WizardPanel, FrameAndFill) {
    RecordingHost host;
    TZybWizardPagePanel panel;
    panel.SetPage(&host);
    EXPECT_FALSE(panel.Visible());
    panel.SetVisible(true);
    panel.SetColor(ZybColor::rgb(qRgb(255, 0, 0)));

    Sheet sheet;
    ZybRect rect{0, 70, 489, 317};
    sheet.draw([&](ZybCanvas& c) { panel.Paint(c, rect); });
    EXPECT_EQ(rect, ZybRect({9, 79, 480, 308}));
    EXPECT_EQ(sheet.at(9, 79), red);
    EXPECT_EQ(sheet.at(479, 307), red);
    EXPECT_EQ(sheet.at(480, 307), colour(clBtnShadow));

    panel.SetColor(clNone);
    Sheet frameOnly;
    frameOnly.draw([&](ZybCanvas& c) {
        ZybRect r{0, 70, 489, 317};
        panel.Paint(c, r);
    });
    EXPECT_EQ(frameOnly.at(9, 79), sentinel);
    EXPECT_EQ(frameOnly.at(7, 77), colour(clBtnShadow));

    panel.SetBorderWidth(0);
    expectNoPaint(panel);
}

TEST(WizardObjects, ChangesReachThePage) {
    RecordingHost host;
    TZybWizardPageHeader header;
    TZybWizardWaterMark mark;
    // Unbound objects notify nobody.
    header.SetHeight(60);
    header.Title()->SetText("x");
    header.SetPage(&host);
    mark.SetPage(&host);
    EXPECT_EQ(header.Title()->Font().family(), "DejaVu Serif"); // taken when bound

    struct Step {
        const char* what;
        std::function<void()> change;
        int invalidates, realigns;
    };
    const Step steps[] = {
        {"same height", [&] { header.SetHeight(60); }, 0, 0},
        {"height", [&] { header.SetHeight(80); }, 1, 0},
        {"hidden header", [&] { header.SetVisible(false); }, 1, 1},
        {"title text", [&] { header.Title()->SetText("Step 2"); }, 1, 0},
        {"subtitle indent", [&] { header.Subtitle()->SetIndent(3); }, 1, 0},
        {"font under ParentFont", [&] { header.Title()->SetFont(QFont("DejaVu Sans Mono")); }, 0,
         0},
        {"own font",
         [&] {
             header.SetParentFont(false);
             header.Title()->SetFont(QFont("DejaVu Sans Mono"));
         },
         1, 0},
        {"watermark side", [&] { mark.SetAlign(alRight); }, 1, 1},
        {"watermark width", [&] { mark.SetWidth(100); }, 1, 0},
        {"watermark picture", [&] { mark.Image().SetPicture(QImage(4, 4, QImage::Format_RGB32)); },
         1, 0},
    };
    for (const Step& step : steps) {
        host.invalidates = host.realigns = 0;
        step.change();
        EXPECT_EQ(host.invalidates, step.invalidates) << step.what;
        EXPECT_EQ(host.realigns, step.realigns) << step.what;
    }

    // The page's font gives the titles its family only, while ParentFont holds.
    TZybWizardPageHeader parented;
    parented.SetPage(&host);
    const int titleSize = parented.Title()->Font().pixelSize();
    host.font = QFont(QStringLiteral("DejaVu Sans Mono"), 30);
    parented.ParentFontChanged();
    EXPECT_EQ(parented.Title()->Font().family(), "DejaVu Sans Mono");
    EXPECT_EQ(parented.Title()->Font().pixelSize(), titleSize);
    EXPECT_TRUE(parented.Title()->Font().bold());
}

TEST(WizardObjects, Defaults) {
    TZybWizardPageHeader header;
    TZybWizardWaterMark mark;
    TZybWizardPagePanel panel;
    TZybWizardImage image;
    const TZybWizardPageTitle& title = *header.Title();
    const TZybWizardPageTitle& subtitle = *header.Subtitle();
    EXPECT_EQ(header.Height(), 70);
    EXPECT_TRUE(header.ParentFont());
    EXPECT_EQ(header.ImageIndex(), -1);
    EXPECT_EQ(header.ImageOffset(), 0);
    EXPECT_EQ(header.ImageAlignment(), iaRight);
    EXPECT_TRUE(header.ShowDivider());
    EXPECT_EQ(header.Color(), clWindow);
    EXPECT_EQ(title.Text(), "Название");
    EXPECT_EQ(subtitle.Text(), "Подзаголовок");
    EXPECT_EQ(title.Anchors(), edLeft | edTop | edRight);
    EXPECT_EQ(subtitle.Anchors(), edAll);
    EXPECT_EQ(title.Font().pixelSize(), 16);
    EXPECT_TRUE(title.Font().bold());
    EXPECT_EQ(subtitle.Font().pixelSize(), 13);
    EXPECT_FALSE(subtitle.Font().bold());
    EXPECT_EQ(title.Color(), clNone);
    EXPECT_EQ(title.AnchorPlacement(), 4);
    EXPECT_EQ(title.Alignment(), Qt::AlignLeft);
    EXPECT_EQ(mark.Align(), alLeft);
    EXPECT_EQ(mark.Width(), 164);
    EXPECT_EQ(mark.BorderWidth(), 1);
    EXPECT_EQ(mark.Color(), clActiveCaption);
    EXPECT_EQ(panel.BorderWidth(), 7);
    EXPECT_EQ(panel.Color(), clBtnFace);
    EXPECT_EQ(image.Alignment(), iaStretch);
    EXPECT_EQ(image.Layout(), ilStretch);
}

} // namespace
