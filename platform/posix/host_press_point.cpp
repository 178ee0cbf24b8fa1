#include "platform/posix/host_press_point.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

namespace zolvantek::platform {
namespace {

constexpr char kTrayCategory[] = "qt.qpa.tray";

QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;
// The latest point and whether it is still to be taken: the log may be written from any
// thread.
std::mutex pointLock;
std::optional<QPoint> pending;
std::atomic<bool> heard{false};
// The user's own logging rules asked for the tray's debug lines: they are passed on.
std::atomic<bool> userWantsTrayDebug{false};

bool IsTrayCategory(const char* name) { return qstrcmp(name, kTrayCategory) == 0; }

void EnableTrayDebug(QLoggingCategory* category) {
    if (previousFilter != nullptr) previousFilter(category);
    if (!IsTrayCategory(category->categoryName())) return;
    userWantsTrayDebug = category->isDebugEnabled();
    category->setEnabled(QtDebugMsg, true);
}

void KeepPressPoint(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool trayDebug =
        type == QtDebugMsg && context.category != nullptr && IsTrayCategory(context.category);
    if ((!trayDebug || userWantsTrayDebug) && previousHandler != nullptr) {
        previousHandler(type, context, text);
    }
    if (!trayDebug) return;
    heard = true;
    // The press handlers log exactly "x y".
    static const QRegularExpression kPoint(QStringLiteral(R"(^(-?\d+) (-?\d+)$)"));
    const QRegularExpressionMatch point = kPoint.match(text);
    if (!point.hasMatch()) return;
    const std::lock_guard<std::mutex> lock(pointLock);
    pending = QPoint(point.captured(1).toInt(), point.captured(2).toInt());
}

}  // namespace

void HostPressPoint::Listen() {
    if (previousFilter != nullptr || previousHandler != nullptr) return;
    previousHandler = qInstallMessageHandler(KeepPressPoint);
    previousFilter = QLoggingCategory::installFilter(EnableTrayDebug);
}

std::optional<QPoint> HostPressPoint::Take() {
    const std::lock_guard<std::mutex> lock(pointLock);
    return std::exchange(pending, std::nullopt);
}

bool HostPressPoint::Heard() { return heard; }

}  // namespace zolvantek::platform
