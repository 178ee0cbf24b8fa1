#pragma once

#include <QListWidget>
#include <QStringList>

namespace zolvantek {

// A list box of stored lines. Its own lines are reordered by dragging them, as the move
// buttons do; files dragged in from elsewhere (a file manager) are handed on to the editor.
class LineList : public QListWidget {
    Q_OBJECT
public:
    explicit LineList(QWidget* parent);

signals:
    // Local files dropped from outside the list, in their dropped order. Emitted while the
    // drag source waits for the drop's answer: what takes time belongs in a queued slot.
    void filesDropped(const QStringList& files);

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The row of the line this list's own drag carries, or -1 for any other drag.
    int OwnDraggedRow(const QDropEvent* event) const;
    // Where a line dropped at `point` goes: the row it is put before.
    int RowBefore(const QPoint& point) const;
};

}  // namespace zolvantek
