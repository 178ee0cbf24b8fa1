#include <QApplication>
#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QPixmapCache>
#include <cstdio>
#include <cstdlib>

#include "common/product_info.h"
#include "platform/console.h"
#include "platform/display_session.h"
#include "platform/single_instance.h"
#include "tray/command_line.h"
#include "tray/tray_icon_image.h"
#include "tray/tray_runtime.h"

namespace {

QtMessageHandler previousHandler = nullptr;
QList<QPair<QtMsgType, QString>> heldMessages;

// Qt ends the process with an abort when no window system can be reached. Where that was
// only because no display answered (a DISPLAY or WAYLAND_DISPLAY that names no running
// server), one line says so; any other reason (a platform plugin that is missing) is told
// as Qt gave it, with the lines it logged on the way. They are held back until then.
bool OnlyNoDisplay() {
    bool unreachable = false;
    for (const auto& [type, text] : std::as_const(heldMessages)) {
        if (text.contains(QLatin1String("Could not find the Qt platform plugin"))) return false;
        unreachable = unreachable || text.contains(QLatin1String("could not connect to display")) ||
                      text.contains(QLatin1String("Failed to create wl_display"));
    }
    return unreachable;
}

void FatalMeansNoDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        // With its category, as Qt would have shown it.
        heldMessages.append({type, qFormatLogMessage(type, context, text)});
        return;
    }
    if (OnlyNoDisplay()) {
        std::fprintf(stderr, "%s\n", zolvantek::kNoDisplay);
    } else {
        for (const auto& held : std::as_const(heldMessages)) {
            std::fprintf(stderr, "%s\n", held.second.toLocal8Bit().constData());
        }
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    std::_Exit(1);
}

void ReleaseHeldMessages() {
    qInstallMessageHandler(previousHandler);
    for (const auto& [type, text] : std::as_const(heldMessages)) {
        if (previousHandler != nullptr) previousHandler(type, QMessageLogContext(), text);
    }
    heldMessages.clear();
}

}  // namespace

int main(int argc, char* argv[]) {
    {
        // The options need no display, so they are handled before the window system is touched.
        const QCoreApplication options(argc, argv);
        if (const auto done = zolvantek::RunCommandLine(QCoreApplication::arguments())) {
            return *done;
        }
    }
    if (!zolvantek::platform::GraphicalSessionAvailable()) {
        std::fprintf(stderr, "%s\n", zolvantek::kNoDisplay);
        return 1;
    }
    // Before anything else is set up, so a second start ends at once and disturbs nothing.
    const zolvantek::platform::SingleInstance instance(zolvantek::kAppId);
    if (instance.state() == zolvantek::platform::SingleInstance::State::AlreadyRunning) {
        zolvantek::platform::UseParentConsole();
        std::printf("%s\n", zolvantek::kAlreadyRunning);
        return 0;
    }
    if (instance.state() == zolvantek::platform::SingleInstance::State::Unknown) {
        std::fprintf(stderr, "ZOLVANTEK cannot tell whether it already runs (%s); starting.\n",
                     instance.error().c_str());
    }

    zolvantek::platform::PreferPlaceablePopups();
    previousHandler = qInstallMessageHandler(FatalMeansNoDisplay);
    QApplication app(argc, argv);
    ReleaseHeldMessages();
    QApplication::setApplicationName(QStringLiteral("ZOLVANTEK"));
    // The popups, the editor and its dialogs show the binoculars in frames and task bars.
    QApplication::setWindowIcon(zolvantek::BinocularsIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(zolvantek::kAppId));
    // Hiding the editor or closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's pixmap cache flushes itself on a 30 s timer after anything was put in it (the
    // icon's pixmap is): without the cache, nothing wakes the idle program.
    QPixmapCache::setCacheLimit(0);

    zolvantek::TrayRuntime runtime;
    runtime.Form_Load();
    return QApplication::exec();
}
