// The main window with a long connection list: from its creation to the shown window with the
// list read from the settings file, and the write of the settings file at its end.
#include "ConnectionList.h"
#include "WidgetBenchMain.h"
#include "uTZybStorage.h"
#include "ufVornalex.h"

#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A settings file as the window writes it, with `count` connections.
QString prepareSettings(const QTemporaryDir& dir, int count) {
    const QString path = dir.filePath("Vornalex.ini");
    TfVornalex window;
    window.ZybStorage->IniFile = path;
    std::vector<ConnectionEntry> rows;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        rows.push_back(
            {"Сервер " + n, i % 2 == 0, {"host" + n, "db" + n, "sa", "secret", "False"}});
    }
    window.Connections->setRows(std::move(rows));
    window.ZybStorage->WriteIni();
    return path;
}

void StartToShownWindow(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = prepareSettings(dir, int(state.range(0)));
    for (auto _ : state) {
        auto window = std::make_unique<TfVornalex>();
        window->ZybStorage->IniFile = path;
        window->ZybStorage->ReadIni();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            state.SkipWithError("the window was not shown");
        QCoreApplication::processEvents(); // the posted re-layout and the first paint
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartToShownWindow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void WriteAtExit(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = prepareSettings(dir, int(state.range(0)));
    TfVornalex window;
    window.ZybStorage->IniFile = path;
    window.ZybStorage->ReadIni();
    for (auto _ : state)
        window.WriteSettingsOnClose();
}
BENCHMARK(WriteAtExit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
