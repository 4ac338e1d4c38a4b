// A 50 MB script: how long reading and decoding it takes, how long the script editor needs to
// take the text piece by piece and the longest pause of the GUI thread meanwhile, and how long
// saving it back takes, for a UTF-8 and a Windows-1251 file.
#include "ScriptFile.h"
#include "StepwiseTextFill.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

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

void ScriptFileRoundTrip(benchmark::State& state) {
    const auto encoding = static_cast<vx::ScriptFormat::Encoding>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.sql"));
    vx::ScriptFormat format{encoding, "\r\n"};
    vx::saveScript(path, makeScript(encoding == vx::ScriptFormat::Cp1251 ? 1.0 : 1.2), format);

    double loadMs = 0, editorMs = 0, saveMs = 0;
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
        QElapsedTimer sinceTick;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        ticker.start(20);
        sinceTick.start();
        auto* fill = new vx::StepwiseTextFill(&editor);
        bool done = false;
        fill->start(script.text, [&] { done = true; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ticker.stop();
        editorMs = double(clock.restart());

        vx::saveScript(path, editor.toPlainText(), script.format);
        saveMs = double(clock.elapsed());
    }
    state.counters["MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    state.counters["load ms"] = loadMs;
    state.counters["editor ms"] = editorMs;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
