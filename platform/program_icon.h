#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/entry_icon_kind.h"

namespace zolvantek::platform {

// The icon of one menu entry, as a worker found it. Only what may cross threads: the
// GUI thread makes the QIcon.
struct EntryIcon {
    EntryIconKind kind = EntryIconKind::Generic;
    // The icon's name in the desktop's icon theme, so that a host drawing the exported menu
    // draws it from its own theme at its own scale; empty where there is none.
    QString themeName;
    // The picture at the pixel sizes asked for; empty: the toolkit's stock icon of `kind`.
    std::vector<QImage> images;
};

// Finds the icons of directory and program entries. Made on the GUI thread (it takes what
// only that thread may ask: the icon theme in use), used in a worker: a lookup may wait as
// long as the file system does, seconds on a dead network mount. One finder serves one
// round of lookups and remembers what it read for them (desktop entries, theme folders).
class EntryIconFinder {
public:
    // `sizes`: the square pixel sizes wanted, one per screen scale.
    EntryIconFinder(const QString& iconTheme, std::vector<int> sizes);
    ~EntryIconFinder();
    EntryIconFinder(const EntryIconFinder&) = delete;
    EntryIconFinder& operator=(const EntryIconFinder&) = delete;

    // The path as stored: an entry the launch would not find (platform::FindFirstEntry) is
    // Missing.
    EntryIcon Find(bool directory, const std::string& path);

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

}  // namespace zolvantek::platform
