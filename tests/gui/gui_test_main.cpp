// Widget tests run on Qt's offscreen platform with a settings folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>

#include "tests/gui/gui_test_support.h"

namespace zolvantek::test_support {

ModalGuard& ModalGuard::Instance() {
    static ModalGuard* guard = [] {
        auto* made = new ModalGuard;
        qApp->installEventFilter(made);
        return made;
    }();
    return *guard;
}

bool ModalGuard::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Show || widget == nullptr || !widget->isWindow() ||
        !widget->isModal()) {
        return false;
    }
    // Looked at once the shower waits in its exec(); a dialog the test showed itself (no
    // loop runs then) is driven by the test.
    QTimer::singleShot(0, this, [this, shown = QPointer<QWidget>(widget)] {
        if (!shown || QThread::currentThread()->loopLevel() == 0 || !shown->isVisible() ||
            shown != QApplication::activeModalWidget()) {
            return;
        }
        // A copy: an action may expect the dialogs it opens in turn.
        const auto takers = expected;
        const bool taken = std::any_of(takers.begin(), takers.end(),
                                       [&shown](const auto* take) { return (*take)(*shown); });
        if (!shown || !shown->isVisible()) return;
        auto* box = qobject_cast<QMessageBox*>(shown.data());
        ADD_FAILURE() << (taken ? "the dialog was left open: "
                                : "an unexpected modal dialog opened: ")
                      << shown->windowTitle().toStdString()
                      << (box ? ": " + box->text().toStdString() : "");
        shown->close();
    });
    return false;
}

}  // namespace zolvantek::test_support

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Offscreen on Windows reads its fonts from one folder; Wine hides the host's QT_*
    // variables from Windows programs, so the folder comes under a name of its own.
    if (const QByteArray fonts = qgetenv("ZOLVANTEK_TEST_FONTDIR"); !fonts.isEmpty())
        qputenv("QT_QPA_FONTDIR", fonts);
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    zolvantek::test_support::ModalGuard::Instance();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
