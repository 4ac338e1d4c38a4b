#pragma once

// The painted decorations of a wizard page: header band with title and subtitle, the watermark
// strip of the welcome page, a picture and an etched panel, plus the drawing routines they share
// with the wizard. The objects are plain sub-objects of their page; each tells its page (through
// TZybWizardPageHost) when it changed, and each paints into a running rectangle that it narrows
// by what it used, so that the next object paints in what is left.
//
// Rectangles have exclusive right and bottom edges (ZybRect), and lines exclude their end point:
// all geometry is computed on ZybRect and turned into QRect only when drawn.

#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPixmap>
#include <QSize>

#include <functional>
#include <memory>

class QPainter;

struct ZybRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    bool isEmpty() const { return Right <= Left || Bottom <= Top; }
    QRect toQRect() const { return QRect(Left, Top, width(), height()); }
    friend bool operator==(const ZybRect&, const ZybRect&) = default;
};

// A colour as the pages store it: none (nothing is filled), a system colour that follows the
// widget's palette, or a fixed RGB value.
class ZybColor {
public:
    constexpr ZybColor() = default;
    static constexpr ZybColor none() { return ZybColor(Kind::None, QPalette::NoRole, 0); }
    static constexpr ZybColor system(QPalette::ColorRole role) {
        return ZybColor(Kind::System, role, 0);
    }
    static constexpr ZybColor rgb(QRgb value) {
        return ZybColor(Kind::Rgb, QPalette::NoRole, value);
    }

    bool isNone() const { return m_kind == Kind::None; }
    QColor resolve(const QPalette& palette) const;
    friend bool operator==(const ZybColor&, const ZybColor&) = default;

private:
    enum class Kind { None, System, Rgb };
    constexpr ZybColor(Kind kind, QPalette::ColorRole role, QRgb value)
        : m_kind(kind), m_role(role), m_rgb(value) {}

    Kind m_kind = Kind::None;
    QPalette::ColorRole m_role = QPalette::NoRole;
    QRgb m_rgb = 0;
};

// The system colours that the wizard names, mapped onto palette roles.
inline constexpr ZybColor clNone = ZybColor::none();
inline constexpr ZybColor clBtnFace = ZybColor::system(QPalette::Button);
inline constexpr ZybColor clBtnShadow = ZybColor::system(QPalette::Dark);
inline constexpr ZybColor clBtnHighlight = ZybColor::system(QPalette::Light);
inline constexpr ZybColor clWindow = ZybColor::system(QPalette::Base);
inline constexpr ZybColor clWindowFrame = ZybColor::system(QPalette::Shadow);
inline constexpr ZybColor clActiveCaption = ZybColor::system(QPalette::Highlight);
inline constexpr ZybColor clBlack = ZybColor::rgb(0xff000000);

// A painter with the palette that resolves system colours.
struct ZybCanvas {
    QPainter& Painter;
    QPalette Palette;

    void fill(const ZybRect& r, ZybColor color);
};

enum TZybImageAlignment : quint8 { iaLeft, iaRight, iaCenter, iaStretch };
enum TZybImageLayout : quint8 { ilTop, ilBottom, ilCenter, ilStretch };
// The side of a header icon: the first two values of TZybImageAlignment.
using TZybImageLeftRight = TZybImageAlignment;
enum TZybWizardLeftRight : quint8 { alLeft, alRight };

// Edges of a rectangle, as a set.
enum ZybEdge : quint8 { edLeft = 1, edTop = 2, edRight = 4, edBottom = 8, edAll = 15 };

// Where DrawWizardImage puts a graphic of that size into R: scaled into the rectangle when
// stretched, else at its own size at the rectangle's top left (and not clipped).
struct ZybImagePlacement {
    ZybRect Rect;
    bool Stretch = false;
};
ZybImagePlacement WizardImagePlacement(ZybRect R, QSize graphic, TZybImageAlignment alignment,
                                       TZybImageLayout layout);
void DrawWizardImage(ZybCanvas& canvas, const QImage& graphic, const ZybRect& R,
                     TZybImageAlignment alignment, TZybImageLayout layout);

// Left and top edges in colour1, right and bottom in colour2; returns R less one pixel on each
// drawn edge.
ZybRect DrawEdgeLines(ZybCanvas& canvas, ZybRect R, ZybColor color1, ZybColor color2, quint8 edges);
// Frame styles 0 to 6; the system draws style 3, the etched line (shadow over highlight). Returns
// R less what the frame took on the chosen edges.
ZybRect DrawEtchedEdges(ZybCanvas& canvas, ZybRect R, int style, quint8 edges);

// Icons for page headers, drawn by index.
class TZybImageList : public QObject {
    Q_OBJECT
public:
    TZybImageList(QSize size, QObject* parent = nullptr) : QObject(parent), m_size(size) {}

    int Width() const { return m_size.width(); }
    int Height() const { return m_size.height(); }
    int Count() const { return int(m_images.size()); }
    void Add(const QPixmap& image);
    void Draw(QPainter& painter, int x, int y, int index) const;

signals:
    void changed();

private:
    QSize m_size;
    QList<QPixmap> m_images;
};

// What the painted objects need of the page they decorate.
class TZybWizardPageHost {
public:
    virtual QFont hostFont() const = 0;
    virtual void invalidatePage() = 0; // repaint later
    virtual void realignPage() = 0;    // recompute the client area
    virtual TZybImageList* headerImages() const = 0;

protected:
    ~TZybWizardPageHost() = default;
};

// A picture placed by a horizontal and a vertical rule. Every change calls OnChange.
class TZybWizardImage {
public:
    const QImage& Picture() const { return m_picture; }
    void SetPicture(const QImage& picture); // no equality test: always notifies
    TZybImageAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TZybImageAlignment value);
    TZybImageLayout Layout() const { return m_layout; }
    void SetLayout(TZybImageLayout value);
    // False for an empty picture, where a write is ignored.
    bool Transparent() const { return !m_picture.isNull() && m_transparent; }
    void SetTransparent(bool value);

    void PaintImage(ZybCanvas& canvas, const ZybRect& rect) const;

    std::function<void(TZybWizardImage* Sender)> OnChange;

private:
    void Changed();

    QImage m_picture;
    TZybImageAlignment m_alignment = iaStretch;
    TZybImageLayout m_layout = ilStretch;
    bool m_transparent = false;
};

class TZybWizardGraphicObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
    ZybColor Color() const { return m_color; }
    void SetColor(ZybColor value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);

    virtual void Paint(ZybCanvas& canvas, ZybRect& rect) = 0;

protected:
    explicit TZybWizardGraphicObject(ZybColor color, bool visible = true)
        : m_color(color), m_visible(visible) {}
    virtual void VisibleChanged() { Changed(); }
    virtual void Changed() = 0;

    // Stores a changed value and notifies; an equal value changes nothing.
    template <class T> void change(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        Changed();
    }

private:
    ZybColor m_color;
    bool m_visible = true;
};

class TZybWizardPageHeader;

// One line of header text, kept its distance from the anchored edges of the band.
class TZybWizardPageTitle : public TZybWizardGraphicObject {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(int AnchorPlacement READ AnchorPlacement WRITE SetAnchorPlacement)
public:
    TZybWizardPageTitle(const QString& text, quint8 anchors, int points, bool bold);

    TZybWizardPageHeader* Header() const { return m_header; }
    void SetHeader(TZybWizardPageHeader* header);
    QString Text() const { return m_text; }
    void SetText(const QString& value) { change(m_text, value); }
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment value) { change(m_alignment, value); }
    int AnchorPlacement() const { return m_anchorPlacement; }
    void SetAnchorPlacement(int value) { change(m_anchorPlacement, value); }
    quint8 Anchors() const { return m_anchors; } // ZybEdge bits
    void SetAnchors(quint8 value) { change(m_anchors, value); }
    int Indent() const { return m_indent; }
    void SetIndent(int value) { change(m_indent, value); }
    const QFont& Font() const { return m_font; }
    // Ignored while the header takes the page's font (ParentFont).
    void SetFont(const QFont& value);
    // The font itself, past that rule, for code that builds a page in the shape it was designed.
    QFont& StoredFont() { return m_font; }
    // Takes the family of the given font; size and style stay.
    void AdoptFont(const QFont& font);

    // The text's rectangle in the band, for a text of the given one-line extent.
    ZybRect GetTextRect(const ZybRect& band, QSize extent) const;
    // Paints into the band and moves the band's top below itself.
    void Paint(ZybCanvas& canvas, ZybRect& band) override;

protected:
    void Changed() override;

private:
    friend class TZybWizardPageHeader; // sets construction defaults without notification

    TZybWizardPageHeader* m_header = nullptr;
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_anchorPlacement = 4;
    quint8 m_anchors;
    int m_indent = 0;
    QFont m_font;
};

// A decoration bound to a page, which it asks to repaint on every change.
class TZybWizardPageObject : public TZybWizardGraphicObject {
    Q_OBJECT
public:
    TZybWizardPageHost* Page() const { return m_page; }
    void SetPage(TZybWizardPageHost* page);

protected:
    using TZybWizardGraphicObject::TZybWizardGraphicObject;
    void Changed() override;
    virtual void Initialize() {}
    void realign();

private:
    TZybWizardPageHost* m_page = nullptr;
};

// The band at the top of a page: title, subtitle, an optional icon and an etched divider.
class TZybWizardPageHeader : public TZybWizardPageObject {
    Q_OBJECT
    Q_PROPERTY(TZybWizardPageTitle* Title READ Title)
    Q_PROPERTY(TZybWizardPageTitle* Subtitle READ Subtitle)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(bool ShowDivider READ ShowDivider WRITE SetShowDivider)
public:
    TZybWizardPageHeader();
    ~TZybWizardPageHeader() override;

    TZybWizardPageTitle* Title() const { return m_title.get(); }
    TZybWizardPageTitle* Subtitle() const { return m_subtitle.get(); }
    int Height() const { return m_height; }
    void SetHeight(int value) { change(m_height, value); }
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool value);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int value) { change(m_imageIndex, value); }
    int ImageOffset() const { return m_imageOffset; }
    void SetImageOffset(int value) { change(m_imageOffset, value); }
    TZybImageLeftRight ImageAlignment() const { return m_imageAlignment; }
    void SetImageAlignment(TZybImageLeftRight value) { change(m_imageAlignment, value); }
    bool ShowDivider() const { return m_showDivider; }
    void SetShowDivider(bool value) { change(m_showDivider, value); }
    // For a page's construction defaults: no notification.
    void InitShowDivider(bool value) { m_showDivider = value; }
    void InitTitleText(const QString& value);

    // The page's font changed: the titles take its family while ParentFont holds.
    void ParentFontChanged();
    // The icon's rectangle; narrows the band so that the titles keep clear of it.
    ZybRect GetImageRect(QSize imageSize, ZybRect& band) const;
    void Paint(ZybCanvas& canvas, ZybRect& rect) override;

protected:
    void VisibleChanged() override;
    void Initialize() override;

private:
    friend class TZybWizardPageTitle; // its changes are the header's

    int m_height = 70;
    bool m_parentFont = true;
    std::unique_ptr<TZybWizardPageTitle> m_title;
    std::unique_ptr<TZybWizardPageTitle> m_subtitle;
    int m_imageIndex = -1;
    int m_imageOffset = 0;
    TZybImageLeftRight m_imageAlignment = iaRight;
    bool m_showDivider = true;
};

// The coloured strip down one side of the welcome page.
class TZybWizardWaterMark : public TZybWizardPageObject {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    TZybWizardWaterMark();

    TZybWizardLeftRight Align() const { return m_align; }
    void SetAlign(TZybWizardLeftRight value);
    int Width() const { return m_width; } // border included
    void SetWidth(int value) { change(m_width, value); }
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value) { change(m_borderWidth, value); }
    TZybWizardImage& Image() { return m_image; }

    void Paint(ZybCanvas& canvas, ZybRect& rect) override;

protected:
    void VisibleChanged() override;

private:
    TZybWizardLeftRight m_align = alLeft;
    int m_width = 164;
    int m_borderWidth = 1;
    TZybWizardImage m_image;
};

// An etched frame inside the page's free area, filled unless its colour is none.
class TZybWizardPagePanel : public TZybWizardPageObject {
    Q_OBJECT
public:
    TZybWizardPagePanel();

    quint16 BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(quint16 value) { change(m_borderWidth, value); }

    void Paint(ZybCanvas& canvas, ZybRect& rect) override;

private:
    quint16 m_borderWidth = 7;
};

// A font size in points as the pixel size it has on a 96 dpi screen.
int PointsToPixels(int points);
