#include "platform/popup_menu.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace zolvantek::platform {
namespace {

// Hides a menu shown as a window of its own once no window of the program has the focus:
// the press elsewhere that closes a real popup never reaches a Wayland client.
constexpr int kSettleMs = 250;

class CloseWhenFocusLeaves final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowDeactivate) {
            // Looked at once the focus has settled: a submenu taking it, or a keyboard the
            // compositor hands over anew, keeps the menu open.
            QTimer::singleShot(kSettleMs, watched, [menu = static_cast<QMenu*>(watched)] {
                if (QGuiApplication::focusWindow() == nullptr) menu->hide();
            });
        }
        return false;
    }
};

}  // namespace

void PopUpMenu(QMenu* menu, const QPoint& at) {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) return menu->popup(at);
    // A frameless window of fixed size is one a tiling compositor floats (sway centres it).
    if (menu->windowType() != Qt::Window) {
        menu->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        menu->installEventFilter(new CloseWhenFocusLeaves(menu));
    }
    menu->setFixedSize(menu->sizeHint());
    menu->popup(at);
    menu->activateWindow();
}

}  // namespace zolvantek::platform
