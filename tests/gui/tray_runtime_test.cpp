#include "tray/tray_runtime.h"

#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

#include "tests/gui/gui_test_support.h"

namespace zolvantek {
namespace {

using test_support::WriteSettingsFile;

// What a popup shows, top to bottom: captions of the visible items, "-" for separators,
// a trailing " >" for submenus.
QStringList VisibleItems(QMenu* menu) {
    QStringList shown;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        if (action->isSeparator()) {
            shown << QStringLiteral("-");
        } else {
            shown << action->text() + (action->menu() ? QStringLiteral(" >") : QString());
        }
    }
    return shown;
}

class TrayRuntimeTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (runtime_) {
            runtime_->menus().mnuShell()->hide();
            runtime_->menus().mnuMenuPrograms()->hide();
        }
        WriteSettingsFile(QString());
    }
    TrayRuntime& Start(const QString& settingsFile) {
        WriteSettingsFile(settingsFile);
        runtime_ = std::make_unique<TrayRuntime>();
        runtime_->Form_Load();
        return *runtime_;
    }
    std::unique_ptr<TrayRuntime> runtime_;
};

TEST_F(TrayRuntimeTest, WithoutStoredListsEachPopupShowsOnlyItsFixedItems) {
    TrayRuntime& tray = Start(QString());
    EXPECT_EQ(tray.trayIcon().toolTip(), QStringLiteral(" Brindlex ZOLVANTEK"));
    EXPECT_EQ(VisibleItems(tray.menus().mnuShell()),
              QStringList({"WINDOWS EXPLORER >", "-", "-"}));
    EXPECT_EQ(VisibleItems(tray.menus().mnuMenuPrograms()), QStringList({"PROGRAMS >", "-", "-"}));
    EXPECT_EQ(tray.form1().lstPath->count(), 0);
    EXPECT_EQ(tray.form1().lstPathP->count(), 0);
    EXPECT_FALSE(tray.form1().isVisible());

    QMenu* explorer = tray.menus().mnuShell()->findChild<QMenu*>(QStringLiteral("mnuExplDesc"));
    ASSERT_NE(explorer, nullptr);
    EXPECT_EQ(VisibleItems(explorer),
              QStringList({"Add or Modify", "-", "Close", "-", "About ZOLVANTEK", "Help"}));
    QMenu* programs =
        tray.menus().mnuMenuPrograms()->findChild<QMenu*>(QStringLiteral("mnuProgDesc(1)"));
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(VisibleItems(programs),
              QStringList({"Add or Modify", "-", "Close", "-", "About ZOLVANTEK", "Help"}));
    // No message box at start-up.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<QMessageBox*>(window) && window->isVisible());
    }
}

TEST_F(TrayRuntimeTest, StoredSlotsBecomeItemsInSlotOrder) {
    TrayRuntime& tray = Start(QStringLiteral(
        "[Directories]\n"
        "Dir1=Work | /home/me/a, b | Explorer | Normal\n"
        "Dir2=\"Quoted\" & Co; #1 | /tmp | Form | Maximized\n"
        "DirP1=Editor | /usr/bin/editor | --flag=1 | Maximized\n"
        "DirP2=- | - |  | Normal\n"
        "DirP3=Clock | /usr/bin/clock |  | Minimized\n"
        "DirP5=After a gap | /bin/true |  | Normal\n"
        "DirP6=Über | /bin/true |  | Normal\n"));
    EXPECT_EQ(VisibleItems(tray.menus().mnuShell()),
              QStringList({"WINDOWS EXPLORER >", "-", "-", "Work", "\"Quoted\" && Co; #1"}));
    EXPECT_EQ(VisibleItems(tray.menus().mnuMenuPrograms()),
              QStringList({"PROGRAMS >", "-", "-", "Editor", "-", "Clock", "After a gap",
                           QStringLiteral("Über")}));

    // Item n stays slot n, also after a gap; the list box is packed.
    EXPECT_FALSE(tray.menus().slotItem(ListKind::Programs, 4)->isVisible());
    EXPECT_EQ(tray.menus().slotItem(ListKind::Programs, 5)->text(), "After a gap");
    EXPECT_TRUE(tray.menus().slotItem(ListKind::Programs, 2)->isSeparator());
    EXPECT_FALSE(tray.menus().mnuMenuPrograms()->separatorsCollapsible());
    EXPECT_EQ(tray.form1().lstPathP->count(), 5);
    EXPECT_EQ(tray.form1().lstPath->item(0)->text(), "Work | /home/me/a, b | Explorer | Normal");
    auto* item3 = tray.menus().mnuMenuPrograms()->findChild<QAction*>(QStringLiteral("mnuDirP(3)"));
    ASSERT_NE(item3, nullptr);
    EXPECT_EQ(item3->text(), "Clock");
}

TEST_F(TrayRuntimeTest, OnlyALeftOrRightPressOpensAPopup) {
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=Work | /w | Explorer | Normal\n"));
    QMenu* explorer = tray.menus().mnuShell();
    QMenu* programs = tray.menus().mnuMenuPrograms();

    for (auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick,
                        QSystemTrayIcon::Unknown}) {
        emit tray.trayIcon().activated(reason);
        QApplication::processEvents();
        EXPECT_FALSE(explorer->isVisible()) << reason;
        EXPECT_FALSE(programs->isVisible()) << reason;
    }

    emit tray.trayIcon().activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(explorer->isVisible());
    EXPECT_FALSE(programs->isVisible());
    explorer->hide();

    emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(programs->isVisible());
    EXPECT_FALSE(explorer->isVisible());
}

}  // namespace
}  // namespace zolvantek
