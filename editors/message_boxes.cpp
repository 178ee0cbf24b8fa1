#include "editors/message_boxes.h"

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

class QtBoxes final : public MessageBoxes {
public:
    void Show(QWidget* over, const QString& text, const QString& caption) override {
        BuildMessageBox(over, text, caption)->exec();
    }
};

}  // namespace

MessageBoxes& QtMessageBoxes() {
    static QtBoxes boxes;
    return boxes;
}

}  // namespace zolvantek
