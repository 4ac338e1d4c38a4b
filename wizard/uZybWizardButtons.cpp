#include "uZybWizardButtons.h"

#include "Guard.h"
#include "uTZybWizard.h"

#include <QDialog>
#include <QIcon>

#include <algorithm>

namespace {

struct ButtonDefaults {
    const char* caption; // UTF-8
    bool visible;
    bool enabled;
    int width;
    TZybWizardLeftRight side;
    int modalResult;
};

// By kind. Back and Next start disabled: the wizard enables them for the active page.
const ButtonDefaults buttonDefaults[WizardButtonKindCount] = {
    {"На П&ервую", false, true, 85, alLeft, 0},  {"На П&оследнюю", false, true, 85, alLeft, 0},
    {"< &Назад", true, false, 75, alRight, 0},   {"&Вперед >", true, false, 75, alRight, 0},
    {"&Завершить", false, true, 75, alRight, 0}, {"Отмена", true, true, 75, alRight, 2},
    {"&Помощь", false, true, 75, alLeft, 0},
};

std::function<void(int)>& helpContextHandler() {
    static std::function<void(int)> handler;
    return handler;
}

} // namespace

void SetHelpContextHandler(std::function<void(int context)> handler) {
    helpContextHandler() = std::move(handler);
}

void ApplicationHelpContext(int context) {
    if (helpContextHandler())
        helpContextHandler()(context);
}

int WindowModalResult(const QWidget* window) {
    return window ? window->property("ModalResult").toInt() : 0;
}

void SetWindowModalResult(QWidget* window, int result) {
    window->setProperty("ModalResult", result);
}

int WindowHelpContext(const QWidget* window) {
    return window ? window->property("HelpContext").toInt() : 0;
}

void SetWindowHelpContext(QWidget* window, int context) {
    window->setProperty("HelpContext", context);
}

TZybWizardButtonControl::TZybWizardButtonControl(TZybWizardButtonKind kind, QWidget* parent)
    : QPushButton(parent), m_kind(kind), m_side(buttonDefaults[kind].side),
      m_modalResult(buttonDefaults[kind].modalResult) {
    const ButtonDefaults& defaults = buttonDefaults[kind];
    setText(QString::fromUtf8(defaults.caption));
    resize(defaults.width, height());
    setVisible(defaults.visible);
    setEnabled(defaults.enabled);
    // Enter on a focused button clicks it, as in a dialog.
    setAutoDefault(true);
    connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

void TZybWizardButtonControl::setVisible(bool visible) {
    const bool changed = isHidden() == visible;
    QPushButton::setVisible(visible);
    if (changed && m_wizard)
        m_wizard->RepositionButtons();
}

void TZybWizardButtonControl::Click() {
    vx::guarded([this] { m_kind == bkHelp ? runHelp() : runClick(); });
}

void TZybWizardButtonControl::runClick() {
    const QPointer<TZybWizard> wizard = m_wizard;
    const QPointer<TZybWizardButtonControl> self = this;
    if (!wizard)
        return;
    bool stop = false;
    if (TZybWizardCustomPage* page = wizard->ActivePage()) {
        const TZybWizardPageClickEvent handler = page->ButtonClickEvent(m_kind);
        if (handler)
            handler(page, stop);
    }
    if (stop || !self || !wizard)
        return;
    const QPointer<QWidget> form = window();
    const int modalResult = m_modalResult;
    SetWindowModalResult(form, modalResult);
    if (const auto handler = OnClick)
        handler(this);
    if (!self || !wizard)
        return;
    switch (m_kind) {
    case bkStart:
        wizard->SelectFirstPage();
        break;
    case bkLast:
        wizard->SelectLastPage();
        break;
    case bkBack:
        wizard->SelectPriorPage();
        break;
    case bkNext:
        wizard->SelectNextPage();
        break;
    default:
        break;
    }
    if (auto* dialog = qobject_cast<QDialog*>(form.data()); dialog && modalResult != 0)
        dialog->done(modalResult);
}

void TZybWizardButtonControl::runHelp() {
    bool stop = false;
    int context = 0;
    TZybWizardCustomPage* page = m_wizard ? m_wizard->ActivePage() : nullptr;
    if (page) {
        // A handler replaces the built-in help, whatever it leaves in Stop.
        if (const auto handler = page->OnHelpButtonClick)
            handler(this, stop);
        else if (const auto wizardHandler = m_wizard->OnHelpButtonClick)
            wizardHandler(this, stop);
        else
            context = page->HelpContext;
    } else {
        context = WindowHelpContext(window());
    }
    if (context != 0 && !stop)
        ApplicationHelpContext(context);
}

void TZybWizardButtonControl::SetGlyph(const QImage& glyph) {
    m_glyph = glyph;
    applyGlyph();
}

void TZybWizardButtonControl::SetNumGlyphs(int value) {
    m_numGlyphs = std::clamp(value, 1, 4);
    applyGlyph();
}

void TZybWizardButtonControl::applyGlyph() {
    if (m_glyph.isNull()) {
        setIcon(QIcon());
        return;
    }
    const int width = m_glyph.width() / m_numGlyphs;
    const QColor transparent = m_glyph.pixelColor(0, m_glyph.height() - 1);
    auto image = [&](int index) {
        QPixmap pixmap =
            QPixmap::fromImage(m_glyph.copy(index * width, 0, width, m_glyph.height()));
        pixmap.setMask(pixmap.createMaskFromColor(transparent));
        return pixmap;
    };
    QIcon icon(image(0));
    if (m_numGlyphs > 1)
        icon.addPixmap(image(1), QIcon::Disabled);
    setIcon(icon);
    setIconSize(QSize(width, m_glyph.height()));
}

TZybWizardNavigateButton::TZybWizardNavigateButton(TZybWizardButtonControl* control,
                                                   QObject* parent)
    : QObject(parent), m_control(control) {}

QImage TZybWizardNavigateButton::Glyph() const {
    return m_control ? m_control->Glyph() : QImage();
}

void TZybWizardNavigateButton::SetGlyph(const QImage& value) {
    if (m_control)
        m_control->SetGlyph(value);
}

QString TZybWizardNavigateButton::Caption() const {
    return m_control ? m_control->text() : QString();
}

void TZybWizardNavigateButton::SetCaption(const QString& value) {
    if (m_control)
        m_control->setText(value);
}

int TZybWizardNavigateButton::NumGlyphs() const {
    return m_control ? m_control->NumGlyphs() : 0;
}

void TZybWizardNavigateButton::SetNumGlyphs(int value) {
    if (m_control)
        m_control->SetNumGlyphs(value);
}

TZybWizardButtonControl::TButtonLayout TZybWizardNavigateButton::Layout() const {
    return m_control ? m_control->Layout() : TZybWizardButtonControl::blGlyphLeft;
}

void TZybWizardNavigateButton::SetLayout(TZybWizardButtonControl::TButtonLayout value) {
    if (m_control)
        m_control->SetLayout(value);
}

int TZybWizardNavigateButton::ModalResult() const {
    return m_control ? m_control->ModalResult() : 0;
}

void TZybWizardNavigateButton::SetModalResult(int value) {
    if (m_control)
        m_control->SetModalResult(value);
}

int TZybWizardNavigateButton::Width() const {
    return m_control ? m_control->width() : 0;
}

void TZybWizardNavigateButton::SetWidth(int value) {
    if (!m_control || m_control->width() == value)
        return;
    m_control->resize(value, m_control->height());
    if (TZybWizard* wizard = m_control->Wizard())
        wizard->RepositionButtons();
}
