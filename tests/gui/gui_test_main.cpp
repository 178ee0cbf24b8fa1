// Widget tests run on Qt's offscreen platform with a settings folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>

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
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->isModal()) {
            // Looked at once the shower waits: in its exec(), or back in the test.
            QTimer::singleShot(0, this, [this, shown = QPointer<QWidget>(widget)] {
                if (shown) Check(shown);
            });
        }
    }
    return false;
}

void ModalGuard::Check(QWidget* dialog) {
    // A dialog the test showed itself is driven by the test; only one that holds up the
    // code under test in its exec() is looked at.
    if (QThread::currentThread()->loopLevel() == 0 || !dialog->isVisible() ||
        dialog != QApplication::activeModalWidget()) {
        return;
    }
    for (const auto& matches : expected_) {
        if (matches(dialog)) return;
    }
    QString what = QString::fromLatin1(dialog->metaObject()->className()) + " \"" +
                   dialog->windowTitle() + "\"";
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) what += ": " + box->text();
    ADD_FAILURE() << "an unexpected modal dialog opened: " << what.toStdString();
    if (auto* closing = qobject_cast<QDialog*>(dialog)) {
        closing->reject();
    } else {
        dialog->close();
    }
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
