// A 50 MB script: how long reading and decoding it takes (the window does that on a pool thread
// for large files), how long the script editor needs to take the text piece by piece and the
// longest pause of the GUI thread meanwhile, how long taking the text back out takes (as a run or
// a save does) and how long saving it takes, for a UTF-8 and a Windows-1251 file.
//
// ScriptFileLoad sets reading and decoding beside the reference measured in the same run: iconv
// converting the same file to UTF-16, and the peak resident memory that loading adds above what
// the process held before, against the file's size.
#include "ScriptFile.h"
#include "StepwiseTextFill.h"
#include "WidgetBenchMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr qsizetype scriptBytes = 50 * 1024 * 1024;

// A script of INSERT batches with Cyrillic text, about `scriptBytes` long in the given encoding.
QString makeScript(double bytesPerChar) {
    const QString batch = QStringLiteral(
        "INSERT INTO clients (id, name, city) VALUES (12345, 'Иванов Иван', 'Москва')\nGO\n");
    QString text;
    text.reserve(scriptBytes);
    while (text.size() * bytesPerChar < scriptBytes)
        text += batch;
    return text;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
double statusKb(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble();
    return 0;
}

// Lets VmHWM start again from the memory the process holds now.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double iconvMs(const QString& path, const QString& from, bool failsAtTheEnd) {
    QProcess iconv;
    QElapsedTimer clock;
    clock.start();
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), from, QStringLiteral("-t"), QStringLiteral("UTF-16LE"),
                 QStringLiteral("-o"), QStringLiteral("/dev/null"), path});
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(-1) || (iconv.exitCode() != 0) != failsAtTheEnd)
        return -1;
    return double(clock.elapsed());
}

// Arguments: the encoding, and 1 for a UTF-8 file whose one byte that is not UTF-8 comes last,
// the slowest file to read: all of it decodes as UTF-8 before it is read again as Windows-1251.
void ScriptFileLoad(benchmark::State& state) {
    const auto encoding = static_cast<vx::ScriptFormat::Encoding>(state.range(0));
    const bool lateWindows1251 = state.range(1) != 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.sql"));
    {
        vx::ScriptFormat format{encoding, "\r\n"};
        vx::saveScript(path, makeScript(encoding == vx::ScriptFormat::Cp1251 ? 1.0 : 1.2), format);
    }
    if (lateWindows1251) {
        QFile file(path);
        if (file.open(QIODevice::Append))
            file.write("\xCF");
    }
    // iconv reads that file as UTF-8 up to the byte at its end (CP1251 would stop at the 0x98 in
    // the UTF-8 of "И"), which it then reports.
    const QString from =
        encoding == vx::ScriptFormat::Cp1251 ? QStringLiteral("CP1251") : QStringLiteral("UTF-8");
    const double fileMB = double(QFileInfo(path).size()) / (1024 * 1024);

    // The best of three runs of each, taken in turns so that both see the same load.
    double loadMs = 1e9, referenceMs = 1e9, peakMB = 0;
    for (auto _ : state) {
        for (int run = 0; run < 3; ++run) {
            referenceMs = std::min(referenceMs, iconvMs(path, from, lateWindows1251));
            resetPeakMemory();
            const double before = statusKb("VmRSS");
            QElapsedTimer clock;
            clock.start();
            {
                const vx::ScriptText script = vx::loadScript(path);
                loadMs = std::min(loadMs, double(clock.elapsed()));
                benchmark::DoNotOptimize(script.text.constData());
            }
            peakMB = std::max(peakMB, (statusKb("VmHWM") - before) / 1024);
        }
    }
    state.counters["MB"] = fileMB;
    state.counters["load ms"] = loadMs;
    state.counters["iconv ms"] = referenceMs;
    state.counters["load/iconv"] = loadMs / referenceMs;
    state.counters["peak MB above start"] = peakMB;
    state.counters["peak/file"] = peakMB / fileMB;
}
BENCHMARK(ScriptFileLoad)
    ->Args({vx::ScriptFormat::Utf8, 0})
    ->Args({vx::ScriptFormat::Cp1251, 0})
    ->Args({vx::ScriptFormat::Utf8, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void ScriptFileRoundTrip(benchmark::State& state) {
    const auto encoding = static_cast<vx::ScriptFormat::Encoding>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.sql"));
    vx::ScriptFormat format{encoding, "\r\n"};
    vx::saveScript(path, makeScript(encoding == vx::ScriptFormat::Cp1251 ? 1.0 : 1.2), format);

    double loadMs = 0, editorMs = 0, textMs = 0, saveMs = 0;
    qint64 longestPause = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        vx::ScriptText script = vx::loadScript(path);
        loadMs = double(clock.restart());

        QPlainTextEdit editor;
        editor.setLineWrapMode(QPlainTextEdit::NoWrap);
        editor.resize(900, 600);
        editor.show();
        QCoreApplication::processEvents();
        {
            const LongestPause pause;
            auto* fill = new vx::StepwiseTextFill(&editor);
            bool done = false;
            fill->start(script.text, [&] { done = true; });
            while (!done)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longestPause = pause.milliseconds();
        }
        editorMs = double(clock.restart());

        const QString text = editor.toPlainText();
        textMs = double(clock.restart());
        vx::saveScript(path, text, script.format);
        saveMs = double(clock.elapsed());
    }
    state.counters["MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    state.counters["load ms"] = loadMs;
    state.counters["editor ms"] = editorMs;
    state.counters["text from the editor ms"] = textMs;
    state.counters["save ms"] = saveMs;
    state.counters["longest GUI pause ms"] = double(longestPause);
}
BENCHMARK(ScriptFileRoundTrip)
    ->Arg(vx::ScriptFormat::Utf8)
    ->Arg(vx::ScriptFormat::Cp1251)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
