#include "RunChannel.h"

#include "GuiThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <utility>
#include <vector>

namespace vx {

namespace {

// One turn of the event loop shows groups of steps for about this long: short enough that timers,
// input and painting get their turn between turns, long enough that the lines go in with few
// insertions. The groups are small, so that a slow one (a loaded machine) overshoots the turn by
// little.
constexpr qint64 turnNanoseconds = 8'000'000;
constexpr qsizetype stepsPerGroup = 512;

// The channels with steps waiting, and whether a turn of the pump is posted. Never taken while a
// channel's mutex is held, so that a worker holds its channel's mutex only for a moment.
struct PumpList {
    std::mutex mutex;
    std::vector<RunChannel*> channels;
    bool posted = false;
};

PumpList& pumpList() {
    static PumpList list;
    return list;
}

} // namespace

struct RunChannel::PendingCall {
    const std::function<void()>* step;
    bool done = false;
    bool ran = false;
    std::exception_ptr failure;
};

RunChannel::RunChannel(RunView& view, qsizetype capacity, QObject* parent)
    : QObject(parent), m_view(view), m_capacity(capacity) {}

RunChannel::~RunChannel() {
    close();
    PumpList& list = pumpList();
    std::lock_guard lock(list.mutex);
    std::erase(list.channels, this);
}

void RunChannel::addLine(const QString& text, bool isError) {
    enqueue({Step::Line, {text, isError}});
}

void RunChannel::replaceLastLine(const QString& text, bool isError) {
    enqueue({Step::Replace, {text, isError}});
}

void RunChannel::progress(int pos, int max, const QString& comment) {
    enqueue({Step::Progress, {comment, false}, pos, max});
}

void RunChannel::enqueue(Step step) {
    std::unique_lock lock(m_mutex);
    // The GUI thread never waits for itself.
    if (!isGuiThread())
        m_changed.wait(lock, [this] { return m_closed || m_queuedSteps < m_capacity; });
    if (m_closed)
        return;
    ++m_queuedSteps;
    m_queue.push_back(std::move(step));
    const bool unlisted = markWaiting();
    lock.unlock();
    if (unlisted)
        listInPump();
}

bool RunChannel::call(const std::function<void()>& step) {
    if (isGuiThread()) {
        if (m_closed)
            return false;
        flush();
        step();
        return true;
    }
    PendingCall pending{&step, false, false, nullptr};
    {
        std::unique_lock lock(m_mutex);
        if (m_closed)
            return false;
        m_queue.push_back({Step::Call, {}, 0, 0, &pending});
        if (markWaiting()) {
            lock.unlock();
            listInPump();
            lock.lock();
        }
        m_changed.wait(lock, [&] { return pending.done; });
    }
    if (pending.failure)
        std::rethrow_exception(pending.failure);
    return pending.ran;
}

bool RunChannel::markWaiting() {
    return !std::exchange(m_pumpListed, true);
}

void RunChannel::listInPump() {
    PumpList& list = pumpList();
    std::lock_guard lock(list.mutex);
    list.channels.push_back(this);
    if (!list.posted) {
        list.posted = true;
        QMetaObject::invokeMethod(QCoreApplication::instance(), &RunChannel::pump,
                                  Qt::QueuedConnection);
    }
}

std::deque<RunChannel::Step> RunChannel::take(qsizetype maxSteps) {
    std::deque<Step> steps;
    std::lock_guard lock(m_mutex);
    while (!m_queue.empty() && qsizetype(steps.size()) < maxSteps) {
        steps.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
        if (steps.back().kind == Step::Call)
            break;
        --m_queuedSteps;
    }
    if (!steps.empty())
        m_changed.notify_all();
    return steps;
}

void RunChannel::apply(std::deque<Step>& steps) {
    QList<LogLine> lines;
    lines.reserve(qsizetype(steps.size()));
    const auto showLines = [&] {
        if (!lines.isEmpty())
            m_view.addLines(lines);
        lines.clear();
    };
    for (Step& step : steps) {
        if (step.kind == Step::Line) {
            lines.append(std::move(step.line));
            continue;
        }
        showLines();
        switch (step.kind) {
        case Step::Replace:
            m_view.replaceLastLine(step.line);
            break;
        case Step::Progress:
            m_view.showProgress(step.pos, step.max, step.line.text);
            break;
        case Step::Call: {
            PendingCall& pending = *step.call;
            try {
                (*pending.step)();
            } catch (...) {
                pending.failure = std::current_exception();
            }
            std::lock_guard lock(m_mutex);
            pending.ran = pending.done = true;
            m_changed.notify_all();
            break;
        }
        case Step::Line:
            break;
        }
    }
    showLines();
}

bool RunChannel::showGroup() {
    std::deque<Step> steps = take(stepsPerGroup);
    if (steps.empty())
        return false;
    const bool endsWithCall = steps.back().kind == Step::Call;
    apply(steps);
    return !endsWithCall;
}

void RunChannel::pump() {
    // Channels taken off the list are listed again by their next step; a channel freed during
    // the turn (in a question's event loop) drops out.
    std::vector<QPointer<RunChannel>> channels;
    {
        PumpList& list = pumpList();
        std::lock_guard lock(list.mutex);
        list.posted = false;
        channels.assign(list.channels.begin(), list.channels.end());
        list.channels.clear();
    }
    for (RunChannel* channel : channels) {
        std::lock_guard lock(channel->m_mutex);
        channel->m_pumpListed = false;
    }

    QElapsedTimer turn;
    turn.start();
    std::vector<QPointer<RunChannel>> busy = channels;
    while (!busy.empty() && turn.nsecsElapsed() < turnNanoseconds) {
        std::erase_if(busy, [&](const QPointer<RunChannel>& channel) {
            return !channel || turn.nsecsElapsed() >= turnNanoseconds || !channel->showGroup();
        });
    }
    for (const QPointer<RunChannel>& channel : channels) {
        if (!channel)
            continue;
        std::unique_lock lock(channel->m_mutex);
        const bool unlisted = !channel->m_queue.empty() && channel->markWaiting();
        lock.unlock();
        if (unlisted)
            channel->listInPump();
    }
}

void RunChannel::flush() {
    for (std::deque<Step> steps = take(stepsPerGroup); !steps.empty(); steps = take(stepsPerGroup))
        apply(steps);
}

void RunChannel::close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    for (Step& step : m_queue)
        if (step.kind == Step::Call)
            step.call->done = true;
    m_queue.clear();
    m_queuedSteps = 0;
    m_changed.notify_all();
}

} // namespace vx
