#include "tray/message_box.h"

#include "common/product_info.h"

namespace zolvantek {

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, const QString& caption) {
    const QString title = caption.isEmpty() ? QString::fromLatin1(kApplicationTitle) : caption;
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box->setObjectName(QStringLiteral("MessageBox"));
    // Stored names and paths are shown as they are, never read as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

void QtMessageBoxes::Show(const QString& text, const QString& caption) {
    BuildMessageBox(text, caption)->exec();
}

}  // namespace zolvantek
