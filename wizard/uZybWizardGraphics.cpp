#include "uZybWizardGraphics.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

QColor ZybColor::resolve(const QPalette& palette) const {
    switch (m_kind) {
    case Kind::System:
        return palette.color(m_role);
    case Kind::Rgb:
        return QColor::fromRgba(m_rgb);
    case Kind::None:
        break;
    }
    return {};
}

void ZybCanvas::fill(const ZybRect& r, ZybColor color) {
    // clNone never paints: the wizard leaves that area as it is.
    if (!color.isNone() && !r.isEmpty())
        Painter.fillRect(r.toQRect(), color.resolve(Palette));
}

int PointsToPixels(int points) {
    return int(std::lround(points * 96.0 / 72.0));
}

ZybImagePlacement WizardImagePlacement(ZybRect R, QSize graphic, TZybImageAlignment alignment,
                                       TZybImageLayout layout) {
    const int gw = graphic.width(), gh = graphic.height();
    int x = 0, y = 0;
    if ((alignment == iaRight || alignment == iaCenter) && gw < R.width()) {
        x = R.width() - gw;
        if (alignment == iaCenter) {
            x /= 2;
            R.Right -= x;
        }
    }
    if ((layout == ilBottom || layout == ilCenter) && gh < R.height()) {
        y = R.height() - gh;
        if (layout == ilCenter) {
            y /= 2;
            R.Bottom -= y;
        }
    }
    R.Left += x;
    R.Top += y;
    const bool stretch = alignment == iaStretch || layout == ilStretch;
    if (!stretch)
        R = {R.Left, R.Top, R.Left + gw, R.Top + gh};
    return {R, stretch};
}

void DrawWizardImage(ZybCanvas& canvas, const QImage& graphic, const ZybRect& R,
                     TZybImageAlignment alignment, TZybImageLayout layout) {
    if (graphic.isNull())
        return;
    const ZybImagePlacement place = WizardImagePlacement(R, graphic.size(), alignment, layout);
    if (place.Stretch)
        canvas.Painter.drawImage(place.Rect.toQRect(), graphic);
    else
        canvas.Painter.drawImage(QPoint(place.Rect.Left, place.Rect.Top), graphic);
}

ZybRect DrawEdgeLines(ZybCanvas& canvas, ZybRect R, ZybColor color1, ZybColor color2,
                      quint8 edges) {
    // One-pixel fills: a line excludes its end point.
    const ZybRect outer = R;
    if (edges & edLeft) {
        canvas.fill({outer.Left, outer.Top, outer.Left + 1, outer.Bottom}, color1);
        ++R.Left;
    }
    if (edges & edTop) {
        canvas.fill({outer.Left, outer.Top, outer.Right, outer.Top + 1}, color1);
        ++R.Top;
    }
    if (edges & edRight) {
        canvas.fill({outer.Right - 1, outer.Top, outer.Right, outer.Bottom}, color2);
        --R.Right;
    }
    if (edges & edBottom) {
        canvas.fill({outer.Left, outer.Bottom - 1, outer.Right, outer.Bottom}, color2);
        --R.Bottom;
    }
    return R;
}

ZybRect DrawEtchedEdges(ZybCanvas& canvas, ZybRect R, int style, quint8 edges) {
    struct Pair {
        ZybColor a, b;
    };
    static const Pair pairs[] = {{clNone, clNone},
                                 {clWindow, clBtnFace},
                                 {clWindowFrame, clWindowFrame},
                                 {clBtnShadow, clBtnHighlight},
                                 {clBtnHighlight, clBtnShadow},
                                 {clBtnShadow, clBtnHighlight},
                                 {clBlack, clBtnFace}};
    if (style < 2 || style > 6)
        return R;
    const Pair& pair = pairs[style];
    if (style == 2)
        return DrawEdgeLines(canvas, R, pair.a, pair.b, edges);
    DrawEdgeLines(canvas, {R.Left + 1, R.Top + 1, R.Right, R.Bottom}, pair.b, pair.b, edges);
    DrawEdgeLines(canvas, {R.Left, R.Top, R.Right - 1, R.Bottom - 1}, pair.a, pair.a, edges);
    if (edges & edLeft)
        R.Left += 2;
    if (edges & edTop)
        R.Top += 2;
    if (edges & edRight)
        R.Right -= 2;
    if (edges & edBottom)
        R.Bottom -= 2;
    return R;
}

void TZybImageList::Add(const QPixmap& image) {
    m_images.append(image);
    emit changed();
}

void TZybImageList::Draw(QPainter& painter, int x, int y, int index) const {
    if (index >= 0 && index < Count())
        painter.drawPixmap(x, y, m_images[index]);
}

void TZybWizardImage::Changed() {
    if (OnChange)
        OnChange(this);
}

void TZybWizardImage::SetPicture(const QImage& picture) {
    m_picture = picture;
    Changed();
}

void TZybWizardImage::SetAlignment(TZybImageAlignment value) {
    if (m_alignment == value)
        return;
    m_alignment = value;
    Changed();
}

void TZybWizardImage::SetLayout(TZybImageLayout value) {
    if (m_layout == value)
        return;
    m_layout = value;
    Changed();
}

void TZybWizardImage::SetTransparent(bool value) {
    if (m_picture.isNull() || m_transparent == value)
        return;
    m_transparent = value;
    Changed();
}

void TZybWizardImage::PaintImage(ZybCanvas& canvas, const ZybRect& rect) const {
    if (m_picture.isNull())
        return;
    if (!m_transparent) {
        DrawWizardImage(canvas, m_picture, rect, m_alignment, m_layout);
        return;
    }
    // The bottom-left pixel names the colour that lets the background show.
    QImage masked = m_picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = masked.pixel(0, masked.height() - 1);
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        std::replace(line, line + masked.width(), key, QRgb(0));
    }
    DrawWizardImage(canvas, masked, rect, m_alignment, m_layout);
}

void TZybWizardGraphicObject::SetColor(ZybColor value) {
    if (m_color == value)
        return;
    m_color = value;
    Changed();
}

void TZybWizardGraphicObject::SetVisible(bool value) {
    if (m_visible == value)
        return;
    m_visible = value;
    VisibleChanged();
}

TZybWizardPageTitle::TZybWizardPageTitle(const QString& text, quint8 anchors, int points, bool bold)
    : TZybWizardGraphicObject(clNone), m_text(text), m_anchors(anchors),
      m_font(QStringLiteral("Tahoma")) {
    m_font.setPixelSize(PointsToPixels(points));
    m_font.setBold(bold);
}

void TZybWizardPageTitle::SetHeader(TZybWizardPageHeader* header) {
    if (m_header == header)
        return;
    m_header = header;
    if (header && header->Page())
        AdoptFont(header->Page()->hostFont());
}

void TZybWizardPageTitle::SetFont(const QFont& value) {
    if (m_header && m_header->ParentFont())
        return;
    change(m_font, value);
}

void TZybWizardPageTitle::AdoptFont(const QFont& font) {
    if (m_font.family() == font.family())
        return;
    m_font.setFamily(font.family());
    Changed();
}

void TZybWizardPageTitle::Changed() {
    if (m_header)
        m_header->Changed();
}

ZybRect TZybWizardPageTitle::GetTextRect(const ZybRect& band, QSize extent) const {
    ZybRect T{band.Left, band.Top, band.Left + extent.width(), band.Top + extent.height()};
    if (m_anchors & edLeft) {
        T.Left += m_anchorPlacement;
        T.Right += m_anchorPlacement;
    }
    if (m_anchors & edTop) {
        T.Top += m_anchorPlacement;
        T.Bottom += m_anchorPlacement;
    }
    if (m_anchors & edRight)
        T.Right = band.Right - m_anchorPlacement;
    if (m_anchors & edBottom)
        T.Bottom = band.Bottom - m_anchorPlacement;
    T.Left += m_indent;
    T.Right -= m_indent;
    T.Bottom = std::min(T.Bottom, band.Bottom);
    T.Right = std::min(T.Right, band.Right);
    return T;
}

void TZybWizardPageTitle::Paint(ZybCanvas& canvas, ZybRect& band) {
    if (!Visible() || !m_header || !m_header->Page())
        return;
    const QFontMetrics metrics(m_font);
    const ZybRect T = GetTextRect(band, {metrics.horizontalAdvance(m_text), metrics.height()});
    // A band too small for the text draws nothing, but the next title still starts below.
    if (!T.isEmpty()) {
        canvas.fill(T, Color());
        QPainter& p = canvas.Painter;
        p.save();
        p.setFont(m_font);
        p.setPen(canvas.Palette.color(QPalette::WindowText));
        p.setClipRect(T.toQRect());
        p.drawText(T.toQRect(),
                   Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignTop | m_alignment, m_text);
        p.restore();
    }
    band.Top = T.Bottom;
}

void TZybWizardPageObject::SetPage(TZybWizardPageHost* page) {
    m_page = page;
    Initialize();
}

void TZybWizardPageObject::Changed() {
    if (m_page)
        m_page->invalidatePage();
}

void TZybWizardPageObject::realign() {
    if (m_page)
        m_page->realignPage();
}

TZybWizardPageHeader::TZybWizardPageHeader()
    : TZybWizardPageObject(clWindow),
      m_title(std::make_unique<TZybWizardPageTitle>(QStringLiteral("Название"),
                                                    edLeft | edTop | edRight, 12, true)),
      m_subtitle(
          std::make_unique<TZybWizardPageTitle>(QStringLiteral("Подзаголовок"), edAll, 10, false)) {
    m_title->setObjectName(QStringLiteral("Title"));
    m_subtitle->setObjectName(QStringLiteral("Subtitle"));
}

TZybWizardPageHeader::~TZybWizardPageHeader() = default;

void TZybWizardPageHeader::InitTitleText(const QString& value) {
    m_title->m_text = value;
}

void TZybWizardPageHeader::SetParentFont(bool value) {
    if (m_parentFont == value)
        return;
    m_parentFont = value;
    ParentFontChanged();
}

void TZybWizardPageHeader::ParentFontChanged() {
    if (!Page() || !m_parentFont)
        return;
    const QFont font = Page()->hostFont();
    m_title->AdoptFont(font);
    m_subtitle->AdoptFont(font);
}

void TZybWizardPageHeader::VisibleChanged() {
    Changed();
    realign();
}

void TZybWizardPageHeader::Initialize() {
    m_title->SetHeader(this);
    m_subtitle->SetHeader(this);
}

ZybRect TZybWizardPageHeader::GetImageRect(QSize imageSize, ZybRect& band) const {
    const int w = imageSize.width(), h = imageSize.height();
    int dx = m_imageOffset;
    if (m_imageAlignment == iaRight)
        dx += band.width() - w - 4;
    const int dy = (band.height() - h) / 2;
    const ZybRect I{band.Left + dx, band.Top + dy, band.Left + dx + w, band.Top + dy + h};
    if (m_imageAlignment == iaLeft)
        band.Left = std::max(band.Left, I.Right);
    else
        band.Right = std::min(band.Right, I.Left);
    return I;
}

void TZybWizardPageHeader::Paint(ZybCanvas& canvas, ZybRect& rect) {
    if (!Visible())
        return;
    ZybRect band{rect.Left, rect.Top, rect.Right, rect.Top + m_height};
    canvas.fill(band, Color());
    if (Page()) {
        if (m_showDivider)
            DrawEtchedEdges(canvas, band, 3, edBottom);
        const TZybImageList* images = Page()->headerImages();
        if (images && m_imageIndex >= 0 && m_imageIndex < images->Count()) {
            const ZybRect I = GetImageRect({images->Width(), images->Height()}, band);
            images->Draw(canvas.Painter, I.Left, I.Top, m_imageIndex);
        }
        m_title->Paint(canvas, band);
        m_subtitle->Paint(canvas, band);
    }
    rect.Top += m_height;
}

TZybWizardWaterMark::TZybWizardWaterMark() : TZybWizardPageObject(clActiveCaption) {
    m_image.OnChange = [this](TZybWizardImage*) { Changed(); };
}

void TZybWizardWaterMark::SetAlign(TZybWizardLeftRight value) {
    if (m_align == value)
        return;
    m_align = value;
    Changed();
    realign();
}

void TZybWizardWaterMark::VisibleChanged() {
    Changed();
    realign();
}

void TZybWizardWaterMark::Paint(ZybCanvas& canvas, ZybRect& rect) {
    if (!Visible())
        return;
    ZybRect strip = rect;
    if (m_align == alLeft) {
        strip.Right = rect.Left + m_width;
        rect.Left += m_width;
    } else {
        strip.Left = rect.Right - m_width;
        rect.Right -= m_width;
    }
    strip = {strip.Left + m_borderWidth, strip.Top + m_borderWidth, strip.Right - m_borderWidth,
             strip.Bottom - m_borderWidth};
    canvas.fill(strip, Color());
    m_image.PaintImage(canvas, strip);
}

TZybWizardPagePanel::TZybWizardPagePanel() : TZybWizardPageObject(clBtnFace, false) {}

void TZybWizardPagePanel::Paint(ZybCanvas& canvas, ZybRect& rect) {
    if (!Visible() || m_borderWidth == 0)
        return;
    const int b = m_borderWidth;
    rect = {rect.Left + b, rect.Top + b, rect.Right - b, rect.Bottom - b};
    DrawEtchedEdges(canvas, rect, 3, edAll);
    if (Color().isNone())
        return;
    rect = {rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2};
    canvas.fill(rect, Color());
}
