#pragma once

#include "DataAccess.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// Runs one SQL script, given as lines, on one open connection: cuts it into batches at lines that
// read GO, executes each batch, turns result sets and server messages into text lines, reports
// progress before each batch and lets its owner decide, on an error, whether the run goes on.

enum TZybAskType { qtError, qtWarning, qtQuestion };

// Events receive the runner as Sender; a Boolean passed by reference is the handler's answer.
using TZybProgressEvent =
    std::function<void(QObject* Sender, int pos, int max, const QString& comment)>;
using TZybErrorEvent =
    std::function<void(QObject* Sender, const QString& Err, bool& ABreak, bool& AAsk)>;
using TZybStringEvent = std::function<void(QObject* Sender, const QString& s)>;
using TZybAskEvent = std::function<void(QObject* Sender, const QString& AQuestion,
                                        TZybAskType aType, bool& AAnswer)>;

// The error question, with the error text for its %s. The same in every interface language.
extern const QString SErrorContinue;

class TZybScriptRunner : public QObject {
public:
    explicit TZybScriptRunner(QObject* owner = nullptr);

    // The connection the script runs on: not owned, open before Execute.
    vx::Connection* Connection = nullptr;
    QStringList Script;
    TZybErrorEvent OnError;
    TZybProgressEvent OnProgress;
    TZybStringEvent OnMessage;
    TZybAskEvent OnAsk; // when unset, a message box asks
    bool TabDelimiter = false;
    int MaxFieldLength = 255;
    bool NoRecords = false;

    // Runs Script. See ExecuteLines.
    bool Execute();
    // Runs the lines as a script. True when every batch ran or every failed batch was continued,
    // false when an error ended the run. An exception raised by OnProgress (a stop request), or by
    // OnError or OnAsk, ends the run and reaches the caller, after the closing progress report.
    bool ExecuteLines(const QStringList& lines);
    // True when the run goes on: OnAsk's answer, or OK in a message box.
    bool Ask(const QString& AQuestion, TZybAskType aType);

private:
    void Progress(int pos, int max, const QString& comment);
    void Message(const QString& line);
    void ReportMessages();
    void RunBatch(const QString& batch);
    // The error protocol; true when the run is to end.
    bool HandleError(const QString& error);
};
