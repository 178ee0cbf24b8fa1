#include "platform/settings_watch.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "platform/posix/ini_store.h"

namespace zolvantek::platform {
namespace {

constexpr int kWriteSettleMs = 200;

class SettingsFileWatch final : public SettingsWatch {
public:
    explicit SettingsFileWatch(QString file) : file_(std::move(file)) {
        // An editor writes in several steps; one reload after it is done is enough.
        settle_.setSingleShot(true);
        settle_.setInterval(kWriteSettleMs);
        connect(&settle_, &QTimer::timeout, this, [this] {
            Rewatch();
            emit changed();
        });
        connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
        connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
                qOverload<>(&QTimer::start));
        Rewatch();
    }

private:
    // Saves (ours and most editors') replace the file, and its watch goes with the old one;
    // the folder's watch sees the new file come. On a first run the folder is made here, so
    // that a file written into it later is seen too.
    void Rewatch() {
        const QString folder = QFileInfo(file_).absolutePath();
        if (watcher_.directories().isEmpty() && QDir().mkpath(folder)) watcher_.addPath(folder);
        if (!watcher_.files().contains(file_) && QFileInfo::exists(file_)) watcher_.addPath(file_);
    }

    const QString file_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace

std::unique_ptr<SettingsWatch> WatchUserSettings(const std::string& keyPath) {
    const std::optional<QString> file = IniFileFor(keyPath);
    if (!file) return std::make_unique<SettingsWatch>();
    return std::make_unique<SettingsFileWatch>(*file);
}

}  // namespace zolvantek::platform
