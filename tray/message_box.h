#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>

namespace zolvantek {

// The program's messages: one OK button, no icon, modal; returns when the box is closed.
// Tests put a recorder in its place so that no box waits for a person.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // An empty caption means the application title, "ZOLVANTEK". Several lines come joined
    // by line feeds alone.
    virtual void Show(const QString& text, const QString& caption = QString()) = 0;
};

// The box as it will be shown, for Show and for tests that look at it.
std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, const QString& caption);

class QtMessageBoxes final : public MessageBoxes {
public:
    void Show(const QString& text, const QString& caption = QString()) override;
};

}  // namespace zolvantek
