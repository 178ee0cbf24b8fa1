#include "tray/launch_commands.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/program_folder.h"
#include "settings/launcher_lists.h"
#include "tests/gui/gui_test_support.h"
#include "tests/unit/launch_test_support.h"
#include "tray/tray_runtime.h"

namespace zolvantek {
namespace {

using test_support::ReadSettingsFile;
using test_support::RecordingStarter;
using test_support::WriteSettingsFile;

struct Shown {
    QString text;
    QString caption;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* os) {
    *os << "[" << shown.caption.toStdString() << "] " << shown.text.toStdString();
}

class RecordingBoxes final : public MessageBoxes {
public:
    void Show(QWidget*, const QString& text, const QString& caption) override {
        shown.push_back({text, caption.isEmpty() ? QStringLiteral("ZOLVANTEK") : caption});
    }
    std::vector<Shown> shown;
};

class LaunchCommandsTest : public ::testing::Test {
protected:
    LaunchCommandsTest() : commands_(state_, icon_, &boxes_, starter_) {
        state_.Settings.SetCompany(kSettingsCompany);
        state_.Settings.SetAppName(kSettingsAppName);
        state_.MaxItems = 20;
        commands_.SetQuit([this] { ++quits_; });
        QPixmap picture(16, 16);
        picture.fill(Qt::darkBlue);
        icon_.setIcon(QIcon(picture));
        icon_.show();
    }
    ~LaunchCommandsTest() override { WriteSettingsFile(QString()); }

    QString Dir(const QString& name) {
        QDir(scratch_.path()).mkpath(name);
        return scratch_.filePath(name);
    }
    QString Missing(const QString& name) { return scratch_.filePath(name); }

    QTemporaryDir scratch_;
    ModuleState state_;
    QSystemTrayIcon icon_;
    RecordingBoxes boxes_;
    RecordingStarter starter_;
    LaunchCommands commands_;
    int quits_ = 0;
};

const Shown kDirMessage{QStringLiteral("Directory does not Exist!"), QStringLiteral("ZOLVANTEK")};
const Shown kProgMessage{QStringLiteral("Program Does Not Exist!"), QStringLiteral("ZOLVANTEK")};

// The reading and its failure rules are the launch readers' own; here: what reaches the user.
TEST_F(LaunchCommandsTest, ListItemsLaunchSilentlyOrShowTheirMenusMessageAndChangeNothing) {
    const QString work = Dir(QStringLiteral("Work, \"quoted\""));
    const QString settings = QStringLiteral(
                                 "[Directories]\n"
                                 "Dir1=Gone | %1 | Explorer | Normal\n"
                                 "Dir2=Only | %2 | two bars\n"
                                 "Dir3=Work | %2 | Form | Maximized\n"
                                 "DirP1=Gone | %1 |  | Normal\n"
                                 "DirP2=No bars at all\n"
                                 "DirP20=Tool | %2 | -x \"a b\" | Minimized\n")
                                 .arg(Missing(QStringLiteral("gone")), work);
    WriteSettingsFile(settings);

    commands_.mnuDir_Click(3);
    commands_.mnuDirP_Click(20);
    ASSERT_EQ(starter_.calls.size(), 2u);
    EXPECT_EQ(QString::fromLocal8Bit(starter_.calls[0].target), work);
    EXPECT_EQ(starter_.calls[1].argumentText, "-x \"a b\"");
    EXPECT_TRUE(boxes_.shown.empty());

    commands_.mnuDir_Click(1);
    commands_.mnuDir_Click(2);
    commands_.mnuDir_Click(5);  // emptied since the menu was filled
    commands_.mnuDirP_Click(1);
    commands_.mnuDirP_Click(2);
    EXPECT_EQ(starter_.calls.size(), 2u);
    starter_.succeed = false;  // both menus report a start that fails as a missing program
    commands_.mnuDir_Click(3);
    commands_.mnuDirP_Click(20);
    EXPECT_EQ(boxes_.shown, (std::vector<Shown>{kDirMessage, kDirMessage, kDirMessage, kProgMessage,
                                                kProgMessage, kProgMessage, kProgMessage}));
    EXPECT_EQ(ReadSettingsFile(), settings);
    EXPECT_TRUE(icon_.isVisible());
    EXPECT_EQ(quits_, 0);
}

TEST_F(LaunchCommandsTest, AboutAndHelpBehaveAlikeFromBothMenus) {
    commands_.mnuZOLVANTEK_Click();
    commands_.mnuZOLVANTEKProg_Click();
    const Shown about{
        QStringLiteral("Brindlex ZOLVANTEK\nBRINDLEX SOFTWARE SOLUTIONS\nVersion 2.030"),
        QStringLiteral("About ZOLVANTEK")};
    EXPECT_EQ(boxes_.shown, (std::vector<Shown>{about, about}));

    commands_.mnuHelp_Click();
    commands_.mnuHelp2_Click();
    ASSERT_EQ(starter_.calls.size(), 2u);
    for (const auto& call : starter_.calls) {
        EXPECT_EQ(call.kind, "open");
        EXPECT_EQ(call.target, HelpPagePath(platform::ProgramFolder()));
        EXPECT_EQ(call.windows.commandLine, starter_.calls[0].windows.commandLine);
        EXPECT_EQ(call.windows.showWindow, 2);
    }
    EXPECT_EQ(boxes_.shown.size(), 2u);

    // A viewer that cannot start is reported, and the program goes on.
    starter_.succeed = false;
    commands_.mnuHelp_Click();
    commands_.mnuHelp2_Click();
    const Shown noViewer{QStringLiteral("The help viewer could not be started."),
                         QStringLiteral("ZOLVANTEK")};
    EXPECT_EQ(boxes_.shown, (std::vector<Shown>{about, about, noViewer, noViewer}));
    EXPECT_EQ(quits_, 0);
    EXPECT_TRUE(icon_.isVisible());
}

// Writes down when it is closed.
class LoggedDialog : public QDialog {
public:
    LoggedDialog(const QString& name, QStringList& log) : name_(name), log_(log) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        log_ << name_;
        QDialog::closeEvent(event);
    }

private:
    QString name_;
    QStringList& log_;
};

TEST_F(LaunchCommandsTest, CloseRemovesTheIconClosesDialogsNewestFirstAndSavesNothing) {
    const QString settings = QStringLiteral("[Directories]\nDir1=A | /a | Explorer | Normal\n");
    for (auto close : {&LaunchCommands::mnuClose_Click, &LaunchCommands::mnuCloseProg_Click}) {
        WriteSettingsFile(settings);
        icon_.show();
        quits_ = 0;
        QStringList closed;
        QWidget mainWindow;  // stands for the list editor: it goes with the program
        mainWindow.show();
        LoggedDialog loose(QStringLiteral("loose"), closed);
        loose.show();
        LoggedDialog item(QStringLiteral("item"), closed);
        item.setWindowModality(Qt::ApplicationModal);
        item.show();
        LoggedDialog picker(QStringLiteral("picker"), closed);
        picker.setWindowModality(Qt::ApplicationModal);
        picker.show();

        (commands_.*close)();
        EXPECT_FALSE(icon_.isVisible());
        EXPECT_EQ(closed, QStringList({"picker", "item", "loose"}));
        EXPECT_FALSE(picker.isVisible() || item.isVisible() || loose.isVisible());
        EXPECT_TRUE(mainWindow.isVisible());
        EXPECT_EQ(quits_, 1);
        EXPECT_TRUE(boxes_.shown.empty());
        EXPECT_EQ(ReadSettingsFile(), settings);
    }
}

// Answers the next modal box with OK and notes what it showed. A timer left over when no box
// came dies with this object, so it can never fire into a later test.
class BoxAnswerer : public QObject {
public:
    void AnswerNext() {
        seen = {};
        QTimer::singleShot(0, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen = {box->text(), box->windowTitle()};
            buttons = int(box->buttons().size());
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
    }
    Shown seen;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
};

TEST(MessageBoxes, TheRealBoxHasOneOkButtonNoIconAndShowsTextAsIs) {
    BoxAnswerer answer;
    answer.AnswerNext();
    QtMessageBoxes().Show(nullptr, QStringLiteral("<b>line 1</b>\nline 2"));
    EXPECT_EQ(answer.seen,
              (Shown{QStringLiteral("<b>line 1</b>\nline 2"), QStringLiteral("ZOLVANTEK")}));
    EXPECT_EQ(answer.buttons, 1);
    EXPECT_EQ(answer.icon, QMessageBox::NoIcon);
}

class LaunchWiringTest : public ::testing::Test {
protected:
    ~LaunchWiringTest() override { WriteSettingsFile(QString()); }
};

TEST_F(LaunchWiringTest, MenuItemsReachTheHandlers) {
    WriteSettingsFile(
        QStringLiteral("[Directories]\nDir1=Gone | /no/such/dir | Form | Normal\n"
                       "DirP1=Gone | /no/such/prog |  | Normal\n"));
    TrayRuntime runtime;
    runtime.Form_Load();
    auto* commands = runtime.findChild<LaunchCommands*>(QStringLiteral("LaunchCommands"));
    ASSERT_NE(commands, nullptr);
    int quits = 0;
    commands->SetQuit([&] { ++quits; });

    BoxAnswerer answer;
    answer.AnswerNext();
    runtime.menus().slotItem(ListKind::Directories, 1)->trigger();
    EXPECT_EQ(answer.seen, kDirMessage);

    answer.AnswerNext();
    runtime.menus().slotItem(ListKind::Programs, 1)->trigger();
    EXPECT_EQ(answer.seen, kProgMessage);

    answer.AnswerNext();
    runtime.menus().mnuShell()->findChild<QAction*>(QStringLiteral("mnuZOLVANTEK"))->trigger();
    EXPECT_EQ(answer.seen.caption, QStringLiteral("About ZOLVANTEK"));

    runtime.menus()
        .mnuMenuPrograms()
        ->findChild<QAction*>(QStringLiteral("mnuCloseProg"))
        ->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(runtime.trayIcon().isVisible());
}

}  // namespace
}  // namespace zolvantek
