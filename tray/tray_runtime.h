#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "editors/form1.h"
#include "platform/menu_requests.h"
#include "platform/settings_watch.h"
#include "platform/tray_host.h"
#include "tray/launch_readers.h"
#include "tray/menu_icons.h"
#include "tray/module_state.h"
#include "tray/popup_menus.h"

namespace zolvantek {

class LaunchCommands;

inline constexpr const char* kTrayTip = " Brindlex ZOLVANTEK";
inline constexpr std::int16_t kMaxItems = 20;
inline constexpr const char* kNoTrayNow =
    "ZOLVANTEK is running, but this desktop shows no tray icons yet. Waiting for a tray.";
inline constexpr const char* kNoTrayNotice =
    "ZOLVANTEK is running, but this desktop shows no tray icons, so its menus cannot be "
    "reached. On GNOME, enable the AppIndicator extension (gnome-shell-extension-appindicator); "
    "elsewhere, add a notification area (system tray) to the panel. The icon appears as soon as "
    "there is one.";
inline constexpr int kNoTrayNoticeDelayMs = 10000;
inline constexpr int kPrepareDelayMs = 300;

// The program's runtime face: start-up, the tray icon and its two popup menus.
class TrayRuntime : public QObject {
    Q_OBJECT
public:
    explicit TrayRuntime(std::unique_ptr<platform::TrayHost> host = platform::MakeTrayHost(),
                         MenuIcons::LookupMaker iconLookup = MenuIcons::SystemLookup(),
                         ProcessStarter& starter = SystemProcessStarter());
    ~TrayRuntime() override;

    // Start-up: settings, menus, both lists, then the icon once a tray is there. Shows no
    // message box; without a tray it says so on standard error and waits for one.
    void Form_Load();

    // The editor window, made on first use: the tray does not pay for it at start-up.
    Form1& form1();
    PopupMenus& menus() { return *menus_; }
    MenuIcons& menuIcons() { return *menuIcons_; }
    // Only once a tray has come (hasTrayIcon()).
    QSystemTrayIcon& trayIcon() { return *trayIcon_; }
    bool hasTrayIcon() const { return trayIcon_ != nullptr; }

    // Exactly a left press opens PROGRAMS and a right press WINDOWS EXPLORER; where the
    // host draws the exported menu itself, a right press is its business.
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);

    // Opens one of the two popups without a press (`zolvantek --show`): at the pointer, or
    // at the icon where the pointer is not known; once the icon is there if it is not yet.
    void ShowMenu(ListKind kind);

private:
    void CreateIcon();
    QMenu* PopupOf(ListKind kind) const;
    void ShowPopup(QMenu* menu, const std::optional<QPoint>& pressed);
    // Both lists as stored now, into the menus.
    void ShowStoredLists();

    // The lines last loaded, for the editor's list boxes when it is made.
    std::vector<std::string> lines_[2];

    std::unique_ptr<platform::TrayHost> host_;
    // What the menus' entries, Help and the editors' F1 start things through.
    ProcessStarter& starter_;
    std::unique_ptr<platform::SettingsWatch> settingsWatch_;
    std::unique_ptr<ModuleState> state_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<PopupMenus> menus_;
    MenuIcons::LookupMaker iconLookup_;
    std::unique_ptr<MenuIcons> menuIcons_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    // Made with the icon (Close hides it); a child of this object, so tests find it.
    std::unique_ptr<LaunchCommands> commands_;
    std::unique_ptr<platform::MenuRequests> requests_;
    // A --show that came before the icon.
    std::optional<ListKind> showWhenIconIsUp_;
    std::optional<QPoint> lastPressPoint_;
    QTimer noTrayNotice_;
    QTimer prepareMenus_;
    bool menuExported_ = false;
};

}  // namespace zolvantek
