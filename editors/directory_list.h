#pragma once

#include <QString>
#include <QTreeWidget>

namespace zolvantek {

// A directory list: the open directory under the directories above it, and the directories
// in it below. A click only highlights a line; a double click or Enter opens it.
class DirectoryList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent = nullptr);

    // The open directory as a full path in the system's own notation; empty before any opened.
    QString path() const { return path_; }
    // Opens a directory; false, with nothing changed, when it is not a readable directory.
    bool setPath(const QString& directory);

    // The full path a line stands for.
    static QString pathOf(const QTreeWidgetItem* item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Every line above the open one is always open: no expand or collapse marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void openLine(QTreeWidgetItem* item);

    QString path_;
};

}  // namespace zolvantek
