#include "platform/popup_menu.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace zolvantek::platform {
namespace {

// Hides a menu shown as a window of its own once no window of the program has the focus:
// the press elsewhere that closes a real popup never reaches a Wayland client.
constexpr int kPopupSettleMs = 250;

class CloseWhenFocusLeaves final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowDeactivate) {
            // Looked at once the focus has settled: a submenu taking it, or a keyboard the
            // compositor hands over anew, keeps the menu open.
            QTimer::singleShot(kPopupSettleMs, watched, [menu = static_cast<QMenu*>(watched)] {
                if (QGuiApplication::focusWindow() == nullptr) menu->hide();
            });
        }
        return false;
    }
};

}  // namespace

void PopUpMenu(QMenu* menu, const QPoint& at) {
    if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) return menu->popup(at);
    // A frameless tool window of fixed size is one the compositor focuses, mutter puts where
    // it asks to be (at the icon), and sway floats (in the middle). A popup would get no
    // keys: the pressed window is the panel's.
    if (menu->windowType() != Qt::Tool) {
        menu->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        menu->installEventFilter(new CloseWhenFocusLeaves(menu));
        // A menu that is no popup is not closed by a choice of Qt's own.
        QObject::connect(menu, &QMenu::triggered, menu, &QMenu::hide);
    }
    menu->setFixedSize(menu->sizeHint());
    menu->popup(at);
    menu->activateWindow();
}

}  // namespace zolvantek::platform
