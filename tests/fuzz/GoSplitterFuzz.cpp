// Any script cut at its GO lines: the batches sent to the server hold every character of every
// other line, in order, and nothing of the GO lines; only batches of blanks and controls stay
// unsent.

#include "DataAccess.h"
#include "FuzzInput.h"
#include "uTZybScriptRunner.h"

namespace {

// Takes every batch and answers none of them with results.
class RecordingConnection : public vx::Connection {
public:
    void open(const QString&) override {}
    void close() override {}
    bool isOpen() const override { return true; }
    std::unique_ptr<vx::RecordSet> execute(const QString& batch, vx::ExecuteMode) override {
        batches << batch;
        return nullptr;
    }
    QStringList takeMessages() override { return {}; }
    void cancel() override {}

    QStringList batches;
};

QString withoutControls(QString text) {
    text.removeIf([](QChar c) { return c.unicode() <= 32; });
    return text;
}

// A line of GO alone, in any case, between blanks and controls.
bool isGo(const QString& line) {
    qsizetype begin = 0, end = line.size();
    while (begin < end && line[begin].unicode() <= 32)
        ++begin;
    while (end > begin && line[end - 1].unicode() <= 32)
        --end;
    return QStringView(line).sliced(begin, end - begin).compare(u"GO", Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList lines = QString::fromUtf8(vx::fuzz::bytes(data, size)).split(u'\n');
    RecordingConnection connection;
    TZybScriptRunner runner;
    runner.Connection = &connection;
    VX_FUZZ_CHECK(runner.ExecuteLines(lines));

    QString sent, given;
    for (const QString& batch : connection.batches) {
        VX_FUZZ_CHECK(!withoutControls(batch).isEmpty());
        sent += batch;
    }
    qsizetype separators = 0;
    for (const QString& line : lines) {
        if (isGo(line))
            ++separators;
        else
            given += line;
    }
    VX_FUZZ_CHECK(withoutControls(sent) == withoutControls(given));
    VX_FUZZ_CHECK(connection.batches.size() <= separators + 1);
    return 0;
}
