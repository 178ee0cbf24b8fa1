#pragma once

#include <QIcon>
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/program_icon.h"
#include "settings/launcher_lists.h"
#include "tray/popup_menus.h"

namespace zolvantek {

// Puts each entry's icon on its menu item: a folder, the program's own, or the warning sign
// of an entry that is not there. The icons are found in a worker thread, never on the way
// of a start or a press (a path on a dead network mount can hold a lookup for minutes);
// until an entry's icon is found its item shows none.
class MenuIcons : public QObject {
    Q_OBJECT
public:
    // One entry's lookup, run in the worker.
    using Lookup = std::function<platform::EntryIcon(bool directory, const std::string& path)>;
    // Made on the GUI thread for each round of lookups.
    using LookupMaker = std::function<Lookup()>;

    MenuIcons(PopupMenus& menus, CRegSettings& settings, int itemsPerList,
              LookupMaker makeLookup = SystemLookup(), QObject* parent = nullptr);
    ~MenuIcons() override;

    // The list as stored now: each item shows the icon last found for its entry at once,
    // and every entry is looked up again (it may have come or gone since). Before Start(),
    // only noted.
    void Follow(ListKind kind);
    // Lookups wait until this is called: not before the tray icon is on the screen.
    void Start();

    // The kind of icon slot `slot`'s item shows; nothing while none is found.
    std::optional<platform::EntryIconKind> shownKind(ListKind kind, int slot) const;
    // Whether any lookup is still under way.
    bool busy() const { return !inFlight_.empty(); }

    // The platform's finder, asked for the icon theme in use and the sizes of the screens.
    static LookupMaker SystemLookup();

signals:
    // From the worker: one entry's icon, found.
    void lookedUp(const std::string& key, const zolvantek::platform::EntryIcon& found);

private:
    struct Shown {
        platform::EntryIconKind kind;
        QIcon icon;
    };
    struct Channel;

    void Found(const std::string& key, const platform::EntryIcon& found);
    void LookUp(std::set<std::string> keys);
    static void LookUpEach(Channel& channel, Lookup lookup, std::set<std::string> keys);
    QIcon IconFor(const platform::EntryIcon& found);

    PopupMenus& menus_;
    CRegSettings& settings_;
    int itemsPerList_;
    LookupMaker makeLookup_;
    bool started_ = false;
    // Per list, the entry of each slot ("D" or "P" and the path; empty for none).
    std::map<ListKind, std::vector<std::string>> slotKeys_;
    std::map<std::string, Shown> found_;
    std::set<ListKind> unread_;
    std::set<std::string> inFlight_;
    // One icon per picture: twenty folders share one.
    std::map<qint64, QIcon> icons_;
    std::map<platform::EntryIconKind, QIcon> stock_;
    std::shared_ptr<Channel> channel_;
};

}  // namespace zolvantek
