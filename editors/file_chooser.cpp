#include "editors/file_chooser.h"

#include <QDir>

namespace zolvantek {

std::unique_ptr<QFileDialog> BuildOpenFileDialog(QWidget* over, const QString& title,
                                                 const QStringList& filters,
                                                 const QString& defaultSuffix) {
    auto dialog = std::make_unique<QFileDialog>(over, title);
    dialog->setObjectName(QStringLiteral("CDAdd"));
    // Modal over the item dialog alone, so the tray icon keeps answering.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(defaultSuffix);
    return dialog;
}

namespace {

class QtChooser final : public FileChooser {
public:
    std::optional<QString> ChooseFile(QWidget* over, const QString& title,
                                      const QStringList& filters,
                                      const QString& defaultSuffix) override {
        const std::unique_ptr<QFileDialog> dialog =
            BuildOpenFileDialog(over, title, filters, defaultSuffix);
        if (dialog->exec() != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog->selectedFiles();
        if (chosen.isEmpty()) return std::nullopt;
        return QDir::toNativeSeparators(chosen.first());
    }
};

}  // namespace

FileChooser& QtFileChooser() {
    static QtChooser chooser;
    return chooser;
}

}  // namespace zolvantek
