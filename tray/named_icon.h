#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <vector>

namespace zolvantek {

// An icon drawn from ready pictures that still answers QIcon::name() with its name in the
// icon theme. Qt exports a menu item's icon to a tray host by that name when it has one
// (the host then draws it from its own theme at its own scale), else as a 16 pixel PNG.
// Qt's own theme icons would give the name too, but load the theme's whole index.
QIcon NamedIcon(const QString& themeName, const std::vector<QImage>& pictures);

}  // namespace zolvantek
