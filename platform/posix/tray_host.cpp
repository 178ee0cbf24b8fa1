#include "platform/tray_host.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <cstdlib>

#include "platform/posix/host_press_point.h"

namespace zolvantek::platform {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kGnomeShell = QStringLiteral("org.gnome.Shell");
constexpr int kBusTimeoutMs = 1000;

QString OwnerOf(const QDBusConnection& bus, const QString& name) {
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(name);
    return owner.isValid() ? owner.value() : QString();
}

// The watcher that collects tray icons is part of the process that owns one of SERVICES.
bool WatcherRunsIn(std::initializer_list<QString> services) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    const QString watcher = OwnerOf(bus, kWatcher);
    if (watcher.isEmpty()) return false;
    return std::any_of(services.begin(), services.end(),
                       [&](const QString& service) { return watcher == OwnerOf(bus, service); });
}

bool Reachable(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected()) return false;
    if (bus.interface()->isServiceRegistered(name)) return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(name);
}

// What Qt asks before it exports an icon over D-Bus: a watcher with a host behind it.
bool StatusNotifierHostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher)) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, kBusTimeoutMs);
    return reply.isValid() && reply.value().variant().toBool();
}

// An XEmbed tray holds the manager selection of the screen (the first one: Qt docks there).
bool XEmbedTrayPresent() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Other platforms (offscreen) may answer the X11 interface without a connection.
    if (x11 == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    xcb_connection_t* connection = x11->connection();
    if (connection == nullptr) return false;
    static const char kSelection[] = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof kSelection - 1, kSelection), nullptr);
    if (atom == nullptr) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

class PosixTrayHost final : public TrayHost {
public:
    PosixTrayHost() {
        // Only while no tray is there: once the icon is up nothing here wakes the program.
        poll_.setInterval(250);
        connect(&poll_, &QTimer::timeout, this, &PosixTrayHost::Check);
        if (throughXWayland_) HostPressPoint::Listen();
    }

    bool present() const override { return StatusNotifierHostPresent() || XEmbedTrayPresent(); }

    void watch() override {
        xembedOnlyTicks_ = 0;
        poll_.start();
    }

    bool iconIsExported() const override {
        // Qt's D-Bus tray icon talks over a connection of its own named after the item.
        return QDBusConnection(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                                   .arg(QCoreApplication::applicationPid()))
            .isConnected();
    }

    bool menuOnEveryPress() const override {
        // GNOME's AppIndicator extension is the watcher inside the shell itself.
        return WatcherRunsIn({kGnomeShell});
    }

    std::optional<QPoint> pressPoint() const override {
        if (!throughXWayland_) return std::nullopt;
        // GNOME Shell and Plasma send the pressed point on the screen; waybar sends it
        // within the icon, which places nothing.
        if (!WatcherRunsIn({kGnomeShell, QStringLiteral("org.kde.kded5")})) return std::nullopt;
        return HostPressPoint::Latest();
    }

private:
    void Check() {
        if (StatusNotifierHostPresent()) return Arrive();
        if (!XEmbedTrayPresent()) return;
        // A panel that hosts both protocols takes the X selection a moment before its D-Bus
        // host is up: give the D-Bus side half a second, the icon gets both menus there.
        if (++xembedOnlyTicks_ >= 2) Arrive();
    }

    void Arrive() {
        poll_.stop();
        emit arrived();
    }

    QTimer poll_;
    int xembedOnlyTicks_ = 0;
    const bool throughXWayland_ = std::getenv("WAYLAND_DISPLAY") != nullptr &&
                                  QGuiApplication::platformName() == QLatin1String("xcb");
};

}  // namespace

std::unique_ptr<TrayHost> MakeTrayHost() { return std::make_unique<PosixTrayHost>(); }

bool ShowDesktopNotice(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!Reachable(bus, kNotifications)) return false;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        kNotifications, QStringLiteral("/org/freedesktop/Notifications"), kNotifications,
        QStringLiteral("Notify"));
    notify << QCoreApplication::applicationName() << 0u << QStringLiteral("com.brindlex.Zolvantek")
           << title << text << QStringList() << QVariantMap() << -1;
    // Not waited for: a slow notification service must not hold up the program.
    return bus.send(notify);
}

}  // namespace zolvantek::platform
