#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace zolvantek {

inline constexpr int kTwipsPerInch = 1440;

// The window designs measure in twips; the screen's logical DPI turns them into pixels.
int TwipsToPixels(int twips, qreal dotsPerInch);

class TwipsLayout {
public:
    // At the logical DPI of the screen the window is on.
    explicit TwipsLayout(const QWidget& window);
    TwipsLayout(qreal dpiX, qreal dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

    QSize Size(int width, int height) const;
    QPoint Point(int left, int top) const;
    // Both edges are converted, so neighbouring controls neither gap nor overlap by rounding.
    QRect Rect(int left, int top, int width, int height) const;
    // Puts a control at its design place inside its container.
    void Place(QWidget* control, int left, int top, int width, int height) const;

private:
    qreal dpiX_;
    qreal dpiY_;
};

// A caption in the system's font may need more room than the design font did: widens the
// control to its text and heightens it about its centre, never past its container.
void GrowToFit(QWidget* control);

// The design fonts; where the system lacks them, the nearest sans-serif face it has.
QFont ArialFont();      // Arial 7.5 pt: windows, buttons, lists, boxes and labels
QFont SansSerifFont();  // MS Sans Serif 8.25 pt: the item dialog's frames and options

}  // namespace zolvantek
