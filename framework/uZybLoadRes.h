#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Message texts with a built-in default that a window may translate by name. Every such message
// is declared once, `inline constexpr TResStringRec NAME{"default text"};`, and loaded at every
// use through LoadResString(&NAME), so that a change of language shows at the next load.
struct TResStringRec {
    const char* Text; // UTF-8
};

class TZybResProc;
class TZybLoadStringHandler;

// Sender, the registered name, and the text: the default on entry, the text to show on return.
using TZybLoadStringEvent =
    std::function<void(TZybResProc* Sender, const QString& Name, QString& Text)>;

// The register of translatable messages. Names are registered and the handler is set on the GUI
// thread before any worker thread runs; loads may come from any thread.
class TZybResProc {
public:
    // No duplicate check: a record registered twice keeps its first name.
    void AddResString(const TResStringRec* rec, const QString& name);
    // A null record gives an empty text. A registered record's default goes through the current
    // handler; any other record gives its default and calls nothing.
    QString LoadResString(const TResStringRec* rec);

private:
    friend class TZybLoadStringHandler;

    QList<const TResStringRec*> m_records;
    QStringList m_names;
    std::atomic<TZybLoadStringHandler*> m_handler{nullptr};
};

// The one register, alive for the program's whole run.
TZybResProc& ZybResProc();

inline QString LoadResString(const TResStringRec* rec) {
    return ZybResProc().LoadResString(rec);
}

// Answers the loads of registered messages (OnLoadString) while it lives: a window holds one as a
// member, so that no load reaches the window once it is being destroyed.
class TZybLoadStringHandler {
public:
    explicit TZybLoadStringHandler(TZybLoadStringEvent onLoadString);
    ~TZybLoadStringHandler();
    TZybLoadStringHandler(const TZybLoadStringHandler&) = delete;
    TZybLoadStringHandler& operator=(const TZybLoadStringHandler&) = delete;

private:
    friend class TZybResProc;
    TZybLoadStringEvent m_onLoadString;
};
