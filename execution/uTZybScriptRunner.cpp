#include "uTZybScriptRunner.h"

#include "Format.h"
#include "GuiThread.h"
#include "Prompter.h"
#include "uZybFieldText.h"

#include <exception>

const QString SErrorContinue = QStringLiteral("Возникла ошибка: \"%s\"\r\nПродолжить выполнение?");

namespace {

// The text without the characters 0 to 32 (blanks, tabs, line ends, other controls) at its ends.
QStringView TrimControls(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

bool IsSeparator(const QString& line) {
    return TrimControls(line).compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0;
}

// The text of the exception being handled; a silent stop reads "abort".
QString CurrentErrorText() {
    try {
        throw;
    } catch (const vx::EAbort&) {
        return QStringLiteral("abort");
    } catch (const std::exception& e) {
        return vx::exceptionMessage(e);
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

vx::PromptIcon IconOf(TZybAskType type) {
    switch (type) {
    case qtError:
        return vx::PromptIcon::Error;
    case qtWarning:
        return vx::PromptIcon::Warning;
    case qtQuestion:
        break;
    }
    return vx::PromptIcon::Question;
}

} // namespace

TZybScriptRunner::TZybScriptRunner(QObject* owner) : QObject(owner) {}

bool TZybScriptRunner::Execute() {
    return ExecuteLines(Script);
}

bool TZybScriptRunner::ExecuteLines(const QStringList& lines) {
    const int count = int(lines.size());
    bool result = true;
    std::exception_ptr failure;
    try {
        Progress(0, count, {});
        QString batch, firstLine;
        for (int i = 0; i < count; ++i) {
            const QString& line = lines.at(i);
            const bool separator = IsSeparator(line);
            if (!separator) {
                if (batch.isEmpty())
                    firstLine = line;
                batch += line;
                batch += u"\r\n";
                if (i < count - 1)
                    continue;
            }
            Progress(i, count, firstLine);
            try {
                RunBatch(batch);
            } catch (...) {
                if (HandleError(CurrentErrorText())) {
                    result = false;
                    break;
                }
            }
            batch.clear();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // The closing report comes however the run ended; a failure there replaces an earlier one.
    try {
        Progress(0, count, {});
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

void TZybScriptRunner::RunBatch(const QString& batch) {
    if (TrimControls(batch).isEmpty())
        return;
    if (!Connection)
        throw vx::Error("The script runner has no connection.");
    const vx::ExecuteMode mode = NoRecords ? vx::ExecuteMode::NoRecords : vx::ExecuteMode::Records;
    std::unique_ptr<vx::RecordSet> records = Connection->execute(batch, mode);
    const auto output = [this](const QString& line) { Message(line); };
    for (bool more = bool(records); more; more = records->nextRecordset())
        if (records->fieldCount() > 0)
            RenderRecordSet(*records, TabDelimiter, MaxFieldLength, output);
    records.reset();
    ReportMessages();
}

bool TZybScriptRunner::HandleError(const QString& error) {
    ReportMessages();
    bool ABreak = error.compare(QLatin1String("abort"), Qt::CaseInsensitive) == 0;
    bool AAsk = !ABreak;
    if (OnError)
        OnError(this, error, ABreak, AAsk);
    if (!ABreak && AAsk)
        ABreak = !Ask(vx::format(SErrorContinue, {error}), qtError);
    return ABreak;
}

bool TZybScriptRunner::Ask(const QString& AQuestion, TZybAskType aType) {
    bool AAnswer = false;
    if (OnAsk) {
        OnAsk(this, AQuestion, aType, AAnswer);
        return AAnswer;
    }
    vx::runOnGuiThread([&] {
        AAnswer = vx::prompter().askOkCancel(IconOf(aType), vx::applicationTitle(), AQuestion);
    });
    return AAnswer;
}

void TZybScriptRunner::Progress(int pos, int max, const QString& comment) {
    if (OnProgress)
        OnProgress(this, pos, max, comment);
}

void TZybScriptRunner::Message(const QString& line) {
    if (OnMessage)
        OnMessage(this, line);
}

void TZybScriptRunner::ReportMessages() {
    if (!OnMessage || !Connection)
        return;
    for (const QString& message : Connection->takeMessages())
        OnMessage(this, message);
}
