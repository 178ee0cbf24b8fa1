#include "tray/menu_icons.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "settings/entry_line.h"
#include "tray/named_icon.h"

namespace zolvantek {

// What a worker shares with this object: it hands its answers on only while the object
// lives, so a worker held up past the end of the menus finds nobody to answer.
struct MenuIcons::Channel {
    std::mutex mutex;
    MenuIcons* owner = nullptr;
    int running = 0;  // workers not yet done with their lookup and its data
    std::condition_variable finished;
};

namespace {

constexpr char kDirectoryKey = 'D';
constexpr char kProgramKey = 'P';

QStyle::StandardPixmap StockPixmap(platform::EntryIconKind kind) {
    switch (kind) {
        case platform::EntryIconKind::Folder:
            return QStyle::SP_DirIcon;
        case platform::EntryIconKind::Missing:
            return QStyle::SP_MessageBoxWarning;
        default:
            return QStyle::SP_FileIcon;
    }
}

}  // namespace

MenuIcons::MenuIcons(PopupMenus& menus, CRegSettings& settings, int itemsPerList,
                     LookupMaker makeLookup, QObject* parent)
    : QObject(parent),
      menus_(menus),
      settings_(settings),
      itemsPerList_(itemsPerList),
      makeLookup_(std::move(makeLookup)),
      channel_(std::make_shared<Channel>()) {
    channel_->owner = this;
    connect(this, &MenuIcons::lookedUp, this, &MenuIcons::Found, Qt::QueuedConnection);
}

MenuIcons::~MenuIcons() {
    std::unique_lock lock(channel_->mutex);
    channel_->owner = nullptr;
    // A worker still running as the program ends could touch what its exit tears down: one
    // about to finish is waited for, one held by a dead mount is not.
    channel_->finished.wait_for(lock, std::chrono::seconds(2),
                                [this] { return channel_->running == 0; });
}

MenuIcons::LookupMaker MenuIcons::SystemLookup() {
    return [] {
        // One picture for each scale a screen has now.
        const int base = QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize);
        std::set<int> sizes{base};
        for (const QScreen* screen : QGuiApplication::screens()) {
            sizes.insert(qRound(base * screen->devicePixelRatio()));
        }
        auto finder = std::make_shared<platform::EntryIconFinder>(
            QIcon::themeName(), std::vector<int>(sizes.begin(), sizes.end()));
        return [finder](bool directory, const std::string& path) {
            return finder->Find(directory, path);
        };
    };
}

void MenuIcons::Follow(ListKind kind) {
    // Before the tray icon is up the store is not read again: start-up pays nothing here.
    if (!started_) {
        unread_.insert(kind);
        return;
    }
    std::vector<std::string> names;
    for (int slot = 1; slot <= itemsPerList_; ++slot) names.push_back(SlotValueName(kind, slot));
    const std::vector<std::string> lines = settings_.GetSettings(kListSection, names, "");
    std::vector<std::string>& keys = slotKeys_[kind];
    std::set<std::string> wanted;
    keys.assign(lines.size(), std::string());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        QAction* item = menus_.slotItem(kind, int(i) + 1);
        if (item == nullptr) continue;
        const std::optional<EntryFields> fields = SplitEntryLine(lines[i]);
        if (lines[i].empty() || MenuCaption(lines[i]) == kSeparatorName) {
            item->setIcon(QIcon());
            continue;
        }
        // A line that does not split gives the launch's message, as a missing path does: its
        // empty path is found nowhere.
        keys[i] = (kind == ListKind::Directories ? kDirectoryKey : kProgramKey) +
                  (fields ? fields->path : std::string());
        const auto shown = found_.find(keys[i]);
        item->setIcon(shown != found_.end() ? shown->second.icon : QIcon());
        if (!inFlight_.contains(keys[i])) wanted.insert(keys[i]);
    }

    // What no list names any more is let go.
    std::set<std::string> named;
    for (const auto& [list, slotKeys] : slotKeys_) named.insert(slotKeys.begin(), slotKeys.end());
    std::erase_if(found_, [&](const auto& entry) { return !named.contains(entry.first); });
    std::set<qint64> inUse;
    for (const auto& [key, shown] : found_) inUse.insert(shown.icon.cacheKey());
    std::erase_if(icons_,
                  [&](const auto& icon) { return !inUse.contains(icon.second.cacheKey()); });

    LookUp(std::move(wanted));
}

void MenuIcons::Start() {
    started_ = true;
    for (ListKind kind : std::exchange(unread_, {})) Follow(kind);
}

void MenuIcons::LookUp(std::set<std::string> keys) {
    if (keys.empty()) return;
    inFlight_.insert(keys.begin(), keys.end());
    // Not joined: a lookup may never come back from a dead mount, and the program must
    // still be able to end.
    {
        const std::lock_guard lock(channel_->mutex);
        ++channel_->running;
    }
    std::thread([channel = channel_, lookup = makeLookup_(), keys = std::move(keys)]() mutable {
        LookUpEach(*channel, std::move(lookup), std::move(keys));
        const std::lock_guard lock(channel->mutex);
        --channel->running;
        channel->finished.notify_all();
    }).detach();
}

// The worker's round; its lookup (and what that holds) goes when it returns.
void MenuIcons::LookUpEach(Channel& channel, Lookup lookup, std::set<std::string> keys) {
    for (const std::string& key : keys) {
        const platform::EntryIcon found = lookup(key.front() == kDirectoryKey, key.substr(1));
        const std::lock_guard lock(channel.mutex);
        if (channel.owner == nullptr) return;
        emit channel.owner->lookedUp(key, found);
    }
}

void MenuIcons::Found(const std::string& key, const platform::EntryIcon& found) {
    inFlight_.erase(key);
    const Shown shown{found.kind, IconFor(found)};
    found_[key] = shown;
    for (const auto& [kind, keys] : slotKeys_) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] != key) continue;
            if (QAction* item = menus_.slotItem(kind, int(i) + 1)) item->setIcon(shown.icon);
        }
    }
}

QIcon MenuIcons::IconFor(const platform::EntryIcon& found) {
    if (found.images.empty()) {
        auto [stock, made] = stock_.try_emplace(found.kind);
        if (made) stock->second = QApplication::style()->standardIcon(StockPixmap(found.kind));
        return stock->second;
    }
    // Twenty entries of one folder, or of one program, show one icon.
    const QImage& first = found.images.front();
    const qint64 key = qint64(
        qHashBits(first.constBits(), std::size_t(first.sizeInBytes()), qHash(found.themeName)));
    auto [icon, made] = icons_.try_emplace(key);
    if (made) icon->second = NamedIcon(found.themeName, found.images);
    return icon->second;
}

std::optional<platform::EntryIconKind> MenuIcons::shownKind(ListKind kind, int slot) const {
    const auto keys = slotKeys_.find(kind);
    if (keys == slotKeys_.end() || slot < 1 || slot > int(keys->second.size())) return {};
    const auto shown = found_.find(keys->second[slot - 1]);
    if (shown == found_.end()) return {};
    return shown->second.kind;
}

}  // namespace zolvantek
