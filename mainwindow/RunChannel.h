#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
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
// replacements and progress are queued and shown in batches by a pump: each turn of the event loop
// shows groups of steps of the channels with steps waiting, in turn, for a few milliseconds at
// most, so that neither one worker producing millions of lines nor a thousand pages receiving
// lines at once stall the GUI. A worker appends its steps to a list under a lock held for a moment;
// the GUI thread takes the whole list at once and only ever tries that lock: a channel whose worker
// holds it is skipped and visited again, so the GUI never waits for a worker (flush and close
// excepted, which wait for the moment). The GUI wakes workers through atomics, never through the
// lock. A worker that runs ahead waits while `capacity` steps are waiting. A call waits for its
// step, so a question is asked after the lines sent before it; the steps run in turns of their own,
// never inside the pump's, so that a question's event loop goes on showing the other channels. What
// was shown is freed by the worker, when it next sends or once its call returns, never by the GUI
// thread while the worker may hold the allocator. Once the run is stopped, the output and progress
// not shown yet are dropped and the output lines counted, so that a stopped run ends at once
// whatever waits; other lines and calls still come in order. The channel lives on the GUI thread.
class RunChannel : public QObject {
public:
    explicit RunChannel(RunView& view, qsizetype capacity = 20000, QObject* parent = nullptr);
    ~RunChannel() override;

    // Any thread. Output is what the script itself prints (rows, messages), which a stop drops;
    // the other lines tell how the run goes.
    void addLine(const QString& text, bool isError);
    void addOutput(const QString& text, bool isError);
    void replaceLastLine(const QString& text, bool isError);
    void progress(int pos, int max, const QString& comment);
    // Runs the step on the GUI thread after everything sent before it and waits for it; its
    // exception is raised again here. False when the channel was closed before the step ran.
    bool call(const std::function<void()>& step);

    // GUI thread: shows everything that waits, at once, and runs the calls among it.
    void flush();
    // GUI thread: drops what waits and everything sent later, and releases a waiting worker.
    void close();
    // GUI thread, before a run starts: once the run's stop request is set, the output and progress
    // that wait and those sent later are dropped instead of shown, the output lines counted.
    void dropOutputWhenStopped(std::shared_ptr<const std::atomic<bool>> stop);
    // GUI thread: the output lines dropped since the last call.
    qsizetype takeDropped() { return m_dropped.exchange(0); }

private:
    struct PendingCall;
    struct Step {
        enum Kind { Line, Output, Replace, Progress, Call } kind;
        LogLine line;
        int pos = 0;
        int max = 0;
        PendingCall* call = nullptr;
    };
    enum class Shown { More, Done, Busy };

    void enqueue(Step step);
    bool dropping() const { return m_stop && *m_stop; }
    // While dropping: drops a step of this kind, if it is one that goes, counting output lines.
    bool dropStep(Step::Kind kind);
    void listInPump();
    // Worker: frees the steps shown, and the room of its list when nothing waits in it.
    void freeSpent();
    // GUI thread: makes what the worker sent the list to show, once the last one is shown; false
    // when the worker holds the lock and `wait` is not set.
    bool takeSent(bool wait);
    // GUI thread: steps wait, and no call holds them back.
    bool hasSteps() const;
    // GUI thread: shows one group of steps from the head, ending at a call, which it holds and
    // posts to run on its own: until it has run nothing after it is shown.
    Shown showGroup(bool wait = false);
    // GUI thread: runs the held calls in the order the pump reached them, a turn's time at most,
    // then in later turns.
    static void postCallTurn();
    static void runHeldCalls();
    // GUI thread: runs the call held, if one still is, and lists the channel again when steps
    // came meanwhile.
    void runHeldCall();
    void runCall(PendingCall& call);
    // Wakes a worker waiting for room or for its call.
    void wakeWorker();
    // Shows, in one turn, a group of every channel with steps waiting in turn until the turn's
    // time is up. GUI thread; it runs no call and no event loop, so turns never nest.
    static void pump();

    RunView& m_view;
    const qsizetype m_capacity;
    std::mutex m_mutex;        // guards m_sent and m_spent
    std::vector<Step> m_sent;  // sent by the worker, not yet taken
    std::vector<Step> m_spent; // shown, for the worker to free
    std::vector<Step> m_taken; // GUI thread: taken, shown from m_takenNext on
    std::size_t m_takenNext = 0;
    PendingCall* m_heldCall = nullptr;     // GUI thread: reached, posted, not run yet
    QList<LogLine> m_lines;                // GUI thread: the group's lines being shown
    std::atomic<qsizetype> m_sentCount{0}; // steps in m_sent
    std::atomic<qsizetype> m_unshown{0};   // lines, replacements and progress not yet shown
    // Advanced by the GUI whenever a waiting worker may go on.
    std::atomic<unsigned> m_progressed{0};
    std::atomic<bool> m_pumpListed{
        false}; // on the pump's list, or kept by the pump for its next turn
    std::atomic<bool> m_closed{false};
    std::shared_ptr<const std::atomic<bool>> m_stop; // set by the GUI before the worker starts
    std::atomic<qsizetype> m_dropped{0};
    // GUI thread: turns of the pump since the channel last showed a step, and the turns that last
    // listed and visited it.
    int m_idleTurns = 0;
    quint64 m_listedInTurn = 0;
    quint64 m_visitedInTurn = 0;
};

} // namespace vx
