// The stored lists under Google Benchmark: Load of both (40 slots) and Save of one (20) beside
// plain QSettings on the same keys, and Load with more and more unrelated keys in the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "settings/launcher_lists.h"

namespace {

constexpr std::int16_t kSlots = 20;
const std::vector<std::int64_t> kUnrelatedCounts = {0, 10, 1000, 100000};

std::string Line(const char* name, int n, const char* path, const char* third) {
    return std::string(name) + " " + std::to_string(n) + " | " + path + " | " + third + " | Normal";
}

QTemporaryDir* root = nullptr;

// A settings folder per use and count of unrelated keys (in a section of their own), both
// lists full. Each variant reads its own files (QSettings caches a parsed file by name), all
// written and synced before the first benchmark, which then waits on no other's write-back.
QString PrepareFor(int unrelated, const char* use) {
    const QString home = root->path() + QStringLiteral("/%1-%2").arg(use).arg(unrelated);
    QString path =
        home + "/" + zolvantek::kSettingsCompany + "/" + zolvantek::kSettingsAppName + ".ini";
    if (!QFile::exists(path)) {
        std::string text = "[Directories]\n";
        for (int n = 1; n <= kSlots; ++n) {
            text += "Dir" + std::to_string(n) + "=" + Line("Folder", n, "/tmp", "Explorer") + "\n";
            text += "DirP" + std::to_string(n) + "=" +
                    Line("Program", n, "/usr/bin/env", "-i true") + "\n";
        }
        text += unrelated > 0 ? "\n[Unrelated]\n" : "";
        for (int n = 1; n <= unrelated; ++n) {
            text += "Key" + std::to_string(n) + "=unrelated value " + std::to_string(n) + "\n";
        }
        QDir().mkpath(QFileInfo(path).path());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) < 0 ||
            !file.commit()) {
            qFatal("bench_settings: cannot write %s", qPrintable(path));
        }
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    return path;
}

zolvantek::CRegSettings ProgramSettings() {
    zolvantek::CRegSettings settings;
    settings.SetCompany(zolvantek::kSettingsCompany);
    settings.SetAppName(zolvantek::kSettingsAppName);
    return settings;
}

void LoadProgram(benchmark::State& state) {
    PrepareFor(int(state.range(0)), "load-program");
    zolvantek::CRegSettings settings = ProgramSettings();
    std::size_t loaded = 0;
    for (auto _ : state) {
        auto both = zolvantek::LoadBothLists(settings, kSlots);
        loaded = both.directories.lines.size() + both.programs.lines.size();
        benchmark::DoNotOptimize(both);
    }
    if (loaded != std::size_t{2} * kSlots)
        state.SkipWithError("the program did not load every slot");
}

// What a Qt programmer would write: open the file, read the forty values.
void LoadPlain(benchmark::State& state) {
    const QString path = PrepareFor(int(state.range(0)), "load-ini");
    int loaded = 0;
    for (auto _ : state) {
        QSettings file(path, QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Directories"));
        loaded = 0;
        for (int n = 1; n <= kSlots; ++n) {
            for (const char* prefix : {"Dir", "DirP"}) {
                const QString value = file.value(prefix + QString::number(n)).toString();
                loaded += value.isEmpty() ? 0 : 1;
                benchmark::DoNotOptimize(value);
            }
        }
    }
    if (loaded != 2u * kSlots) state.SkipWithError("QSettings did not read every slot");
}

void SaveProgram(benchmark::State& state) {
    PrepareFor(0, "save-program");
    zolvantek::CRegSettings settings = ProgramSettings();
    std::vector<std::string> lines;
    for (int n = 1; n <= kSlots; ++n)
        lines.push_back(Line("Program", n, "/usr/bin/env", "-i true"));
    for (auto _ : state) {
        auto saved = zolvantek::SaveList(settings, zolvantek::ListKind::Programs, lines, kSlots);
        if (!saved.allWritten) state.SkipWithError("the program could not save");
    }
}

void SavePlain(benchmark::State& state) {
    const QString path = PrepareFor(0, "save-ini");
    for (auto _ : state) {
        QSettings file(path, QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Directories"));
        for (int n = 1; n <= kSlots; ++n) {
            file.setValue("DirP" + QString::number(n),
                          QString::fromStdString(Line("Program", n, "/usr/bin/env", "-i true")));
        }
        file.sync();
        if (file.status() != QSettings::NoError) state.SkipWithError("QSettings could not save");
    }
}

void Unrelated(benchmark::internal::Benchmark* b) {
    b->ArgName("unrelated")->ArgsProduct({kUnrelatedCounts});
}

}  // namespace

BENCHMARK(LoadProgram)->Name("Load40/program")->Apply(Unrelated);
BENCHMARK(LoadPlain)->Name("Load40/qsettings")->Apply(Unrelated);
BENCHMARK(SaveProgram)->Name("Save20/program")->ArgName("unrelated")->Arg(0);
BENCHMARK(SavePlain)->Name("Save20/qsettings")->ArgName("unrelated")->Arg(0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folders;
    root = &folders;
    for (const std::int64_t count : kUnrelatedCounts) {
        for (const char* use : {"load-program", "load-ini"}) PrepareFor(int(count), use);
    }
    sync();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
