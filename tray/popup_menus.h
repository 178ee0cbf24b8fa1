#pragma once

#include <QMenu>
#include <QVector>

#include "settings/launcher_lists.h"

namespace zolvantek {

// The fixed commands of one popup's submenu.
struct CommandItems {
    QAction* add = nullptr;
    QAction* close = nullptr;
    QAction* about = nullptr;
    QAction* help = nullptr;
};

// The two popup menus of the tray icon. Every item carries its design name as objectName;
// the numbered items are "mnuDir(n)" and "mnuDirP(n)", n counting from 1.
class PopupMenus {
public:
    explicit PopupMenus(int itemsPerList);
    ~PopupMenus();
    PopupMenus(const PopupMenus&) = delete;
    PopupMenus& operator=(const PopupMenus&) = delete;

    QMenu* mnuShell() const { return mnuShell_; }
    QMenu* mnuMenuPrograms() const { return mnuMenuPrograms_; }
    const CommandItems& explorerCommands() const { return explorer_; }
    const CommandItems& programCommands() const { return programs_; }

    // The menu a host that draws the icon's menu itself shows. Where the host shows it on
    // every press (so a press cannot pick the list), it leads to both lists: WINDOWS
    // EXPLORER's items, then PROGRAMS as a submenu. Both share the popups' items, so they
    // change with them.
    QMenu* exportedMenu(bool bothLists);

    // Shows the used slots under their captions ("-" as a separator line), hides the rest.
    void ShowSlots(ListKind kind, const SlotCaptions& captions);

    // The numbered item of a slot; nullptr outside 1..itemsPerList.
    QAction* slotItem(ListKind kind, int slot) const;

    // Polishes both popups and their submenus and makes their windows ahead of the first
    // press.
    void Prepare();

private:
    QMenu* mnuShell_;
    QMenu* mnuMenuPrograms_;
    QMenu* bothLists_ = nullptr;
    CommandItems explorer_;
    CommandItems programs_;
    QVector<QAction*> mnuDir_;
    QVector<QAction*> mnuDirP_;
};

}  // namespace zolvantek
