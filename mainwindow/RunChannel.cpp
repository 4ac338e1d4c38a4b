#include "RunChannel.h"

#include "GuiThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace vx {

namespace {

// One turn of the event loop shows groups of steps for about this long: short enough that timers,
// input and painting get their turn between turns, long enough that the lines go in with few
// insertions. The groups are small, so that a slow one (a loaded machine) overshoots the turn by
// little.
constexpr qint64 turnNanoseconds = 4'000'000;
constexpr qsizetype stepsPerGroup = 256;
// A channel whose steps were all shown is looked at again after this long before the pump lets it
// go, so that a worker sending steadily is not woken for and does not wake the GUI for every few
// lines.
constexpr int idleLookMilliseconds = 5;

// The channels whose workers sent steps since the pump last looked, and whether a turn of the pump
// is posted. Workers take the mutex for a moment; the pump only tries it. One turn at most is
// posted at a time, whoever posts it: each turn that found more to show posts the next, so a second
// one posted alongside would stay for good and every pass of the event loop would run more turns.
struct PumpList {
    std::mutex mutex;
    std::vector<RunChannel*> channels;
    std::atomic<bool> posted = false;
};

PumpList& pumpList() {
    static PumpList list;
    return list;
}

void postPump(void (*pump)()) {
    if (pumpList().posted.exchange(true))
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [pump] {
            // Cleared before the turn takes the list: a channel listed later posts a turn again.
            pumpList().posted = false;
            pump();
        },
        Qt::QueuedConnection);
}

// The channels whose calls the pump reached, in that order, each holding its call until a turn of
// their own runs it. GUI thread only.
struct HeldCalls {
    std::deque<QPointer<RunChannel>> channels;
    bool posted = false;
};

HeldCalls& heldCalls() {
    static HeldCalls held;
    return held;
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

void RunChannel::addOutput(const QString& text, bool isError) {
    enqueue({Step::Output, {text, isError}});
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
            if (m_closed || dropping() || m_unshown.load() < m_capacity)
                break;
            m_progressed.wait(seen);
        }
    }
    if (dropping() && dropStep(step.kind))
        return;
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
    // What was shown up to the call came back with it: a worker whose run ends here sends
    // nothing more that would free it.
    freeSpent();
    if (pending.failure)
        std::rethrow_exception(pending.failure);
    return pending.ran;
}

void RunChannel::listInPump() {
    PumpList& list = pumpList();
    {
        std::lock_guard lock(list.mutex);
        list.channels.push_back(this);
    }
    postPump(&RunChannel::pump);
}

void RunChannel::freeSpent() {
    std::vector<Step> spent;
    std::vector<Step> room;
    std::lock_guard lock(m_mutex);
    spent.swap(m_spent);
    // The list's room too: the run may end here.
    if (m_sent.empty())
        room.swap(m_sent);
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
    return !m_heldCall && (m_takenNext < m_taken.size() || m_sentCount > 0);
}

RunChannel::Shown RunChannel::showGroup(bool wait) {
    if (m_closed || m_heldCall)
        return Shown::Done;
    if (!takeSent(wait))
        return Shown::Busy;
    // Lines are shown a group at a time; a call ends its group.
    qsizetype shown = 0;
    const bool drop = dropping();
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
        if (drop && dropStep(step.kind)) {
            ++shown;
            continue;
        }
        switch (step.kind) {
        case Step::Line:
        case Step::Output:
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
        // The step may ask a question in an event loop of its own, which must find the pump
        // between two turns; so it runs after this turn, in a turn of calls.
        m_heldCall = call;
        heldCalls().channels.emplace_back(this);
        postCallTurn();
        return Shown::Done;
    }
    // A worker waiting for room goes on once half of it is free: woken less often, it sends more
    // at a time.
    if (m_unshown <= m_capacity / 2)
        wakeWorker();
    return Shown::More;
}

void RunChannel::postCallTurn() {
    if (std::exchange(heldCalls().posted, true))
        return;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &RunChannel::runHeldCalls,
                              Qt::QueuedConnection);
}

void RunChannel::runHeldCalls() {
    // A call that asks a question runs the event loop, and with it maybe this again: each call is
    // taken from the list before it runs.
    HeldCalls& held = heldCalls();
    held.posted = false;
    QElapsedTimer turn;
    turn.start();
    while (!held.channels.empty() && turn.nsecsElapsed() < turnNanoseconds) {
        const QPointer<RunChannel> channel = held.channels.front();
        held.channels.pop_front();
        if (channel)
            channel->runHeldCall();
    }
    if (!held.channels.empty())
        postCallTurn();
}

void RunChannel::runHeldCall() {
    PendingCall* call = std::exchange(m_heldCall, nullptr);
    if (!call)
        return;
    runCall(*call);
    if (hasSteps() && !m_pumpListed.exchange(true))
        listInPump();
}

void RunChannel::runCall(PendingCall& call) {
    try {
        (*call.step)();
    } catch (...) {
        call.failure = std::current_exception();
    }
    call.ran = true;
    // The steps shown before the call go back to its worker, with their list when that is all,
    // and the worker frees them when it returns.
    if (m_takenNext > 0) {
        std::lock_guard lock(m_mutex);
        if (m_takenNext == m_taken.size() && m_spent.empty()) {
            m_spent.swap(m_taken);
        } else {
            m_spent.insert(m_spent.end(), std::make_move_iterator(m_taken.begin()),
                           std::make_move_iterator(m_taken.begin() + m_takenNext));
            m_taken.erase(m_taken.begin(), m_taken.begin() + m_takenNext);
        }
        m_takenNext = 0;
    }
    call.done = true;
    wakeWorker();
}

void RunChannel::pump() {
    // Channels kept from the last turn: their steps were not all shown, their worker held the lock,
    // or they were busy until lately. GUI thread only.
    static std::vector<QPointer<RunChannel>> kept;
    static QTimer* const idleLook = [] {
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, &RunChannel::pump);
        return timer;
    }();
    idleLook->stop();

    // Reused from turn to turn, so that a turn allocates nothing that a busy worker's allocator
    // could keep it waiting for.
    static std::vector<QPointer<RunChannel>> channels;
    static std::vector<QPointer<RunChannel>> busy;
    static quint64 turnNumber = 0;
    const quint64 thisTurn = ++turnNumber;
    channels.clear();
    channels.swap(kept);
    PumpList& list = pumpList();
    bool listTaken = false;
    if (std::unique_lock lock(list.mutex, std::try_to_lock); lock) {
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
    if (stepsLeft)
        postPump(&RunChannel::pump);
    else if (!kept.empty())
        idleLook->start(idleLookMilliseconds);
}

void RunChannel::flush() {
    // Group after group: a call ends a group, runs here, and what follows it is shown too.
    while (!m_closed) {
        if (PendingCall* call = std::exchange(m_heldCall, nullptr))
            runCall(*call);
        else if (hasSteps())
            showGroup(true);
        else
            return;
    }
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
    if (PendingCall* call = std::exchange(m_heldCall, nullptr))
        call->done = true;
    for (Step& step : dropped)
        if (step.kind == Step::Call)
            step.call->done = true;
    wakeWorker();
}

bool RunChannel::dropStep(Step::Kind kind) {
    m_dropped += kind == Step::Output;
    return kind == Step::Output || kind == Step::Progress;
}

void RunChannel::dropOutputWhenStopped(std::shared_ptr<const std::atomic<bool>> stop) {
    m_stop = std::move(stop);
}

} // namespace vx
