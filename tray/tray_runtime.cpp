#include "tray/tray_runtime.h"

#include <QCursor>
#include <QIcon>
#include <cstdio>
#include <utility>

#include "editors/list_rules.h"
#include "platform/popup_menu.h"
#include "platform/program_folder.h"
#include "tray/command_line.h"
#include "tray/launch_commands.h"
#include "tray/tray_icon_image.h"

namespace zolvantek {
namespace {

// F1 in the editors: the help page shipped with the program, at the section of the list.
void OpenHelpSection(ProcessStarter& starter, int contextId) {
    const std::string page = HelpPagePath(platform::ProgramFolder());
    if (!starter.OpenHelpPage(page, HelpSection(contextId), {})) {
        QtMessageBoxes().Show(nullptr, QString::fromLatin1(kHelpNotStarted));
    }
}

}  // namespace

TrayRuntime::TrayRuntime(std::unique_ptr<platform::TrayHost> host,
                         MenuIcons::LookupMaker iconLookup, ProcessStarter& starter)
    : host_(std::move(host)), starter_(starter), iconLookup_(std::move(iconLookup)) {
    noTrayNotice_.setSingleShot(true);
    noTrayNotice_.setInterval(kNoTrayNoticeDelayMs);
    connect(&noTrayNotice_, &QTimer::timeout, this, [] {
        platform::ShowDesktopNotice(QStringLiteral("ZOLVANTEK"),
                                    QString::fromLatin1(kNoTrayNotice));
    });
    prepareMenus_.setSingleShot(true);
    prepareMenus_.setInterval(kPrepareDelayMs);
    // The icons of the entries are looked for then too, in a worker.
    connect(&prepareMenus_, &QTimer::timeout, this, [this] {
        menus_->Prepare();
        menuIcons_->Start();
    });
}

TrayRuntime::~TrayRuntime() = default;

void TrayRuntime::Form_Load() {
    state_ = std::make_unique<ModuleState>();
    state_->Settings.SetCompany(kSettingsCompany);
    state_->Settings.SetAppName(kSettingsAppName);
    state_->MaxItems = kMaxItems;

    menus_ = std::make_unique<PopupMenus>(state_->MaxItems);
    menuIcons_ = std::make_unique<MenuIcons>(*menus_, state_->Settings, state_->MaxItems,
                                             std::move(iconLookup_));
    // The editor opens from either menu; it is made then, not here.
    connect(menus_->explorerCommands().add, &QAction::triggered, this,
            [this] { form1().mnuAdd_Click(); });
    connect(menus_->programCommands().add, &QAction::triggered, this,
            [this] { form1().mnuAddProgram_Click(); });

    ShowStoredLists();
    requests_ = platform::ListenForMenuRequests();
    if (requests_) {
        connect(requests_.get(), &platform::MenuRequests::showRequested, this,
                [this](const QString& word) {
                    if (const auto kind = MenuOfWord(word)) ShowMenu(*kind);
                });
    }
    // A hand edit of the lists shows in the menus too, not only in what a choice launches.
    settingsWatch_ = platform::WatchUserSettings(state_->Settings.KeyPath(kListSection));
    connect(settingsWatch_.get(), &platform::SettingsWatch::changed, this,
            &TrayRuntime::ShowStoredLists);

    if (host_->present()) {
        CreateIcon();
        return;
    }
    std::fprintf(stderr, "%s\n", kNoTrayNow);
    std::fflush(stderr);
    connect(host_.get(), &platform::TrayHost::arrived, this, &TrayRuntime::CreateIcon,
            Qt::SingleShotConnection);
    host_->watch();
    noTrayNotice_.start();
}

void TrayRuntime::CreateIcon() {
    noTrayNotice_.stop();
    // Qt chooses the tray protocol here, once for the whole run, by the same question.
    menuExported_ = host_->exportsIcon();
    trayIcon_ = std::make_unique<QSystemTrayIcon>(TrayIconImage());
    trayIcon_->setToolTip(QString::fromLatin1(kTrayTip));
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &TrayRuntime::OnTrayActivated);
    trayIcon_->show();
    if (menuExported_) {
        trayIcon_->setIcon(ExportedTrayIconImage());
        trayIcon_->setContextMenu(menus_->exportedMenu(host_->menuOnEveryPress()));
    }

    commands_ = std::make_unique<LaunchCommands>(*state_, *trayIcon_, nullptr, starter_, this);
    LaunchCommands* commands = commands_.get();
    commands->setObjectName(QStringLiteral("LaunchCommands"));
    for (int n = 1; n <= state_->MaxItems; ++n) {
        connect(menus_->slotItem(ListKind::Directories, n), &QAction::triggered, commands,
                [commands, n] { commands->mnuDir_Click(n); });
        connect(menus_->slotItem(ListKind::Programs, n), &QAction::triggered, commands,
                [commands, n] { commands->mnuDirP_Click(n); });
    }
    for (const CommandItems* items : {&menus_->explorerCommands(), &menus_->programCommands()}) {
        connect(items->close, &QAction::triggered, commands, &LaunchCommands::mnuClose_Click);
        connect(items->about, &QAction::triggered, commands, &LaunchCommands::mnuZOLVANTEK_Click);
        connect(items->help, &QAction::triggered, commands, &LaunchCommands::mnuHelp_Click);
    }

    if (const auto kind = std::exchange(showWhenIconIsUp_, std::nullopt)) ShowMenu(*kind);

    // Once the icon is up, off the start-up path (the tray host is still docking it for a
    // moment, and shares the processor): the first press then costs what later ones do.
    prepareMenus_.start();
}

void TrayRuntime::ShowStoredLists() {
    // Both lists in one read of the store. An open editor keeps the lists it shows: it
    // reads the store again whenever it opens, and its OK writes what the user sees.
    const LoadedLists lists = LoadBothLists(state_->Settings, state_->MaxItems);
    for (const auto& [kind, list] : {std::pair{ListKind::Directories, &lists.directories},
                                     std::pair{ListKind::Programs, &lists.programs}}) {
        lines_[int(kind)] = list->lines;
        menus_->ShowSlots(kind, list->slotCaptions);
        menuIcons_->Follow(kind);
    }
}

Form1& TrayRuntime::form1() {
    if (!form1_) {
        form1_ = std::make_unique<Form1>(state_->Settings, state_->MaxItems, state_->EditMode);
        // The editor keeps the menu items in step with its lists.
        connect(form1_.get(), &Form1::slotCaptionsChanged, this,
                [this](ListKind kind, const SlotCaptions& captions) {
                    menus_->ShowSlots(kind, captions);
                    menuIcons_->Follow(kind);
                });
        connect(form1_.get(), &Form1::helpRequested, this,
                [this](int contextId) { OpenHelpSection(starter_, contextId); });
        form1_->SetLines(ListKind::Directories, lines_[int(ListKind::Directories)]);
        form1_->SetLines(ListKind::Programs, lines_[int(ListKind::Programs)]);
    }
    return *form1_;
}

void TrayRuntime::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    const std::optional<QPoint> pressed = host_->takePressPoint();
    if (pressed) lastPressPoint_ = pressed;
    // Double clicks, middle presses and everything else open nothing.
    if (reason == QSystemTrayIcon::Context && !menuExported_) {
        ShowPopup(menus_->mnuShell(), pressed);
    } else if (reason == QSystemTrayIcon::Trigger) {
        QMenu* programs = menus_->mnuMenuPrograms();
        // Through XWayland the open menu sees no press outside it and no key: pressing
        // the icon again is how it is closed without a choice.
        if (programs->isVisible()) return programs->hide();
        ShowPopup(programs, pressed);
    }
}

QMenu* TrayRuntime::PopupOf(ListKind kind) const {
    return kind == ListKind::Programs ? menus_->mnuMenuPrograms() : menus_->mnuShell();
}

void TrayRuntime::ShowMenu(ListKind kind) {
    if (!hasTrayIcon()) {
        showWhenIconIsUp_ = kind;
        return;
    }
    QMenu* menu = PopupOf(kind);
    if (menu->isVisible()) return menu->activateWindow();
    // Where the pointer is not known, the icon is where the host last said it was pressed.
    QPoint at = QCursor::pos();
    const QRect iconArea = trayIcon_->geometry();
    if (!host_->pointerKnown() && lastPressPoint_) {
        at = *lastPressPoint_;
    } else if (!host_->pointerKnown() && iconArea.isValid()) {
        at = iconArea.center();
    }
    platform::PopUpMenu(menu, at);
}

void TrayRuntime::ShowPopup(QMenu* menu, const std::optional<QPoint>& pressed) {
    // At the pointer when it is over the icon (a press), else at the icon itself; where
    // the program cannot see the pointer, at the place the host says was pressed.
    if (pressed) return platform::PopUpMenu(menu, *pressed);
    QPoint at = QCursor::pos();
    const QRect iconArea = trayIcon_->geometry();
    if (iconArea.isValid() && !iconArea.contains(at)) at = iconArea.center();
    platform::PopUpMenu(menu, at);
}

}  // namespace zolvantek
