// The smallest tray program that behaves like ours from the outside: one icon, one menu
// of twenty items popped by hand on a press. It is the baseline the real program is
// measured against, so it must stay minimal.
#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Closing the popup must not end a program that has no windows.
    app.setQuitOnLastWindowClosed(false);

    QMenu menu;
    for (int i = 1; i <= 20; ++i) menu.addAction(QStringLiteral("Item %1").arg(i));

    QSystemTrayIcon tray(QIcon(QStringLiteral(":/binoculars-32.png")));
    tray.setToolTip(QStringLiteral("baseline tray"));
    QObject::connect(
        &tray, &QSystemTrayIcon::activated, &menu,
        [&menu](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                menu.popup(QCursor::pos());
        });
    tray.show();
    return app.exec();
}
