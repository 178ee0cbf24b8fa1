// Widget tests run on Qt's offscreen platform with a settings folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
