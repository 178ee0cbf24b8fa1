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
    // Checks again while none is there and emits arrived() once one is.
    virtual void watch() = 0;
    // After the icon is shown: it went out over D-Bus (StatusNotifierItem), so the host,
    // not this program, draws the menu it exports.
    virtual bool iconIsExported() const = 0;
    // The host shows the exported menu on a left press as well and reports only double
    // presses (GNOME Shell's AppIndicator extension).
    virtual bool menuOnEveryPress() const = 0;
    // Where the host says the icon was last pressed, in screen coordinates, when the
    // program cannot learn the pointer's place itself (a Wayland session seen through
    // XWayland); none otherwise.
    virtual std::optional<QPoint> pressPoint() const = 0;

signals:
    void arrived();
};

std::unique_ptr<TrayHost> MakeTrayHost();

// Shows TEXT once through the desktop's notification service; false when it has none.
bool ShowDesktopNotice(const QString& title, const QString& text);

}  // namespace zolvantek::platform
