#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>

namespace zolvantek::platform {

// The desktop's notification area, as far as this program must know it: whether one is
// there to take the icon, which protocol the icon went out on, and how the host treats
// presses. Qt picks the protocol once per process, when the first tray icon is made, so
// the icon must only be made once present() is true.
class TrayHost : public QObject {
    Q_OBJECT
public:
    ~TrayHost() override = default;

    // A tray that can show the icon is there now.
    virtual bool present() const = 0;
    // Watches, without polling, while none is there and emits arrived() once one is.
    virtual void watch() = 0;
    // Asked right before the icon is made, the question Qt asks then: the icon goes out over
    // D-Bus (StatusNotifierItem), so the host, not this program, draws the menu it exports.
    virtual bool exportsIcon() const = 0;
    // The host shows the exported menu on a left press as well and reports only double
    // presses (GNOME Shell's AppIndicator extension).
    virtual bool menuOnEveryPress() const = 0;
    // For the press being handled: where the host says the icon was pressed, in screen
    // coordinates, when the program cannot learn the pointer's place itself (a Wayland
    // session seen through XWayland); none otherwise. Each point is handed out once.
    virtual std::optional<QPoint> takePressPoint() = 0;

signals:
    void arrived();
};

std::unique_ptr<TrayHost> MakeTrayHost();

// Shows TEXT once through the desktop's notification service; false when it has none.
bool ShowDesktopNotice(const QString& title, const QString& text);

}  // namespace zolvantek::platform
