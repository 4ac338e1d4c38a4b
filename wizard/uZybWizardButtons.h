#pragma once

// The seven buttons of the wizard's bar and the wrappers through which a window's stored values
// and its translator reach them ("ZybWizard1.ButtonNext.Caption").
//
// A click runs one protocol (TZybWizardButtonControl::Click): the active page may stop it first;
// then the holding window's modal result becomes the button's, the button's OnClick runs (where
// the wizard's OnNextButtonClick and its kin live), and last the wizard navigates. OnClick is a
// callback of its own, never a connection to QPushButton::clicked, so it cannot run before the
// page's veto. Handlers may destroy the wizard or the button: the protocol stops then.

#include "uZybWizardGraphics.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <initializer_list>

class TZybWizard;

enum TZybWizardButtonKind : quint8 { bkStart, bkLast, bkBack, bkNext, bkFinish, bkCancel, bkHelp };
inline constexpr int WizardButtonKindCount = 7;

// A set of button kinds in one byte, bit n for kind n.
class TZybWizardButtonSet {
public:
    constexpr TZybWizardButtonSet() = default;
    constexpr TZybWizardButtonSet(std::initializer_list<TZybWizardButtonKind> kinds) {
        for (TZybWizardButtonKind kind : kinds)
            m_bits |= bit(kind);
    }
    static constexpr TZybWizardButtonSet fromBits(quint8 bits) {
        TZybWizardButtonSet set;
        set.m_bits = bits & 127;
        return set;
    }
    static constexpr TZybWizardButtonSet all() { return fromBits(127); }

    constexpr quint8 bits() const { return m_bits; }
    constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr bool contains(TZybWizardButtonKind kind) const { return m_bits & bit(kind); }
    constexpr TZybWizardButtonSet with(TZybWizardButtonKind kind) const {
        return fromBits(m_bits | bit(kind));
    }
    constexpr TZybWizardButtonSet without(TZybWizardButtonKind kind) const {
        return fromBits(m_bits & ~bit(kind));
    }
    friend constexpr bool operator==(TZybWizardButtonSet, TZybWizardButtonSet) = default;

private:
    static constexpr quint8 bit(TZybWizardButtonKind kind) { return quint8(1u << kind); }
    quint8 m_bits = 0;
};

// A page's or the wizard's answer to a click: Stop is false on entry; true ends the click.
using TZybWizardPageClickEvent = std::function<void(QObject* Sender, bool& Stop)>;

// Where a Help click without a handler leads: the application's help at a context number.
// Nothing happens until a program sets a handler.
void SetHelpContextHandler(std::function<void(int context)> handler);
void ApplicationHelpContext(int context);

// The modal result and help context of a window that holds wizard buttons. A modal result is
// only recorded: a window that is no modal dialog stays open.
int WindowModalResult(const QWidget* window);
void SetWindowModalResult(QWidget* window, int result);
int WindowHelpContext(const QWidget* window);
void SetWindowHelpContext(QWidget* window, int context);

class TZybWizardButtonControl : public QPushButton {
    Q_OBJECT
public:
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)

    // A button of that kind with its caption, width, side, visibility and enabled state.
    TZybWizardButtonControl(TZybWizardButtonKind kind, QWidget* parent);

    TZybWizardButtonKind Kind() const { return m_kind; }
    TZybWizard* Wizard() const { return m_wizard; }
    void SetWizard(TZybWizard* wizard) { m_wizard = wizard; }
    TZybWizardLeftRight Side() const { return m_side; }

    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }
    // The Cancel button answers Escape (the wizard routes it).
    bool IsCancel() const { return m_kind == bkCancel; }
    // Up to four images side by side: normal, disabled, (pressed, down: not shown). The
    // bottom-left pixel names the transparent colour.
    const QImage& Glyph() const { return m_glyph; }
    void SetGlyph(const QImage& glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int value);
    // Stored only: the icon always stands left of the caption.
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout value) { m_layout = value; }

    // The plain click event, run inside the protocol after the window's modal result is set;
    // Sender is the button.
    std::function<void(QObject* Sender)> OnClick;

    // The click protocol; a failure goes to the error box.
    void Click();
    // Showing or hiding a button re-packs the bar.
    void setVisible(bool visible) override;

private:
    void runClick();
    void runHelp();
    void applyGlyph();

    TZybWizardButtonKind m_kind;
    QPointer<TZybWizard> m_wizard;
    TZybWizardLeftRight m_side;
    int m_modalResult = 0;
    QImage m_glyph;
    int m_numGlyphs = 1;
    TButtonLayout m_layout = blGlyphLeft;
};

// The published face of one wizard button. Without a button, writes are ignored and reads give
// empty values.
class TZybWizardNavigateButton : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(TZybWizardButtonControl::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    TZybWizardNavigateButton(TZybWizardButtonControl* control, QObject* parent);

    TZybWizardButtonControl* Control() const { return m_control; }

    QImage Glyph() const;
    void SetGlyph(const QImage& value);
    QString Caption() const;
    void SetCaption(const QString& value);
    int NumGlyphs() const;
    void SetNumGlyphs(int value);
    TZybWizardButtonControl::TButtonLayout Layout() const;
    void SetLayout(TZybWizardButtonControl::TButtonLayout value);
    int ModalResult() const;
    void SetModalResult(int value);
    int Width() const;
    // A changed width re-lays out the bar.
    void SetWidth(int value);

private:
    QPointer<TZybWizardButtonControl> m_control;
};
