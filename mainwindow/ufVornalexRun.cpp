// Run control: the Execute and Stop actions, the results pages of a run and the overall
// progress and time.

#include "ufVornalex.h"

#include "ThemeIcon.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QVBoxLayout>

void TfVornalex::buildResultsPage() {
    const QStyle* s = style();
    aExecute =
        addComponent(new QAction(vx::themeIcon("media-playback-start", QStyle::SP_MediaPlay, s),
                                 QStringLiteral("Выполнить"), this),
                     QStringLiteral("aExecute"));
    aExecute->setToolTip(QStringLiteral("Выполнить"));
    aStop = addComponent(new QAction(vx::themeIcon("media-playback-stop", QStyle::SP_MediaStop, s),
                                     QStringLiteral("Stop"), this),
                         QStringLiteral("aStop"));
    aStop->setToolTip(QStringLiteral("Stop"));
    aStop->setEnabled(false);

    ilResult = {vx::themeIcon("media-playback-start", QStyle::SP_MediaPlay, s),
                vx::themeIcon("dialog-ok", QStyle::SP_DialogApplyButton, s),
                vx::themeIcon("dialog-error", QStyle::SP_MessageBoxCritical, s)};

    pcResult = addComponent(new QTabWidget(tsResults), QStringLiteral("pcResult"));
    pcResult->setUsesScrollButtons(false);
    stTime = addComponent(new QLabel(tsResults), QStringLiteral("stTime"));
    stTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stTime->setFixedWidth(100);
    stTime->setAlignment(Qt::AlignCenter);
    stTime->setToolTip(QStringLiteral("Time elapsed"));
    pbTotal = addComponent(new QProgressBar(tsResults), QStringLiteral("pbTotal"));
    pbTotal->setTextVisible(false);
    pbTotal->setValue(0);
    pbTotal->setToolTip(QStringLiteral("Progress bar"));

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    bottom->addWidget(stTime);
    bottom->addWidget(pbTotal, 1);
    auto* layout = new QVBoxLayout(tsResults);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pcResult, 1);
    layout->addLayout(bottom);
}
