#include "tray/tray_runtime.h"

#include <QCursor>
#include <QIcon>

#include "editors/list_rules.h"
#include "platform/program_folder.h"
#include "tray/launch_commands.h"

// The icons are linked in from a static library, where rcc's initializer must be named.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace zolvantek {
namespace {

// F1 in the editors: the help page shipped with the program, at the section of the list.
void OpenHelpSection(int contextId) {
    const std::string page = HelpPagePath(platform::ProgramFolder());
    if (!SystemProcessStarter().OpenHelpPage(page, HelpSection(contextId), {})) {
        QtMessageBoxes().Show(nullptr, QString::fromLatin1(kHelpNotStarted));
    }
}

}  // namespace

TrayRuntime::TrayRuntime() = default;
TrayRuntime::~TrayRuntime() = default;

void TrayRuntime::Form_Load() {
    state_ = std::make_unique<ModuleState>();
    state_->Settings.SetCompany(kSettingsCompany);
    state_->Settings.SetAppName(kSettingsAppName);
    state_->MaxItems = kMaxItems;

    menus_ = std::make_unique<PopupMenus>(state_->MaxItems);
    // The editor opens from either menu; it is made then, not here.
    connect(menus_.get(), &PopupMenus::mnuAdd_Click, this, [this] { form1().mnuAdd_Click(); });
    connect(menus_.get(), &PopupMenus::mnuAddProgram_Click, this,
            [this] { form1().mnuAddProgram_Click(); });

    InitResources();
    QIcon binoculars;
    binoculars.addFile(QStringLiteral(":/zolvantek/binoculars-16.png"), QSize(16, 16));
    binoculars.addFile(QStringLiteral(":/zolvantek/binoculars-32.png"), QSize(32, 32));
    trayIcon_ = std::make_unique<QSystemTrayIcon>(binoculars);
    trayIcon_->setToolTip(QString::fromLatin1(kTrayTip));
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &TrayRuntime::OnTrayActivated);
    trayIcon_->show();

    // Owned through the object tree: the header need not know the handlers.
    auto* commands = new LaunchCommands(*state_, *trayIcon_, nullptr, SystemProcessStarter(), this);
    commands->setObjectName(QStringLiteral("LaunchCommands"));
    PopupMenus* menus = menus_.get();
    connect(menus, &PopupMenus::mnuDir_Click, commands, &LaunchCommands::mnuDir_Click);
    connect(menus, &PopupMenus::mnuDirP_Click, commands, &LaunchCommands::mnuDirP_Click);
    connect(menus, &PopupMenus::mnuHelp_Click, commands, &LaunchCommands::mnuHelp_Click);
    connect(menus, &PopupMenus::mnuHelp2_Click, commands, &LaunchCommands::mnuHelp2_Click);
    connect(menus, &PopupMenus::mnuZOLVANTEK_Click, commands, &LaunchCommands::mnuZOLVANTEK_Click);
    connect(menus, &PopupMenus::mnuZOLVANTEKProg_Click, commands,
            &LaunchCommands::mnuZOLVANTEKProg_Click);
    connect(menus, &PopupMenus::mnuClose_Click, commands, &LaunchCommands::mnuClose_Click);
    connect(menus, &PopupMenus::mnuCloseProg_Click, commands, &LaunchCommands::mnuCloseProg_Click);

    // Both lists in one read of the store.
    const LoadedLists lists = LoadBothLists(state_->Settings, state_->MaxItems);
    ShowList(ListKind::Directories, lists.directories);
    ShowList(ListKind::Programs, lists.programs);
}

void TrayRuntime::LoadList(ListKind kind) {
    ShowList(kind, zolvantek::LoadList(state_->Settings, kind, state_->MaxItems));
}

void TrayRuntime::ShowList(ListKind kind, const LoadedList& list) {
    lines_[int(kind)] = list.lines;
    if (form1_) form1_->SetLines(kind, list.lines);
    menus_->ShowSlots(kind, list.slotCaptions);
}

Form1& TrayRuntime::form1() {
    if (!form1_) {
        form1_ = std::make_unique<Form1>(state_->Settings, state_->MaxItems, state_->EditMode);
        // The editor keeps the menu items in step with its lists.
        connect(form1_.get(), &Form1::slotCaptionsChanged, menus_.get(), &PopupMenus::ShowSlots);
        connect(form1_.get(), &Form1::helpRequested, this, &OpenHelpSection);
        form1_->SetLines(ListKind::Directories, lines_[int(ListKind::Directories)]);
        form1_->SetLines(ListKind::Programs, lines_[int(ListKind::Programs)]);
    }
    return *form1_;
}

void TrayRuntime::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    // Double clicks, middle presses and everything else open nothing.
    if (reason == QSystemTrayIcon::Context) {
        ShowPopup(menus_->mnuShell());
    } else if (reason == QSystemTrayIcon::Trigger) {
        ShowPopup(menus_->mnuMenuPrograms());
    }
}

void TrayRuntime::ShowPopup(QMenu* menu) {
    // At the pointer when it is over the icon (a press), else at the icon itself.
    QPoint at = QCursor::pos();
    const QRect iconArea = trayIcon_->geometry();
    if (iconArea.isValid() && !iconArea.contains(at)) at = iconArea.center();
    menu->popup(at);
}

}  // namespace zolvantek
