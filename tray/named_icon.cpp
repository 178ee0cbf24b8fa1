#include "tray/named_icon.h"

#include <QIconEngine>
#include <QPixmap>

namespace zolvantek {
namespace {

class NamedIconEngine : public QIconEngine {
public:
    NamedIconEngine(QString name, QIcon pictures)
        : name_(std::move(name)), pictures_(std::move(pictures)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        pictures_.paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    // Sizes here are in device pixels: QIcon has already applied the scale.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pictures_.pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pictures_.actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return pictures_.availableSizes(mode, state);
    }
    QString iconName() override { return name_; }
    bool isNull() override { return pictures_.isNull(); }
    QString key() const override { return QStringLiteral("zolvantek.named"); }
    QIconEngine* clone() const override { return new NamedIconEngine(name_, pictures_); }

private:
    QString name_;
    QIcon pictures_;
};

}  // namespace

QIcon NamedIcon(const QString& themeName, const std::vector<QImage>& pictures) {
    QIcon icon;
    for (const QImage& picture : pictures) icon.addPixmap(QPixmap::fromImage(picture));
    if (themeName.isEmpty() || icon.isNull()) return icon;
    return QIcon(new NamedIconEngine(themeName, icon));
}

}  // namespace zolvantek
