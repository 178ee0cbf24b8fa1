#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace zolvantek {

// The open-file dialog of the "..." buttons. Tests put a stand-in in its place.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen file's full path, or nothing when the person cancelled. A typed name
    // without an extension gets `defaultSuffix` when that is not empty.
    virtual std::optional<QString> ChooseFile(QWidget* over, const QString& title,
                                              const QStringList& filters,
                                              const QString& defaultSuffix) = 0;
};

// The dialog as it is shown: an existing file, the filters in order, the first one chosen.
std::unique_ptr<QFileDialog> BuildOpenFileDialog(QWidget* over, const QString& title,
                                                 const QStringList& filters,
                                                 const QString& defaultSuffix);

// The real dialog.
FileChooser& QtFileChooser();

}  // namespace zolvantek
