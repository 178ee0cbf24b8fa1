#include "platform/process_start.h"

#include <sys/stat.h>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace zolvantek::platform {
namespace {

bool HoldsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// A relative path is made to start with "./": then it names the file in the current folder
// (not one found on PATH), and a name that begins with '-' cannot pass for an option.
QString AsGivenPath(const std::string& path) {
    const QString text = QString::fromLocal8Bit(path);
    return text.startsWith(u'/') ? text : QStringLiteral("./") + text;
}

}  // namespace

bool OpenWithDesktop(const std::string& path, const WindowsStart& /*windows*/) {
    // xdg-open starts its handler after it has returned to us, so a path that is not there
    // would fail where nobody sees it.
    struct stat info {};
    if (path.empty() || HoldsNul(path) || stat(path.c_str(), &info) != 0) return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {AsGivenPath(path)});
}

bool StartProgram(const std::string& program, const std::string& argumentText,
                  const WindowsStart& /*windows*/) {
    if (program.empty() || HoldsNul(program) || HoldsNul(argumentText)) return false;
    return QProcess::startDetached(AsGivenPath(program),
                                   QProcess::splitCommand(QString::fromLocal8Bit(argumentText)));
}

}  // namespace zolvantek::platform
