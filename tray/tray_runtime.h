#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

#include "editors/form1.h"
#include "tray/module_state.h"
#include "tray/popup_menus.h"

namespace zolvantek {

inline constexpr const char* kTrayTip = " Brindlex ZOLVANTEK";
inline constexpr std::int16_t kMaxItems = 20;

// The program's runtime face: start-up, the tray icon and its two popup menus.
class TrayRuntime : public QObject {
    Q_OBJECT
public:
    TrayRuntime();
    ~TrayRuntime() override;

    // Start-up: settings, menus, the icon, then both lists. Shows no message.
    void Form_Load();

    // Fills one list box and its menu items from the stored slots.
    void LoadList(ListKind kind);

    ModuleState& state() { return *state_; }
    // The editor window, made on first use: the tray does not pay for it at start-up.
    Form1& form1();
    PopupMenus& menus() { return *menus_; }
    QSystemTrayIcon& trayIcon() { return *trayIcon_; }

    // Exactly a left press opens PROGRAMS and a right press WINDOWS EXPLORER.
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void ShowPopup(QMenu* menu);
    void ShowList(ListKind kind, const LoadedList& list);

    // The lines last loaded, for the editor's list boxes when it is made.
    std::vector<std::string> lines_[2];

    std::unique_ptr<ModuleState> state_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<PopupMenus> menus_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
};

}  // namespace zolvantek
