#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QWidget>

#include "settings/launcher_lists.h"

namespace zolvantek {

// The main window: hidden while the program works from the tray, shown as the list editor.
// It holds both lists; exactly one of them is visible while the editor is shown.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    QListWidget* listFor(ListKind kind) const;
    // Replaces the lines of one list.
    void SetLines(ListKind kind, const std::vector<std::string>& lines);

    QGroupBox* Frame1;
    QListWidget* lstPath;
    QListWidget* lstPathP;
};

}  // namespace zolvantek
