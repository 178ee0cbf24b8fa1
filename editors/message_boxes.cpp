#include "editors/message_boxes.h"

#include <QApplication>

#include "common/product_info.h"

namespace zolvantek {

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* over, const QString& text,
                                             const QString& caption) {
    const QString title = caption.isEmpty() ? QString::fromLatin1(kApplicationTitle) : caption;
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, over);
    box->setObjectName(QStringLiteral("MessageBox"));
    // Names and paths typed by the user are shown as they are, never read as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

namespace {

QMessageBox* OpenTrayBox(const QString& title, const QString& text) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box != nullptr && box->parentWidget() == nullptr && box->isVisible() &&
            box->objectName() == QLatin1String("MessageBox") && box->windowTitle() == title &&
            box->text() == text) {
            return box;
        }
    }
    return nullptr;
}

class QtBoxes final : public MessageBoxes {
public:
    void Show(QWidget* over, const QString& text, const QString& caption) override {
        std::unique_ptr<QMessageBox> box = BuildMessageBox(over, text, caption);
        if (over != nullptr) {
            // Waits, modal over its own window only: the tray icon and its menus go on
            // answering, Close included.
            box->setWindowModality(Qt::WindowModal);
            box->exec();
            return;
        }
        // The tray's own messages wait for nobody; Close closes them with the program. The
        // same message still open is brought forward rather than stacked a second time.
        QMessageBox* shown = OpenTrayBox(box->windowTitle(), text);
        if (shown == nullptr) {
            box->setWindowModality(Qt::NonModal);
            box->setAttribute(Qt::WA_DeleteOnClose);
            shown = box.release();
            shown->show();
        }
        // Chosen from the tray, it answers the keyboard at once, window manager or not.
        shown->raise();
        shown->activateWindow();
    }
};

}  // namespace

MessageBoxes& QtMessageBoxes() {
    static QtBoxes boxes;
    return boxes;
}

}  // namespace zolvantek
