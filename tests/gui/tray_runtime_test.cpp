// The tray part as the program starts it: both popups filled from the store, which press
// opens which, what their entries and commands ask to start, and Close.
#include "tray/tray_runtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

#include "editors/form2.h"
#include "editors/form3.h"
#include "platform/program_folder.h"
#include "tests/gui/gui_test_support.h"
#include "tray/launch_commands.h"

namespace zolvantek {
namespace {

using test_support::ProgramSettings;
using test_support::StoredSlots;
using test_support::WhenModal;
using test_support::WriteSettingsFile;

// What a popup shows, top to bottom: captions of the visible items, "-" for separators,
// a trailing " >" for submenus.
QStringList VisibleItems(QMenu* menu) {
    QStringList shown;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible() || menu->actionGeometry(action).isEmpty()) continue;
        shown << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text() + (action->menu() ? " >" : ""));
    }
    return shown;
}

// The tray's own message boxes on the screen, as "caption: text" in sorted order, marked
// when they would read a typed name as markup; closed once read.
QStringList TakeBoxes() {
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr || !box->isVisible()) continue;
        shown << box->windowTitle() + ": " + box->text() +
                     (box->textFormat() == Qt::PlainText ? "" : " (markup)");
        box->close();
    }
    shown.sort();
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
            // A worker still looking up icons when the program ends may crash its exit.
            EXPECT_TRUE(QTest::qWaitFor([this] { return !runtime_->menuIcons().busy(); }, 20000));
        }
        TakeBoxes();
        WriteSettingsFile(QString());
    }
    // The program started on `settingsFile`; by default with its icon docked in the tray.
    TrayRuntime& Start(const QString& settingsFile, bool exported = false,
                       bool menuOnEveryPress = false,
                       MenuIcons::LookupMaker icons = MenuIcons::SystemLookup()) {
        WriteSettingsFile(settingsFile);
        runtime_ = std::make_unique<TrayRuntime>(
            std::make_unique<FakeTrayHost>(exported, menuOnEveryPress), std::move(icons), starter_);
        runtime_->Form_Load();
        return *runtime_;
    }
    // The fixed command of a popup's submenu that reads `text`.
    static QAction* Command(QMenu* popup, const QString& text) {
        for (QAction* action : popup->actions().first()->menu()->actions()) {
            if (action->text() == text) return action;
        }
        ADD_FAILURE() << "no command " << text.toStdString();
        return new QAction(popup);
    }
    test_support::RecordingStarter starter_;
    std::unique_ptr<TrayRuntime> runtime_;
};

const QString kBothLists = QStringLiteral(
    "[Directories]\nDir1=Work | /w | Explorer | Normal\n"
    "DirP1=Clock | /usr/bin/clock |  | Normal\n");
const QStringList kCommands = {"Add or Modify", "-", "Close", "-", "About ZOLVANTEK", "Help"};

TEST_F(TrayRuntimeTest, StoredSlotsBecomeItemsInSlotOrderShownAsTypedAndNothingElseShows) {
    TrayRuntime& tray =
        Start(QStringLiteral("[Directories]\n"
                             "DirP1=\"Quoted\" & Co;\t#1 | /usr/bin/editor | --flag=1 | Maximized\n"
                             "DirP2=- | - |  | Normal\n"
                             "DirP4=After a gap | /bin/true |  | Normal\n"
                             "DirP5=Über | /bin/true |  | Normal\n"
                             "DirP6=written by hand, no bars\n"));
    EXPECT_EQ(VisibleItems(tray.menus().mnuMenuPrograms()),
              QStringList({"PROGRAMS >", "-", "-", "\"Quoted\" && Co; #1", "-", "After a gap",
                           QStringLiteral("Über"), "written by hand, no bars"}));
    EXPECT_EQ(VisibleItems(tray.menus().mnuShell()), QStringList({"WINDOWS EXPLORER >", "-", "-"}));
    // The list box is packed: the gap leaves no empty line. Item n stays slot n.
    EXPECT_EQ(tray.form1().lstPathP->count(), 5);
    EXPECT_FALSE(tray.menus().slotItem(ListKind::Programs, 3)->isVisible());
    EXPECT_EQ(tray.menus().slotItem(ListKind::Programs, 4)->text(), "After a gap");
    // No window and no box at start-up.
    EXPECT_FALSE(tray.form1().isVisible());
    EXPECT_EQ(TakeBoxes(), QStringList());
    EXPECT_EQ(tray.trayIcon().toolTip(), " Brindlex ZOLVANTEK");
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
    ASSERT_TRUE(tray.menus().mnuShell()->isVisible());
    // "w" is the submenu WINDOWS EXPLORER, "wo" the entry.
    QTest::keyClicks(tray.menus().mnuShell(), "wo");
    EXPECT_EQ(tray.menus().mnuShell()->activeAction()->objectName(), "mnuDir(1)");
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

TEST_F(TrayRuntimeTest, EachHostGetsItsMenusAndOnlyALeftOrRightPressOpensAPopup) {
    // Docked, exported (the host draws WINDOWS EXPLORER), and exported to a host that shows
    // the menu on every press (it leads to PROGRAMS too).
    for (const auto& [exported, everyPress] :
         {std::pair{false, false}, {true, false}, {true, true}}) {
        TrayRuntime& tray = Start(kBothLists, exported, everyPress);
        QMenu* explorer = tray.menus().mnuShell();
        QMenu* programs = tray.menus().mnuMenuPrograms();
        EXPECT_EQ(VisibleItems(explorer), QStringList({"WINDOWS EXPLORER >", "-", "-", "Work"}));
        EXPECT_EQ(VisibleItems(explorer->actions().first()->menu()), kCommands);
        EXPECT_EQ(VisibleItems(programs), QStringList({"PROGRAMS >", "-", "-", "Clock"}));
        EXPECT_EQ(VisibleItems(programs->actions().first()->menu()), kCommands);
        QMenu* menu = tray.trayIcon().contextMenu();
        EXPECT_EQ(menu ? VisibleItems(menu) : QStringList(),
                  !exported    ? QStringList()
                  : everyPress ? VisibleItems(explorer) + QStringList({"-", "PROGRAMS >"})
                               : VisibleItems(explorer));
        for (auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick,
                            QSystemTrayIcon::Unknown}) {
            emit tray.trayIcon().activated(reason);
            QApplication::processEvents();
            EXPECT_FALSE(explorer->isVisible() || programs->isVisible()) << reason;
        }
        // A right press is Context, a left one Trigger; a left press on open PROGRAMS closes it.
        emit tray.trayIcon().activated(QSystemTrayIcon::Context);
        EXPECT_EQ(explorer->isVisible(), !exported);
        EXPECT_FALSE(programs->isVisible());
        explorer->hide();
        emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
        EXPECT_TRUE(programs->isVisible() && !explorer->isVisible());
        emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
        EXPECT_FALSE(programs->isVisible());
        if (!everyPress) continue;
        QMenu* both = menu->actions().last()->menu();
        ASSERT_NE(both, nullptr);
        EXPECT_EQ(VisibleItems(both), VisibleItems(programs));
        // A line added in the editor and saved shows in the exported menu at once.
        tray.menus().programCommands().add->trigger();
        EXPECT_EQ(tray.form1().windowTitle(), "Programs:");
        tray.form1().Command7->click();
        tray.form1().btnOK->click();
        EXPECT_EQ(VisibleItems(both), QStringList({"PROGRAMS >", "-", "-", "Clock", "-"}));
    }
}

TEST_F(TrayRuntimeTest, AboutFromEitherMenuShowsOneBoxThatTakesTheFocusAndLeavesTheTrayAnswering) {
    TrayRuntime& tray = Start(kBothLists);
    QWidget other;
    other.show();
    for (QMenu* menu : {tray.menus().mnuShell(), tray.menus().mnuMenuPrograms()}) {
        // The box waits for nobody (a box that held up the caller would fail the guard), and
        // the one still open is brought forward instead of stacking a second.
        QApplication::setActiveWindow(&other);
        Command(menu, "About ZOLVANTEK")->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return qobject_cast<QMessageBox*>(QApplication::activeWindow()) != nullptr; }));
        emit tray.trayIcon().activated(QSystemTrayIcon::Trigger);
        EXPECT_TRUE(tray.menus().mnuMenuPrograms()->isVisible());
        tray.menus().mnuMenuPrograms()->hide();
    }
    EXPECT_EQ(TakeBoxes(), QStringList({"About ZOLVANTEK: Brindlex ZOLVANTEK\nBRINDLEX SOFTWARE "
                                        "SOLUTIONS\nVersion 2.030"}));
}

TEST_F(TrayRuntimeTest, CloseRemovesTheIconClosesDialogsNewestFirstAndSavesNothing) {
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=A | /a | Explorer | Normal\n"));
    const auto stored = StoredSlots(ProgramSettings());
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
            QObject::connect(dialog, &QDialog::finished,
                             [&closed, label = name] { closed << label; });
            dialog->show();
        }
        Command(menu, "Close")->trigger();
        EXPECT_FALSE(tray.trayIcon().isVisible());
        EXPECT_EQ(closed, QStringList({"picker", "item", "loose"}));
        EXPECT_TRUE(tray.form1().isVisible());
        EXPECT_EQ(StoredSlots(ProgramSettings()), stored);
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
    std::atomic<bool> released = false;
    std::atomic<int> asked = 0, answered = 0;
    ~HeldLookup() { Release(); }
    void Release() {
        released = true;
        released.notify_all();
    }
    MenuIcons::LookupMaker Maker() {
        return [this] {
            return [this](bool directory, const std::string& path) {
                ++asked;
                released.wait(false);
                ++answered;
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return lookup.asked > 0; }, 5000));
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

    // The end waits for a worker about to finish, so that none runs on while the program ends.
    HeldLookup late;
    Start(kBothLists, false, false, late.Maker());
    ASSERT_TRUE(QTest::qWaitFor([&] { return late.asked > 0; }, 5000));
    std::thread releaser([&late] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        late.Release();
    });
    runtime_.reset();
    EXPECT_EQ(late.answered.load(), late.asked.load());
    releaser.join();
}

// What a choice asks to start, one line per start: "open <path>", "program <path> <args>" or
// "page <page> <section>".
QStringList Starts(test_support::RecordingStarter& starter) {
    QStringList lines;
    for (const auto& call : std::exchange(starter.calls, {})) {
        lines << QString::fromStdString(call.kind + " " + call.target +
                                        (call.kind == "open" ? "" : " " + call.argumentText));
    }
    return lines;
}

// Entries in the first and the last slot: what a choice of each starts or says, and the
// icon the system's lookup gives it.
TEST_F(TrayRuntimeTest, EachSlotItemLaunchesItsOwnEntryAndShowsTheIconTheSystemGives) {
    const QString folder = QDir::toNativeSeparators(QDir::tempPath());
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    TrayRuntime& tray = Start(QStringLiteral("[Directories]\nDir1=Temp | %1 | Explorer | Normal\n"
                                             "Dir20=Gone | %1/zolvantek-gone | Explorer | Normal\n"
                                             "DirP1=Tests | %2 | -a \"b c\" | Normal\n"
                                             "DirP20=Bars |  \n")
                                  .arg(folder, program));
    for (ListKind kind : {ListKind::Directories, ListKind::Programs}) {
        for (int slot : {1, 20}) tray.menus().slotItem(kind, slot)->trigger();
    }
    EXPECT_EQ(Starts(starter_),
              QStringList({"open " + folder, "program " + program + " -a \"b c\""}));
    EXPECT_EQ(TakeBoxes(), QStringList({"ZOLVANTEK: Directory does not Exist!",
                                        "ZOLVANTEK: Program Does Not Exist!"}));
    // An opener that gives up after the click says so in a box of its own.
    ASSERT_TRUE(starter_.later);
    starter_.later();
    EXPECT_EQ(TakeBoxes(), QStringList({"ZOLVANTEK: " + QString::fromLatin1(kNoFileManager)}));

    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return ShownKind(tray, ListKind::Programs, 20).has_value() && !tray.menuIcons().busy();
        },
        20000));
    EXPECT_EQ(ShownKind(tray, ListKind::Directories, 1), EntryIconKind::Folder);
    EXPECT_EQ(ShownKind(tray, ListKind::Directories, 20), EntryIconKind::Missing);
    // A line the launch cannot split says "does not exist" too.
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 20), EntryIconKind::Missing);
#ifdef _WIN32
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Program);  // the shell's
#else
    EXPECT_EQ(ShownKind(tray, ListKind::Programs, 1), EntryIconKind::Generic);
#endif
}

TEST_F(TrayRuntimeTest, HelpOpensThePageAndF1InTheEditorsItsSection) {
    TrayRuntime& tray = Start(kBothLists);
    for (QMenu* menu : {tray.menus().mnuShell(), tray.menus().mnuMenuPrograms()}) {
        Command(menu, "Help")->trigger();
    }
    Form1& editor = tray.form1();
    for (QMenu* menu : {tray.menus().mnuMenuPrograms(), tray.menus().mnuShell()}) {
        Command(menu, "Add or Modify")->trigger();
        EXPECT_TRUE(editor.isVisible());
        QApplication::setActiveWindow(&editor);
        QTest::keyClick(&editor, Qt::Key_F1);
    }
    EXPECT_EQ(editor.windowTitle(), "Windows Explorer StartUp Directories:");
    // F1 in the directory picker, opened from the item dialog of the editor.
    WhenModal<Form3> item([&](Form3& dialog) {
        WhenModal<Form2> picker([&](Form2& opened) {
            QApplication::setActiveWindow(&opened);
            QTest::keyClick(&opened, Qt::Key_F1);
            opened.reject();
        });
        dialog.Command2->click();
        dialog.reject();
    });
    editor.Command4->click();
    editor.hide();
    const QString page = "page " + QString::fromStdString(HelpPagePath(platform::ProgramFolder()));
    EXPECT_EQ(Starts(starter_), QStringList({page + " ", page + " ", page + " programs",
                                             page + " directories", page + " directories"}));
}
#ifndef _WIN32
// Written by hand into a folder that did not exist when the program started, then changed
// in place and replaced, as editors save.
TEST_F(TrayRuntimeTest, BothMenusFollowHandEditsOfTheFile) {
    const QString file =
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brindlex Software Solutions/Zolvantek.ini";
    QDir(QFileInfo(file).path()).removeRecursively();
    TrayRuntime& tray = Start(QString());
    const auto shows = [&](const char* caption) {
        return QTest::qWaitFor(
            [&] { return VisibleItems(tray.menus().mnuShell()).contains(caption); }, 5000);
    };
    test_support::Spit(file.toStdString(), "[Directories]\nDir1=Work | /w | Explorer | Normal\n");
    EXPECT_TRUE(shows("Work"));
    std::ofstream(file.toStdString(), std::ios::app)
        << "Dir2=Logs | /var/log | Explorer | Normal\n";
    EXPECT_TRUE(shows("Logs"));
    test_support::Spit(file.toStdString() + "~",
                       "[Directories]\nDir1=Tmp | /tmp | Explorer | Normal\n");
    std::filesystem::rename(file.toStdString() + "~", file.toStdString());
    EXPECT_TRUE(shows("Tmp"));
}
#endif

}  // namespace
}  // namespace zolvantek
