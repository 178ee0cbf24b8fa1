#include "tray/popup_menus.h"

#include "settings/entry_line.h"

namespace zolvantek {
namespace {

QAction* AddNamedItem(QMenu* menu, const char* objectName, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(objectName));
    return action;
}

void AddNamedSeparator(QMenu* menu, const char* objectName) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(objectName));
}

struct SubmenuNames {
    const char* submenu;
    const char* add;
    const char* sep1;
    const char* close;
    const char* sep2;
    const char* about;
    const char* help;
};

QMenu* AddCommandSubmenu(QMenu* popup, const QString& title, const SubmenuNames& names) {
    QMenu* submenu = popup->addMenu(title);
    submenu->setObjectName(QString::fromLatin1(names.submenu));
    submenu->menuAction()->setObjectName(QString::fromLatin1(names.submenu));
    AddNamedItem(submenu, names.add, QStringLiteral("Add or Modify"));
    AddNamedSeparator(submenu, names.sep1);
    AddNamedItem(submenu, names.close, QStringLiteral("Close"));
    AddNamedSeparator(submenu, names.sep2);
    AddNamedItem(submenu, names.about, QStringLiteral("About ZOLVANTEK"));
    AddNamedItem(submenu, names.help, QStringLiteral("Help"));
    return submenu;
}

}  // namespace

PopupMenus::PopupMenus(int itemsPerList, QObject* parent)
    : QObject(parent), mnuShell_(new QMenu), mnuMenuPrograms_(new QMenu) {
    // The two separators in a row above each list are both drawn.
    mnuShell_->setSeparatorsCollapsible(false);
    mnuMenuPrograms_->setSeparatorsCollapsible(false);
    mnuShell_->setObjectName(QStringLiteral("mnuShell"));
    mnuShell_->setTitle(QStringLiteral("MenuMain"));
    QMenu* explorer = AddCommandSubmenu(
        mnuShell_, QStringLiteral("WINDOWS EXPLORER"),
        {"mnuExplDesc", "mnuAdd", "mnuSep1", "mnuClose", "mnusep44", "mnuZOLVANTEK", "mnuHelp"});
    AddNamedSeparator(mnuShell_, "enuSep8");
    AddNamedSeparator(mnuShell_, "mnuSep2");

    mnuMenuPrograms_->setObjectName(QStringLiteral("mnuMenuPrograms"));
    mnuMenuPrograms_->setTitle(QStringLiteral("MenuPrograms"));
    QMenu* programs =
        AddCommandSubmenu(mnuMenuPrograms_, QStringLiteral("PROGRAMS"),
                          {"mnuProgDesc(1)", "mnuAddProgram", "mnuSep3", "mnuCloseProg", "mnusep55",
                           "mnuZOLVANTEKProg", "mnuHelp2"});
    AddNamedSeparator(mnuMenuPrograms_, "mnuSep9");
    AddNamedSeparator(mnuMenuPrograms_, "mnusep4");

    for (int n = 1; n <= itemsPerList; ++n) {
        QAction* dir = mnuShell_->addAction(QStringLiteral("Dir%1").arg(n));
        dir->setObjectName(QStringLiteral("mnuDir(%1)").arg(n));
        dir->setVisible(false);
        connect(dir, &QAction::triggered, this, [this, n] { emit mnuDir_Click(n); });
        mnuDir_.append(dir);

        QAction* prog = mnuMenuPrograms_->addAction(QStringLiteral("DirP%1").arg(n));
        prog->setObjectName(QStringLiteral("mnuDirP(%1)").arg(n));
        prog->setVisible(false);
        connect(prog, &QAction::triggered, this, [this, n] { emit mnuDirP_Click(n); });
        mnuDirP_.append(prog);
    }

    const auto wire = [this](QMenu* menu, const char* name, void (PopupMenus::*signal)()) {
        QAction* action = menu->findChild<QAction*>(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, signal);
    };
    wire(explorer, "mnuAdd", &PopupMenus::mnuAdd_Click);
    wire(explorer, "mnuClose", &PopupMenus::mnuClose_Click);
    wire(explorer, "mnuZOLVANTEK", &PopupMenus::mnuZOLVANTEK_Click);
    wire(explorer, "mnuHelp", &PopupMenus::mnuHelp_Click);
    wire(programs, "mnuAddProgram", &PopupMenus::mnuAddProgram_Click);
    wire(programs, "mnuCloseProg", &PopupMenus::mnuCloseProg_Click);
    wire(programs, "mnuZOLVANTEKProg", &PopupMenus::mnuZOLVANTEKProg_Click);
    wire(programs, "mnuHelp2", &PopupMenus::mnuHelp2_Click);
}

// The menus have no parent widget (a hidden window must not own a popup's placement),
// so they are freed here.
PopupMenus::~PopupMenus() {
    delete mnuShell_;
    delete mnuMenuPrograms_;
}

QMenu* PopupMenus::menuFor(ListKind kind) const {
    return kind == ListKind::Directories ? mnuShell_ : mnuMenuPrograms_;
}

QAction* PopupMenus::slotItem(ListKind kind, int slot) const {
    const QVector<QAction*>& items = kind == ListKind::Directories ? mnuDir_ : mnuDirP_;
    return slot >= 1 && slot <= items.size() ? items[slot - 1] : nullptr;
}

void PopupMenus::ShowSlots(ListKind kind, const SlotCaptions& captions) {
    for (int slot = 1; slot <= int(captions.size()); ++slot) {
        QAction* item = slotItem(kind, slot);
        if (item == nullptr) continue;
        const auto& caption = captions[slot - 1];
        if (!caption) {
            // A free slot keeps its old caption, as the hidden item is never seen.
            item->setVisible(false);
            continue;
        }
        const bool separator = *caption == kSeparatorName;
        item->setSeparator(separator);
        // A separator with text is drawn as a titled section by some styles; and a name is
        // shown as typed: "&" is not a mnemonic marker and a tab does not start a shortcut
        // text here.
        item->setText(separator ? QString()
                                : QString::fromLocal8Bit(*caption)
                                      .replace(u'&', QStringLiteral("&&"))
                                      .replace(u'\t', u' '));
        item->setVisible(true);
    }
}

}  // namespace zolvantek
