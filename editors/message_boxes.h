#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>

class QWidget;

namespace zolvantek {

// The program's messages: one OK button, no icon. A window's messages are modal over that
// window alone; the tray's own (no window) block nothing, so the icon keeps answering.
// Tests put a recorder in its place so that no box waits for a person.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // An empty caption means the application title; several lines come joined by line feeds.
    virtual void Show(QWidget* over, const QString& text, const QString& caption = QString()) = 0;
};

// The box as it is shown.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* over, const QString& text,
                                             const QString& caption);

// The real boxes.
MessageBoxes& QtMessageBoxes();

}  // namespace zolvantek
