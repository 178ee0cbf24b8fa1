#include "editors/directory_list.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace zolvantek {
namespace {

constexpr int kPathRole = Qt::UserRole;

QString LineText(const QDir& dir) {
    return dir.isRoot() ? QDir::toNativeSeparators(dir.absolutePath()) : dir.dirName();
}

}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { openLine(item); });
}

QString DirectoryList::pathOf(const QTreeWidgetItem* item) {
    return item == nullptr ? QString() : item->data(0, kPathRole).toString();
}

bool DirectoryList::setPath(const QString& directory) {
    if (directory.isEmpty()) return false;
    const QFileInfo info(directory);
    if (!info.isDir() || !QDir(info.absoluteFilePath()).isReadable()) return false;
    const QString open = QDir::cleanPath(info.absoluteFilePath());

    // The chain from the root down to the open directory, each line inside the one above.
    QList<QDir> chain;
    for (QDir dir(open);;) {
        chain.prepend(dir);
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parentLine = nullptr;
    for (const QDir& dir : chain) {
        auto* line =
            parentLine == nullptr ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parentLine);
        line->setText(0, LineText(dir));
        line->setIcon(0, openIcon);
        line->setData(0, kPathRole, QDir::toNativeSeparators(dir.absolutePath()));
        parentLine = line;
    }
    // Hidden directories stay out, as they do for the existence lookup.
    const QFileInfoList inside =
        QDir(open).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : inside) {
        auto* line = new QTreeWidgetItem(parentLine);
        line->setText(0, entry.fileName());
        line->setIcon(0, closedIcon);
        line->setData(0, kPathRole, QDir::toNativeSeparators(entry.absoluteFilePath()));
    }
    expandAll();
    setCurrentItem(parentLine);
    scrollToItem(parentLine);

    path_ = QDir::toNativeSeparators(open);
    return true;
}

void DirectoryList::openLine(QTreeWidgetItem* item) {
    const QString target = pathOf(item);
    // An unreadable directory is not opened; the list stays where it was.
    if (!target.isEmpty() && target != path_) setPath(target);
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
    // Enter opens the highlighted line here and goes no further: not to a default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openLine(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace zolvantek
