#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace vx {

struct LogLine {
    QString text;
    bool isError = false;

    bool operator==(const LogLine&) const = default;
};

// What a run shows; called on the GUI thread in the order the worker sent it.
class RunView {
public:
    virtual ~RunView() = default;
    virtual void addLines(const QList<LogLine>& lines) = 0;
    virtual void replaceLastLine(const LogLine& line) = 0;
    virtual void showProgress(int pos, int max, const QString& comment) = 0;
};

// Hands the steps of a run from its worker thread to the GUI thread, in order. Lines, last-line
// replacements and progress are queued and shown in batches, a slice of the queue per turn of the
// event loop, so that a worker producing millions of lines never stalls the GUI; the channels with
// steps waiting share one slice of each turn, so that fifty pages receiving lines at once do not
// stall it either. A worker appends its steps to a list under a lock held for a moment; the GUI
// thread takes the whole list at once and only ever tries that lock: a channel whose worker holds
// it is skipped and visited again, so the GUI never waits for a worker (flush and close excepted,
// which wait for the moment). The GUI wakes workers through atomics, never through the lock. A
// worker that runs ahead waits while `capacity` steps are waiting. A call waits for its step, so a
// question is asked after the lines sent before it. The channel lives on the GUI thread.
class RunChannel : public QObject {
public:
    explicit RunChannel(RunView& view, qsizetype capacity = 20000, QObject* parent = nullptr);
    ~RunChannel() override;

    // Any thread.
    void addLine(const QString& text, bool isError);
    void replaceLastLine(const QString& text, bool isError);
    void progress(int pos, int max, const QString& comment);
    // Runs the step on the GUI thread after everything sent before it and waits for it; its
    // exception is raised again here. False when the channel was closed before the step ran.
    bool call(const std::function<void()>& step);

    // GUI thread: shows everything that waits, at once.
    void flush();
    // GUI thread: drops what waits and everything sent later, and releases a waiting worker.
    void close();

private:
    struct PendingCall;
    struct Step {
        enum Kind { Line, Replace, Progress, Call } kind;
        LogLine line;
        int pos = 0;
        int max = 0;
        PendingCall* call = nullptr;
    };
    enum class Shown { More, Done, Busy };

    void enqueue(Step step);
    void listInPump();
    // GUI thread: makes what the worker sent the list to show, once the last one is shown; false
    // when the worker holds the lock and `wait` is not set.
    bool takeSent(bool wait);
    bool hasSteps() const;
    // GUI thread: shows one group of steps from the head, ending after a call: a call may run a
    // nested event loop, in which later steps must already have been shown.
    Shown showGroup(bool wait = false);
    // Wakes a worker waiting for room or for its call.
    void wakeWorker();
    // Shows, in one turn, a group of every channel with steps waiting in turn until the turn's
    // time is up. GUI thread.
    static void pump();

    RunView& m_view;
    const qsizetype m_capacity;
    std::mutex m_mutex;        // guards m_sent alone
    std::vector<Step> m_sent;  // sent by the worker, not yet taken
    std::vector<Step> m_spent; // shown, for the worker to free
    std::vector<Step> m_taken; // GUI thread: taken, shown from m_takenNext on
    std::size_t m_takenNext = 0;
    QList<LogLine> m_lines;                // GUI thread: the group's lines being shown
    std::atomic<qsizetype> m_sentCount{0}; // steps in m_sent
    std::atomic<qsizetype> m_unshown{0};   // lines, replacements and progress not yet shown
    // Advanced by the GUI whenever a waiting worker may go on.
    std::atomic<unsigned> m_progressed{0};
    std::atomic<bool> m_pumpListed{
        false}; // on the pump's list, or kept by the pump for its next turn
    std::atomic<bool> m_closed{false};
    // GUI thread: turns of the pump since the channel last showed a step, and the turns that last
    // listed and visited it.
    int m_idleTurns = 0;
    quint64 m_listedInTurn = 0;
    quint64 m_visitedInTurn = 0;
};

} // namespace vx
