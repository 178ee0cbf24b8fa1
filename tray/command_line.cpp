#include "tray/command_line.h"

#include <QCommandLineParser>
#include <cstdio>

#include "common/about_text.h"
#include "common/product_info.h"
#include "platform/autostart.h"
#include "platform/console.h"
#include "platform/program_folder.h"

namespace zolvantek {
namespace {

void Print(std::FILE* stream, const QString& text) {
    platform::UseParentConsole();
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int UsageError(const QCommandLineParser& parser, const QString& problem) {
    Print(stderr, problem + QStringLiteral("\n\n") + parser.helpText());
    return kUsageError;
}

int SetAutostart(bool on) {
    const platform::Autostart autostart(kAppId);
    const std::string error = on ? autostart.Enable(platform::ProgramFile()) : autostart.Disable();
    if (!error.empty()) {
        Print(stderr, QStringLiteral("ZOLVANTEK could not turn autostart %1: %2\n")
                          .arg(QLatin1String(on ? "on" : "off"), QString::fromLocal8Bit(error)));
        return 1;
    }
    Print(stdout,
          on ? QStringLiteral("ZOLVANTEK will start with your desktop session (%1).\n")
                   .arg(QString::fromLocal8Bit(autostart.Location()))
             : QStringLiteral("ZOLVANTEK will no longer start with your desktop session.\n"));
    return 0;
}

}  // namespace

std::optional<int> RunCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "ZOLVANTEK lives in the notification area: a left press on its icon opens your "
        "programs,\na right press your directories. Started without options it goes into "
        "the tray."));
    // Not addHelpOption(): its --help-all lists Qt's window-system options, which are refused.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help, then end."));
    parser.addOption(help);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version, then end."));
    parser.addOption(version);
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QStringLiteral("Start ZOLVANTEK with your desktop session (on) or not (off), then end."),
        QStringLiteral("on|off"));
    parser.addOption(autostart);
    // A session manager restores the program with Qt's own "-session <id>", which QApplication
    // reads from the same arguments: taken here so that restoring works, and not listed.
    QCommandLineOption session(QStringLiteral("session"), QString(), QStringLiteral("id"));
    session.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(session);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

    if (!parser.parse(arguments)) return UsageError(parser, parser.errorText());
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("%1 %2\n").arg(QLatin1String(kApplicationTitle),
                                                    QString::fromStdString(VersionText())));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(parser, QStringLiteral("Unexpected argument '%1'.")
                                      .arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(autostart)) {
        const QString value = parser.value(autostart);
        if (value == QLatin1String("on")) return SetAutostart(true);
        if (value == QLatin1String("off")) return SetAutostart(false);
        return UsageError(parser,
                          QStringLiteral("--autostart takes on or off, not '%1'.").arg(value));
    }
    return std::nullopt;
}

}  // namespace zolvantek
