#include "uZybWizardPages.h"

#include "uTZybWizard.h"

#include <QEvent>
#include <QPainter>

TZybWizardCustomPage::TZybWizardCustomPage(TZybWizard* wizard, ZybColor color)
    : m_header(std::make_unique<TZybWizardPageHeader>()),
      m_panel(std::make_unique<TZybWizardPagePanel>()), m_color(color) {
    m_header->setObjectName(QStringLiteral("Header"));
    m_panel->setObjectName(QStringLiteral("Panel"));
    m_header->SetPage(this);
    m_panel->SetPage(this);
    m_image.OnChange = [this](TZybWizardImage*) { update(); };
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
    realignPage();
    SetWizard(wizard);
}

TZybWizardCustomPage::~TZybWizardCustomPage() {
    if (m_wizard)
        m_wizard->RemovePage(this);
}

void TZybWizardCustomPage::SetWizard(TZybWizard* wizard) {
    if (wizard == m_wizard)
        return;
    if (m_wizard)
        m_wizard->RemovePage(this);
    setParent(wizard); // hides the page
    if (wizard)
        wizard->InsertPage(this);
}

int TZybWizardCustomPage::GetPageIndex() const {
    if (!m_wizard)
        return -1;
    const auto& pages = m_wizard->Pages();
    const auto found = std::find(pages.begin(), pages.end(), this);
    return found == pages.end() ? -1 : int(found - pages.begin());
}

void TZybWizardCustomPage::SetEnabledButtons(TZybWizardButtonSet value) {
    if (m_enabledButtons == value)
        return;
    m_enabledButtons = value;
    if (m_wizard && m_wizard->ActivePage() == this)
        m_wizard->UpdateButtons();
}

void TZybWizardCustomPage::SetVisibleButtons(TZybWizardButtonSet value) {
    if (m_visibleButtons == value)
        return;
    m_visibleButtons = value;
    if (m_wizard && m_wizard->ActivePage() == this) {
        m_wizard->SetButtonBarHeight(value.isEmpty() ? 0 : TZybWizard::DefaultButtonBarHeight);
        update();
    }
}

void TZybWizardCustomPage::SetColor(ZybColor value) {
    if (m_color == value)
        return;
    m_color = value;
    update();
}

TZybWizardPageClickEvent& TZybWizardCustomPage::ButtonClickEvent(TZybWizardButtonKind kind) {
    switch (kind) {
    case bkStart:
        return OnStartButtonClick;
    case bkLast:
        return OnLastButtonClick;
    case bkBack:
        return OnBackButtonClick;
    case bkNext:
        return OnNextButtonClick;
    case bkFinish:
        return OnFinishButtonClick;
    case bkCancel:
        return OnCancelButtonClick;
    case bkHelp:
        break;
    }
    return OnHelpButtonClick;
}

void TZybWizardCustomPage::realignPage() {
    ZybRect client{0, 0, width(), height()};
    AdjustClientRect(client);
    setContentsMargins(client.Left, client.Top, width() - client.Right, height() - client.Bottom);
}

TZybImageList* TZybWizardCustomPage::headerImages() const {
    return m_wizard ? m_wizard->HeaderImages() : nullptr;
}

void TZybWizardCustomPage::AdjustClientRect(ZybRect& rect) const {
    if (m_header->Visible())
        rect.Top += m_header->Height();
}

void TZybWizardCustomPage::DrawPageObjects(ZybCanvas&, ZybRect&) {}

void TZybWizardCustomPage::PaintPage(QPainter& painter) {
    if (m_painting)
        return;
    m_painting = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_painting};
    ZybCanvas canvas{painter, palette()};
    // The full client area, not the one left for the controls.
    ZybRect rect{0, 0, width(), height()};
    canvas.fill(rect, m_color);
    DrawPageObjects(canvas, rect);
    if (const auto handler = OnPaintPage) {
        handler(this, canvas, rect);
    } else {
        m_image.PaintImage(canvas, rect);
        m_panel->Paint(canvas, rect);
    }
}

void TZybWizardCustomPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPage(painter);
}

void TZybWizardCustomPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_header->ParentFontChanged();
    } else if (event->type() == QEvent::EnabledChange) {
        // Qt also reports a change of an ancestor; only the page's own flag going off counts.
        const bool wasEnabled = m_wasEnabled;
        m_wasEnabled = OwnEnabled();
        if (wasEnabled && !m_wasEnabled)
            handOver();
    }
}

void TZybWizardCustomPage::handOver() {
    if (!m_wizard || m_wizard->ActivePage() != this)
        return;
    const int index = GetPageIndex();
    TZybWizardCustomPage* target = m_wizard->FindNextPage(index, +1, true);
    if (!target)
        target = m_wizard->FindNextPage(index, -1, true);
    m_wizard->SetActivePage(target);
}

void TZybWizardCustomPage::Enter(TZybWizardCustomPage* previous) {
    if (OnEnterPage && OwnEnabled())
        OnEnterPage(this, previous);
}

void TZybWizardCustomPage::ExitPage(TZybWizardCustomPage* target) {
    if (OnExitPage && OwnEnabled())
        OnExitPage(this, target);
}

void TZybWizardCustomPage::DoPage() {
    repaint();
    if (OnPage && OwnEnabled())
        OnPage(this);
}

TZybWizardWelcomePage::TZybWizardWelcomePage(TZybWizard* wizard)
    : TZybWizardCustomPage(wizard, clWindow), m_waterMark(std::make_unique<TZybWizardWaterMark>()) {
    m_waterMark->setObjectName(QStringLiteral("WaterMark"));
    m_waterMark->SetPage(this);
    Header()->InitTitleText(QStringLiteral("Добро пожаловать"));
    Header()->InitShowDivider(false);
    realignPage();
}

TZybWizardWelcomePage::~TZybWizardWelcomePage() = default;

void TZybWizardWelcomePage::AdjustClientRect(ZybRect& rect) const {
    TZybWizardCustomPage::AdjustClientRect(rect);
    if (!m_waterMark || !m_waterMark->Visible())
        return;
    if (m_waterMark->Align() == alLeft)
        rect.Left += m_waterMark->Width();
    else
        rect.Right -= m_waterMark->Width();
}

void TZybWizardWelcomePage::DrawPageObjects(ZybCanvas& canvas, ZybRect& rect) {
    m_waterMark->Paint(canvas, rect);
    Header()->Paint(canvas, rect);
}

TZybWizardInteriorPage::TZybWizardInteriorPage(TZybWizard* wizard)
    : TZybWizardCustomPage(wizard, clBtnFace) {}

void TZybWizardInteriorPage::DrawPageObjects(ZybCanvas& canvas, ZybRect& rect) {
    Header()->Paint(canvas, rect);
}
