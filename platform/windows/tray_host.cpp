#include "platform/tray_host.h"

namespace zolvantek::platform {
namespace {

// The taskbar's notification area is always there; Qt puts the icon back itself when
// Explorer restarts.
class WindowsTrayHost final : public TrayHost {
public:
    bool present() const override { return true; }
    void watch() override {}
    bool exportsIcon() const override { return false; }
    bool menuOnEveryPress() const override { return false; }
    std::optional<QPoint> takePressPoint() override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<TrayHost> MakeTrayHost() { return std::make_unique<WindowsTrayHost>(); }

bool ShowDesktopNotice(const QString&, const QString&) { return false; }

}  // namespace zolvantek::platform
