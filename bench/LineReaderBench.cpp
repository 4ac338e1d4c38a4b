// How fast an external tool's output file is read back into lines.
#include "uZybUtils.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

static void ReadOutputLines(benchmark::State& state) {
    QByteArray file;
    for (int i = 0; i < 100000; ++i)
        file += "(1 row affected) some server output of a moderate length, line " +
                QByteArray::number(i) + "\n";
    qint64 lines = 0;
    for (auto _ : state) {
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        while (!FileEof(buffer)) {
            benchmark::DoNotOptimize(FileReadLine(buffer));
            ++lines;
        }
    }
    state.SetBytesProcessed(state.iterations() * file.size());
    state.counters["lines/s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(ReadOutputLines)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
