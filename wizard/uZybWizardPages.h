#pragma once

// The pages of a wizard. A page fills the wizard above its button bar, paints its header band
// (and, on the welcome page, the watermark strip), hosts the step's own controls below them and
// carries the step's button sets and events. Only the wizard shows and hides pages.
//
// "Enabled" means the page's own flag throughout: a page of a disabled wizard or window still
// counts as enabled, so disabling the window never makes the wizard leave its page.

#include "uZybWizardButtons.h"
#include "uZybWizardGraphics.h"

#include <QWidget>

#include <functional>
#include <memory>

class TZybWizard;
class TZybWizardCustomPage;

// Sender is the page whose event it is; Page is the page left (on enter) or the target (on exit).
using TZybWizardChangePageEvent =
    std::function<void(TZybWizardCustomPage* Sender, TZybWizardCustomPage* Page)>;
// Paints the area left below the header and beside the strip, instead of Image and Panel.
using TZybWizardPaintPageEvent =
    std::function<void(TZybWizardCustomPage* Sender, ZybCanvas& Canvas, ZybRect& Rect)>;

class TZybWizardCustomPage : public QWidget, public TZybWizardPageHost {
    Q_OBJECT
    Q_PROPERTY(TZybWizardPageHeader* Header READ Header)
    Q_PROPERTY(TZybWizardPagePanel* Panel READ Panel)
public:
    ~TZybWizardCustomPage() override;

    TZybWizard* Wizard() const { return m_wizard; }
    // Leaves the old wizard and joins the new one at the end of its pages. A page that leaves
    // for no wizard has no parent: its owner frees it.
    void SetWizard(TZybWizard* wizard);
    int GetPageIndex() const;

    TZybWizardPageHeader* Header() const { return m_header.get(); }
    TZybWizardPagePanel* Panel() const { return m_panel.get(); }
    TZybWizardImage& Image() { return m_image; }

    TZybWizardButtonSet EnabledButtons() const { return m_enabledButtons; }
    void SetEnabledButtons(TZybWizardButtonSet value);
    TZybWizardButtonSet VisibleButtons() const { return m_visibleButtons; }
    // The empty set hides the bar while this page is active.
    void SetVisibleButtons(TZybWizardButtonSet value);
    ZybColor Color() const { return m_color; }
    void SetColor(ZybColor value);
    // The page's own Enabled flag, whatever its wizard's state.
    bool OwnEnabled() const { return !testAttribute(Qt::WA_ForceDisabled); }

    int HelpContext = 0;

    // Page events fire only while the page is enabled.
    TZybWizardChangePageEvent OnEnterPage;
    TZybWizardChangePageEvent OnExitPage;
    std::function<void(TZybWizardCustomPage* Sender)> OnPage;
    TZybWizardPaintPageEvent OnPaintPage;
    // Asked first when the wizard button of that kind is clicked while this page is active.
    // Sender is the page, except for Help, where it is the Help button.
    TZybWizardPageClickEvent OnStartButtonClick, OnLastButtonClick, OnBackButtonClick,
        OnNextButtonClick, OnFinishButtonClick, OnCancelButtonClick, OnHelpButtonClick;
    TZybWizardPageClickEvent& ButtonClickEvent(TZybWizardButtonKind kind);

    // Paints the page into any painter (the widget's paint event does the same).
    void PaintPage(QPainter& painter);

    QFont hostFont() const override { return font(); }
    void invalidatePage() override { update(); }
    void realignPage() override;
    TZybImageList* headerImages() const override;

protected:
    // Joins the wizard, when given.
    TZybWizardCustomPage(TZybWizard* wizard, ZybColor color);

    // The client area left for the page's controls.
    virtual void AdjustClientRect(ZybRect& rect) const;
    virtual void DrawPageObjects(ZybCanvas& canvas, ZybRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TZybWizard;
    void Enter(TZybWizardCustomPage* previous);
    void ExitPage(TZybWizardCustomPage* target);
    void DoPage();
    // The active page was just disabled: the wizard moves on without asking.
    void handOver();

    TZybWizard* m_wizard = nullptr;
    std::unique_ptr<TZybWizardPageHeader> m_header;
    std::unique_ptr<TZybWizardPagePanel> m_panel;
    TZybWizardImage m_image;
    TZybWizardButtonSet m_enabledButtons = TZybWizardButtonSet::all();
    TZybWizardButtonSet m_visibleButtons = {bkBack, bkNext, bkCancel};
    ZybColor m_color;
    bool m_painting = false;
    bool m_wasEnabled = true;
};

// The first page of a wizard: a watermark strip down one side besides the header.
class TZybWizardWelcomePage : public TZybWizardCustomPage {
    Q_OBJECT
    Q_PROPERTY(TZybWizardWaterMark* WaterMark READ WaterMark)
public:
    explicit TZybWizardWelcomePage(TZybWizard* wizard = nullptr);
    ~TZybWizardWelcomePage() override;

    TZybWizardWaterMark* WaterMark() const { return m_waterMark.get(); }

protected:
    void AdjustClientRect(ZybRect& rect) const override;
    void DrawPageObjects(ZybCanvas& canvas, ZybRect& rect) override;

private:
    std::unique_ptr<TZybWizardWaterMark> m_waterMark;
};

class TZybWizardInteriorPage : public TZybWizardCustomPage {
    Q_OBJECT
public:
    explicit TZybWizardInteriorPage(TZybWizard* wizard = nullptr);

protected:
    void DrawPageObjects(ZybCanvas& canvas, ZybRect& rect) override;
};
