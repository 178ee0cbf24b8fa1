#include "editors/twips_layout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace zolvantek {
namespace {

constexpr int kTwipsPerInch = 1440;
// The least room kept between a widened control and what lies beside it.
constexpr int kMinimumGap = 4;

int Pixels(int twips, qreal dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

// Both edges are converted, so neighbouring controls neither gap nor overlap by rounding.
QRect PixelRect(const QWidget& window, const ControlPlace& place) {
    const qreal dpiX = window.logicalDpiX();
    const qreal dpiY = window.logicalDpiY();
    const QPoint topLeft(Pixels(place.left, dpiX), Pixels(place.top, dpiY));
    const QPoint bottomRight(Pixels(place.left + place.width, dpiX),
                             Pixels(place.top + place.height, dpiY));
    return {topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())};
}

// The width the control's caption needs; 0 for controls without one.
int CaptionWidth(const QWidget& control) {
    if (auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->text().isEmpty() ? 0 : label->fontMetrics().horizontalAdvance(label->text());
    }
    // Radio and check boxes need their indicator beside the text, which their hint counts.
    if (qobject_cast<const QRadioButton*>(&control) || qobject_cast<const QCheckBox*>(&control)) {
        return control.sizeHint().width();
    }
    // A push button's hint has a minimum width of the style's; only the text must fit.
    if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        return button->text().isEmpty()
                   ? 0
                   : button->fontMetrics().horizontalAdvance(button->text()) + 2 * kMinimumGap;
    }
    return 0;
}

bool SameBand(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

// Widens a control; what lies right of it in the same band moves along as far as it must,
// and its container grows when its children no longer fit.
void Widen(QWidget& control, int extra) {
    if (extra <= 0) return;
    if (control.isWindow()) {
        control.setFixedSize(control.width() + extra, control.height());
        return;
    }
    const QRect before = control.geometry();
    control.resize(before.width() + extra, before.height());
    QWidget* container = control.parentWidget();
    int rightmostBefore = 0;
    int rightmostAfter = 0;
    for (QWidget* sibling : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling->isWindow()) continue;
        QRect place = sibling->geometry();
        rightmostBefore =
            std::max(rightmostBefore, sibling == &control ? before.right() + 1 : place.right() + 1);
        if (sibling != &control && place.left() > before.right() && SameBand(place, before)) {
            const int gap = std::min(place.left() - before.right() - 1, kMinimumGap);
            const int shift = control.geometry().right() + 1 + gap - place.left();
            if (shift > 0) sibling->move(place.x() + shift, place.y());
        }
        rightmostAfter = std::max(rightmostAfter, sibling->geometry().right() + 1);
    }
    // The container keeps the room it had on its right, at least a little, at most a gap.
    const int room = std::clamp(container->width() - rightmostBefore, 2, kMinimumGap * 2);
    Widen(*container, rightmostAfter + room - container->width());
}

// Heightens a control about its centre to the height its caption needs, never above the
// container's top.
void Heighten(QWidget& control) {
    const int wanted = control.sizeHint().height();
    QRect place = control.geometry();
    if (wanted <= place.height()) return;
    const int grow = wanted - place.height();
    place.adjust(0, -grow / 2, 0, grow - grow / 2);
    if (place.top() < 0) place.moveTop(0);
    control.setGeometry(place);
}

QFont DesignFont(const QStringList& families, qreal points) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

}  // namespace

void ApplyDesign(QWidget& window, const WindowDesign& design) {
    const QRect frame =
        PixelRect(window, {"", design.left, design.top, design.width, design.height});
    window.setFixedSize(frame.size());
    window.move(frame.topLeft());
    for (const ControlPlace& place : design.controls) {
        auto* control = window.findChild<QWidget*>(QString::fromLatin1(place.name));
        if (control != nullptr) control->setGeometry(PixelRect(window, place));
    }
    for (const ControlPlace& place : design.controls) {
        auto* control = window.findChild<QWidget*>(QString::fromLatin1(place.name));
        if (control == nullptr) continue;
        Widen(*control, CaptionWidth(*control) - control->width());
        // Push buttons keep their designed height; their frame is drawn to fit it.
        if (qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control) ||
            qobject_cast<QCheckBox*>(control)) {
            Heighten(*control);
        }
    }
}

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
