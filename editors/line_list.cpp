#include "editors/line_list.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace zolvantek {
namespace {

// Marks a drag of one of this program's lines: the list and the row it came from.
constexpr auto kLineFormat = "application/x-zolvantek-line";

QByteArray ListId(const LineList* list) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(list));
}

// Only files of this machine can be stored as a path; a drag that holds anything else is
// not taken, and the pointer says so while it is over the list.
QStringList LocalFiles(const QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return {};
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) return {};
        files << url.toLocalFile();
    }
    return files;
}

// The list only refers to the file: the source must neither move nor delete it.
void TakeAsReference(QDropEvent* event) {
    const Qt::DropActions offered = event->possibleActions();
    event->setDropAction(offered & Qt::LinkAction   ? Qt::LinkAction
                         : offered & Qt::CopyAction ? Qt::CopyAction
                                                    : event->proposedAction());
    event->accept();
}

}  // namespace

LineList::LineList(QWidget* parent) : QListWidget(parent) {
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

QMimeData* LineList::mimeData(const QList<QListWidgetItem*>& items) const {
    QMimeData* data = QListWidget::mimeData(items);
    if (data != nullptr && !items.isEmpty()) {
        data->setData(kLineFormat, ListId(this) + ':' + QByteArray::number(row(items.first())));
    }
    return data;
}

// The drop moves the line itself: the view's own drag would remove the dragged line again
// after a move.
void LineList::startDrag(Qt::DropActions /*supportedActions*/) {
    QListWidgetItem* item = currentItem();
    if (item == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData({item}));
    drag->setPixmap(viewport()->grab(visualItemRect(item)));
    drag->exec(Qt::MoveAction);
}

int LineList::OwnDraggedRow(const QDropEvent* event) const {
    const QByteArray mark = event->mimeData()->data(kLineFormat);
    const QByteArray id = ListId(this) + ':';
    if (!mark.startsWith(id)) return -1;
    bool number = false;
    const int dragged = mark.mid(id.size()).toInt(&number);
    return number && dragged >= 0 && dragged < count() ? dragged : -1;
}

int LineList::RowBefore(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid()) return count();
    return point.y() < visualRect(index).center().y() ? index.row() : index.row() + 1;
}

void LineList::dragEnterEvent(QDragEnterEvent* event) {
    if (OwnDraggedRow(event) >= 0) {
        QListWidget::dragEnterEvent(event);  // which shows where the line would go
    } else if (!LocalFiles(event).isEmpty()) {
        TakeAsReference(event);
    } else {
        event->ignore();
    }
}

void LineList::dragMoveEvent(QDragMoveEvent* event) {
    if (OwnDraggedRow(event) >= 0) {
        QListWidget::dragMoveEvent(event);
    } else if (!LocalFiles(event).isEmpty()) {
        TakeAsReference(event);
    } else {
        event->ignore();
    }
}

void LineList::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);  // the drop indicator goes
    viewport()->update();
    if (const int dragged = OwnDraggedRow(event); dragged >= 0) {
        const int before = RowBefore(event->position().toPoint());
        event->setDropAction(Qt::MoveAction);
        event->accept();
        if (before == dragged || before == dragged + 1) return;
        // The item itself moves, with the stored bytes it holds; the selection goes with it.
        QListWidgetItem* item = takeItem(dragged);
        insertItem(before > dragged ? before - 1 : before, item);
        setCurrentItem(item);
        return;
    }
    const QStringList files = LocalFiles(event);
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    TakeAsReference(event);
    emit filesDropped(files);
}

}  // namespace zolvantek
