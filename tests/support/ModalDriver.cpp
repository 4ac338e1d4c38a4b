#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace vx::test {

namespace {

constexpr int PollMs = 10;
constexpr qint64 OpenTimeoutMs = 5000;
constexpr int StayOpenTimeoutMs = 10000;

void closeStuck(QWidget* widget) {
    if (auto* dialog = qobject_cast<QDialog*>(widget))
        dialog->reject();
    else
        widget->close();
}

// Polls for the dialog, hands it to the step once, then deletes itself.
class ModalPoller : public QObject {
public:
    ModalPoller(std::function<void(QWidget*)> step)
        : m_below(QApplication::activeModalWidget()), m_step(std::move(step)) {
        m_clock.start();
        m_timer.setInterval(PollMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != m_below && modal->isVisible()) {
            m_timer.stop();
            // Queued, so that what the dialog posted on showing is handled first.
            QMetaObject::invokeMethod(
                modal,
                [dialog = QPointer<QWidget>(modal), step = std::move(m_step)] {
                    if (!dialog)
                        return;
                    step(dialog);
                    QTimer::singleShot(StayOpenTimeoutMs, dialog, [dialog] {
                        if (dialog->isVisible()) {
                            ADD_FAILURE() << "a modal dialog stayed open after its step";
                            closeStuck(dialog);
                        }
                    });
                },
                Qt::QueuedConnection);
            deleteLater();
        } else if (m_clock.elapsed() > OpenTimeoutMs) {
            m_timer.stop();
            ADD_FAILURE() << "no modal dialog opened";
            deleteLater();
        }
    }

    QPointer<QWidget> m_below;
    std::function<void(QWidget*)> m_step;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace

void onNextModal(std::function<void(QWidget* dialog)> step) {
    new ModalPoller(std::move(step));
}

} // namespace vx::test
