// The tray part as the program starts it: both popups filled from the store, which press
// opens which, and Close.
#include "tray/tray_runtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include "tests/gui/gui_test_support.h"
#include "tray/launch_commands.h"

namespace zolvantek {
namespace {

using test_support::ProgramSettings;
using test_support::StoredListValues;
using test_support::WriteSettingsFile;

// What a popup shows, top to bottom: captions of the visible items, "-" for separators,
// a trailing " >" for submenus.
QStringList VisibleItems(QMenu* menu) {
    QStringList shown;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        shown << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text() + (action->menu() ? " >" : ""));
    }
    return shown;
}

// A tray that is there from the start; the protocol and the host's habits as set.
class FakeTrayHost : public platform::TrayHost {
public:
    FakeTrayHost(bool exported, bool menuOnEveryPress)
        : exported_(exported), everyPress_(menuOnEveryPress) {}
    bool present() const override { return true; }
    void watch() override {}
    bool exportsIcon() const override { return exported_; }
    bool menuOnEveryPress() const override { return everyPress_; }
    std::optional<QPoint> takePressPoint() override { return std::nullopt; }
    bool pointerKnown() const override { return true; }

private:
    bool exported_, everyPress_;
};

class TrayRuntimeTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (runtime_) {
            runtime_->menus().mnuShell()->hide();
            runtime_->menus().mnuMenuPrograms()->hide();
        }
        WriteSettingsFile(QString());
    }
    // The program started on `settingsFile`; by default with its icon docked in the tray.
    TrayRuntime& Start(const QString& settingsFile, bool exported = false,
                       bool menuOnEveryPress = false) {
        WriteSettingsFile(settingsFile);
        runtime_ = std::make_unique<TrayRuntime>(
            std::make_unique<FakeTrayHost>(exported, menuOnEveryPress));
        runtime_->Form_Load();
        return *runtime_;
    }
    std::unique_ptr<TrayRuntime> runtime_;
};

TEST_F(TrayRuntimeTest, WithNothingStoredItStartsSilentlyWithOnlyTheFixedItems) {
    TrayRuntime& tray = Start(QString());
    EXPECT_EQ(VisibleItems(tray.menus().mnuShell()), QStringList({"WINDOWS EXPLORER >", "-", "-"}));
    EXPECT_EQ(VisibleItems(tray.menus().mnuMenuPrograms()), QStringList({"PROGRAMS >", "-", "-"}));
    EXPECT_FALSE(tray.form1().isVisible());
    // The icon is docked, so nothing is exported for a host to draw.
    EXPECT_EQ(tray.trayIcon().contextMenu(), nullptr);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<QMessageBox*>(window) && window->isVisible());
    }
}

TEST_F(TrayRuntimeTest, StoredSlotsBecomeItemsInSlotOrderShownAsTyped) {
    TrayRuntime& tray =
        Start(QStringLiteral("[Directories]\n"
                             "DirP1=\"Quoted\" & Co; #1 | /usr/bin/editor | --flag=1 | Maximized\n"
                             "DirP2=- | - |  | Normal\n"
                             "DirP4=After a gap | /bin/true |  | Normal\n"
                             "DirP5=Über | /bin/true |  | Normal\n"
                             "DirP6=written by hand, no bars\n"));
    EXPECT_EQ(VisibleItems(tray.menus().mnuMenuPrograms()),
              QStringList({"PROGRAMS >", "-", "-", "\"Quoted\" && Co; #1", "-", "After a gap",
                           QStringLiteral("Über"), "written by hand, no bars"}));
    // The list box is packed: the gap leaves no empty line.
    EXPECT_EQ(tray.form1().lstPathP->count(), 5);
    // Item n stays slot n, also after a gap.
    EXPECT_FALSE(tray.menus().slotItem(ListKind::Programs, 3)->isVisible());
    EXPECT_EQ(tray.menus().slotItem(ListKind::Programs, 4)->text(), "After a gap");
}

TEST_F(TrayRuntimeTest, OnlyALeftOrRightPressOpensAPopup) {
    TrayRuntime& tray =
        Start(QStringLiteral("[Directories]\nDir1=Work | /w | Explorer | Normal\n"));
    QMenu* explorer = tray.menus().mnuShell();
    QMenu* programs = tray.menus().mnuMenuPrograms();
    for (auto reason :
         {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        emit tray.trayIcon().activated(reason);
        QApplication::processEvents();
        EXPECT_FALSE(explorer->isVisible() || programs->isVisible()) << reason;
    }
    // A right press is Context, a left one Trigger.
    emit tray.trayIcon().activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(explorer->isVisible() && !programs->isVisible());
    explorer->hide();
    emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(programs->isVisible() && !explorer->isVisible());
}

TEST_F(TrayRuntimeTest, ShowOpensEitherMenuWhereTypingTheFirstLettersPicksAnEntry) {
    // Exported: --show opens the program's own WINDOWS EXPLORER all the same.
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=Work | /w | Explorer | Normal\n"
                                             "DirP1=Terminal | /bin/true |  | Normal\n"
                                             "DirP2=Editor | /bin/true |  | Normal\n"
                                             "DirP3=- | - |  | Normal\n"
                                             "DirP4=Eddy & Co | /bin/true |  | Normal\n"),
                              true);
    tray.ShowMenu(ListKind::Directories);
    EXPECT_TRUE(tray.menus().mnuShell()->isVisible());
    tray.menus().mnuShell()->hide();
    QMenu* programs = tray.menus().mnuMenuPrograms();
    // Each case on a menu opened afresh: what is typed, and the entry it selects.
    for (const auto& [typed, selected] : {std::pair{"ed", "mnuDirP(2)"},
                                          {"EDD", "mnuDirP(4)"},
                                          {"ee", "mnuDirP(4)"},
                                          {"t", "mnuDirP(1)"},
                                          {"eddy & c", "mnuDirP(4)"},
                                          {"x", ""}}) {
        programs->hide();
        tray.ShowMenu(ListKind::Programs);
        ASSERT_TRUE(programs->isVisible());
        QTest::keyClicks(programs, typed);
        const QAction* active = programs->activeAction();
        EXPECT_EQ(active ? active->objectName() : QString(), selected) << typed;
    }
    QSignalSpy chosen(tray.menus().slotItem(ListKind::Programs, 2), &QAction::triggered);
    programs->hide();
    tray.ShowMenu(ListKind::Programs);
    QTest::keyClicks(programs, "e");
    QTest::keyClick(programs, Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);
}

// An icon that went out over D-Bus: the host draws the exported menu.
const QString kBothLists = QStringLiteral(
    "[Directories]\nDir1=Work | /w | Explorer | Normal\n"
    "DirP1=Clock | /usr/bin/clock |  | Normal\n");

TEST_F(TrayRuntimeTest, ExportedMenuTheHostGetsWindowsExplorerAndARightPressOpensNothingMore) {
    TrayRuntime& tray = Start(kBothLists, true, false);
    QMenu* exported = tray.trayIcon().contextMenu();
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(VisibleItems(exported), QStringList({"WINDOWS EXPLORER >", "-", "-", "Work"}));
    EXPECT_EQ(VisibleItems(exported->actions().first()->menu()),
              QStringList({"Add or Modify", "-", "Close", "-", "About ZOLVANTEK", "Help"}));
    emit tray.trayIcon().activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(tray.menus().mnuShell()->isVisible());
    emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(tray.menus().mnuMenuPrograms()->isVisible());
}

TEST_F(TrayRuntimeTest, ExportedMenuWhereEveryPressShowsItItLeadsToBothListsAndFollowsSaves) {
    TrayRuntime& tray = Start(kBothLists, true, true);
    QMenu* exported = tray.trayIcon().contextMenu();
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(VisibleItems(exported),
              VisibleItems(tray.menus().mnuShell()) + QStringList({"-", "PROGRAMS >"}));
    QMenu* programs = exported->actions().last()->menu();
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(VisibleItems(programs), QStringList({"PROGRAMS >", "-", "-", "Clock"}));
    EXPECT_EQ(VisibleItems(programs->actions().first()->menu()),
              QStringList({"Add or Modify", "-", "Close", "-", "About ZOLVANTEK", "Help"}));

    // A line added in the editor and saved shows in the exported menu at once.
    tray.menus().programCommands().add->trigger();
    tray.form1().Command7->click();
    tray.form1().btnOK->click();
    EXPECT_EQ(VisibleItems(programs), QStringList({"PROGRAMS >", "-", "-", "Clock", "-"}));
    EXPECT_EQ(VisibleItems(programs), VisibleItems(tray.menus().mnuMenuPrograms()));

    // So does one made outside the program (by hand, in the file or the registry).
    ProgramSettings().SaveSetting(kListSection, "DirP1", "Edited | /bin/true |  | Normal");
    EXPECT_TRUE(QTest::qWaitFor([&] { return VisibleItems(programs).contains("Edited"); }, 5000))
        << VisibleItems(programs).join(u',').toStdString();
}

TEST_F(TrayRuntimeTest, CloseRemovesTheIconClosesDialogsNewestFirstAndSavesNothing) {
    const QString settings = QStringLiteral("[Directories]\nDir1=A | /a | Explorer | Normal\n");
    TrayRuntime& tray = Start(settings);
    const auto stored = StoredListValues();
    auto* commands = tray.findChild<LaunchCommands*>(QStringLiteral("LaunchCommands"));
    ASSERT_NE(commands, nullptr);
    int quits = 0;
    commands->SetQuit([&] { ++quits; });
    for (QMenu* menu : {tray.menus().mnuShell(), tray.menus().mnuMenuPrograms()}) {
        tray.trayIcon().show();
        tray.form1().show();  // the list editor: it goes with the program
        QStringList closed;
        QDialog loose, item, picker;
        for (auto [dialog, name] :
             {std::pair(&loose, "loose"), {&item, "item"}, {&picker, "picker"}}) {
            dialog->setWindowModality(dialog == &loose ? Qt::NonModal : Qt::ApplicationModal);
            QObject::connect(dialog, &QDialog::finished, [&closed, name] { closed << name; });
            dialog->show();
        }

        const auto actions = menu->actions().first()->menu()->actions();
        const auto close = std::find_if(actions.begin(), actions.end(),
                                        [](QAction* a) { return a->text() == "Close"; });
        ASSERT_NE(close, actions.end());
        (*close)->trigger();
        EXPECT_FALSE(tray.trayIcon().isVisible());
        EXPECT_EQ(closed, QStringList({"picker", "item", "loose"}));
        EXPECT_FALSE(picker.isVisible() || item.isVisible() || loose.isVisible());
        EXPECT_TRUE(tray.form1().isVisible());
        EXPECT_EQ(StoredListValues(), stored);
    }
    EXPECT_EQ(quits, 2);
    tray.form1().hide();
}

}  // namespace
}  // namespace zolvantek
