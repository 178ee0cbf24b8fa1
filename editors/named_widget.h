#pragma once

#include <QString>
#include <QWidget>
#include <initializer_list>

namespace zolvantek {

// A control under its design name, which is also its objectName: tests and the design
// tables find it by that name. The designed names (Command4, Option3, ...) are kept, odd
// as some are, so the code, the tests and the window designs speak of the same control.
template <typename W>
W* Named(const char* name, const char* caption, QWidget* parent) {
    auto* widget = new W(QString::fromLatin1(caption), parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Tab order as listed.
inline void SetTabOrder(QWidget* window, std::initializer_list<QWidget*> order) {
    const QWidget* previous = nullptr;
    for (QWidget* next : order) {
        if (previous != nullptr) window->setTabOrder(const_cast<QWidget*>(previous), next);
        previous = next;
    }
}

}  // namespace zolvantek
