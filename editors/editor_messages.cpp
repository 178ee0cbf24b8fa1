#include "editors/editor_messages.h"

#include "common/product_info.h"

namespace zolvantek {

std::unique_ptr<QMessageBox> BuildEditorMessageBox(QWidget* over, const QString& text,
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

class QtBoxes final : public EditorMessages {
public:
    void Show(QWidget* over, const QString& text, const QString& caption) override {
        BuildEditorMessageBox(over, text, caption)->exec();
    }
};

}  // namespace

EditorMessages& QtEditorMessages() {
    static QtBoxes boxes;
    return boxes;
}

}  // namespace zolvantek
