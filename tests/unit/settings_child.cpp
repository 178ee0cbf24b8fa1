// A second process for the settings store tests: another instance saving its list, a
// writer to be killed half-way, or a process that holds the file's lock.
//
//   settings_child save <company> dirs|programs <rounds> <tag>
//       saves the list `rounds` times, round r holding "<tag> r.<slot> | ..." in every slot,
//       and exits 1 at the first save that fails
//   settings_child hold-lock <lock path>
//       takes the lock, prints "locked" and keeps it until its input closes
#include <QCoreApplication>
#include <QLockFile>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/launcher_lists.h"

namespace {

int SaveRounds(const char* company, zolvantek::ListKind kind, int rounds, const char* tag) {
    zolvantek::CRegSettings settings;
    settings.SetCompany(company);
    settings.SetAppName("Suite");
    for (int round = 1; round <= rounds; ++round) {
        std::vector<std::string> lines;
        for (int slot = 1; slot <= 20; ++slot) {
            lines.push_back(std::string(tag) + " " + std::to_string(round) + "." +
                            std::to_string(slot) + " | /tmp | Explorer | Normal");
        }
        if (!zolvantek::SaveList(settings, kind, lines, 20).allWritten) return 1;
    }
    return 0;
}

int HoldLock(const char* path) {
    QLockFile lock(QString::fromLocal8Bit(path));
    if (!lock.tryLock(5000)) return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "save") == 0) {
        const auto kind = std::strcmp(argv[3], "programs") == 0 ? zolvantek::ListKind::Programs
                                                                : zolvantek::ListKind::Directories;
        return SaveRounds(argv[2], kind, std::atoi(argv[4]), argv[5]);
    }
    if (argc == 3 && std::strcmp(argv[1], "hold-lock") == 0) return HoldLock(argv[2]);
    std::fprintf(stderr, "usage: settings_child save|hold-lock ...\n");
    return 2;
}
