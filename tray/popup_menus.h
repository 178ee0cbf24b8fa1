#pragma once

#include <QMenu>
#include <QObject>
#include <QVector>

#include "settings/launcher_lists.h"

namespace zolvantek {

// The two popup menus of the tray icon. Every item carries its design name as objectName;
// the numbered items are "mnuDir(n)" and "mnuDirP(n)", n counting from 1.
class PopupMenus : public QObject {
    Q_OBJECT
public:
    explicit PopupMenus(int itemsPerList, QObject* parent = nullptr);
    ~PopupMenus() override;

    QMenu* mnuShell() const { return mnuShell_; }
    QMenu* mnuMenuPrograms() const { return mnuMenuPrograms_; }
    QMenu* menuFor(ListKind kind) const;

    // Shows the used slots under their captions ("-" as a separator line), hides the rest.
    void ShowSlots(ListKind kind, const SlotCaptions& captions);

    // The numbered item of a slot; nullptr outside 1..itemsPerList.
    QAction* slotItem(ListKind kind, int slot) const;

signals:
    void mnuDir_Click(int Index);
    void mnuDirP_Click(int Index);
    void mnuAdd_Click();
    void mnuAddProgram_Click();
    void mnuClose_Click();
    void mnuCloseProg_Click();
    void mnuZOLVANTEK_Click();
    void mnuZOLVANTEKProg_Click();
    void mnuHelp_Click();
    void mnuHelp2_Click();

private:
    QMenu* mnuShell_;
    QMenu* mnuMenuPrograms_;
    QVector<QAction*> mnuDir_;
    QVector<QAction*> mnuDirP_;
};

}  // namespace zolvantek
