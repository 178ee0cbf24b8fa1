// The stored lists, timed with Google Benchmark: the program's Load of both lists (40 slots)
// and Save of one list (20 slots), against the same keys read and written with plain
// QSettings calls; and Load again with more and more unrelated keys in the same file, to
// show how its cost grows.
//
//   bench_settings [--smoke] [Google Benchmark flags]
// --smoke runs every benchmark once, one iteration, so the suite cannot rot unnoticed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/launcher_lists.h"
#include "settings/reg_settings.h"

namespace {

constexpr std::int16_t kSlots = 20;
const std::vector<int> kUnrelatedCounts = {0, 10, 1000, 100000};

std::string Line(const char* name, int n, const char* path, const char* third) {
    return std::string(name) + " " + std::to_string(n) + " | " + path + " | " + third + " | Normal";
}

std::vector<std::string> ProgramLines() {
    std::vector<std::string> lines;
    for (int n = 1; n <= kSlots; ++n)
        lines.push_back(Line("Program", n, "/usr/bin/env", "-i true"));
    return lines;
}

// One configuration folder per use and count of unrelated keys, each holding the program's
// file: both lists full, and the unrelated keys in a section of their own. Every variant has
// files of its own: QSettings caches a parsed file by its name alone, whatever the format,
// so a shared file would let one variant read what another one parsed.
class ConfigFolders {
public:
    QString PrepareFor(int unrelated, const char* use) {
        const QString home =
            root_.path() + QStringLiteral("/%1-%2").arg(QLatin1String(use)).arg(unrelated);
        auto found = files_.find(home);
        if (found == files_.end()) found = files_.emplace(home, Write(home, unrelated)).first;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
        return found->second;
    }

private:
    static QString Write(const QString& home, int unrelated) {
        const QString folder =
            home + QStringLiteral("/") + QString::fromLatin1(zolvantek::kSettingsCompany);
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/") +
                             QString::fromLatin1(zolvantek::kSettingsAppName) +
                             QStringLiteral(".ini");
        std::string text = "[Directories]\n";
        for (int n = 1; n <= kSlots; ++n) {
            text += "Dir" + std::to_string(n) + "=" + Line("Folder", n, "/tmp", "Explorer") + "\n";
        }
        const auto programs = ProgramLines();
        for (int n = 1; n <= kSlots; ++n) {
            text += "DirP" + std::to_string(n) + "=" + programs[n - 1] + "\n";
        }
        if (unrelated > 0) text += "\n[Unrelated]\n";
        for (int n = 1; n <= unrelated; ++n) {
            text += "Key" + std::to_string(n) + "=unrelated value " + std::to_string(n) + "\n";
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
            std::fprintf(stderr, "bench_settings: cannot write %s\n", qPrintable(path));
            std::exit(2);
        }
        return path;
    }

    QTemporaryDir root_;
    std::map<QString, QString> files_;
};

ConfigFolders* folders = nullptr;

zolvantek::CRegSettings ProgramSettings() {
    zolvantek::CRegSettings settings;
    settings.SetCompany(zolvantek::kSettingsCompany);
    settings.SetAppName(zolvantek::kSettingsAppName);
    return settings;
}

QStringList SlotKeys(const char* prefix) {
    QStringList keys;
    for (int n = 1; n <= kSlots; ++n)
        keys << QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(n);
    return keys;
}

// --------------------------------------------------------------------------- Load ----

void LoadProgram(benchmark::State& state) {
    folders->PrepareFor(int(state.range(0)), "load-program");
    zolvantek::CRegSettings settings = ProgramSettings();
    std::size_t loaded = 0;
    for (auto _ : state) {
        auto both = zolvantek::LoadBothLists(settings, kSlots);
        loaded = both.directories.lines.size() + both.programs.lines.size();
        benchmark::DoNotOptimize(both);
    }
    if (loaded != 2 * kSlots) state.SkipWithError("the program did not load every slot");
}

// What a Qt programmer would write: open the file, read the forty values.
void LoadPlain(benchmark::State& state, QSettings::Format format) {
    const QString path = folders->PrepareFor(int(state.range(0)), "load-ini");
    const QStringList keys = SlotKeys("Dir") + SlotKeys("DirP");
    qsizetype loaded = 0;
    for (auto _ : state) {
        QSettings file(path, format);
        file.beginGroup(QStringLiteral("Directories"));
        loaded = 0;
        for (const QString& key : keys) {
            const QString value = file.value(key).toString();
            loaded += value.isEmpty() ? 0 : 1;
            benchmark::DoNotOptimize(value);
        }
    }
    if (loaded != 2 * kSlots) state.SkipWithError("QSettings did not read every slot");
}

// --------------------------------------------------------------------------- Save ----

void SaveProgram(benchmark::State& state) {
    folders->PrepareFor(int(state.range(0)), "save-program");
    zolvantek::CRegSettings settings = ProgramSettings();
    const auto lines = ProgramLines();
    for (auto _ : state) {
        auto saved = zolvantek::SaveList(settings, zolvantek::ListKind::Programs, lines, kSlots);
        if (!saved.allWritten) state.SkipWithError("the program could not save");
        benchmark::DoNotOptimize(saved);
    }
}

void SavePlain(benchmark::State& state, QSettings::Format format) {
    const QString path = folders->PrepareFor(int(state.range(0)), "save-ini");
    const QStringList keys = SlotKeys("DirP");
    QStringList values;
    for (const std::string& line : ProgramLines()) values << QString::fromStdString(line);
    for (auto _ : state) {
        QSettings file(path, format);
        file.beginGroup(QStringLiteral("Directories"));
        for (int i = 0; i < keys.size(); ++i) file.setValue(keys[i], values[i]);
        file.endGroup();
        file.sync();
        if (file.status() != QSettings::NoError) state.SkipWithError("QSettings could not save");
    }
}

// Every file is written before the first benchmark and flushed to disk, so no benchmark
// runs while the kernel is still writing another one's file back.
void PrepareAllFiles() {
    for (const int count : kUnrelatedCounts) {
        for (const char* use : {"load-program", "load-ini"}) {
            folders->PrepareFor(count, use);
        }
    }
    for (const char* use : {"save-program", "save-ini"}) folders->PrepareFor(0, use);
    sync();
}

void Register(bool smoke) {
    std::vector<benchmark::internal::Benchmark*> all;
    auto load = [&](const char* name, auto&& fn) {
        auto* b = benchmark::RegisterBenchmark(name, fn);
        for (const int count : kUnrelatedCounts) b->Arg(count);
        b->ArgName("unrelated");
        all.push_back(b);
    };
    load("Load40/program", LoadProgram);
    load("Load40/qsettings", [](benchmark::State& s) { LoadPlain(s, QSettings::IniFormat); });
    auto save = [&](const char* name, auto&& fn) {
        all.push_back(benchmark::RegisterBenchmark(name, fn)->Arg(0)->ArgName("unrelated"));
    };
    save("Save20/program", SaveProgram);
    save("Save20/qsettings", [](benchmark::State& s) { SavePlain(s, QSettings::IniFormat); });
    for (auto* b : all) {
        b->Unit(benchmark::kMicrosecond);
        if (smoke) b->Iterations(1)->Repetitions(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            smoke = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    QCoreApplication app(argc, argv);
    ConfigFolders configFolders;
    folders = &configFolders;
    PrepareAllFiles();
    Register(smoke);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
