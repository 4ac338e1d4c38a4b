// The main window with a long connection list: from its creation, which reads the settings file,
// to the shown window, and its end, which writes the settings file back.
#include "ConnectionList.h"
#include "ProgramSandbox.h"
#include "WidgetBenchMain.h"
#include "ufVornalex.h"

#include <QTest>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Leaves a settings file with `count` connections in the sandbox, as the window writes it.
void prepareSettings(int count) {
    TfVornalex window;
    std::vector<ConnectionEntry> rows;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        rows.push_back(
            {"Сервер " + n, i % 2 == 0, {"host" + n, "db" + n, "sa", "secret", "False"}});
    }
    window.Connections->setRows(std::move(rows));
}

void StartToShownWindow(benchmark::State& state) {
    vx::test::ProgramSandbox sandbox;
    prepareSettings(int(state.range(0)));
    for (auto _ : state) {
        auto window = std::make_unique<TfVornalex>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            state.SkipWithError("the window was not shown");
        QCoreApplication::processEvents(); // the posted re-layout and the first paint
        state.PauseTiming();
        if (window->Connections->count() != state.range(0))
            state.SkipWithError("the list was not read");
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartToShownWindow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void WriteAtExit(benchmark::State& state) {
    vx::test::ProgramSandbox sandbox;
    prepareSettings(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<TfVornalex>();
        state.ResumeTiming();
        window.reset();
    }
}
BENCHMARK(WriteAtExit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
