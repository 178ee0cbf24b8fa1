#include "editors/twips_layout.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace zolvantek {

int TwipsToPixels(int twips, qreal dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

TwipsLayout::TwipsLayout(const QWidget& window)
    : dpiX_(window.logicalDpiX()), dpiY_(window.logicalDpiY()) {}

QSize TwipsLayout::Size(int width, int height) const {
    return {TwipsToPixels(width, dpiX_), TwipsToPixels(height, dpiY_)};
}

QPoint TwipsLayout::Point(int left, int top) const {
    return {TwipsToPixels(left, dpiX_), TwipsToPixels(top, dpiY_)};
}

QRect TwipsLayout::Rect(int left, int top, int width, int height) const {
    const QPoint topLeft = Point(left, top);
    const QPoint bottomRight = Point(left + width, top + height);
    return {topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())};
}

void TwipsLayout::Place(QWidget* control, int left, int top, int width, int height) const {
    control->setGeometry(Rect(left, top, width, height));
}

void GrowToFit(QWidget* control) {
    const QSize wanted = control->sizeHint();
    QRect place = control->geometry();
    const QWidget* container = control->parentWidget();
    const int maxRight = container ? container->width() - 2 : place.right();
    if (wanted.width() > place.width()) {
        place.setWidth(std::min(wanted.width(), std::max(place.width(), maxRight - place.x())));
    }
    if (wanted.height() > place.height()) {
        const int grow = wanted.height() - place.height();
        place.adjust(0, -grow / 2, 0, grow - grow / 2);
        if (place.top() < 0) place.moveTop(0);
    }
    control->setGeometry(place);
}

namespace {

QFont DesignFont(const QStringList& families, qreal points) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

}  // namespace

QFont ArialFont() {
    return DesignFont(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}, 7.5);
}

QFont SansSerifFont() {
    // Arial's metric twins keep the option captions inside their designed widths.
    return DesignFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                       QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
                      8.25);
}

}  // namespace zolvantek
