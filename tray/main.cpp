#include <QApplication>
#include <QPixmapCache>

#include "platform/tray_host.h"
#include "tray/tray_icon_image.h"
#include "tray/tray_runtime.h"

int main(int argc, char* argv[]) {
    zolvantek::platform::PreferPlaceablePopups();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZOLVANTEK"));
    // The popups, the editor and its dialogs show the binoculars in frames and task bars.
    QApplication::setWindowIcon(zolvantek::BinocularsIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(zolvantek::kIconThemeName));
    // Hiding the editor or closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's pixmap cache flushes itself on a 30 s timer after anything was put in it (the
    // icon's pixmap is): without the cache, nothing wakes the idle program.
    QPixmapCache::setCacheLimit(0);

    zolvantek::TrayRuntime runtime;
    runtime.Form_Load();
    return QApplication::exec();
}
