// The tray part as the program starts it: both popups filled from the store, which press
// opens which, and Close.
#include "tray/tray_runtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <future>
#include <mutex>

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
                       bool menuOnEveryPress = false,
                       MenuIcons::LookupMaker icons = MenuIcons::SystemLookup()) {
        WriteSettingsFile(settingsFile);
        runtime_ = std::make_unique<TrayRuntime>(
            std::make_unique<FakeTrayHost>(exported, menuOnEveryPress), std::move(icons));
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

using platform::EntryIconKind;

// The icon an item shows, by the kind the worker found; nothing before it answered.
std::optional<EntryIconKind> ShownKind(TrayRuntime& tray, ListKind kind, int slot) {
    return tray.menus().slotItem(kind, slot)->icon().isNull()
               ? std::nullopt
               : tray.menuIcons().shownKind(kind, slot);
}

// A lookup held up until the test lets it answer, as one on a dead network mount is.
struct HeldLookup {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex mutex;
    std::vector<std::string> asked;
    ~HeldLookup() { Release(); }
    void Release() {
        if (released.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            release.set_value();
        }
    }
    MenuIcons::LookupMaker Maker() {
        return [this] {
            return [this](bool directory, const std::string& path) {
                {
                    const std::lock_guard lock(mutex);
                    asked.push_back(path);
                }
                released.wait();
                QImage picture(16, 16, QImage::Format_ARGB32_Premultiplied);
                picture.fill(directory ? Qt::blue : Qt::green);
                const bool gone = path.find("gone") != std::string::npos;
                return platform::EntryIcon{
                    gone ? EntryIconKind::Missing
                         : (directory ? EntryIconKind::Folder : EntryIconKind::Program),
                    gone ? "dialog-warning" : (directory ? "folder" : "clock"),
                    {picture}};
            };
        };
    }
};

TEST_F(TrayRuntimeTest, ItemsShowTheIconsTheWorkerFindsAndAPressNeverWaitsForIt) {
    HeldLookup lookup;
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=Work | /w | Explorer | Normal\n"
                                             "DirP1=Clock | /usr/bin/clock |  | Normal\n"
                                             "DirP2=- | - |  | Normal\n"
                                             "DirP3=Old | /gone/tool |  | Normal\n"),
                              true, true, lookup.Maker());
    // The lookups wait until the icon is up, then run while the menus work on.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lookup.asked.empty(); }, 5000));
    emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(tray.menus().mnuMenuPrograms()->isVisible());
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), std::nullopt);

    lookup.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tray.menuIcons().busy(); }, 5000));
    EXPECT_EQ(ShownKind(tray, ListKind::Directories, 1), EntryIconKind::Folder);
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Program);
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 3), EntryIconKind::Missing);
    EXPECT_TRUE(tray.menus().slotItem(ListKind::Programs, 2)->icon().isNull());
    // The exported menu gives a host the icons' theme names.
    EXPECT_EQ(tray.menus().slotItem(ListKind::Programs, 3)->icon().name(), "dialog-warning");
    EXPECT_EQ(tray.menus().slotItem(ListKind::Directories, 1)->icon().name(), "folder");

    // A hand edit: the unchanged entry keeps its icon at once, the new one is looked up.
    ProgramSettings().SaveSetting(kListSection, "DirP3", "New | /usr/bin/new |  | Normal");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ShownKind(tray, ListKind::Programs, 3) == EntryIconKind::Program; }, 5000));
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Program);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tray.menuIcons().busy(); }, 5000));
    const std::lock_guard lock(lookup.mutex);
    EXPECT_NE(std::find(lookup.asked.begin(), lookup.asked.end(), "/usr/bin/new"),
              lookup.asked.end());
}

TEST_F(TrayRuntimeTest, TheSystemLookupGivesFoldersProgramsAndTheWarningSign) {
    const QString folder = QDir::toNativeSeparators(QDir::tempPath());
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=Temp | %1 | Explorer | Normal\n"
                                             "Dir2=Gone | %1/zolvantek-gone | Explorer | Normal\n"
                                             "DirP1=Tests | %2 |  | Normal\n"
                                             "DirP2=Bars |  \n")
                                  .arg(folder, program));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return ShownKind(tray, ListKind::Programs, 2).has_value() && !tray.menuIcons().busy();
        },
        20000));
    EXPECT_EQ(ShownKind(tray, ListKind::Directories, 1), EntryIconKind::Folder);
    EXPECT_EQ(ShownKind(tray, ListKind::Directories, 2), EntryIconKind::Missing);
    // A line the launch cannot split says "does not exist" too.
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 2), EntryIconKind::Missing);
#ifdef _WIN32
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Program);  // the shell's
#else
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Generic);
#endif
}

}  // namespace
}  // namespace zolvantek
