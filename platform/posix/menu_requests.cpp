#include "platform/menu_requests.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QThread>
#include <chrono>

#include "common/product_info.h"

namespace zolvantek::platform {
namespace {

const QString kService = QString::fromLatin1(kAppId);
const QString kPath = QStringLiteral("/com/brindlex/Zolvantek");
constexpr int kAnswerMs = 3000;
// An instance that holds the one-instance lock may still be on its way to the bus.
constexpr auto kStartingInstance = std::chrono::seconds(5);

class BusMenuRequests final : public MenuRequests {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.brindlex.Zolvantek")
public slots:
    Q_SCRIPTABLE void ShowMenu(const QString& menu) { emit showRequested(menu); }
};

}  // namespace

std::unique_ptr<MenuRequests> ListenForMenuRequests() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    auto requests = std::make_unique<BusMenuRequests>();
    if (!bus.registerObject(kPath, requests.get(), QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(kService)) {
        return nullptr;
    }
    return requests;
}

bool RequestMenu(const QString& menu) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    const auto giveUp = std::chrono::steady_clock::now() + kStartingInstance;
    while (!bus.interface()->isServiceRegistered(kService)) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        QThread::msleep(100);
    }
    QDBusMessage show =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("ShowMenu"));
    show << menu;
    return bus.call(show, QDBus::Block, kAnswerMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace zolvantek::platform

#include "menu_requests.moc"
