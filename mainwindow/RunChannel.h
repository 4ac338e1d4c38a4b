#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

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
// stall it either. A worker that runs ahead waits while `capacity` steps are waiting. A call waits
// for its step, so a question is asked after the lines sent before it. The channel lives on the
// GUI thread.
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

    void enqueue(Step step);
    // With the channel's mutex held: marks the channel as listed for the pump; true when it was
    // not, and the caller lists it once the mutex is released.
    bool markWaiting();
    void listInPump();
    // One slice of the queue from its head, ending after a call: a call may run a nested event
    // loop, in which later steps must already have been shown.
    std::deque<Step> take(qsizetype maxSteps);
    void apply(std::deque<Step>& steps);
    // Shows one group of steps; false when the channel is done for this turn (nothing left, or a
    // call was among them).
    bool showGroup();
    // Shows, in one turn, a group of every channel with steps waiting in turn until the turn's
    // time is up. GUI thread.
    static void pump();

    RunView& m_view;
    const qsizetype m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Step> m_queue;
    qsizetype m_queuedSteps = 0;
    bool m_pumpListed = false; // on the list of channels with steps waiting
    bool m_closed = false;
};

} // namespace vx
