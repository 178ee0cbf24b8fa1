#include "platform/posix/host_press_point.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <atomic>
#include <cstdint>

namespace zolvantek::platform {
namespace {

constexpr char kTrayCategory[] = "qt.qpa.tray";

QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;
// Packed x and y, 0,0 until a host sends a point: the log may be written from any thread.
std::atomic<std::uint64_t> latest{0};
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
    // The press handlers log exactly "x y".
    static const QRegularExpression kPoint(QStringLiteral(R"(^(-?\d+) (-?\d+)$)"));
    const QRegularExpressionMatch point = kPoint.match(text);
    if (!point.hasMatch()) return;
    const auto x = std::uint32_t(point.captured(1).toInt());
    const auto y = std::uint32_t(point.captured(2).toInt());
    latest.store((std::uint64_t{x} << 32) | y);
}

}  // namespace

void HostPressPoint::Listen() {
    if (previousFilter != nullptr || previousHandler != nullptr) return;
    previousHandler = qInstallMessageHandler(KeepPressPoint);
    previousFilter = QLoggingCategory::installFilter(EnableTrayDebug);
}

std::optional<QPoint> HostPressPoint::Latest() {
    const std::uint64_t packed = latest.load();
    const QPoint point(int(std::int32_t(packed >> 32)), int(std::int32_t(packed & 0xffffffffU)));
    // None yet, or a host that sends no place at all and says so with 0,0.
    if (point.isNull()) return std::nullopt;
    return point;
}

}  // namespace zolvantek::platform
