// How fast a settings file with a long connection list is read, rewritten and saved.
#include "IniFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

static constexpr int connections = 5000;

static void writeConnections(vx::IniFile& ini) {
    for (int i = 0; i < connections; ++i) {
        const QString section = "connection" + QString::number(i);
        ini.writeString(section, "name", "Сервер " + QString::number(i));
        ini.writeBool(section, "checked", i % 2);
        ini.writeString(section, "server", "srv" + QString::number(i));
        ini.writeString(section, "db", "master");
        ini.writeString(section, "user", "sa");
        ini.writeString(section, "pwd", QString(64, u'Z'));
        ini.writeString(section, "TrustConnect", "False");
    }
}

static void ReadSettings(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    vx::IniFile prepared(path);
    writeConnections(prepared);
    prepared.save();
    for (auto _ : state) {
        const vx::IniFile ini(path);
        benchmark::DoNotOptimize(ini.readSections());
    }
}
BENCHMARK(ReadSettings)->Unit(benchmark::kMillisecond);

static void RewriteAndSaveSettings(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    for (auto _ : state) {
        vx::IniFile ini(path);
        for (const QString& section : ini.readSections())
            ini.eraseSection(section);
        writeConnections(ini);
        ini.save();
    }
}
BENCHMARK(RewriteAndSaveSettings)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
