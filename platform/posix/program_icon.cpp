#include "platform/program_icon.h"

#include <QImageReader>
#include <algorithm>
#include <map>
#include <optional>

#include "platform/posix/icon_lookup.h"

namespace zolvantek::platform {
namespace {

// The files an image of `size` pixels is best made from, best first: that size itself, a
// scalable one, a larger one drawn smaller, then a smaller one drawn larger.
int Rank(const IconFile& file, int size) {
    if (file.size == size && !file.scalable) return 0;
    if (file.scalable) return 1;
    if (file.size > size) return 2 + file.size - size;
    if (file.size == 0) return 5000;
    return 10000 + size - file.size;
}

QImage Picture(const std::vector<IconFile>& files, int size, const QList<QByteArray>& formats) {
    std::vector<const IconFile*> order;
    for (const IconFile& file : files) {
        const auto dot = file.path.rfind('.');
        const QByteArray format = QByteArray::fromStdString(file.path.substr(dot + 1)).toLower();
        if (dot != std::string::npos && formats.contains(format)) order.push_back(&file);
    }
    std::stable_sort(order.begin(), order.end(), [size](const IconFile* a, const IconFile* b) {
        return Rank(*a, size) < Rank(*b, size);
    });
    for (const IconFile* file : order) {
        QImageReader reader(QString::fromStdString(file->path));
        if (file->scalable) reader.setScaledSize(QSize(size, size));
        QImage image = reader.read();
        if (image.isNull()) continue;
        if (image.width() != size && image.height() != size) {
            image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return {};
}

}  // namespace

struct EntryIconFinder::Data {
    std::string theme;
    std::string home;
    std::vector<std::string> dataDirs;
    std::vector<int> sizes;
    // Read in the worker, on the first lookup.
    std::optional<IconThemes> themes;
    std::optional<DesktopPrograms> programs;
    QList<QByteArray> formats;
    // The images made from each set of files: twenty folders are one picture.
    std::map<std::string, std::vector<QImage>> pictures;
};

// Where the desktop names no theme (Qt then says hicolor, the fallback of all), the entries
// look as GTK programs draw them there: from GTK's default theme.
EntryIconFinder::EntryIconFinder(const QString& iconTheme, std::vector<int> sizes)
    : d_(new Data{iconTheme.isEmpty() || iconTheme == QLatin1String("hicolor")
                      ? std::string("Adwaita")
                      : iconTheme.toStdString(),
                  qEnvironmentVariable("HOME").toStdString(),
                  XdgDataDirs(),
                  std::move(sizes),
                  {},
                  {},
                  {},
                  {}}) {}

EntryIconFinder::~EntryIconFinder() = default;

EntryIcon EntryIconFinder::Find(bool directory, const std::string& path) {
    if (!d_->themes) {
        d_->themes.emplace(d_->dataDirs, d_->home, d_->theme);
        d_->programs.emplace(d_->dataDirs);
        d_->formats = QImageReader::supportedImageFormats();
    }
    const IconChoice choice = ChooseEntryIcon(directory, path, *d_->themes, *d_->programs);
    std::string key;
    for (const IconFile& file : choice.files) key += file.path + '\n';
    auto [pictures, made] = d_->pictures.try_emplace(key);
    if (made) {
        for (int size : d_->sizes) {
            if (QImage image = Picture(choice.files, size, d_->formats); !image.isNull()) {
                pictures->second.push_back(std::move(image));
            }
        }
    }
    return {choice.kind, QString::fromStdString(choice.themeName), pictures->second};
}

}  // namespace zolvantek::platform
