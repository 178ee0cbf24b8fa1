#include <QApplication>

#include "tray/tray_runtime.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZOLVANTEK"));
    // Hiding the editor or closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    zolvantek::TrayRuntime runtime;
    runtime.Form_Load();
    return QApplication::exec();
}
