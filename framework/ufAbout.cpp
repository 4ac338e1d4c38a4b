#include "ufAbout.h"

#include "Guard.h"
#include "Prompter.h"
#include "uZybUtils.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The key column's width until the rows decide it.
constexpr int storedKeyWidth = 150;

template <class T> T* named(T* component, const char* name) {
    component->setObjectName(QLatin1String(name));
    return component;
}

QLabel* newLabel(QWidget* parent, const char* name, int left, int top) {
    auto* label = named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    return label;
}

} // namespace

TfAbout::TfAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fAbout"));
    resize(443, 250);
    setMinimumSize(325, 236);

    PageControl = named(new QTabWidget(this), "PageControl");
    tsVersionInfo = named(new QWidget, "tsVersionInfo");
    PageControl->addTab(tsVersionInfo, QString());
    ZybDlgButtonPanel = named(new TZybDlgButtonPanel(this), "ZybDlgButtonPanel");
    ZybDlgButtonPanel->setFixedHeight(41);
    ZybDlgButtonPanel->SetAlign(TZybDlgButtonPanel::alBottom);
    TZybDlgButton* ok = ZybDlgButtonPanel->Buttons().Add();
    ok->Button()->setText(QStringLiteral("OK"));
    ok->Button()->resize(75, 25);
    ok->ModalResult = QDialog::Accepted;
    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(QMargins());
    formLayout->setSpacing(0);
    formLayout->addWidget(PageControl, 1);
    formLayout->addWidget(ZybDlgButtonPanel);

    GroupBox1 = named(new QGroupBox(tsVersionInfo), "GroupBox1");
    auto* tabLayout = new QVBoxLayout(tsVersionInfo);
    tabLayout->setContentsMargins(QMargins());
    tabLayout->addWidget(GroupBox1);

    Bevel2 = named(new QFrame(GroupBox1), "Bevel2");
    Bevel2->setFixedSize(110, 110);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Image = named(new QLabel(Bevel2), "Image");
    Image->setGeometry(2, 2, 105, 105);
    Image->setAlignment(Qt::AlignCenter);
    Panel1 = named(new QWidget(GroupBox1), "Panel1");
    auto* pictureColumn = new QVBoxLayout;
    pictureColumn->setContentsMargins(0, 8, 0, 0);
    pictureColumn->addWidget(Bevel2);
    pictureColumn->addStretch();
    auto* boxLayout = new QHBoxLayout(GroupBox1);
    boxLayout->setContentsMargins(13, 12, 7, 7);
    boxLayout->setSpacing(10);
    boxLayout->addLayout(pictureColumn);
    boxLayout->addWidget(Panel1, 1);

    Label1 = named(new QLabel(Panel1), "Label1");
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFixedHeight(25);
    Label1->setMinimumWidth(200);
    Label1->setWordWrap(true);
    QFont titleFont;
    titleFont.setPixelSize(21);
    titleFont.setBold(true);
    Label1->setFont(titleFont);

    vlAppInfo = named(new QTableWidget(0, 2, Panel1), "vlAppInfo");
    vlAppInfo->horizontalHeader()->hide();
    vlAppInfo->verticalHeader()->hide();
    vlAppInfo->setColumnWidth(0, storedKeyWidth);
    vlAppInfo->setFrameShape(QFrame::NoFrame);
    vlAppInfo->setSelectionMode(QAbstractItemView::NoSelection);
    vlAppInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vlAppInfo->setFocusPolicy(Qt::NoFocus);
    vlAppInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vlAppInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vlAppInfo->setWordWrap(false);
    vlAppInfo->setTextElideMode(Qt::ElideNone);
    QPalette gridPalette = vlAppInfo->palette();
    gridPalette.setColor(QPalette::Base, gridPalette.color(QPalette::Button));
    vlAppInfo->setPalette(gridPalette);

    pLink = named(new QWidget(Panel1), "pLink");
    pLink->setFixedHeight(35);
    lLinkCaption = newLabel(pLink, "lLinkCaption", 2, 2);
    lLink = newLabel(pLink, "lLink", 152, 2);
    lMailCaption = newLabel(pLink, "lMailCaption", 2, 17);
    lMail = newLabel(pLink, "lMail", 152, 17);
    QFont linkFont;
    linkFont.setUnderline(true);
    for (QLabel* link : {lLink, lMail}) {
        QPalette linkPalette = link->palette();
        linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
        link->setPalette(linkPalette);
        link->setFont(linkFont);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(QMargins());
    panelLayout->setSpacing(0);
    panelLayout->addWidget(Label1);
    panelLayout->addWidget(vlAppInfo, 1);
    panelLayout->addWidget(pLink);
}

void TfAbout::SetLinkVisible(bool visible) {
    pLink->setVisible(visible);
    const int valueLeft = vlAppInfo->x() + vlAppInfo->columnWidth(0);
    lLink->move(valueLeft, lLink->y());
    lMail->move(valueLeft, lMail->y());
}

void TfAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfAbout::FormShow() {
    Label1->setText(vx::applicationTitle());
    vlAppInfo->setCurrentIndex(QModelIndex());

    const QFontMetrics metrics(vlAppInfo->font());
    // Rows as high as a line of the window's font, like a grid's, not a style's default.
    vlAppInfo->verticalHeader()->setDefaultSectionSize(metrics.height() + 5);
    int widest = 0;
    int valueWidth = 0;
    for (int row = 0; row < vlAppInfo->rowCount(); ++row) {
        widest = std::max(widest, metrics.horizontalAdvance(vlAppInfo->item(row, 0)->text()));
        valueWidth = std::max(
            valueWidth, vlAppInfo->sizeHintForIndex(vlAppInfo->model()->index(row, 1)).width());
    }
    if (widest > 0) {
        vlAppInfo->setColumnWidth(0, widest + 10);
        // The rows have no scroll bar: the window widens for a value longer than its column.
        const int lacking = valueWidth - (vlAppInfo->viewport()->width() - widest - 10);
        if (lacking > 0) {
            resize(width() + lacking, height());
            layout()->activate();
        }
        vlAppInfo->setColumnWidth(1, vlAppInfo->viewport()->width() - vlAppInfo->columnWidth(0));
    }

    for (QLabel* label : {lLinkCaption, lLink, lMailCaption, lMail})
        label->adjustSize();
    SetLinkVisible(m_linkVisible);
}

bool TfAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lLink && watched != lMail)
        return QDialog::eventFilter(watched, event);
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    // A click is a release over the label that took the press.
    if (type == QEvent::MouseButtonRelease &&
        static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()))
        vx::guarded([&] { watched == lLink ? lLinkClick() : lMailClick(); });
    return true;
}

void TfAbout::lLinkClick() {
    OpenDocument(QUrl::fromUserInput(m_link), ShowError);
}

void TfAbout::lMailClick() {
    OpenDocument(QUrl(QStringLiteral("mailto:") + m_mail), ShowError);
}
