#include "platform/program_icon.h"

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include "platform/file_lookup.h"

namespace zolvantek::platform {

struct EntryIconFinder::Data {};

// The shell draws its icons at the sizes of the system's scale itself.
EntryIconFinder::EntryIconFinder(const QString& /*iconTheme*/, std::vector<int> /*sizes*/)
    : d_(new Data) {}

EntryIconFinder::~EntryIconFinder() = default;

EntryIcon EntryIconFinder::Find(bool directory, const std::string& path) {
    const LookupResult found = FindFirstEntry(path);
    if (found.status != LookupStatus::Found) return {EntryIconKind::Missing, {}, {}};
    if (directory) return {EntryIconKind::Folder, {}, {}};
    // The file the launch starts: the found name, in the folder of a path with wildcards.
    const auto slash = path.find_last_of("\\/:");
    const std::string file =
        (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + found.name;
    // The shell's icon of a .exe, .lnk or .bat, as Explorer shows it; the shell asks for COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    EntryIcon icon{EntryIconKind::Program, {}, {}};
    for (const UINT size : {SHGFI_SMALLICON, SHGFI_LARGEICON}) {
        SHFILEINFOA info{};
        if (SHGetFileInfoA(file.c_str(), 0, &info, sizeof info, SHGFI_ICON | size) != 0 &&
            info.hIcon != nullptr) {
            icon.images.push_back(QImage::fromHICON(info.hIcon));
            DestroyIcon(info.hIcon);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    if (icon.images.empty()) icon.kind = EntryIconKind::Generic;
    return icon;
}

}  // namespace zolvantek::platform
