#include "uTZybDlgButtonPanel.h"

#include "Guard.h"

#include <QDialog>
#include <QEvent>

namespace {

// Standard size of a new push button.
constexpr int DefaultButtonWidth = 75;
constexpr int DefaultButtonHeight = 25;

bool panelHasComponent(const TZybDlgButtonPanel& panel, const QObject* except,
                       const QString& name) {
    for (const QObject* child : panel.children())
        if (child != except && child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The lowest free "DlgButton<n>": one pass over the items bumps n past every button of the
// current candidate name, and a name that another component of the panel bears (in any case)
// starts the pass again with the next number.
QString uniqueButtonName(const TZybDlgButtons& buttons, const QPushButton* button) {
    const TZybDlgButtonPanel& panel = *buttons.GetOwner();
    int n = 1;
    for (;;) {
        for (int i = 0; i < buttons.Count(); ++i)
            if (buttons.Items(i)->Button()->objectName() == QStringLiteral("DlgButton%1").arg(n))
                ++n;
        const QString name = QStringLiteral("DlgButton%1").arg(n);
        if (!panelHasComponent(panel, button, name))
            return name;
        ++n;
    }
}

} // namespace

TZybDlgButton::TZybDlgButton(TZybDlgButtons& collection)
    : m_button(new QPushButton(collection.GetOwner())) {
    m_button->resize(DefaultButtonWidth, DefaultButtonHeight);
    m_button->setObjectName(uniqueButtonName(collection, m_button));
    m_button->installEventFilter(collection.GetOwner());
    m_button->show(); // a child made after its parent was shown would stay hidden
    QObject::connect(m_button, &QPushButton::clicked, m_button, [this] { Click(); });
}

TZybDlgButton::~TZybDlgButton() {
    delete m_button;
}

void TZybDlgButton::Click() {
    if (ModalResult != 0)
        if (auto* dialog = qobject_cast<QDialog*>(m_button->window()))
            dialog->done(ModalResult);
    if (OnClick)
        vx::guarded(OnClick);
}

void TZybDlgButton::Assign(const TZybDlgButton& source) {
    const QPushButton* from = source.m_button;
    m_button->setObjectName(from->objectName());
    m_button->setText(from->text());
    m_button->setToolTip(from->toolTip());
    m_button->setCursor(from->cursor());
    m_button->setFont(from->font());
    m_button->setEnabled(from->isEnabled());
    m_button->setDefault(from->isDefault());
    m_button->setFocusPolicy(from->focusPolicy());
    m_button->setMinimumSize(from->minimumSize());
    m_button->setMaximumSize(from->maximumSize());
    m_button->setGeometry(from->geometry());
    m_button->setHidden(from->isHidden());
    ModalResult = source.ModalResult;
    OnClick = source.OnClick;
}

TZybDlgButton* TZybDlgButtons::Add() {
    m_items.push_back(std::unique_ptr<TZybDlgButton>(new TZybDlgButton(*this)));
    m_panel.AlignControls();
    return m_items.back().get();
}

void TZybDlgButtons::Delete(int index) {
    // Out of the list before it dies, so that a layout run meanwhile never sees it.
    std::unique_ptr<TZybDlgButton> item = std::move(m_items.at(index));
    m_items.erase(m_items.begin() + index);
    item.reset();
    m_panel.AlignControls();
}

void TZybDlgButtons::Clear() {
    while (!m_items.empty())
        Delete(Count() - 1);
}

void TZybDlgButtons::Assign(const TZybDlgButtons& source) {
    Clear();
    for (int i = 0; i < source.Count(); ++i)
        Add()->Assign(*source.Items(i));
}

TZybDlgButtonPanel::TZybDlgButtonPanel(QWidget* parent)
    : QWidget(parent), m_buttons(std::make_unique<TZybDlgButtons>(*this)) {}

TZybDlgButtonPanel::~TZybDlgButtonPanel() {
    // Reset first: the buttons' removal must find no half-destroyed collection.
    m_buttons.reset();
}

void TZybDlgButtonPanel::SetAlign(TAlign value) {
    Change(m_align, value);
}

void TZybDlgButtonPanel::SetBtnAlign(TZybButtonAlign value) {
    Change(m_btnAlign, value);
}

void TZybDlgButtonPanel::SetBtnGap(quint8 value) {
    Change(m_btnGap, value);
}

void TZybDlgButtonPanel::SetBtnMargin(quint8 value) {
    Change(m_btnMargin, value);
}

void TZybDlgButtonPanel::AlignControls() {
    if (!m_buttons || m_buttons->Count() == 0)
        return;
    const bool vertical = m_align == alLeft || m_align == alRight;
    const int left = 0, top = 0, right = width(), bottom = height();

    std::vector<QPushButton*> shown;
    for (int i = 0; i < m_buttons->Count(); ++i)
        if (QPushButton* button = m_buttons->Items(i)->Button(); !button->isHidden())
            shown.push_back(button);
    if (shown.empty())
        return;
    // A button keeps its set size unless its caption needs more, as a translated one may. Growing
    // it comes back here through its resize, which then finds nothing left to grow.
    for (QPushButton* button : shown) {
        const QSize needed = button->size().expandedTo(button->sizeHint());
        if (needed != button->size())
            button->resize(needed);
    }
    int extent = (int(shown.size()) - 1) * m_btnGap;
    for (const QPushButton* button : shown)
        extent += vertical ? button->height() : button->width();

    const int start = vertical ? top : left;
    const int end = vertical ? bottom : right;
    int position = 0;
    switch (m_btnAlign) {
    case baTopLeft:
        position = start + m_btnMargin;
        break;
    case baRightBottom:
        position = end - extent - m_btnMargin;
        break;
    case baCenter:
        position = start + (end - start - extent) / 2;
        break;
    }
    const int cross = vertical ? right - left : bottom - top;
    for (QPushButton* button : shown) {
        if (vertical) {
            button->move(left + (cross - button->width()) / 2, position);
            position += button->height() + m_btnGap;
        } else {
            button->move(position, top + (cross - button->height()) / 2);
            position += button->width() + m_btnGap;
        }
    }
}

void TZybDlgButtonPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignControls();
}

bool TZybDlgButtonPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Resize:
        AlignControls();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
