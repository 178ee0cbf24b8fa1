#include "platform/tray_host.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/posix/host_press_point.h"

namespace zolvantek::platform {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kGnomeShell = QStringLiteral("org.gnome.Shell");
const QString kKded = QStringLiteral("org.kde.kded5");
// Qt docks its XEmbed icon on the first screen's tray.
constexpr char kTraySelection[] = "_NET_SYSTEM_TRAY_S0";
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

xcb_connection_t* XConnection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Other platforms (offscreen) may answer the X11 interface without a connection.
    if (x11 == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    return x11->connection();
}

xcb_atom_t Atom(const char* name) {
    xcb_connection_t* connection = XConnection();
    if (connection == nullptr) return XCB_NONE;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    free(reply);
    return atom;
}

// An XEmbed tray holds the manager selection of the screen.
bool XEmbedTrayPresent() {
    const xcb_atom_t selection = Atom(kTraySelection);
    if (selection == XCB_NONE) return false;
    xcb_connection_t* connection = XConnection();
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    free(owner);
    return owned;
}

// Which process collects the icons, as far as its presses differ.
struct WatcherHabits {
    bool menuOnEveryPress = false;  // GNOME's AppIndicator extension, inside the shell
    bool sendsScreenPoint = false;  // GNOME Shell and Plasma; waybar sends a point in the icon
};

WatcherHabits HabitsOfTheWatcher() {
    return {WatcherRunsIn({kGnomeShell}), WatcherRunsIn({kGnomeShell, kKded})};
}

// An XEmbed tray that takes the manager selection tells every client with a MANAGER
// message on the root window (Qt already listens to the root window's structure events).
class ManagerMessages final : public QAbstractNativeEventFilter {
public:
    explicit ManagerMessages(std::function<void()> arrived)
        : arrived_(std::move(arrived)),
          manager_(Atom("MANAGER")),
          selection_(Atom(kTraySelection)) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->format == 32 && client->type == manager_ &&
            client->data.data32[1] == selection_) {
            arrived_();
        }
        return false;
    }

private:
    std::function<void()> arrived_;
    xcb_atom_t manager_;
    xcb_atom_t selection_;
};

class PosixTrayHost final : public TrayHost {
    Q_OBJECT
public:
    PosixTrayHost() {
        if (throughXWayland_) HostPressPoint::Listen();
        if (QDBusConnection::sessionBus().isConnected()) {
            ownerWatch_ = std::make_unique<QDBusServiceWatcher>(
                kWatcher, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForOwnerChange);
            connect(ownerWatch_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
                    [this] { habits_.reset(); });
        }
        // A panel that hosts both protocols takes the X selection a moment before its D-Bus
        // host is up: the D-Bus side gets half a second, the icon gets both menus there.
        xembedGrace_.setSingleShot(true);
        xembedGrace_.setInterval(500);
        connect(&xembedGrace_, &QTimer::timeout, this, &PosixTrayHost::Arrive);
    }
    ~PosixTrayHost() override { StopWatching(); }

    bool present() const override { return StatusNotifierHostPresent() || XEmbedTrayPresent(); }

    void watch() override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            watcherService_ = std::make_unique<QDBusServiceWatcher>(
                kWatcher, bus, QDBusServiceWatcher::WatchForRegistration);
            connect(watcherService_.get(), &QDBusServiceWatcher::serviceRegistered, this,
                    &PosixTrayHost::CheckStatusNotifierHost);
            bus.connect(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                        QStringLiteral("StatusNotifierHostRegistered"), this,
                        SLOT(CheckStatusNotifierHost()));
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            managerMessages_ = std::make_unique<ManagerMessages>([this] { xembedGrace_.start(); });
            QCoreApplication::instance()->installNativeEventFilter(managerMessages_.get());
        }
    }

    bool exportsIcon() const override { return StatusNotifierHostPresent(); }

    bool menuOnEveryPress() const override { return Habits().menuOnEveryPress; }

    std::optional<QPoint> takePressPoint() override {
        // Taken on every press, so that a point never outlives the press it came with.
        const std::optional<QPoint> point = HostPressPoint::Take();
        if (!throughXWayland_ || !Habits().sendsScreenPoint) return std::nullopt;
        if (!point && !toldNoPoint_) {
            toldNoPoint_ = true;
            std::fprintf(stderr,
                         "ZOLVANTEK cannot read where the tray host was pressed (%s); its "
                         "menus open where the pointer last was.\n",
                         HostPressPoint::Heard() ? "Qt logs the point in another form"
                                                 : "Qt no longer logs it");
        }
        return point;
    }

private slots:
    void CheckStatusNotifierHost() {
        if (StatusNotifierHostPresent()) Arrive();
    }

private:
    void Arrive() {
        if (arrived_) return;
        arrived_ = true;
        StopWatching();
        emit arrived();
    }

    void StopWatching() {
        xembedGrace_.stop();
        watcherService_.reset();
        if (managerMessages_ && QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(managerMessages_.get());
        }
        managerMessages_.reset();
        if (QDBusConnection::sessionBus().isConnected()) {
            QDBusConnection::sessionBus().disconnect(
                kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(CheckStatusNotifierHost()));
        }
    }

    // Asked of the bus once for each process that owns the watcher, not on every press.
    const WatcherHabits& Habits() const {
        if (!habits_) habits_ = HabitsOfTheWatcher();
        return *habits_;
    }

    QTimer xembedGrace_;
    std::unique_ptr<QDBusServiceWatcher> watcherService_;
    std::unique_ptr<ManagerMessages> managerMessages_;
    std::unique_ptr<QDBusServiceWatcher> ownerWatch_;
    bool arrived_ = false;
    bool toldNoPoint_ = false;
    mutable std::optional<WatcherHabits> habits_;
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

#include "tray_host.moc"
