#include "platform/popup_menu.h"

#include <QMenu>

namespace zolvantek::platform {

void PopUpMenu(QMenu* menu, const QPoint& at) { menu->popup(at); }

}  // namespace zolvantek::platform
