#include "RunChannel.h"

#include "GuiThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <mutex>
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
// A channel whose steps were all shown is looked at again after this long before the pump lets it
// go, so that a worker sending steadily is not woken for and does not wake the GUI for every few
// lines.
constexpr int idleLookMilliseconds = 5;

// The channels whose workers sent steps since the pump last looked, and whether a turn of the pump
// is posted. Workers take the mutex for a moment; the pump only tries it.
struct PumpList {
    std::mutex mutex;
    std::vector<RunChannel*> channels;
    bool posted = false;
};

PumpList& pumpList() {
    static PumpList list;
    return list;
}

void postPump(void (*pump)()) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), pump, Qt::QueuedConnection);
}

} // namespace

struct RunChannel::PendingCall {
    const std::function<void()>* step;
    std::atomic<bool> done = false;
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
    // The GUI thread never waits for itself.
    if (!isGuiThread()) {
        for (;;) {
            const unsigned seen = m_progressed.load();
            if (m_closed || m_unshown.load() < m_capacity)
                break;
            m_progressed.wait(seen);
        }
    }
    std::vector<Step> spent;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_sent.push_back(std::move(step));
        ++m_sentCount;
        ++m_unshown;
        spent.swap(m_spent);
    }
    if (!m_pumpListed.exchange(true))
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
    std::vector<Step> spent;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        m_sent.push_back({Step::Call, {}, 0, 0, &pending});
        ++m_sentCount;
        spent.swap(m_spent);
    }
    if (!m_pumpListed.exchange(true))
        listInPump();
    // Closing the channel marks a call that has not started as done; one that runs is waited for.
    for (;;) {
        const unsigned seen = m_progressed.load();
        if (pending.done)
            break;
        m_progressed.wait(seen);
    }
    if (pending.failure)
        std::rethrow_exception(pending.failure);
    return pending.ran;
}

void RunChannel::listInPump() {
    PumpList& list = pumpList();
    std::lock_guard lock(list.mutex);
    list.channels.push_back(this);
    if (!std::exchange(list.posted, true))
        postPump(&RunChannel::pump);
}

void RunChannel::wakeWorker() {
    ++m_progressed;
    m_progressed.notify_all();
}

bool RunChannel::takeSent(bool wait) {
    if (m_takenNext < m_taken.size() || m_sentCount == 0)
        return true;
    std::unique_lock lock(m_mutex, std::defer_lock);
    if (wait)
        lock.lock();
    else if (!lock.try_lock())
        return false;
    // The shown steps go back to the worker, which frees their texts: a free here would wait for
    // the worker's allocator whenever the worker holds it.
    if (m_spent.empty())
        m_spent.swap(m_taken);
    else
        m_spent.insert(m_spent.end(), std::make_move_iterator(m_taken.begin()),
                       std::make_move_iterator(m_taken.end()));
    m_taken.clear();
    m_takenNext = 0;
    m_taken.swap(m_sent);
    m_sentCount = 0;
    return true;
}

bool RunChannel::hasSteps() const {
    return m_takenNext < m_taken.size() || m_sentCount > 0;
}

RunChannel::Shown RunChannel::showGroup(bool wait) {
    if (m_closed)
        return Shown::Done;
    if (!takeSent(wait))
        return Shown::Busy;
    // Lines are shown a group at a time; a call ends its group, and nothing of the list is touched
    // after it runs: its nested event loop may show the steps that follow.
    qsizetype shown = 0;
    const auto showLines = [&] {
        if (!m_lines.isEmpty())
            m_view.addLines(m_lines);
        m_lines.resize(0);
    };
    const std::size_t end = std::min(m_taken.size(), m_takenNext + std::size_t(stepsPerGroup));
    if (m_takenNext == end)
        return Shown::Done;
    PendingCall* call = nullptr;
    while (m_takenNext < end && !call) {
        const Step& step = m_taken[m_takenNext++];
        switch (step.kind) {
        case Step::Line:
            m_lines.append(step.line);
            break;
        case Step::Replace:
            showLines();
            m_view.replaceLastLine(step.line);
            break;
        case Step::Progress:
            showLines();
            m_view.showProgress(step.pos, step.max, step.line.text);
            break;
        case Step::Call:
            call = step.call;
            continue;
        }
        ++shown;
    }
    showLines();
    m_idleTurns = 0;
    m_unshown -= shown;
    if (call) {
        try {
            (*call->step)();
        } catch (...) {
            call->failure = std::current_exception();
        }
        call->ran = true;
        call->done = true;
        wakeWorker();
        return Shown::Done;
    }
    // A worker waiting for room goes on once half of it is free: woken less often, it sends more
    // at a time.
    if (m_unshown <= m_capacity / 2)
        wakeWorker();
    return Shown::More;
}

void RunChannel::pump() {
    // Channels kept from the last turn: their steps were not all shown, their worker held the lock,
    // or they were busy until lately. GUI thread only, like the flags that a turn is posted.
    static std::vector<QPointer<RunChannel>> kept;
    static bool turnPosted = false;
    static QTimer* const idleLook = [] {
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, &RunChannel::pump);
        return timer;
    }();
    turnPosted = false;
    idleLook->stop();

    // Reused from turn to turn, so that a turn allocates nothing that a busy worker's allocator
    // could keep it waiting for; a turn nested in a question's event loop has its own.
    static std::vector<QPointer<RunChannel>> reusedChannels;
    static std::vector<QPointer<RunChannel>> reusedBusy;
    static int depth = 0;
    static quint64 turnNumber = 0;
    const quint64 thisTurn = ++turnNumber;
    std::vector<QPointer<RunChannel>> nestedChannels;
    std::vector<QPointer<RunChannel>> nestedBusy;
    std::vector<QPointer<RunChannel>>& channels = depth == 0 ? reusedChannels : nestedChannels;
    std::vector<QPointer<RunChannel>>& busy = depth == 0 ? reusedBusy : nestedBusy;
    ++depth;
    const auto leave = qScopeGuard([] { --depth; });
    channels.clear();
    channels.swap(kept);
    PumpList& list = pumpList();
    bool listTaken = false;
    if (std::unique_lock lock(list.mutex, std::try_to_lock); lock) {
        list.posted = false;
        channels.insert(channels.end(), list.channels.begin(), list.channels.end());
        list.channels.clear();
        listTaken = true;
    }
    // In the order they came, each once; those kept come first, as they waited longest.
    std::erase_if(channels, [thisTurn](const QPointer<RunChannel>& channel) {
        return !channel || std::exchange(channel->m_listedInTurn, thisTurn) == thisTurn;
    });
    for (const QPointer<RunChannel>& channel : channels)
        ++channel->m_idleTurns;

    QElapsedTimer turn;
    turn.start();
    busy.assign(channels.begin(), channels.end());
    while (!busy.empty() && turn.nsecsElapsed() < turnNanoseconds) {
        std::erase_if(busy, [&](const QPointer<RunChannel>& channel) {
            if (!channel || turn.nsecsElapsed() >= turnNanoseconds)
                return true;
            channel->m_visitedInTurn = thisTurn;
            return channel->showGroup() != Shown::More;
        });
    }
    busy.clear();
    // Those the turn did not reach go first next time.
    std::stable_partition(
        channels.begin(), channels.end(),
        [thisTurn](const QPointer<RunChannel>& c) { return c && c->m_visitedInTurn != thisTurn; });
    bool stepsLeft = !listTaken;
    for (const QPointer<RunChannel>& channel : channels) {
        if (!channel || channel->m_closed)
            continue;
        if (channel->hasSteps()) {
            stepsLeft = true;
            kept.push_back(channel);
        } else if (channel->m_idleTurns <= 1) {
            kept.push_back(channel);
        } else {
            // A worker that sent a step while the channel was still listed did not list it again.
            channel->m_pumpListed = false;
            if (channel->hasSteps() && !channel->m_pumpListed.exchange(true)) {
                stepsLeft = true;
                kept.push_back(channel);
            }
        }
    }
    if (stepsLeft) {
        if (!std::exchange(turnPosted, true))
            postPump(&RunChannel::pump);
    } else if (!kept.empty()) {
        idleLook->start(idleLookMilliseconds);
    }
}

void RunChannel::flush() {
    // Group after group: a call ends a group, and what follows it is shown too.
    while (hasSteps() && !m_closed)
        showGroup(true);
}

void RunChannel::close() {
    m_closed = true;
    std::vector<Step> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_sent);
        m_sentCount = 0;
        m_spent.clear();
    }
    dropped.insert(dropped.end(), std::make_move_iterator(m_taken.begin() + m_takenNext),
                   std::make_move_iterator(m_taken.end()));
    m_taken.clear();
    m_takenNext = 0;
    m_unshown = 0;
    // A call's worker may return as soon as it sees its call done: nothing touches it afterwards.
    for (Step& step : dropped)
        if (step.kind == Step::Call)
            step.call->done = true;
    wakeWorker();
}

} // namespace vx
