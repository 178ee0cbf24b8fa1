#include "tray/tray_icon_image.h"

#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

// The icons are linked in from a static library, where rcc's initializer must be named.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace zolvantek {
namespace {

constexpr int kSizes[] = {16, 32};

// Asking Qt's icon theme loads the theme's whole index (most of a MiB for a program that
// else holds a few KiB); where it was installed is a few file lookups.
bool InstalledInHicolor(const QString& name) {
    for (const char* place : {"scalable/apps/%1.svg", "48x48/apps/%1.png", "32x32/apps/%1.png",
                              "256x256/apps/%1.png", "16x16/apps/%1.png"}) {
        const QString file =
            QStringLiteral("icons/hicolor/") + QString::fromLatin1(place).arg(name);
        if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation, file).isEmpty()) {
            return true;
        }
    }
    return false;
}

QPixmap Outlined(const QPixmap& source) {
    // The shape, shifted one pixel each way in a light tone, under the picture itself.
    QPixmap halo(source.size());
    halo.fill(Qt::transparent);
    {
        QPainter painter(&halo);
        painter.drawPixmap(0, 0, source);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(halo.rect(), QColor(255, 255, 255, 200));
    }
    QPixmap result(source.size());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) painter.drawPixmap(dx, dy, halo);
        }
    }
    painter.drawPixmap(0, 0, source);
    return result;
}

}  // namespace

QIcon BinocularsIcon() {
    InitResources();
    QIcon icon;
    for (int size : kSizes) {
        icon.addFile(QStringLiteral(":/zolvantek/binoculars-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon ExportedTrayIconImage() {
    const QString name = QString::fromLatin1(kIconThemeName);
    return InstalledInHicolor(name) ? QIcon::fromTheme(name, TrayIconImage()) : TrayIconImage();
}

QIcon TrayIconImage() {
    InitResources();
    QIcon icon;
    for (int size : kSizes) {
        icon.addPixmap(
            Outlined(QPixmap(QStringLiteral(":/zolvantek/binoculars-%1.png").arg(size))));
    }
    return icon;
}

}  // namespace zolvantek
