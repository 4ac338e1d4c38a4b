#include "uTZybWizard.h"

#include "Guard.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

const char* const navigateButtonNames[WizardButtonKindCount] = {
    "ButtonStart",  "ButtonLast",   "ButtonBack", "ButtonNext",
    "ButtonFinish", "ButtonCancel", "ButtonHelp"};

constexpr int ButtonHeight = 25;
// A bar of this height or less is no bar.
constexpr int NoBarHeight = 25;

// The first control of the page that takes the focus by Tab.
QWidget* firstTabStop(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain())
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
            w->isEnabled())
            return w;
    return nullptr;
}

} // namespace

TZybWizard::TZybWizard(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < WizardButtonKindCount; ++i) {
        const auto kind = TZybWizardButtonKind(i);
        auto* button = new TZybWizardButtonControl(kind, this);
        button->resize(button->width(), ButtonHeight);
        button->SetWizard(this);
        m_buttons[kind] = button;
        m_navigateButtons[kind] = new TZybWizardNavigateButton(button, this);
        m_navigateButtons[kind]->setObjectName(QString::fromLatin1(navigateButtonNames[kind]));
    }
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

TZybWizard::~TZybWizard() {
    // The pages and buttons go with the widget afterwards: they must not call back.
    for (TZybWizardCustomPage* page : m_pages)
        page->m_wizard = nullptr;
    m_pages.clear();
    for (TZybWizardButtonControl* button : m_buttons)
        button->SetWizard(nullptr);
}

bool TZybWizard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TZybWizard::Loaded() {
    m_loading = false;
    RepositionButtons();
    if (!m_pages.empty())
        SelectFirstPage();
}

void TZybWizard::InsertPage(TZybWizardCustomPage* page) {
    m_pages.push_back(page);
    page->m_wizard = this;
    layoutPages();
}

void TZybWizard::RemovePage(TZybWizardCustomPage* page) {
    const int index = page->GetPageIndex();
    if (index < 0)
        return;
    // Only the removal of the active page hands over, to the next enabled page after it.
    if (page == m_activePage)
        SetActivePage(FindNextPage(index, +1, true));
    m_pages.erase(m_pages.begin() + index);
    page->m_wizard = nullptr;
    if (page == m_activePage) {
        // The handover was refused: no page of this wizard is left active.
        page->hide();
        m_activePage = nullptr;
        SetButtonBarHeight(DefaultButtonBarHeight);
    }
}

int TZybWizard::GetActivePageIndex() const {
    return m_activePage ? m_activePage->GetPageIndex() : -1;
}

TZybWizardCustomPage* TZybWizard::FindNextPage(int index, int step, bool enabledOnly) const {
    for (;;) {
        index += step;
        if (index < 0 || index >= int(m_pages.size()))
            return nullptr;
        if (!enabledOnly || m_pages[index]->OwnEnabled())
            return m_pages[index];
    }
}

void TZybWizard::select(TZybWizardCustomPage* candidate, const TZybWizardSelectPageEvent& event) {
    if (!candidate)
        return;
    TZybWizardCustomPage* toPage = candidate;
    if (const auto handler = event)
        handler(this, m_activePage, toPage);
    if (toPage)
        SetActivePage(toPage);
}

void TZybWizard::SelectFirstPage() {
    select(FindNextPage(-1, +1, true), OnSelectFirstPage);
}

void TZybWizard::SelectLastPage() {
    select(FindNextPage(int(m_pages.size()), -1, true), OnSelectLastPage);
}

void TZybWizard::SelectNextPage() {
    select(FindNextPage(GetActivePageIndex(), +1, true), OnSelectNextPage);
}

void TZybWizard::SelectPriorPage() {
    select(FindNextPage(GetActivePageIndex(), -1, true), OnSelectPriorPage);
}

bool TZybWizard::IsFirstPage(const TZybWizardCustomPage* page, bool enabledOnly) const {
    const TZybWizardCustomPage* first = FindNextPage(-1, +1, enabledOnly);
    return !first || first == page;
}

bool TZybWizard::IsForward(const TZybWizardCustomPage* from, const TZybWizardCustomPage* to) const {
    if (from && to && from->Wizard() != to->Wizard())
        throw EZybWizard(QStringLiteral("Pages are belong to different wizard."));
    if (!from)
        return true;
    if (!to)
        return false;
    return from->GetPageIndex() < to->GetPageIndex();
}

bool TZybWizard::SetActivePage(TZybWizardCustomPage* page) {
    if (m_loading || (page && (page->Wizard() != this || !page->OwnEnabled())))
        return false;
    DoSetActivePage(page);
    return true;
}

void TZybWizard::DoSetActivePage(TZybWizardCustomPage* target) {
    if (target == m_activePage)
        return;
    const QPointer<TZybWizardCustomPage> old = m_activePage;
    QPointer<TZybWizardCustomPage> next = target;
    QWidget* form = window();
    // The focus leaves the control that is about to be hidden.
    if (old && old->isAncestorOf(form->focusWidget()))
        old->setFocus();
    if (old) {
        old->ExitPage(target);
        if (old)
            old->hide();
    }
    // The exit handler may have destroyed the target or moved it to another wizard: stay.
    if (target && (!next || next->Wizard() != this)) {
        if (old) {
            old->show();
            UpdateButtons();
        }
        if (next)
            IsForward(old, next); // raises for a page of another wizard
        return;
    }
    // Or disabled it: the nearest enabled page from here in its direction.
    if (next && !next->OwnEnabled())
        next = FindNextPage(GetActivePageIndex(), IsForward(old, next) ? +1 : -1, true);
    if (next) {
        next->Enter(old);
        if (next) {
            next->raise();
            next->show();
            if (next->isVisible() && next->isEnabled())
                next->setFocus();
            else
                setFocus();
        }
    }
    m_activePage = next;
    SetButtonBarHeight(next && next->VisibleButtons().isEmpty() ? 0 : DefaultButtonBarHeight);
    if (next && form->focusWidget() == next) {
        next->DoPage();
        if (next)
            if (QWidget* first = firstTabStop(next))
                first->setFocus(Qt::TabFocusReason);
    }
}

void TZybWizard::UpdateButtons() {
    TZybWizardButtonSet enabled{bkCancel};
    TZybWizardButtonSet visible{bkBack, bkNext, bkCancel};
    if (m_activePage) {
        // No Back on the first page; the page's own set stays as it is.
        enabled = m_activePage->EnabledButtons();
        if (IsFirstPage(m_activePage, true))
            enabled = enabled.without(bkBack);
        visible = m_activePage->VisibleButtons();
    }
    for (int i = 0; i < WizardButtonKindCount; ++i) {
        const auto kind = TZybWizardButtonKind(i);
        m_buttons[kind]->setVisible(visible.contains(kind));
        m_buttons[kind]->setEnabled(enabled.contains(kind));
    }
    if (visible.contains(bkNext) && enabled.contains(bkNext))
        m_buttons[bkNext]->setDefault(true);
    else if (visible.contains(bkFinish) && enabled.contains(bkFinish))
        m_buttons[bkFinish]->setDefault(true);
}

void TZybWizard::RepositionButtons() {
    if (m_buttonBarHeight <= NoBarHeight) {
        for (TZybWizardButtonControl* button : m_buttons)
            if (button)
                button->setGeometry(0, 0, button->width(), 0);
        return;
    }
    const TZybWizardButtonSet shown = m_activePage ? m_activePage->VisibleButtons()
                                                   : TZybWizardButtonSet{bkBack, bkNext, bkCancel};
    const int top = height() - m_buttonBarHeight + 10;
    int x = 0;
    // A right-side button ends at x, a left-side one starts there; hidden kinds move nothing.
    auto place = [&](TZybWizardButtonKind kind, int gap) {
        TZybWizardButtonControl* button = m_buttons[kind];
        if (!button || !shown.contains(kind))
            return;
        const int w = button->width();
        if (button->Side() == alRight)
            x -= w;
        button->setGeometry(x, top, w, ButtonHeight);
        if (button->Side() == alLeft)
            x += w;
        x += gap;
    };
    x = 8;
    place(bkHelp, 10);
    place(bkStart, 1);
    place(bkLast, 0);
    x = width() - 8;
    if (shown.contains(bkNext) && shown.contains(bkFinish)) {
        place(bkCancel, -1);
        place(bkFinish, -10);
    } else {
        place(bkCancel, -10);
        place(bkFinish, -1);
    }
    place(bkNext, -1);
    place(bkBack, 0);
}

void TZybWizard::SetButtonBarHeight(int height) {
    if (m_buttonBarHeight != height) {
        m_buttonBarHeight = height;
        layoutPages();
        RepositionButtons();
        update();
    }
    UpdateButtons();
}

void TZybWizard::layoutPages() {
    const int pageHeight =
        m_buttonBarHeight > NoBarHeight ? height() - m_buttonBarHeight : height();
    for (TZybWizardCustomPage* page : m_pages) {
        page->setGeometry(0, 0, width(), pageHeight);
        page->realignPage();
    }
}

void TZybWizard::SetShowDivider(bool value) {
    if (m_showDivider == value)
        return;
    m_showDivider = value;
    update();
}

void TZybWizard::SetColor(ZybColor value) {
    if (m_color == value)
        return;
    m_color = value;
    update();
}

void TZybWizard::SetHeaderImages(TZybImageList* images) {
    if (m_headerImages)
        disconnect(m_headerImages, nullptr, this, nullptr);
    m_headerImages = images;
    if (images)
        connect(images, &TZybImageList::changed, this, [this] {
            if (m_activePage)
                m_activePage->update();
        });
    if (m_activePage)
        m_activePage->update();
}

void TZybWizard::ShowControl(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (auto* page = qobject_cast<TZybWizardCustomPage*>(w); page && page->Wizard() == this) {
            SetActivePage(page);
            return;
        }
    }
}

void TZybWizard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ZybCanvas canvas{painter, palette()};
    const ZybRect client{0, 0, width(), height()};
    canvas.fill(client, m_color);
    if (m_buttonBarHeight > NoBarHeight && m_showDivider)
        DrawEtchedEdges(canvas, {0, client.Bottom - m_buttonBarHeight, client.Right, client.Bottom},
                        3, edTop);
}

void TZybWizard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RepositionButtons();
    layoutPages();
}

bool TZybWizard::clickIfReady(TZybWizardButtonKind kind) {
    TZybWizardButtonControl* button = m_buttons[kind];
    if (button->isHidden() || !button->isEnabled())
        return false;
    button->click();
    return true;
}

void TZybWizard::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        handled = (m_buttons[bkNext]->isDefault() && clickIfReady(bkNext)) ||
                  (m_buttons[bkFinish]->isDefault() && clickIfReady(bkFinish));
        break;
    case Qt::Key_Escape:
        handled = clickIfReady(bkCancel);
        break;
    default:
        break;
    }
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}
