#pragma once

// The wizard control: an ordered list of pages, exactly one of them (or none) shown above a bar
// of seven buttons. It decides which page follows which, asks its owner before every
// button-driven page change (OnSelectNextPage and its kin may keep, replace or veto the proposed
// page), runs the pages' exit and enter events, and shows, enables and places its buttons for
// the active page. It fills its parent window.
//
// A page change runs, in this order: the old page's OnExitPage(old, target), the old page hides,
// the target's OnEnterPage(target, old) (ActivePage is still the old page there), the target
// shows and becomes ActivePage, the buttons follow it, and, once it holds the focus, its OnPage.
// An exit or enter handler that changes the page itself nests inside the running change.
//
// The wizard counts as loading from its construction until Loaded(): pages join it in that time
// and ActivePage writes are ignored; Loaded() activates the first enabled page.

#include "Errors.h"
#include "uZybWizardButtons.h"
#include "uZybWizardGraphics.h"
#include "uZybWizardPages.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <vector>

class EZybWizard : public vx::Error {
public:
    using vx::Error::Error;
};

// Sender is the wizard; ToPage holds the proposed page on entry, null vetoes the change.
using TZybWizardSelectPageEvent = std::function<void(
    TZybWizard* Sender, TZybWizardCustomPage* FromPage, TZybWizardCustomPage*& ToPage)>;

class TZybWizard : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TZybWizardNavigateButton* ButtonStart READ ButtonStart)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonLast READ ButtonLast)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonBack READ ButtonBack)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonNext READ ButtonNext)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonFinish READ ButtonFinish)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonCancel READ ButtonCancel)
    Q_PROPERTY(TZybWizardNavigateButton* ButtonHelp READ ButtonHelp)
    Q_PROPERTY(bool ShowDivider READ ShowDivider WRITE SetShowDivider)
    Q_PROPERTY(bool ShowRouteMap READ ShowRouteMap WRITE SetShowRouteMap)
public:
    static constexpr int DefaultButtonBarHeight = 42;

    explicit TZybWizard(QWidget* parent = nullptr);
    ~TZybWizard() override;

    // Ends loading: places the buttons and selects the first enabled page.
    void Loaded();
    bool IsLoading() const { return m_loading; }

    const std::vector<TZybWizardCustomPage*>& Pages() const { return m_pages; }
    TZybWizardCustomPage* ActivePage() const { return m_activePage; }
    // Ignored (false) while loading, for a page of another wizard and for a disabled page;
    // null is accepted and leaves no page active.
    bool SetActivePage(TZybWizardCustomPage* page);
    int GetActivePageIndex() const;

    // From the index, step by step (+1 or -1): the first page inside the list that is enabled,
    // or any page when enabledOnly is false; null when the list ends first.
    TZybWizardCustomPage* FindNextPage(int index, int step, bool enabledOnly) const;
    // Button-driven navigation: without a candidate nothing happens, else the matching select
    // event may redirect or veto.
    void SelectFirstPage();
    void SelectLastPage();
    void SelectNextPage();
    void SelectPriorPage();
    bool IsFirstPage(const TZybWizardCustomPage* page, bool enabledOnly) const;
    // Raises EZybWizard for pages of two different wizards.
    bool IsForward(const TZybWizardCustomPage* from, const TZybWizardCustomPage* to) const;

    void UpdateButtons();
    void RepositionButtons();
    int ButtonBarHeight() const { return m_buttonBarHeight; }
    // 25 or less means no bar.
    void SetButtonBarHeight(int height);

    bool ShowDivider() const { return m_showDivider; }
    void SetShowDivider(bool value);
    bool ShowRouteMap() const { return false; }
    void SetShowRouteMap(bool) {}
    ZybColor Color() const { return m_color; }
    void SetColor(ZybColor value);
    TZybImageList* HeaderImages() const { return m_headerImages; }
    void SetHeaderImages(TZybImageList* images);

    TZybWizardButtonControl* Button(TZybWizardButtonKind kind) const { return m_buttons[kind]; }
    TZybWizardNavigateButton* ButtonStart() const { return m_navigateButtons[bkStart]; }
    TZybWizardNavigateButton* ButtonLast() const { return m_navigateButtons[bkLast]; }
    TZybWizardNavigateButton* ButtonBack() const { return m_navigateButtons[bkBack]; }
    TZybWizardNavigateButton* ButtonNext() const { return m_navigateButtons[bkNext]; }
    TZybWizardNavigateButton* ButtonFinish() const { return m_navigateButtons[bkFinish]; }
    TZybWizardNavigateButton* ButtonCancel() const { return m_navigateButtons[bkCancel]; }
    TZybWizardNavigateButton* ButtonHelp() const { return m_navigateButtons[bkHelp]; }
    // The wizard's OnStartButtonClick .. OnCancelButtonClick: the plain click event of the
    // button of that kind (Sender: the button).
    std::function<void(QObject* Sender)>& OnButtonClick(TZybWizardButtonKind kind) {
        return m_buttons[kind]->OnClick;
    }

    // Activates the page that holds the control.
    void ShowControl(QWidget* control);

    TZybWizardSelectPageEvent OnSelectFirstPage, OnSelectLastPage, OnSelectNextPage,
        OnSelectPriorPage;
    // Help when the active page has no help handler; Sender is the Help button.
    TZybWizardPageClickEvent OnHelpButtonClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Enter clicks the default button, Escape the Cancel button, when they are shown and enabled.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TZybWizardCustomPage;
    void InsertPage(TZybWizardCustomPage* page);
    void RemovePage(TZybWizardCustomPage* page);
    void DoSetActivePage(TZybWizardCustomPage* target);
    void select(TZybWizardCustomPage* candidate, const TZybWizardSelectPageEvent& event);
    void layoutPages();
    bool clickIfReady(TZybWizardButtonKind kind);

    std::vector<TZybWizardCustomPage*> m_pages;
    QPointer<TZybWizardCustomPage> m_activePage;
    std::array<TZybWizardButtonControl*, WizardButtonKindCount> m_buttons{};
    std::array<TZybWizardNavigateButton*, WizardButtonKindCount> m_navigateButtons{};
    int m_buttonBarHeight = DefaultButtonBarHeight;
    bool m_showDivider = true;
    bool m_loading = true;
    ZybColor m_color = clWindow;
    QPointer<TZybImageList> m_headerImages;
};
