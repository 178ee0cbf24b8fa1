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

CommandItems AddCommandSubmenu(QMenu* popup, const QString& title, const SubmenuNames& names) {
    QMenu* submenu = popup->addMenu(title);
    submenu->setObjectName(QString::fromLatin1(names.submenu));
    submenu->menuAction()->setObjectName(QString::fromLatin1(names.submenu));
    CommandItems items;
    items.add = AddNamedItem(submenu, names.add, QStringLiteral("Add or Modify"));
    AddNamedSeparator(submenu, names.sep1);
    items.close = AddNamedItem(submenu, names.close, QStringLiteral("Close"));
    AddNamedSeparator(submenu, names.sep2);
    items.about = AddNamedItem(submenu, names.about, QStringLiteral("About ZOLVANTEK"));
    items.help = AddNamedItem(submenu, names.help, QStringLiteral("Help"));
    return items;
}

QMenu* NewMenu(const char* objectName, const QString& title) {
    auto* menu = new QMenu;
    // The two separators in a row above each list are both drawn.
    menu->setSeparatorsCollapsible(false);
    menu->setObjectName(QString::fromLatin1(objectName));
    menu->setTitle(title);
    return menu;
}

// The style and the native windows are made before the first press, for a few KiB. The
// menu font is not: it would take two more milliseconds off the first press but hold two
// MiB all day (fontconfig's configuration, FreeType, the font file), so that press loads it.
void PrepareWindows(QMenu* menu) {
    menu->ensurePolished();
    menu->winId();
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr) PrepareWindows(action->menu());
    }
}

}  // namespace

PopupMenus::PopupMenus(int itemsPerList)
    : mnuShell_(NewMenu("mnuShell", QStringLiteral("MenuMain"))),
      mnuMenuPrograms_(NewMenu("mnuMenuPrograms", QStringLiteral("MenuPrograms"))) {
    explorer_ = AddCommandSubmenu(
        mnuShell_, QStringLiteral("WINDOWS EXPLORER"),
        {"mnuExplDesc", "mnuAdd", "mnuSep1", "mnuClose", "mnusep44", "mnuZOLVANTEK", "mnuHelp"});
    AddNamedSeparator(mnuShell_, "enuSep8");
    AddNamedSeparator(mnuShell_, "mnuSep2");

    programs_ = AddCommandSubmenu(mnuMenuPrograms_, QStringLiteral("PROGRAMS"),
                                  {"mnuProgDesc(1)", "mnuAddProgram", "mnuSep3", "mnuCloseProg",
                                   "mnusep55", "mnuZOLVANTEKProg", "mnuHelp2"});
    AddNamedSeparator(mnuMenuPrograms_, "mnuSep9");
    AddNamedSeparator(mnuMenuPrograms_, "mnusep4");

    for (int n = 1; n <= itemsPerList; ++n) {
        QAction* dir = mnuShell_->addAction(QStringLiteral("Dir%1").arg(n));
        dir->setObjectName(QStringLiteral("mnuDir(%1)").arg(n));
        dir->setVisible(false);
        mnuDir_.append(dir);

        QAction* prog = mnuMenuPrograms_->addAction(QStringLiteral("DirP%1").arg(n));
        prog->setObjectName(QStringLiteral("mnuDirP(%1)").arg(n));
        prog->setVisible(false);
        mnuDirP_.append(prog);
    }
}

// The menus have no parent widget (a hidden window must not own a popup's placement),
// so they are freed here.
PopupMenus::~PopupMenus() {
    delete bothLists_;
    delete mnuShell_;
    delete mnuMenuPrograms_;
}

QMenu* PopupMenus::exportedMenu(bool bothLists) {
    if (!bothLists) return mnuShell_;
    if (bothLists_ == nullptr) {
        bothLists_ = NewMenu("mnuBothLists", QStringLiteral("MenuBoth"));
        bothLists_->addActions(mnuShell_->actions());
        bothLists_->addSeparator()->setObjectName(QStringLiteral("mnuBothSep"));
        QMenu* programs = bothLists_->addMenu(QStringLiteral("PROGRAMS"));
        programs->setObjectName(QStringLiteral("mnuBothPrograms"));
        programs->setSeparatorsCollapsible(false);
        programs->addActions(mnuMenuPrograms_->actions());
    }
    return bothLists_;
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

void PopupMenus::Prepare() {
    PrepareWindows(mnuShell_);
    PrepareWindows(mnuMenuPrograms_);
}

}  // namespace zolvantek
